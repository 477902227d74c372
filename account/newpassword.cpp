#include "newpassword.h"

NewPassword::NewPassword(QObject* parent, const QString& baseAddress) : KVAccountManage(parent, baseAddress)
{
    connect(this, &KVAccountManage::sigFinished, this, &NewPassword::slots_onSigFinished);
}

void NewPassword::KvNewPasswordJson(QString email, QString captcha, QString password)
{
    postJson(KindNewPassword, compactJson({{QStringLiteral("email"), email},
                                           {QStringLiteral("captcha"), captcha},
                                           {QStringLiteral("password"), password}}));
}

void NewPassword::slots_onSigFinished(QNetworkReply* reply)
{
    const ServerReply result = readReply(reply, 0);
    emit sigAlterPwdRet(result.code, messageOf(result));
}
