// Where data lives, seeding a per-user folder from the installed copy, whole-file writes (a
// failed sync included), and the bounded reads of every store (profile, macro, ini and picture).
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
#include <fcntl.h>
#include <future>
#include <memory>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
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

namespace {
// Runs `read` on a thread of its own and waits for it 5 s at most, so a reader stuck on a FIFO or
// reading a device without end fails the test instead of hanging it. A reader waiting for the
// FIFO's other end is let go by opening that end.
bool finishesPromptly(const QString& fifo, const std::function<void()>& read)
{
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread([read, done] {
        read();
        done->set_value();
    }).detach();
    if (finished.wait_for(std::chrono::seconds(5)) == std::future_status::ready)
        return true;
    const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0)
        ::close(fd);
    finished.wait_for(std::chrono::seconds(5));
    return false;
}
}  // namespace

class TestCommon : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_temp.isValid());
        qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
        QCOMPARE(QDir::tempPath(), m_temp.path());
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

    // the first use of an ini file in this process: keep it before the others
    void iniScratchCopies()
    {
        // A copy under this process's own id is stale (an earlier process had it); a live process's
        // copy and other files stay. (Copies of killed processes: the crash-safety test.)
        const QString temp = QDir::tempPath() + "/", stale = QString("zr540-ini-%1-Zz9Yy8.ini").arg(QCoreApplication::applicationPid());
        const QStringList kept = {QString("zr540-ini-%1-Live00.ini").arg(getppid()), QString("zr540-ini-notes.txt")};
        for (const QString& name : kept + QStringList{stale})
            QVERIFY(writeWholeFile(temp + name, "[a]\nb=1\n"));

        // Reads, edits and a failed write (a file where its folder should be) leave no copy behind.
        QTemporaryDir dir;
        QVERIFY(IniFile::update(dir.filePath("s.ini"), [](QSettings& s) { s.setValue("k", 1); }));
        QVERIFY(writeWholeFile(dir.filePath("file"), "x"));
        QVERIFY(!IniFile::update(dir.filePath("file/s.ini"), [](QSettings& s) { s.setValue("k", 2); }));
        int value = 0;
        QVERIFY(IniFile::read(dir.filePath("s.ini"), [&](const QSettings& s) { value = s.value("k").toInt(); }));
        QCOMPARE(value, 1);
        QStringList names = QDir(QDir::tempPath()).entryList({"zr540-ini-*"}, QDir::Files | QDir::Hidden),
                    expected = kept;
        names.sort();
        expected.sort();
        QCOMPARE(names, expected);
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

        auto read = std::make_shared<bool>(false);
        LogCapture log;
        const bool prompt = finishesPromptly(path, [kind, path, read] {
            WholeStruct record;
            MacroFileContent content;
            QImage canvas;
            *read = kind == "profile" ? ProfileFile::read(path, record)
                    : kind == "macro" ? OperateMacroFile().read(path, content)
                    : kind == "ini"   ? IniFile::read(path, [](const QSettings&) {})
                                      : OledFrame::loadCanvas(path, canvas);
        });
        QVERIFY2(prompt, "the reader did not return within 5 s");
        QCOMPARE(*read, file == "good");
        // Refused as such, not merely unparsable.
        QCOMPARE(log.lines().filter("refusing to read " + path).size(), file == "good" ? 0 : 1);
    }

private:
    QTemporaryDir m_temp;  // the temporary folder of this test, where the ini copies go
};

QTEST_GUILESS_MAIN(TestCommon)
#include "tst_common.moc"
