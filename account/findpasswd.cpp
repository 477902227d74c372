#include "findpasswd.h"

FindPasswd::FindPasswd(QObject* parent, const QString& baseAddress) : KVAccountManage(parent, baseAddress)
{
    connect(this, &KVAccountManage::sigFinished, this, &FindPasswd::slots_onSigFinished);
}

void FindPasswd::KvFindPasswdJson(QString email)
{
    postJson(KindFindPassword, compactJson({{QStringLiteral("email"), email}}));
}

void FindPasswd::slots_onSigFinished(QNetworkReply* reply)
{
    const ServerReply result = readReply(reply, 0);
    emit sigFindPwdRet(result.code, messageOf(result));
}
