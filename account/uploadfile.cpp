#include "uploadfile.h"

#include "loginfo.h"

#include <JlCompress.h>

UploadFile::UploadFile(QObject* parent, const QString& baseAddress) : KVAccountManage(parent, baseAddress)
{
    connect(this, &KVAccountManage::sigFinished, this, &UploadFile::slots_onSigFinished);
}

void UploadFile::upLoadConfigFile(QString fileName, bool state)
{
    const QString zipPath = fileName + QStringLiteral(".zip");
    if (!JlCompress::compressDir(zipPath, fileName, true)) {
        loginfo(QStringLiteral("compressDir file failed"));
        emit sigUploadFileRet(-1, QStringLiteral("compressDir file failed"), QString());
        return;
    }
    QNetworkReply* reply = state ? upLoadMacroFilesZip(zipPath) : upLoadLocalFileZip(zipPath);
    if (!reply) {
        emit sigUploadFileRet(-1, QStringLiteral("the archive could not be opened"), QString());
        return;
    }
    connect(reply, &QNetworkReply::errorOccurred, this, &UploadFile::upLoadError);
    connect(reply, &QNetworkReply::uploadProgress, this, &UploadFile::OnUploadProgress);
}

void UploadFile::slots_onSigFinished(QNetworkReply* reply)
{
    const ServerReply result = readReply(reply, 0);
    emit sigUploadFileRet(result.code,
                          messageOf(result),
                          result.dataString("filePath"));
}

void UploadFile::upLoadError(QNetworkReply::NetworkError error)
{
    loginfo(QStringLiteral("upLoadError %1").arg(int(error)));
}

void UploadFile::OnUploadProgress(qlonglong bytesSent, qlonglong bytesTotal)
{
    loginfo(QStringLiteral("OnUploadProgress %1 / %2").arg(bytesSent).arg(bytesTotal));
    emit sigUploadProgress(bytesSent, bytesTotal);
}
