// Where data lives, seeding a per-user folder from the installed copy, whole-file writes, and
// the bounded reads of every store (profile, macro, ini and picture files).
#include "apppaths.h"
#include "inifile.h"
#include "logcapture.h"
#include "oledframe.h"
#include "operatemacrofile.h"
#include "profilefile.h"
#include "wholefile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <future>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

class TestCommon : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void pathsBelowTheRoot();
    void seedCopiesWhatIsMissingAndKeepsTheRest();
    void wholeFileWrites();
    void iniScratchCopies();  // the first use of an ini file in this process: keep it before the others
    void storesReadOnlyRegularFiles_data();
    void storesReadOnlyRegularFiles();

private:
    QTemporaryDir m_temp;  // the temporary folder of this test, where the ini copies go
};

void TestCommon::initTestCase()
{
    QVERIFY(m_temp.isValid());
    qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
    QCOMPARE(QDir::tempPath(), m_temp.path());
}

void TestCommon::pathsBelowTheRoot()
{
    AppPaths::setDataRoot(QStringLiteral("/data/root/"));
    QCOMPARE(AppPaths::dataRoot(), QString("/data/root"));
    QCOMPARE(AppPaths::profileFile(3), QString("/data/root/ConfigFiles/LocalFile/Config3.txt"));
    QCOMPARE(AppPaths::macroFilesDir(), QString("/data/root/ConfigFiles/MacroFiles"));
    QCOMPARE(AppPaths::settingsFile(), QString("/data/root/system/system.ini"));
    QCOMPARE(AppPaths::pcFunctionFile(), QString("/data/root/keysetting/HighestFunction.ini"));
    QCOMPARE(AppPaths::pictureFile(), QString("/data/root/drawImage.BMP"));
    QCOMPARE(AppPaths::updateDir(), QString("/data/root/Update"));
    QCOMPARE(AppPaths::fontFile(), QString("/data/root/font/FZSHANGKJW.ttf"));
}

void TestCommon::seedCopiesWhatIsMissingAndKeepsTheRest()
{
    QTemporaryDir installed, user;
    QVERIFY(writeWholeFile(installed.filePath("ConfigFiles/LocalFile/Config0.txt"), "factory"));
    QVERIFY(writeWholeFile(installed.filePath("ConfigFiles/MacroFiles/游戏/1.json"), "{}"));
    QVERIFY(writeWholeFile(installed.filePath("zr540"), "the program itself"));
    QVERIFY(QDir().mkpath(installed.filePath("ConfigFiles/MacroFiles/办公")));  // an empty title folder
    QVERIFY(writeWholeFile(user.filePath("ConfigFiles/MacroFiles/游戏/1.json"), "{\"Name\":\"mine\"}"));

    QVERIFY(AppPaths::seed(installed.path(), user.path()));
    QByteArray content;
    QVERIFY(readWholeFile(user.filePath("ConfigFiles/LocalFile/Config0.txt"), content));
    QCOMPARE(content, QByteArray("factory"));
    QVERIFY(readWholeFile(user.filePath("ConfigFiles/MacroFiles/游戏/1.json"), content));
    QCOMPARE(content, QByteArray("{\"Name\":\"mine\"}"));  // the user's own file stays
    QVERIFY(!QFile::exists(user.filePath("zr540")));
    QVERIFY(QFileInfo(user.filePath("ConfigFiles/LocalFile/Config0.txt")).isWritable());
    QVERIFY(QFileInfo(user.filePath("ConfigFiles/MacroFiles/办公")).isDir());
}

void TestCommon::wholeFileWrites()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("deep/er/file.bin");
    QByteArray content;
    QVERIFY(!readWholeFile(path, content));
    QVERIFY(!QFile::exists(path));  // reading creates nothing
    QVERIFY(writeWholeFile(path, QByteArray("\x00\x01\x02", 3)));
    QVERIFY(readWholeFile(path, content));
    QCOMPARE(content, QByteArray("\x00\x01\x02", 3));
    QVERIFY(writeWholeFile(path, QByteArray()));
    QVERIFY(readWholeFile(path, content));
    QVERIFY(content.isEmpty());
    QCOMPARE(QDir(dir.filePath("deep/er")).entryList(QDir::Files | QDir::Hidden), QStringList{"file.bin"});
    // A path whose folder cannot exist (a file is in the way) fails and says so.
    QVERIFY(!writeWholeFile(dir.filePath("deep/er/file.bin/child"), "x"));
}

