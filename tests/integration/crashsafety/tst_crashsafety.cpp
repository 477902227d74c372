// Crash safety of every save. crashsaver saves two versions of one kind of file in turn through the
// program's own save code and is killed (SIGKILL) at a random moment, many times over; after each
// kill every file must hold one whole version, byte for byte, and after what a start does no
// scratch file may be left. A disk that fills up mid-save (a file size limit in the saver) must
// fail the save and leave the old files whole.
//
// The kill delays come from one seed, printed at the start: ZR540_CRASH_SEED=<seed> replays a run.
#include "safearchive.h"
#include "wholefile.h"

#include <QDirIterator>
#include <QProcess>
#include <QtTest>

#include <random>

#include <csignal>

namespace {

using Files = QMap<QString, QByteArray>;

// Every file and folder below `root` by its relative path (folders end in "/"), with the files'
// content.
Files filesUnder(const QString& root)
{
    Files files;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        const QString name = QDir(root).relativeFilePath(entry.filePath());
        QFile file(entry.filePath());
        if (entry.isDir())
            files.insert(name + QLatin1Char('/'), QByteArray());
        else if (file.open(QIODevice::ReadOnly))
            files.insert(name, file.readAll());
        else
            files.insert(name, QByteArrayLiteral("(unreadable)"));
    }
    return files;
}

// The next line `process` prints, without its line break; empty when none comes within 20 s.
QByteArray readLine(QProcess& process)
{
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(20000))
            return QByteArray();
    }
    return process.readLine().trimmed();
}

}  // namespace

class TestCrashSafety : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void killedMidSave_data();
    void killedMidSave();
    void diskFull_data();
    void diskFull();
    void startRemovesOnlyScratchFiles();

private:
    // Runs the saver to its end; its exit code, or -1 when it did not end normally.
    int runSaver(const QStringList& arguments, QByteArray* errors = nullptr);
    QString freshFolder(const QString& name);
    // The saver's scratch copies in its temporary folder, after what a start does.
    QString leftAfterStart(const QString& root);

    QTemporaryDir m_work;
    QString m_temp;  // the savers' temporary folder
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
    quint32 m_seed = 0;
    std::mt19937 m_random;
};

void TestCrashSafety::initTestCase()
{
    QVERIFY(m_work.isValid());
    m_temp = freshFolder(QStringLiteral("tmp"));
    m_environment.insert(QStringLiteral("TMPDIR"), m_temp);
    const QString runtime = freshFolder(QStringLiteral("runtime"));
    QVERIFY(QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    // Not "offscreen": that plugin leaks its screen at exit, and the sanitizer build fails on it.
    m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("minimal:enable_fonts"));
    bool given = false;
    m_seed = qEnvironmentVariable("ZR540_CRASH_SEED").toUInt(&given);
    if (!given)
        m_seed = std::random_device()();
    m_random.seed(m_seed);
    qInfo("kill delays from seed %u (ZR540_CRASH_SEED=%u replays them)", m_seed, m_seed);
}

int TestCrashSafety::runSaver(const QStringList& arguments, QByteArray* errors)
{
    QProcess saver;
    saver.setProcessEnvironment(m_environment);
    saver.start(QStringLiteral(CRASHSAVER), arguments);
    if (!saver.waitForFinished(60000) || saver.exitStatus() != QProcess::NormalExit)
        return -1;
    if (errors)
        *errors = saver.readAllStandardError();
    return saver.exitCode();
}

QString TestCrashSafety::freshFolder(const QString& name)
{
    const QString path = m_work.filePath(name);
    QDir(path).removeRecursively();
    return QDir().mkpath(path) ? path : QString();
}

QString TestCrashSafety::leftAfterStart(const QString& root)
{
    if (runSaver({QStringLiteral("start"), root}) != 0)
        return QStringLiteral("(the start failed)");
    return QDir(m_temp).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).join(' ');
}

void TestCrashSafety::killedMidSave_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("kills");
    QTest::newRow("profile") << "profile" << 100;
    QTest::newRow("macro") << "macro" << 80;
    QTest::newRow("picture") << "picture" << 60;
    QTest::newRow("extract") << "extract" << 100;
    QTest::newRow("ini") << "ini" << 60;
}

