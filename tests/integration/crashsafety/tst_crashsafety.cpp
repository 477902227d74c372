// Crash safety of every save: a child process saves one of two versions (A, B) of a kind of file
// through the program's own code and is killed just before and just after each file's rename;
// then every file holds one version whole, and a start leaves no scratch file. A disk filling up
// mid-save leaves the old files whole. Kinds: profile (through the engine), macro, picture,
// extract (a downloaded archive), ini.
#include "apppaths.h"
#include "dcdatahandle.h"
#include "drawboardwidget.h"
#include "foldersnapshot.h"
#include "inifile.h"
#include "operatemacrofile.h"
#include "pcactionstore.h"
#include "profilefile.h"
#include "safearchive.h"
#include "simulatedmouse.h"
#include "testhelpers.h"
#include "wholefile.h"

#include <QApplication>
#include <QBuffer>
#include <QSettings>
#include <QtTest>

#include <quazip.h>
#include <quazipfile.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
enum Version { A, B };

// A with sixteen macros, B without.
WholeStruct profileRecord(Version version, int variant)
{
    WholeStruct record = WholeStruct::initial();
    record.settings[WholeStruct::settingsOffset(DeviceProfileBlock::ReportRate)] = std::uint8_t(version == A ? 1 : 3);
    record.settings[WholeStruct::settingsOffset(DeviceProfileBlock::LogoColor)] = std::uint8_t(variant);
    for (int slot = 0; version == A && slot < WholeStruct::MacroSlots; ++slot) {
        MacroStruct& macro = record.macros[std::size_t(slot)];
        macro.header1 = std::uint8_t(slot + 1);
        for (int item = 0; item < 120; ++item)
            macro.items.append(MacroItem{std::uint8_t(0x10 + item % 64), std::uint8_t(0x20 + slot)});
        macro.items.append(MacroItem{0, 0});
    }
    return record;
}

QString macroPath(int file) { return OperateMacroFile::macroRoot() + QStringLiteral("/默认/2024010112000000%1.json").arg(file); }

// A cloud archive: Config1 without macros and Config2-5 with (A), or Config0-5 without (B).
QByteArray profileArchive(Version version)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    zip.open(QuaZip::mdCreate);
    for (int number = version == A ? 1 : 0; number <= 5; ++number) {
        QuaZipFile entry(&zip);
        QuaZipNewInfo info(QStringLiteral("Config%1.txt").arg(number));
        info.dateTime = QDateTime(QDate(2024, 1, 1), QTime(12, 0));  // the same bytes in every run
        entry.open(QIODevice::WriteOnly, info);
        entry.write(ProfileFile::encode(profileRecord(number == 1 ? B : version, 10 + number)));
    }
    zip.close();
    return bytes;
}

// Unpacks the download saved beside the profile folder, after saving `archive` there unless null.
bool extract(const QByteArray& archive)
{
    const QString zip = AppPaths::configFilesDir() + QStringLiteral("/LocalFile.zip");
    return (archive.isNull() || writeWholeFile(zip, archive))
           && SafeArchive::extract(zip, AppPaths::localFileDir()) == SafeArchive::Extracted;
}

// What a kind needs before it saves: profile sources, named macro files, other function buttons;
// and a file of the user's named like a scratch file, which no clean-up may take.
bool setUp(const QString& kind)
{
    if (!writeWholeFile(AppPaths::dataRoot() + QStringLiteral("/.zr540-save-notes.json"), "{}"))
        return false;
    if (kind == "profile")
        return writeWholeFile(AppPaths::profileFile(4), ProfileFile::encode(profileRecord(A, 4)))
               && writeWholeFile(AppPaths::profileFile(5), ProfileFile::encode(profileRecord(B, 5)));
    if (kind == "macro")
        return OperateMacroFile().setName(macroPath(1), QStringLiteral("连招")) && OperateMacroFile().setName(macroPath(2), "Combo");
    for (int button = 5; kind == "ini" && button <= 15; ++button) {
        if (!PcActionStore::writeFunction(button, true, PcActionStore::PlaySound, QString("/home/player/sounds/%1.wav").arg(button)))
            return false;
    }
    return true;
}

