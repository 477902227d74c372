// The program's trace routine: "loginfo = " and the text, to the debug output.
#pragma once

#include <QString>

void loginfo(const QString& text);
