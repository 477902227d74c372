// GetDownLoadFilePath: asks for the download address of the user's saved profile archive
// (mouseType "zr540") or macro archive (an empty mouseType).
#pragma once

#include "kvaccountmanage.h"

class GetDownLoadFilePath : public KVAccountManage {
    Q_OBJECT
public:
    explicit GetDownLoadFilePath(QObject* parent, const QString& baseAddress);

    Q_INVOKABLE void KvDownLoadFilePathJson(QString mouseType);

signals:
    // path: the absolute address of the archive.
    void sigDownLoadFilePathRet(int rCode, QString rMsg, QString path);

public slots:
    void slots_onSigFinished(QNetworkReply* reply);
};
