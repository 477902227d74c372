// Where data lives, seeding a per-user folder from the installed copy, whole-file writes (a
// failed sync included), the ini store's scratch copies, and the bounded reads of every store
// (profile, macro, ini and picture).
#include "apppaths.h"
#include "inifile.h"
#include "logcapture.h"
#include "oledframe.h"
#include "operatemacrofile.h"
#include "profilefile.h"
#include "testhelpers.h"
#include "wholefile.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

// This program's own fsync, ahead of the C library's: it fails with `syncError` when that is set,
// as a failing disk makes it fail.
static int syncError = 0;
extern "C" int fsync(int fd)
{
    if (syncError == 0)
        return int(::syscall(SYS_fsync, fd));
    errno = syncError;
    return -1;
}

class TestCommon : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_temp.isValid());
        qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
    }

    void seedCopiesWhatIsMissingAndKeepsTheRest()
    {
        QTemporaryDir installed, user;
        QVERIFY(writeWholeFile(installed.filePath("ConfigFiles/LocalFile/Config0.txt"), "factory"));
        QVERIFY(writeWholeFile(installed.filePath("ConfigFiles/MacroFiles/游戏/1.json"), "{}"));
        QVERIFY(writeWholeFile(installed.filePath("zr540"), "the program itself"));
        QVERIFY(QDir().mkpath(installed.filePath("ConfigFiles/MacroFiles/办公")));  // an empty title folder
        QVERIFY(writeWholeFile(user.filePath("ConfigFiles/MacroFiles/游戏/1.json"), "mine"));

        QVERIFY(AppPaths::seed(installed.path(), user.path()));
        QCOMPARE(fileContent(user.filePath("ConfigFiles/LocalFile/Config0.txt")), QByteArray("factory"));
        QCOMPARE(fileContent(user.filePath("ConfigFiles/MacroFiles/游戏/1.json")), QByteArray("mine"));
        QVERIFY(!QFile::exists(user.filePath("zr540")));
        QVERIFY(QFileInfo(user.filePath("ConfigFiles/LocalFile/Config0.txt")).isWritable());
        QVERIFY(QFileInfo(user.filePath("ConfigFiles/MacroFiles/办公")).isDir());
    }

    void wholeFileWrites()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("deep/er/file.bin");
        QByteArray content;
        QVERIFY(!readWholeFile(path, content));
        QVERIFY(!QFile::exists(path));  // reading creates nothing
        QVERIFY(writeWholeFile(path, QByteArray("\x00\x01\x02", 3)));
        QVERIFY(readWholeFile(path, content, 3));  // exactly the limit is read, one byte more is not
        QCOMPARE(content, QByteArray("\x00\x01\x02", 3));
        QVERIFY(!readWholeFile(path, content, 2));

        // A sync that fails fails the write, and the old file stays whole.
        syncError = EIO;
        const bool written = writeWholeFile(path, "new");
        syncError = 0;
        QVERIFY(!written);
        QCOMPARE(fileContent(path), QByteArray("\x00\x01\x02", 3));
        QCOMPARE(QDir(dir.filePath("deep/er")).entryList(QDir::Files | QDir::Hidden), QStringList{"file.bin"});
        // A path whose folder cannot exist (a file is in the way) fails.
        QVERIFY(!writeWholeFile(dir.filePath("deep/er/file.bin/child"), "x"));
    }

    // The first use of an ini file in this process: keep it before the others. A copy under this
    // process's own id is stale (an earlier process had it); a live process's copy stays, and an
    // update leaves no copy of its own behind. (Copies of killed processes: the crash-safety test.)
    void iniScratchCopies()
    {
        const QString stale = QString("zr540-ini-%1-Zz9Yy8.ini").arg(QCoreApplication::applicationPid()),
                      live = QString("zr540-ini-%1-Live00.ini").arg(getppid());
        for (const QString& name : {stale, live})
            QVERIFY(writeWholeFile(QDir::tempPath() + "/" + name, "[a]\nb=1\n"));
        QTemporaryDir dir;
        QVERIFY(IniFile::update(dir.filePath("s.ini"), [](QSettings& s) { s.setValue("k", 1); }));
        QCOMPARE(QDir(QDir::tempPath()).entryList({"zr540-ini-*"}, QDir::Files | QDir::Hidden), QStringList{live});
    }

    void storesReadOnlyRegularFiles_data()
    {
        QTest::addColumn<QString>("kind");
        // "fifo", "zero" (a link to /dev/zero), "over" (one byte over the cap), "good"
        QTest::addColumn<QString>("file");
        QTest::addColumn<qint64>("cap");
        const std::pair<const char*, qint64> kinds[] = {{"profile", ReadLimit::ProfileFile},
                                                        {"macro", ReadLimit::MacroFile},
                                                        {"ini", ReadLimit::IniFile},
                                                        {"picture", ReadLimit::Picture}};
        for (const auto& k : kinds) {
            for (const char* file : {"fifo", "zero", "over", "good"})
                QTest::addRow("%s, %s", k.first, file) << k.first << file << k.second;
        }
    }

    void storesReadOnlyRegularFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QString, file);
        QTemporaryDir dir;
        const QString path = dir.filePath("target"), good = dir.filePath("good");
        if (kind == "profile")
            QVERIFY(writeWholeFile(good, QByteArray(ProfileFile::EmptySize, '\0')));
        else if (kind == "macro")
            QVERIFY(writeWholeFile(good, R"({"Name":"m"})"));
        else if (kind == "ini")
            QVERIFY(writeWholeFile(good, "[a]\nb=1\n"));
        else
            QVERIFY(QImage(OledFrame::Width, OledFrame::Height, QImage::Format_Mono).save(good, "BMP"));
        if (file == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (file == "zero")
            QVERIFY(QFile::link("/dev/zero", path));
        else if (file == "over")  // a valid start, then zeros up to one byte over the cap
            QVERIFY(QFile::copy(good, path) && QFile(path).resize(fetched<qint64>("cap") + 1));
        else
            QVERIFY(QFile::link(good, path));  // a link to a regular file is read

        // A reader stuck on the FIFO or on /dev/zero hangs here until the test's time runs out.
        LogCapture log;
        WholeStruct record;
        MacroFileContent content;
        QImage canvas;
        const bool read = kind == "profile" ? ProfileFile::read(path, record)
                          : kind == "macro" ? OperateMacroFile().read(path, content)
                          : kind == "ini"   ? IniFile::read(path, [](const QSettings&) {})
                                            : OledFrame::loadCanvas(path, canvas);
        QCOMPARE(read, file == "good");
        // Refused as such, not merely unparsable.
        QCOMPARE(log.lines().filter("refusing to read " + path).size(), file == "good" ? 0 : 1);
    }

private:
    QTemporaryDir m_temp;  // the temporary folder of this test, where the ini copies go
};

QTEST_GUILESS_MAIN(TestCommon)
#include "tst_common.moc"
