#include "operatetoken.h"

#include "apppaths.h"

namespace {
const QString kToken = QStringLiteral("/INFO/token");
const QString kEmail = QStringLiteral("/INFO/email");
const QString kNickName = QStringLiteral("/INFO/nickName");
}  // namespace

OperateToken::OperateToken(QObject* parent) : QObject(parent), m_ini(this)
{
    m_ini.open(AppPaths::settingsFile());
}

QString OperateToken::GetToken() { return m_ini.value(kToken); }
QString OperateToken::GetEmail() { return m_ini.value(kEmail); }
QString OperateToken::GetNickName() { return m_ini.value(kNickName); }
void OperateToken::SetToken(QString token) { m_ini.setValue(kToken, token); }
void OperateToken::SetEmail(QString email) { m_ini.setValue(kEmail, email); }
void OperateToken::SetNickName(QString nickName) { m_ini.setValue(kNickName, nickName); }
