#include "loginfo.h"

#include <QDebug>

void loginfo(const QString& text) { qDebug().noquote() << (QStringLiteral("loginfo = ") + text); }
