// Crash safety of every save. crashsaver saves one of two versions of one kind of file through the
// program's own save code and is killed (SIGKILL) at one step of the save, for each step in turn
// (writing the scratch file, syncing it, before and after each rename); after each kill every file
// must hold one whole version, byte for byte, and after what a start does no scratch file may be
// left. A disk that fills up mid-save (a file size limit in the saver) must leave the old files
// whole.
#include "foldersnapshot.h"
#include "safearchive.h"
#include "testhelpers.h"
#include "wholefile.h"

#include <QProcess>
#include <QtTest>

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
    int runSaver(const QStringList& arguments);
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
}

int TestCrashSafety::runSaver(const QStringList& arguments)
{
    QProcess saver;
    saver.setProcessEnvironment(m_environment);
    saver.start(QStringLiteral(CRASHSAVER), arguments);
    if (!saver.waitForFinished(60000) || saver.exitStatus() != QProcess::NormalExit)
        return -1;
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
    const QString folderA = freshFolder(kind + "-A"), folderB = freshFolder(kind + "-B"), root = freshFolder(kind);
    QCOMPARE(runSaver({kind, folderA, "once", "A"}), 0);
    QCOMPARE(runSaver({kind, folderB, "once", "B"}), 0);
    QCOMPARE(runSaver({kind, root, "once", "A"}), 0);
    const FolderSnapshot versions[] = {folderSnapshot(folderA), folderSnapshot(folderB)};
    QVERIFY(versions[0] != versions[1]);

    QProcess server;
    server.setProcessEnvironment(m_environment);
    server.setStandardErrorFile(QProcess::nullDevice());
    server.start(QStringLiteral(CRASHSAVER), {kind, root, "serve"});
    const auto readLine = [&server] {  // the next line the server prints; empty when none comes within 60 s
        while (!server.canReadLine() && server.waitForReadyRead(60000)) {
        }
        return server.readLine().trimmed();
    };
    QCOMPARE(readLine(), QByteArray("ready"));
    QSet<QByteArray> killedAt;  // the steps, each with its file
    for (const int saved : {1, 0}) {
        for (int step = 1;; ++step) {
            // The other version whole, then this one killed at its step-th step.
            server.write(saved ? "A 0\n" : "B 0\n");
            QCOMPARE(readLine(), QByteArray("ended 0"));
            server.write(QByteArray(saved ? "B " : "A ") + QByteArray::number(step) + "\n");
            const QByteArray at = readLine();
            if (at == "ended 0")
                break;  // past the last step
            const QString when = QStringLiteral("killed saving %1 at %2: ").arg(saved ? "B" : "A", QString::fromUtf8(at));
            QVERIFY2(readLine() == "killed", qPrintable(when + "the saver did not die there"));
            // A write or an extraction cut short leaves its scratch file or staging folder; the
            // next start removes them. Then every file is one version whole, and none is gone.
            removeUnfinishedWrites(root);
            SafeArchive::removeLeftovers(root + "/ConfigFiles/LocalFile");
            const FolderSnapshot now = folderSnapshot(root);
            for (auto file = now.cbegin(); file != now.cend(); ++file)
                QVERIFY2(versions[0].value(file.key(), "-") == file.value() || versions[1].value(file.key(), "-") == file.value(),
                         qPrintable(when + file.key() + " is neither version"));
            for (const QString& name : versions[0].keys())
                QVERIFY2(now.contains(name), qPrintable(when + name + " is gone"));
            killedAt.insert(at);
            const QString name = QString::fromUtf8(at.mid(at.indexOf(' ') + 1));
            QVERIFY2(!at.startsWith("renamed ") || versions[saved].value(name) == now.value(name), qPrintable(when + "not saved"));
        }
    }
    server.closeWriteChannel();
    QVERIFY(server.waitForFinished());
    QCOMPARE(server.exitCode(), 0);
    QCOMPARE(leftAfterStart(root), QString());
    // Every file the two versions hold differently was seen killed before and after its rename.
    for (const QString& name : versions[0].keys() + versions[1].keys()) {
        if (versions[0].value(name, "-") != versions[1].value(name, "-"))
            QVERIFY2(killedAt.contains("rename " + name.toUtf8()) && killedAt.contains("renamed " + name.toUtf8()),
                     qPrintable(name));
    }
}

void TestCrashSafety::diskFull_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("exitCode");  // 3: the save reported failure; the engine and the macro page only log it
    QTest::newRow("profile") << "profile" << 1024 << 0;
    QTest::newRow("macro") << "macro" << 1024 << 3;
    QTest::newRow("picture") << "picture" << 256 << 3;
    QTest::newRow("extract") << "extract" << 1024 << 3;
    QTest::newRow("ini: the old file (721 bytes) still fits, the new one (961) does not") << "ini" << 800 << 3;
}

void TestCrashSafety::diskFull()
{
    QFETCH(QString, kind);
    const QString folderA = freshFolder(kind + "-A"), root = freshFolder(kind);
    QCOMPARE(runSaver({kind, folderA, "once", "A"}), 0);
    QCOMPARE(runSaver({kind, root, "once", "B"}), 0);
    FolderSnapshot expected = folderSnapshot(root);
    const QString zip = QStringLiteral("ConfigFiles/LocalFile.zip");  // the download fitted; its unpacking did not
    if (kind == QLatin1String("extract"))
        expected[zip] = folderSnapshot(folderA).value(zip);
    QCOMPARE(runSaver({kind, root, "full", QString::number(fetched<int>("limit"))}), fetched<int>("exitCode"));
    QCOMPARE(leftAfterStart(root), QString());
    QCOMPARE(folderSnapshot(root), expected);
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
