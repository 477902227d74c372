// The program's trace routine: "loginfo = " and the text, to the logging category "zr540.log".
//
// The program's categories ("zr540.log", "zr540.engine" for the profile engine's working notes,
// and the driver's "zr540.device") are quiet by default, so a user starting the program from a
// terminal sees warnings only. QT_LOGGING_RULES="zr540.*.debug=true" or the --verbose flag turns
// them on.
#pragma once

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(zr540Log)
Q_DECLARE_LOGGING_CATEGORY(zr540Engine)

void loginfo(const QString& text);