// One save of `kind` through the program's own code; false when it failed (the engine only logs).
bool save(const QString& kind, Version version)
{
    if (kind == "profile") {  // profile 4 (A) or 5 (B) loaded, then saved as profiles 1 to 3 (private slots)
        DCDataHandle engine(std::make_shared<hid::SimulatedMouse>());
        bool called = QMetaObject::invokeMethod(&engine, "loadConfigFileByNumber", Q_ARG(int, version == A ? 4 : 5));
        for (int number = 1; number <= 3; ++number)
            called = QMetaObject::invokeMethod(&engine, "saveConfigFileByConfigureNumber", Q_ARG(int, number)) && called;
        return called;
    }
    if (kind == "macro") {  // as the macro page saves: 200 key events, 5 repeats, loop play; or 4, 1, toggle
        QList<MacroNode> nodes;
        for (int i = 0; i < (version == A ? 200 : 4); ++i)
            nodes.append(MacroNode{MacroNode::Key, -1, 0x41 + i % 26, 10 + i, -1, -1, i % 2, QString(QChar('A' + i % 26))});
        return OperateMacroFile().saveMacro(macroPath(1), nodes, version == A ? 5 : 1, version == A ? 2 : 4)
               && OperateMacroFile().saveMacro(macroPath(2), nodes, version == A ? 5 : 1, version == A ? 2 : 4);
    }
    if (kind == "picture") {  // an imported picture: white with a black dot, or black
        DrawBoardWidget board;
        QImage imported(256, 64, QImage::Format_RGB32);
        imported.fill(version == A ? Qt::white : Qt::black);
        imported.setPixel(0, 0, qRgb(0, 0, 0));
        board.setPicture(imported);
        return board.savePicture(AppPaths::pictureFile());
    }
    if (kind == "extract")
        return extract(profileArchive(version));
    return version == A ? PcActionStore::writeFunction(4, true, PcActionStore::StartProgram, QString("/opt/games/launcher/").repeated(12))
                        : PcActionStore::writeFunction(4, false, 0, QString());
}

QByteArray killAt;  // "<step> <file below the data root>", or its start: where the child is killed

void killAtStep(const char* step, const QString& path)
{
    if ((QByteArray(step) + ' ' + QDir(AppPaths::dataRoot()).relativeFilePath(path).toUtf8()).startsWith(killAt))
        ::raise(SIGKILL);
}

// Runs `work` in a child with the data root `root`: its exit code, or 128 + the signal that ended
// it. A child starts as a program does (nothing used yet).
int inChild(const QString& root, const std::function<int()>& work)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        AppPaths::setDataRoot(root);
        ::_exit(work());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}
}  // namespace

class TestCrashSafety : public QObject {
    Q_OBJECT
    QTemporaryDir m_work;
    QString m_temp;  // the children's temporary folder

    QString freshFolder(const QString& name)
    {
        // As the unpacking names its files: the real path.
        const QString path = QFileInfo(m_work.path()).canonicalFilePath() + QLatin1Char('/') + name;
        QDir(path).removeRecursively();
        return QDir().mkpath(path) ? path : QString();
    }

    // What a start (as main(), the first ini read and the cloud page do it) leaves in the temporary folder.
    QString leftAfterStart(const QString& root)
    {
        const int started = inChild(root, [] {
            removeUnfinishedWrites(AppPaths::dataRoot());
            IniFile::read(AppPaths::settingsFile(), [](const QSettings&) {});
            SafeArchive::removeLeftovers(AppPaths::localFileDir());
            SafeArchive::removeLeftovers(AppPaths::macroFilesDir());
            return 0;
        });
        return started != 0 ? QStringLiteral("(the start failed)")
                            : QDir(m_temp).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).join(' ');
    }

