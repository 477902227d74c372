#include "loginfo.h"

Q_LOGGING_CATEGORY(zr540Log, "zr540.log", QtWarningMsg)
Q_LOGGING_CATEGORY(zr540Engine, "zr540.engine", QtWarningMsg)

void loginfo(const QString& text) { qCDebug(zr540Log).noquote() << (QStringLiteral("loginfo = ") + text); }
