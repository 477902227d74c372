// SaveConfigInfo: records an uploaded archive as the user's profile archive (type "LocalConfig") or macro archive (type "MacroConfig").
#pragma once

#include "kvaccountmanage.h"

class SaveConfigInfo : public KVAccountManage {
    Q_OBJECT
public:
    explicit SaveConfigInfo(QObject* parent, const QString& baseAddress);

    Q_INVOKABLE void KvSaveConfigInfoJson(QString filePath, QString mouseType, QString type);

signals:
    void sigSaveConfRet(int rCode, QString rMsg);

public slots:
    void slots_onSigFinished(QNetworkReply* reply);
};
