// The program's language. Chinese is its own: every text of the forms and the code is written in
// it. A translation is installed when the desktop prefers a language the program has one for
// (English: translations/zr540_en.ts, built into the program).
#pragma once

#include <QLocale>

class QCoreApplication;

// Walks the locale's languages in the user's order: the first that is Chinese or has a
// translation decides. True when a translation was installed.
bool installTranslation(QCoreApplication& app, const QLocale& locale = QLocale());
