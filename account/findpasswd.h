// FindPasswd: asks the server to mail a verification code for a forgotten password.
#pragma once

#include "kvaccountmanage.h"

class FindPasswd : public KVAccountManage {
    Q_OBJECT
public:
    explicit FindPasswd(QObject* parent, const QString& baseAddress);

    Q_INVOKABLE void KvFindPasswdJson(QString email);

signals:
    void sigFindPwdRet(int rCode, QString rMsg);

public slots:
    void slots_onSigFinished(QNetworkReply* reply);
};
