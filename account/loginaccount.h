// LoginAccount: logs in. The server answers with the nickname in "data" and the login token in
// the reply header "Authorization"; a successful login stores token, e-mail and nickname in the
// settings file, and every later request sends that token back.
#pragma once

#include "kvaccountmanage.h"

class LoginAccount : public KVAccountManage {
    Q_OBJECT
public:
    explicit LoginAccount(QObject* parent, const QString& baseAddress);

    Q_INVOKABLE void KvPostLoginJson(QString emailAccount, QString passwd);

signals:
    // (0, nickname) after a successful login, otherwise (code, message).
    void sigLoginRet(int, QString);

public slots:
    void slots_onSigFinished(QNetworkReply* reply);

private:
    QString m_email;  // of the last login request
    OperateToken m_identity;
};
