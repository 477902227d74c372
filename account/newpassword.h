// NewPassword: sets a new password with the mailed verification code.
#pragma once

#include "kvaccountmanage.h"

class NewPassword : public KVAccountManage {
    Q_OBJECT
public:
    explicit NewPassword(QObject* parent, const QString& baseAddress);

    Q_INVOKABLE void KvNewPasswordJson(QString email, QString captcha, QString password);

signals:
    void sigAlterPwdRet(int rCode, QString rMsg);

public slots:
    void slots_onSigFinished(QNetworkReply* reply);
};