private slots:
    void initTestCase()
    {
        m_temp = freshFolder(QStringLiteral("tmp"));
        qputenv("TMPDIR", QFile::encodeName(m_temp));
    }

    void killedMidSaveOrDiskFull_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("limit");  // of the file size: B's files fit, A's do not
        QTest::newRow("profile") << "profile" << 1024;
        QTest::newRow("macro") << "macro" << 1024;
        QTest::newRow("picture") << "picture" << 256;
        QTest::newRow("extract: the download fitted, its unpacking does not") << "extract" << 1024;
        QTest::newRow("ini: the old file (721 bytes) still fits, the new one (961) does not") << "ini" << 800;
    }

    void killedMidSaveOrDiskFull()
    {
        QFETCH(QString, kind);
        const QString root = freshFolder(kind);
        auto saveOnce = [&](const QString& at, Version version) {
            return inChild(at, [&] { return setUp(kind) && save(kind, version) ? 0 : 1; });
        };
        QCOMPARE(saveOnce(freshFolder(kind + "-A"), A), 0);
        QCOMPARE(saveOnce(freshFolder(kind + "-B"), B), 0);
        QCOMPARE(saveOnce(root, B), 0);
        const FolderSnapshot versions[] = {folderSnapshot(root + "-A"), folderSnapshot(root + "-B")};

        // A's save on a disk that fills up (writes past the limit fail with EFBIG instead of
        // killing the child) leaves B as it is.
        if (kind == "extract")
            QVERIFY(writeWholeFile(root + "/ConfigFiles/LocalFile.zip", profileArchive(A)));
        const FolderSnapshot before = folderSnapshot(root);
        const rlim_t limit = rlim_t(fetched<int>("limit"));
        QCOMPARE(inChild(root, [&] {
            const struct rlimit full = {limit, limit};
            if (::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &full) != 0)
                return 1;
            return (kind == "extract" ? extract(QByteArray()) : save(kind, A)) ? 0 : 3;
        }), kind == "profile" ? 0 : 3);  // 3: the save reported failure; the engine only logs it
        QCOMPARE(leftAfterStart(root), QString());
        QCOMPARE(folderSnapshot(root), before);

        // Killed before and after the rename of each file the versions hold differently (and in
        // the ini's scratch copy): after the clean-up a start does, every file is one version whole.
        for (const Version saved : {A, B}) {
            const Version other = saved == A ? B : A;
            QList<QByteArray> points;
            for (const QString& name : versions[saved].keys()) {
                if (versions[A].value(name, "-") != versions[B].value(name, "-"))
                    points << "rename " + name.toUtf8() << "renamed " + name.toUtf8();
            }
            QVERIFY(!points.isEmpty());
            if (kind == "ini")
                points << "copy ";
            for (const QByteArray& point : points) {
                QCOMPARE(inChild(root, [&] { return save(kind, other) ? 0 : 1; }), 0);
                killAt = point;
                const QString when = QStringLiteral("killed saving %1 at %2: ").arg(saved == A ? "A" : "B", QString::fromUtf8(point));
                QVERIFY2(inChild(root, [&] {
                    saveStepHook = killAtStep;
                    return save(kind, saved) ? 0 : 1;
                }) == 128 + SIGKILL, qPrintable(when + "never got there"));
                removeUnfinishedWrites(root);
                SafeArchive::removeLeftovers(root + "/ConfigFiles/LocalFile");
                const FolderSnapshot now = folderSnapshot(root);
                for (auto file = now.cbegin(); file != now.cend(); ++file)
                    QVERIFY2(versions[A].value(file.key(), "-") == file.value() || versions[B].value(file.key(), "-") == file.value(),
                             qPrintable(when + file.key() + " is neither version"));
                for (const QString& name : versions[A].keys())
                    QVERIFY2(now.contains(name), qPrintable(when + name + " is gone"));
                const QString name = QString::fromUtf8(point.mid(point.indexOf(' ') + 1));
                const Version holds = point.startsWith("renamed ") ? saved : other;
                QVERIFY2(!versions[holds].contains(name) || versions[holds].value(name) == now.value(name),
                         qPrintable(when + name + " is not that version"));
            }
        }
        QCOMPARE(leftAfterStart(root), QString());
    }
};

// The picture's widget needs an application; not "offscreen": it leaks at exit (the sanitizer fails).
int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "minimal:enable_fonts");
    QApplication app(argc, argv);
    TestCrashSafety test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crashsafety.moc"
