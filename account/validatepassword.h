// ValidatePassword: checks the mailed verification code.
#pragma once

#include "kvaccountmanage.h"

class ValidatePassword : public KVAccountManage {
    Q_OBJECT
public:
    explicit ValidatePassword(QObject* parent, const QString& baseAddress);

    Q_INVOKABLE void KvValidatePasswordJson(QString email, QString captcha);

signals:
    void sigValidateCodeRet(int rCode, QString rMsg);

public slots:
    void slots_onSigFinished(QNetworkReply* reply);
};
