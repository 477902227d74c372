#include "logoutaccount.h"

LogoutAccount::LogoutAccount(QObject* parent, const QString& baseAddress) : KVAccountManage(parent, baseAddress)
{
    connect(this, &KVAccountManage::sigFinished, this, &LogoutAccount::slots_onSigFinished);
}

void LogoutAccount::KvLogoutJson(QString token)
{
    postJson(KindLogout, QByteArrayLiteral("{}"), token);
}

void LogoutAccount::slots_onSigFinished(QNetworkReply* reply)
{
    const ServerReply result = readReply(reply, 0);
    emit sigLogoutRet(result.code, messageOf(result));
}
