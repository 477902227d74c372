#include "lastversion.h"

LastVersion::LastVersion(QObject* parent, const QString& baseAddress) : KVAccountManage(parent, baseAddress)
{
    connect(this, &KVAccountManage::sigFinished, this, &LastVersion::slots_onSigFinished);
}

void LastVersion::KvLastFirmVersionJson(QString versionType)
{
    postJson(KindVersion,
             compactJson({{QStringLiteral("versionType"), versionType + QStringLiteral("-firmware")}}));
}

void LastVersion::KvLastSoftwareVersionJson(QString versionType)
{
    postJson(KindVersion,
             compactJson({{QStringLiteral("versionType"), versionType + QStringLiteral("-software")}}));
}

void LastVersion::slots_onSigFinished(QNetworkReply* reply)
{
    const ServerReply result = readReply(reply, 0);
    emit sigLastVersionRet(result.code,
                           messageOf(result),
                           result.dataString("version"), result.dataString("downloadUrl"));
}
