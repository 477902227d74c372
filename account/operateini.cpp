#include "operateini.h"

#include "inifile.h"
#include "loginfo.h"

#include <QSettings>

namespace {
const QString kAbsent = QStringLiteral("NULL");
const QString kUnopened = QStringLiteral("key error or unInit obj");
}  // namespace

OperateIni::OperateIni(QObject* parent) : QObject(parent) {}

void OperateIni::open(const QString& path)
{
    m_path = path;
    m_open = true;
}

QString OperateIni::value(const QString& key) const
{
    if (!m_open)
        return kUnopened;
    QString result = kAbsent;
    IniFile::read(m_path, [&](const QSettings& settings) {
        result = settings.value(key, kAbsent).toString();
    });
    return result;
}

bool OperateIni::setValue(const QString& key, const QString& value)
{
    if (!m_open)
        return false;
    const bool written =
        IniFile::update(m_path, [&](QSettings& settings) { settings.setValue(key, value); });
    if (!written)
        loginfo(QStringLiteral("cannot store %1 in %2").arg(key, m_path));
    return written;
}
