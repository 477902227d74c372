#include "updatepasswdaccount.h"

UpdatePasswdAccount::UpdatePasswdAccount(QObject* parent, const QString& baseAddress) : KVAccountManage(parent, baseAddress)
{
    connect(this, &KVAccountManage::sigFinished, this, &UpdatePasswdAccount::slots_onSigFinished);
}

void UpdatePasswdAccount::KvUpdatePasswdJson(QString email, QString passwd, QString rePasswd)
{
    postJson(KindUpdatePassword, compactJson({{QStringLiteral("email"), email},
                                              {QStringLiteral("password"), passwd},
                                              {QStringLiteral("rePassword"), rePasswd}}));
}

void UpdatePasswdAccount::slots_onSigFinished(QNetworkReply* reply)
{
    const ServerReply result = readReply(reply, 0);
    emit sigUpdatePwdRet(result.code,
                         messageOf(result));
}
