// UploadFile: zips a data folder and uploads the archive. The server answers with the name it
// stored the archive under ("data"."filePath"), which a save record (SaveConfigInfo) then makes
// the user's profile or macro archive.
#pragma once

#include "kvaccountmanage.h"

#include <QNetworkReply>

class UploadFile : public KVAccountManage {
    Q_OBJECT
public:
    explicit UploadFile(QObject* parent, const QString& baseAddress);

    // Compresses the folder fileName, subfolders included, into fileName + ".zip" (replacing
    // it) and uploads that archive: as MacroFiles.zip when state is true, as LocalFile.zip
    // otherwise. When compressing fails ("compressDir file failed") or the archive cannot be
    // opened, the result is reported at once as a failure with code -1: the caller is waiting.
    void upLoadConfigFile(QString fileName, bool state);

signals:
    void sigUploadFileRet(int rCode, QString rMsg, QString path);
    // Bytes of the archive sent so far, and in all.
    void sigUploadProgress(qint64 bytesSent, qint64 bytesTotal);

public slots:
    void slots_onSigFinished(QNetworkReply* reply);
    void upLoadError(QNetworkReply::NetworkError error);
    void OnUploadProgress(qlonglong bytesSent, qlonglong bytesTotal);
};
