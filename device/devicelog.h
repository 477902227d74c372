// The driver's trace lines go to the logging category "zr540.device" as they stand, without
// quotes; like the program's other categories it is quiet unless asked for
// (QT_LOGGING_RULES="zr540.*.debug=true", or the program's --verbose flag).
#pragma once

#include <QDebug>
#include <QLoggingCategory>
#include <QString>

inline const QLoggingCategory& zr540Device()
{
    static const QLoggingCategory category("zr540.device", QtWarningMsg);
    return category;
}

inline void deviceLog(const QString& line) { qCDebug(zr540Device).noquote() << line; }
