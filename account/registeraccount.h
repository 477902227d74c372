// RegisterAccount: creates an account (the server checks every field).
#pragma once

#include "kvaccountmanage.h"

class RegisterAccount : public KVAccountManage {
    Q_OBJECT
public:
    explicit RegisterAccount(QObject* parent, const QString& baseAddress);

    Q_INVOKABLE void KvPostRegisiterJson(QString nickName, QString email, QString password, QString rePassword);

signals:
    void sigRegisterRet(int rCode, QString rMsg);

public slots:
    void slots_onSigFinished(QNetworkReply* reply);
};
