#include "registeraccount.h"

RegisterAccount::RegisterAccount(QObject* parent, const QString& baseAddress) : KVAccountManage(parent, baseAddress)
{
    connect(this, &KVAccountManage::sigFinished, this, &RegisterAccount::slots_onSigFinished);
}

void RegisterAccount::KvPostRegisiterJson(QString nickName, QString email, QString password,
                                          QString rePassword)
{
    postJson(KindRegister, compactJson({{QStringLiteral("nickname"), nickName},
                                        {QStringLiteral("email"), email},
                                        {QStringLiteral("password"), password},
                                        {QStringLiteral("rePassword"), rePassword}}));
}

void RegisterAccount::slots_onSigFinished(QNetworkReply* reply)
{
    const ServerReply result = readReply(reply, 0);
    emit sigRegisterRet(result.code, messageOf(result, tr("Network Error")));
}
