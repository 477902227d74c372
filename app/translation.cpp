#include "translation.h"

#include <QCoreApplication>
#include <QFile>
#include <QTranslator>

bool installTranslation(QCoreApplication& app, const QLocale& locale)
{
    for (const QString& language : locale.uiLanguages()) {
        const QLocale wanted(language);
        if (wanted.language() == QLocale::Chinese)
            return false;
        const QString file = QStringLiteral(":/i18n/zr540_%1.qm").arg(wanted.name().section(QLatin1Char('_'), 0, 0));
        if (!QFile::exists(file))
            continue;
        auto* translator = new QTranslator(&app);
        if (translator->load(file) && QCoreApplication::installTranslator(translator))
            return true;
        delete translator;
    }
    return false;
}