void TestCrashSafety::killedMidSave()
{
    QFETCH(QString, kind);
    QFETCH(int, kills);
    const QString folderA = freshFolder(kind + "-A"), folderB = freshFolder(kind + "-B");
    const QString root = freshFolder(kind);
    QCOMPARE(runSaver({kind, folderA, "once", "A"}), 0);
    QCOMPARE(runSaver({kind, folderB, "once", "B"}), 0);
    QCOMPARE(runSaver({kind, root, "once", "A"}), 0);
    const Files a = filesUnder(folderA), b = filesUnder(folderB);
    QVERIFY(a != b);

    // Quiet, messages to nowhere: a saver blocked on a full pipe would always be killed at the same
    // line.
    QProcess server;
    QProcessEnvironment quiet = m_environment;
    quiet.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.debug=false"));
    server.setProcessEnvironment(quiet);
    server.setStandardErrorFile(QProcess::nullDevice());
    server.start(QStringLiteral(CRASHSAVER), {kind, root, "serve"});
    QCOMPARE(readLine(server), QByteArray("ready"));

    QElapsedTimer clock;
    clock.start();
    int foundA = 0, foundB = 0, mixed = 0, unfinished = 0, scratch = 0;
    for (int kill = 1; kill <= kills; ++kill) {
        // Every other saver starts with A, so the first save, which the short delays hit most, is
        // of either version.
        server.write(kill % 2 ? "A\n" : "B\n");
        const qint64 saver = readLine(server).toLongLong();
        QVERIFY(saver > 0);
        const int delay = std::uniform_int_distribution<int>(0, 30000)(m_random);
        QThread::usleep(static_cast<unsigned long>(delay));
        QCOMPARE(::kill(pid_t(saver), SIGKILL), 0);
        const QString when = QStringLiteral("kill %1 after %2 µs (seed %3)").arg(kill).arg(delay).arg(m_seed);
        QVERIFY2(readLine(server) == "killed", qPrintable(when + ": the saver stopped by itself"));

        // A write or an extraction cut short leaves its scratch file or staging folder; the next
        // start removes them.
        const QString profiles = root + "/ConfigFiles/LocalFile";
        if (filesUnder(root).keys().join(' ').contains(".zr540-"))
            ++unfinished;
        removeUnfinishedWrites(root);
        SafeArchive::removeLeftovers(profiles);
        if (!QDir(m_temp).isEmpty())
            ++scratch;

        const Files now = filesUnder(root);
        bool anyA = false, anyB = false;  // among the files both versions hold, differently
        for (auto file = now.cbegin(); file != now.cend(); ++file) {
            const bool isA = a.contains(file.key()) && a[file.key()] == file.value();
            const bool isB = b.contains(file.key()) && b[file.key()] == file.value();
            QVERIFY2(isA || isB, qPrintable(QStringLiteral("%1: %2 is neither version (%3 bytes)")
                                                .arg(when, file.key())
                                                .arg(file.value().size())));
            anyA = anyA || (isA && b.contains(file.key()) && !isB);
            anyB = anyB || (isB && a.contains(file.key()) && !isA);
        }
        for (auto file = a.cbegin(); file != a.cend(); ++file)
            QVERIFY2(now.contains(file.key()), qPrintable(when + ": " + file.key() + " is gone"));
        foundA += anyA;
        foundB += anyB;
        mixed += anyA && anyB;
    }
    server.closeWriteChannel();
    QVERIFY(server.waitForFinished());
    QCOMPARE(server.exitCode(), 0);
    QVERIFY2(foundB > 0, "the savers saved nothing");
    QCOMPARE(leftAfterStart(root), QString());
    qInfo("%s: %d kills in %lld ms; A found %d times, B %d times, both versions at once %d times, %d left an "
          "unfinished write or extraction, %d ini copies",
          qPrintable(kind), kills, clock.elapsed(), foundA, foundB, mixed, unfinished, scratch);
}

void TestCrashSafety::diskFull_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("exitCode");  // 3: the save reported failure; the engine and the macro page only log it
    QTest::addColumn<QString>("logged");
    QTest::addColumn<QString>("writtenFirst");  // saved whole before the disk filled up
    QTest::newRow("profile") << "profile" << 1024 << 0 << "cannot write %1/ConfigFiles/LocalFile/Config1.txt"
                             << "";
    QTest::newRow("macro") << "macro" << 1024 << 0 << "cannot write %1/ConfigFiles/MacroFiles/"
                           << "";
    QTest::newRow("picture") << "picture" << 256 << 3 << "cannot write %1/drawImage.BMP"
                             << "";
    QTest::newRow("extract") << "extract" << 1024 << 3 << "cannot write %1/ConfigFiles/LocalFile/.zr540-unpack-"
                             << "ConfigFiles/LocalFile.zip";
    // The old file (721 bytes) still fits, the new one (961) does not.
    QTest::newRow("ini") << "ini" << 800 << 3 << "cannot write a temporary copy of an ini file"
                         << "";
}

void TestCrashSafety::diskFull()
{
    QFETCH(QString, kind);
    QFETCH(int, limit);
    QFETCH(int, exitCode);
    QFETCH(QString, logged);
    QFETCH(QString, writtenFirst);
    const QString folderA = freshFolder(kind + "-A"), root = freshFolder(kind);
    QCOMPARE(runSaver({kind, folderA, "once", "A"}), 0);
    QCOMPARE(runSaver({kind, root, "once", "B"}), 0);
    Files expected = filesUnder(root);
    if (!writtenFirst.isEmpty())
        expected[writtenFirst] = filesUnder(folderA).value(writtenFirst);

    QByteArray errors;
    QCOMPARE(runSaver({kind, root, "full", QString::number(limit)}, &errors), exitCode);
    QVERIFY2(QString::fromUtf8(errors).contains(QString(logged).replace("%1", root)), errors.right(2000).constData());
    QCOMPARE(leftAfterStart(root), QString());
    QCOMPARE(filesUnder(root), expected);
}

// A write killed between naming its scratch file and renaming it leaves that file; the moment is
// too short for the kills above to hit more than now and then.
void TestCrashSafety::startRemovesOnlyScratchFiles()
{
    const QString root = freshFolder(QStringLiteral("start"));
    const QString macros = root + "/ConfigFiles/MacroFiles/默认/";
    const QStringList scratch = {macros + ".zr540-save-AbC123", root + "/.zr540-save-000000"};
    const QStringList kept
        = {macros + ".zr540-save-notes.json", macros + "20240101120000001.json.AbC123", root + "/drawImage.BMP"};
    for (const QString& path : scratch + kept)
        QVERIFY(writeWholeFile(path, "{}"));
    QCOMPARE(leftAfterStart(root), QString());
    for (const QString& path : scratch)
        QVERIFY2(!QFile::exists(path), qPrintable(path));
    for (const QString& path : kept)
        QVERIFY2(QFile::exists(path), qPrintable(path));
}

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
