// The driver's trace lines go to the Qt debug log as they stand, without quotes.
#pragma once

#include <QDebug>
#include <QString>

inline void deviceLog(const QString& line) { qDebug().noquote() << line; }
