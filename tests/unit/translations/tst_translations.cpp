// Chinese is the program's own language; the English file must translate every text that the
// forms and the code show. lupdate is run on the sources here, so a text added without its
// translation fails the test, not only one that the file already lists unfinished.
#include "translation.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

class TestTranslations : public QObject {
    Q_OBJECT
private slots:
    void everyTextIsTranslated()
    {
        QTemporaryDir dir;
        const QString ts = dir.filePath(QStringLiteral("zr540_en.ts"));
        QVERIFY(QFile::copy(QStringLiteral(ZR540_SOURCE_DIR "/translations/zr540_en.ts"), ts));
        QFile::setPermissions(ts, QFile::ReadOwner | QFile::WriteOwner);
        QProcess lupdate;
        lupdate.setWorkingDirectory(QStringLiteral(ZR540_SOURCE_DIR));
        lupdate.start(QStringLiteral(ZR540_LUPDATE),
                      {QStringLiteral("-silent"), QStringLiteral("-no-obsolete"), QStringLiteral("app"),
                       QStringLiteral("pages"), QStringLiteral("account"), QStringLiteral("accountpages"), QStringLiteral("engine"),
                       QStringLiteral("common"), QStringLiteral("forms"), QStringLiteral("-ts"), ts});
        QVERIFY(lupdate.waitForFinished(60000));
        QCOMPARE(lupdate.exitCode(), 0);

        // Every message needs a translation that is neither empty nor marked unfinished.
        QFile file(ts);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QStringList missing;
        QString context, source;
        int messages = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("name")) {
                context = xml.readElementText();
            } else if (xml.name() == QLatin1String("source")) {
                source = xml.readElementText();
                ++messages;
            } else if (xml.name() == QLatin1String("translation")) {
                const bool unfinished = xml.attributes().hasAttribute(QLatin1String("type"));
                if (xml.readElementText().isEmpty() || unfinished)
                    missing << context + QStringLiteral(": ") + source;
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(messages > 100);
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("not translated:\n") + missing.join(QLatin1Char('\n'))));
    }

    void desktopLanguagePicksTheTranslation_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("upload");  // what the upload button of the cloud page says

        QTest::newRow("English") << "en_GB" << "Upload settings";
        QTest::newRow("no translation") << "fr_FR" << "上传当前设置";
    }

    void desktopLanguagePicksTheTranslation()
    {
        QFETCH(QString, locale);
        QFETCH(QString, upload);
        const bool installed = installTranslation(*QCoreApplication::instance(), QLocale(locale));
        QCOMPARE(QCoreApplication::translate("CloudSyncWidget", "上传当前设置"), upload);
        QCOMPARE(installed, upload != QStringLiteral("上传当前设置"));
        for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }
};

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"
