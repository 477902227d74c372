// Carrying out a PC-side function: which system action is asked for, with what, and what is
// refused before anything is asked of the system.
#include "pcactionrunner.h"
#include "testhelpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestPcActionRunner : public QObject {
    Q_OBJECT
private slots:
    void run_data()
    {
        QTest::addColumn<int>("function");
        QTest::addColumn<QString>("target");  // "file:<name>", "folder:<name>", or a literal path
        QTest::addColumn<bool>("systemAnswer");
        QTest::addColumn<QString>("action");  // empty: nothing may be asked of the system
        QTest::addColumn<bool>("result");

        QTest::newRow("2 plays a sound") << 2 << "file:ding.wav" << true << "sound" << true;
        QTest::newRow("3 starts a program") << 3 << "file:game launcher" << true << "program" << true;
        QTest::newRow("5 opens a folder") << 5 << "folder:screenshots" << true << "url" << true;
        QTest::newRow("4, a name with # and %") << 4 << QString::fromUtf8("file:文档 #1%.txt") << true << "url" << true;
        QTest::newRow("system refuses") << 3 << "file:broken" << false << "program" << false;
        QTest::newRow("code 1") << 1 << "file:notes.txt" << true << "" << false;
        QTest::newRow("code 6") << 6 << "file:notes.txt" << true << "" << false;
        QTest::newRow("empty path") << 4 << "" << true << "" << false;
        QTest::newRow("missing file") << 4 << "/nonexistent/zr540/notes.txt" << true << "" << false;
        QTest::newRow("folder given as a program") << 3 << "folder:screenshots" << true << "" << false;
        QTest::newRow("file given to open a folder") << 5 << "file:notes.txt" << true << "" << false;
        QTest::newRow("relative path") << 4 << "notes.txt" << true << "" << false;
    }

    void run()
    {
        QFETCH(QString, target);
        QFETCH(bool, systemAnswer);
        QFETCH(QString, action);

        QTemporaryDir dir;
        QString path = target;
        if (target.startsWith(QLatin1String("file:"))) {
            path = dir.filePath(target.mid(5));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
        } else if (target.startsWith(QLatin1String("folder:"))) {
            path = dir.filePath(target.mid(7));
            QVERIFY(QDir().mkpath(path));
        }
        // A relative name would resolve against the current folder: make it resolve to a real file.
        QFile(dir.filePath("notes.txt")).open(QIODevice::WriteOnly);
        const QString previousFolder = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));

        QStringList calls;
        PcActionRunner::SystemActions actions;
        actions.playSound = [&](const QString& f) { calls << "sound" << f; return systemAnswer; };
        actions.startProgram = [&](const QString& p) { calls << "program" << p; return systemAnswer; };
        actions.openUrl = [&](const QUrl& u) { calls << "url" << u.toString(QUrl::FullyEncoded); return systemAnswer; };
        const bool ran = PcActionRunner(actions).run(fetched<int>("function"), path);
        QDir::setCurrent(previousFolder);
        QCOMPARE(ran, fetched<bool>("result"));

        if (action.isEmpty()) {
            QCOMPARE(calls, QStringList());
            return;
        }
        QCOMPARE(calls.size(), 2);
        QCOMPARE(calls.at(0), action);
        if (action == QLatin1String("url")) {
            const QUrl url(calls.at(1), QUrl::StrictMode);
            QVERIFY(url.isLocalFile());
            QCOMPARE(url.toLocalFile(), path);
        } else {
            QCOMPARE(calls.at(1), path);
        }
    }
};

QTEST_GUILESS_MAIN(TestPcActionRunner)
#include "tst_pcactionrunner.moc"
