// UpdatePasswdAccount: changes the password of the logged-in account; passwd is the old password, rePasswd the new one.
#pragma once

#include "kvaccountmanage.h"

class UpdatePasswdAccount : public KVAccountManage {
    Q_OBJECT
public:
    explicit UpdatePasswdAccount(QObject* parent, const QString& baseAddress);

    Q_INVOKABLE void KvUpdatePasswdJson(QString email, QString passwd, QString rePasswd);

signals:
    void sigUpdatePwdRet(int rCode, QString rMsg);

public slots:
    void slots_onSigFinished(QNetworkReply* reply);
};