namespace {
QStringList scratchNames() { return QDir(QDir::tempPath()).entryList({"zr540-ini-*"}, QDir::Files | QDir::Hidden); }

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

void TestCommon::iniScratchCopies()
{
    // Copies a crash left behind: of a process that is gone, and of an earlier process that had
    // this one's id. A live process's copy and other files stay.
    QProcess gone;
    gone.start(QStringLiteral("true"), QStringList());
    QVERIFY(gone.waitForStarted());
    const qint64 dead = gone.processId();
    QVERIFY(gone.waitForFinished());
    const QString temp = QDir::tempPath() + "/";
    const QStringList stale
        = {QString("zr540-ini-%1-a1B2c3.ini").arg(dead), QString("zr540-ini-%1-a1B2c3.ini.lock").arg(dead),
           QString("zr540-ini-%1-Zz9Yy8.ini").arg(QCoreApplication::applicationPid())};
    const QStringList kept = {QString("zr540-ini-%1-Live00.ini").arg(getppid()), QString("zr540-ini-notes.txt")};
    for (const QString& name : stale + kept)
        QVERIFY(writeWholeFile(temp + name, "[a]\nb=1\n"));

    // Reads, edits and a failed write (a file where its folder should be) leave no copy behind.
    QTemporaryDir dir;
    QVERIFY(IniFile::update(dir.filePath("s.ini"), [](QSettings& s) { s.setValue("k", 1); }));
    QVERIFY(writeWholeFile(dir.filePath("file"), "x"));
    QVERIFY(!IniFile::update(dir.filePath("file/s.ini"), [](QSettings& s) { s.setValue("k", 2); }));
    int value = 0;
    QVERIFY(IniFile::read(dir.filePath("s.ini"), [&](const QSettings& s) { value = s.value("k").toInt(); }));
    QCOMPARE(value, 1);
    QStringList names = scratchNames(), expected = kept;
    names.sort();
    expected.sort();
    QCOMPARE(names, expected);
}

void TestCommon::storesReadOnlyRegularFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("file");  // "fifo", "zero" (a link to /dev/zero), "over" (one byte over the cap), "good"
    QTest::addColumn<qint64>("cap");
    const struct {
        const char* kind;
        qint64 cap;
    } kinds[] = {{"profile", ReadLimit::ProfileFile},
                 {"macro", ReadLimit::MacroFile},
                 {"ini", ReadLimit::IniFile},
                 {"picture", ReadLimit::Picture}};
    for (const auto& k : kinds) {
        for (const char* file : {"fifo", "zero", "over", "good"})
            QTest::addRow("%s, %s", k.kind, file) << k.kind << file << k.cap;
    }
}

void TestCommon::storesReadOnlyRegularFiles()
{
    QFETCH(QString, kind);
    QFETCH(QString, file);
    QFETCH(qint64, cap);
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
    else if (file == "over") {
        QVERIFY(QFile::copy(good, path));  // a valid start, then zeros up to one byte over the cap
        QFile over(path);
        QVERIFY(over.resize(cap + 1));
    } else
        QVERIFY(QFile::link(good, path));  // a link to a regular file is read

    auto read = std::make_shared<bool>(false);
    LogCapture log;
    const bool prompt = finishesPromptly(path, [kind, path, read] {
        if (kind == "profile") {
            WholeStruct record;
            *read = ProfileFile::read(path, record);
        } else if (kind == "macro") {
            MacroFileContent content;
            *read = OperateMacroFile().read(path, content);
        } else if (kind == "ini") {
            *read = IniFile::read(path, [](const QSettings&) {});
        } else {
            QImage canvas;
            *read = OledFrame::loadCanvas(path, canvas);
        }
    });
    QVERIFY2(prompt, "the reader did not return within 5 s");
    QCOMPARE(*read, file == "good");
    const QString refusal = file == "over" ? QString("larger than %1 bytes").arg(cap) : QString("not a regular file");
    QCOMPARE(log.contains(QString("loginfo = refusing to read %1: %2").arg(path, refusal)), file != "good");
}

QTEST_GUILESS_MAIN(TestCommon)
#include "tst_common.moc"
