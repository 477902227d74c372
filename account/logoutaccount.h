// LogoutAccount: tells the server that the user logged out, so that the token it names ends
// there too. The token is given by the caller, who forgets the stored identity at once: the
// log-out holds here whether or not the server is reached.
#pragma once

#include "kvaccountmanage.h"

class LogoutAccount : public KVAccountManage {
    Q_OBJECT
public:
    explicit LogoutAccount(QObject* parent, const QString& baseAddress);

    Q_INVOKABLE void KvLogoutJson(QString token);

signals:
    void sigLogoutRet(int rCode, QString rMsg);

public slots:
    void slots_onSigFinished(QNetworkReply* reply);
};
