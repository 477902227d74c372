// OperateToken: the stored identity (login token, e-mail, nickname) in the settings file
// "<data root>/system/system.ini", section INFO. Absent keys read as "NULL": before the first
// login the token is "NULL", and that is what requests send. A log-out deletes the whole file.
#pragma once

#include "operateini.h"

#include <QObject>
#include <QString>

class OperateToken : public QObject {
    Q_OBJECT
public:
    // Opens the settings file of the data root as it is now.
    explicit OperateToken(QObject* parent = nullptr);

    Q_INVOKABLE QString GetToken();
    Q_INVOKABLE QString GetEmail();
    Q_INVOKABLE QString GetNickName();
    Q_INVOKABLE void SetToken(QString token);
    Q_INVOKABLE void SetEmail(QString email);
    Q_INVOKABLE void SetNickName(QString nickName);

private:
    OperateIni m_ini;  // a child: moves with this object to another thread
};
