#include "validatepassword.h"

ValidatePassword::ValidatePassword(QObject* parent, const QString& baseAddress) : KVAccountManage(parent, baseAddress)
{
    connect(this, &KVAccountManage::sigFinished, this, &ValidatePassword::slots_onSigFinished);
}

void ValidatePassword::KvValidatePasswordJson(QString email, QString captcha)
{
    postJson(KindValidatePassword, compactJson({{QStringLiteral("email"), email},
                                                {QStringLiteral("captcha"), captcha}}));
}

void ValidatePassword::slots_onSigFinished(QNetworkReply* reply)
{
    const ServerReply result = readReply(reply, 0);
    emit sigValidateCodeRet(result.code,
                            messageOf(result));
}
