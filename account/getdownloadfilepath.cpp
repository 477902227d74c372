#include "getdownloadfilepath.h"

GetDownLoadFilePath::GetDownLoadFilePath(QObject* parent, const QString& baseAddress) : KVAccountManage(parent, baseAddress)
{
    connect(this, &KVAccountManage::sigFinished, this, &GetDownLoadFilePath::slots_onSigFinished);
}

void GetDownLoadFilePath::KvDownLoadFilePathJson(QString mouseType)
{
    if (mouseType.isEmpty()) {
        postJson(KindMacroConfigGet, compactJson(QJsonObject()));
        return;
    }
    postJson(KindLocalConfigGet, compactJson({{QStringLiteral("configType"), mouseType}}));
}

void GetDownLoadFilePath::slots_onSigFinished(QNetworkReply* reply)
{
    const ServerReply result = readReply(reply, 0);
    emit sigDownLoadFilePathRet(result.code,
                                messageOf(result),
                                result.dataString("filePath"));
}
