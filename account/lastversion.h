// LastVersion: asks for the newest firmware or software version ("zr540" gives the version
// types "zr540-firmware" and "zr540-software") and where to get it.
#pragma once

#include "kvaccountmanage.h"

class LastVersion : public KVAccountManage {
    Q_OBJECT
public:
    explicit LastVersion(QObject* parent, const QString& baseAddress);

    Q_INVOKABLE void KvLastFirmVersionJson(QString versionType);
    Q_INVOKABLE void KvLastSoftwareVersionJson(QString versionType);

signals:
    // version and path ("downloadUrl") as the server sent them.
    void sigLastVersionRet(int rCode, QString rMsg, QString version, QString path);

public slots:
    void slots_onSigFinished(QNetworkReply* reply);
};
