// Crash safety of every save. crashsaver saves one of two versions of one kind of file through the
// program's own save code and is killed (SIGKILL) at one step of the save, for each step in turn
// (writing the scratch file, syncing it, before and after each rename); after each kill every file
// must hold one whole version, byte for byte, and after what a start does no scratch file may be
// left. A disk that fills up mid-save (a file size limit in the saver) must fail the save and
// leave the old files whole.
#include "safearchive.h"
#include "wholefile.h"

#include <QDirIterator>
#include <QProcess>
#include <QtTest>

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

bool holds(const Files& files, const QString& name, const QByteArray& content)
{
    return files.contains(name) && files[name] == content;
}

// The next line `process` prints, without its line break; empty when none comes within 60 s.
QByteArray readLine(QProcess& process)
{
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(60000))
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
    m_environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("zr540.*.debug=true"));
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
    // As the unpacking names its files: the real path.
    const QString path = QFileInfo(m_work.path()).canonicalFilePath() + QLatin1Char('/') + name;
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
    for (const char* kind : {"profile", "macro", "picture", "extract", "ini"})
        QTest::newRow(kind) << kind;
}

void TestCrashSafety::killedMidSave()
{
    QFETCH(QString, kind);
    const QString folderA = freshFolder(kind + "-A"), folderB = freshFolder(kind + "-B");
    const QString root = freshFolder(kind);
    QCOMPARE(runSaver({kind, folderA, "once", "A"}), 0);
    QCOMPARE(runSaver({kind, folderB, "once", "B"}), 0);
    QCOMPARE(runSaver({kind, root, "once", "A"}), 0);
    const Files versions[] = {filesUnder(folderA), filesUnder(folderB)};
    QVERIFY(versions[0] != versions[1]);

    QProcess server;
    server.setProcessEnvironment(m_environment);
    server.setStandardErrorFile(QProcess::nullDevice());
    server.start(QStringLiteral(CRASHSAVER), {kind, root, "serve"});
    QCOMPARE(readLine(server), QByteArray("ready"));

    QSet<QByteArray> killedAt;  // the steps, each with its file
    for (const int saved : {1, 0}) {
        for (int step = 1;; ++step) {
            // The other version whole, then this one killed at its step-th step.
            server.write(saved ? "A 0\n" : "B 0\n");
            QCOMPARE(readLine(server), QByteArray("ended 0"));
            server.write(QByteArray(saved ? "B " : "A ") + QByteArray::number(step) + "\n");
            const QByteArray at = readLine(server);
            if (at == "ended 0")
                break;  // past the last step
            const QString when = QStringLiteral("killed saving %1 at %2").arg(saved ? "B" : "A", QString::fromUtf8(at));
            QVERIFY2(readLine(server) == "killed", qPrintable(when + ": the saver did not die there"));

            // A write or an extraction cut short leaves its scratch file or staging folder; the
            // next start removes them.
            removeUnfinishedWrites(root);
            SafeArchive::removeLeftovers(root + "/ConfigFiles/LocalFile");
            const Files now = filesUnder(root);
            for (auto file = now.cbegin(); file != now.cend(); ++file)
                QVERIFY2(holds(versions[0], file.key(), file.value()) || holds(versions[1], file.key(), file.value()),
                         qPrintable(when + ": " + file.key() + " is neither version"));
            for (auto file = versions[0].cbegin(); file != versions[0].cend(); ++file)
                QVERIFY2(now.contains(file.key()), qPrintable(when + ": " + file.key() + " is gone"));
            killedAt.insert(at);
            const QString name = QString::fromUtf8(at.mid(at.indexOf(' ') + 1));
            if (at.startsWith("renamed "))
                QVERIFY2(holds(versions[saved], name, now.value(name)), qPrintable(when + ": not saved"));
        }
    }
    server.closeWriteChannel();
    QVERIFY(server.waitForFinished());
    QCOMPARE(server.exitCode(), 0);
    QCOMPARE(leftAfterStart(root), QString());
    // Every file the two versions hold differently was seen killed before and after its rename.
    for (const QString& name : versions[0].keys() + versions[1].keys()) {
        if (!holds(versions[0], name, versions[1].value(name)))
            QVERIFY2(killedAt.contains("rename " + name.toUtf8()) && killedAt.contains("renamed " + name.toUtf8()),
                     qPrintable(name));
    }
}

void TestCrashSafety::diskFull_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("exitCode");  // 3: the save reported failure; the engine and the macro page only log it
    QTest::addColumn<QString>("logged");
    QTest::newRow("profile") << "profile" << 1024 << 0 << "cannot write %1/ConfigFiles/LocalFile/Config1.txt";
    QTest::newRow("macro") << "macro" << 1024 << 0 << "cannot write %1/ConfigFiles/MacroFiles/";
    QTest::newRow("picture") << "picture" << 256 << 3 << "cannot write %1/drawImage.BMP";
    QTest::newRow("extract") << "extract" << 1024 << 3 << "cannot write %1/ConfigFiles/LocalFile/.zr540-unpack-";
    // The old file (721 bytes) still fits, the new one (961) does not.
    QTest::newRow("ini") << "ini" << 800 << 3 << "cannot write a temporary copy of an ini file";
}

void TestCrashSafety::diskFull()
{
    QFETCH(QString, kind);
    QFETCH(int, limit);
    QFETCH(int, exitCode);
    QFETCH(QString, logged);
    const QString folderA = freshFolder(kind + "-A"), root = freshFolder(kind);
    QCOMPARE(runSaver({kind, folderA, "once", "A"}), 0);
    QCOMPARE(runSaver({kind, root, "once", "B"}), 0);
    Files expected = filesUnder(root);
    const QString zip = QStringLiteral("ConfigFiles/LocalFile.zip");  // the download fitted; its unpacking did not
    if (kind == QLatin1String("extract"))
        expected[zip] = filesUnder(folderA).value(zip);

    QByteArray errors;
    QCOMPARE(runSaver({kind, root, "full", QString::number(limit)}, &errors), exitCode);
    QVERIFY2(QString::fromUtf8(errors).contains(QString(logged).replace("%1", root)), errors.right(2000).constData());
    QCOMPARE(leftAfterStart(root), QString());
    QCOMPARE(filesUnder(root), expected);
}

// Only scratch files go: names like theirs stay.
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
