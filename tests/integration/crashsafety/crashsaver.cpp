// crashsaver: saves one of two versions (A and B) of one kind of file through the program's own
// save code. tst_crashsafety has it killed at each step of a save and looks at what is left.
//
//   crashsaver <kind> <root> once A|B    sets up the data root <root> and saves that version once
//   crashsaver <kind> <root> serve       forks a saver for each "A <n>" or "B <n>" it reads; that
//                                        saver saves that version and is killed at its n-th step
//   crashsaver <kind> <root> full <n>    saves A once with no file allowed past n bytes (the disk
//                                        fills up mid-save); exit code 3 when the save failed
//   crashsaver start <root>              what a start does to the data: clears unfinished writes,
//                                        the ini copies of crashed runs and unfinished extractions
//
// Kinds: profile (Config1-3 from a record with sixteen macros or one without), macro (two macro
// files, 200 events or 4), picture (the drawing board's BMP), extract (a downloaded profile
// archive saved and unpacked, as the cloud page does), ini (the PC-side function file).
#include "apppaths.h"
#include "dcdatahandle.h"
#include "drawboardwidget.h"
#include "inifile.h"
#include "operatemacrofile.h"
#include "pcactionstore.h"
#include "profilefile.h"
#include "safearchive.h"
#include "simulatedmouse.h"
#include "wholefile.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QSettings>

#include <quazip.h>
#include <quazipfile.h>

#include <csignal>
#include <functional>
#include <map>
#include <iostream>
#include <memory>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum Version { A, B };
using Save = std::function<bool(Version)>;

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

// Loads profile 4 (A) or 5 (B) into the engine (private slots) and saves it as profiles 1 to 3.
Save profileSaver(DCDataHandle& engine)
{
    return [&engine](Version version) {
        bool called = QMetaObject::invokeMethod(&engine, "loadConfigFileByNumber", Qt::DirectConnection,
                                                Q_ARG(int, version == A ? 4 : 5));
        for (int number = 1; number <= 3; ++number)
            called = QMetaObject::invokeMethod(&engine, "saveConfigFileByConfigureNumber", Qt::DirectConnection,
                                               Q_ARG(int, number)) && called;
        return called;  // the engine only logs a failed save
    };
}

QString macroPath(int file) { return OperateMacroFile::macroRoot() + QStringLiteral("/默认/2024010112000000%1.json").arg(file); }

// Two macro files (named at set-up), each saved with 200 key events, 5 repeats and loop play (A) or 4 events, one
// repeat and toggle play (B), as the macro page saves them.
Save macroSaver()
{
    return [](Version version) {
        QList<MacroNode> nodes;
        for (int i = 0; i < (version == A ? 200 : 4); ++i)
            nodes.append(MacroNode{MacroNode::Key, -1, 0x41 + i % 26, 10 + i, -1, -1, i % 2, QString(QChar('A' + i % 26))});
        bool saved = true;
        for (int file = 1; file <= 2; ++file)
            saved = OperateMacroFile().saveMacro(macroPath(file), nodes, version == A ? 5 : 1, version == A ? 2 : 4) && saved;
        return saved;
    };
}

// The board with an imported picture: an ellipse (A) or a bar (B).
Save pictureSaver(DrawBoardWidget& board)
{
    return [&board](Version version) {
        QImage imported(256, 64, QImage::Format_RGB32);
        imported.fill(Qt::black);
        for (int y = 8; y < 56; ++y)
            for (int x = 20; x < 236; ++x)
                if (version == B || (x - 128) * (x - 128) / 100 + (y - 32) * (y - 32) / 6 < 100)
                    imported.setPixel(x, y, qRgb(255, 255, 255));
        board.setPicture(imported);
        return board.savePicture(AppPaths::pictureFile());
    };
}

// An archive of profile files as the cloud keeps them, entries in name order: A holds Config1
// without macros and Config2-5 with; B holds Config0-5, all without.
QByteArray profileArchive(Version version)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdCreate))
        return {};
    for (int number = version == A ? 1 : 0; number <= 5; ++number) {
        QuaZipFile entry(&zip);
        QuaZipNewInfo info(QStringLiteral("Config%1.txt").arg(number));
        info.dateTime = QDateTime(QDate(2024, 1, 1), QTime(12, 0));  // the same bytes in every run
        if (!entry.open(QIODevice::WriteOnly, info))
            return {};
        entry.write(ProfileFile::encode(profileRecord(number == 1 ? B : version, 10 + number)));
        entry.close();
    }
    zip.close();
    return bytes;
}

// The download is saved beside the profile folder and unpacked into it.
bool extract(const QByteArray& archive)
{
    const QString zip = AppPaths::configFilesDir() + QStringLiteral("/LocalFile.zip");
    return (archive.isNull() || writeWholeFile(zip, archive))
           && SafeArchive::extract(zip, AppPaths::localFileDir()) == SafeArchive::Extracted;
}

Save iniSaver()
{
    return [](Version version) {
        return version == A ? PcActionStore::writeFunction(4, true, PcActionStore::StartProgram,
                                                           QStringLiteral("/opt/games/launcher/").repeated(12))
                            : PcActionStore::writeFunction(4, false, 0, QString());
    };
}

// What every run of a kind needs before it saves: the profile sources, the named macro files, the
// other buttons of the function file.
bool setUp(const QString& kind)
{
    if (kind == QLatin1String("profile"))
        return writeWholeFile(AppPaths::profileFile(4), ProfileFile::encode(profileRecord(A, 4)))
               && writeWholeFile(AppPaths::profileFile(5), ProfileFile::encode(profileRecord(B, 5)));
    if (kind == QLatin1String("macro"))
        return OperateMacroFile().setName(macroPath(1), QStringLiteral("连招")) && OperateMacroFile().setName(macroPath(2), "Combo");
    for (int button = 5; kind == QLatin1String("ini") && button <= 15; ++button) {
        if (!PcActionStore::writeFunction(button, true, PcActionStore::PlaySound,
                                          QStringLiteral("/home/player/sounds/%1.wav").arg(button)))
            return false;
    }
    return true;
}

int stepsLeft = 0;  // of the save, up to the one this process is killed at, after printing it and its file

void killAtStep(const char* step, const QString& path)
{
    if (--stepsLeft == 0) {
        std::cout << step << ' ' << QDir(AppPaths::dataRoot()).relativeFilePath(path).toStdString() << std::endl;
        ::raise(SIGKILL);
    }
}

// Forks a saver for every line "<version> <step>" on stdin; it saves that version once and is
// killed at that step of the save (0: none). Answers with the step and its file and "killed", or
// "ended <status>" when the save has fewer steps. Forked from here, a saver needs no start-up of
// its own, so kills are cheap.
int serve(const Save& save)
{
    std::cout << "ready" << std::endl;
    std::string version;
    int step = 0;
    while (std::cin >> version >> step) {
        const pid_t pid = ::fork();
        if (pid < 0)
            return 1;
        if (pid == 0) {
            stepsLeft = step;
            saveStepHook = killAtStep;
            ::_exit(save(version == "A" ? A : B) ? 0 : 1);  // nothing may fail here
        }
        int status = 0;
        if (::waitpid(pid, &status, 0) != pid)
            return 1;
        if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            std::cout << "killed" << std::endl;
        else
            std::cout << "ended " << status << std::endl;
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString kind = args.value(1), mode = args.value(3);
    if (args.size() < 3)
        return 2;
    AppPaths::setDataRoot(args[2]);
    if (kind == QLatin1String("start")) {  // as the program's main() and its first ini read and cloud page do
        removeUnfinishedWrites(AppPaths::dataRoot());
        IniFile::read(AppPaths::settingsFile(), [](const QSettings&) {});
        SafeArchive::removeLeftovers(AppPaths::localFileDir());
        SafeArchive::removeLeftovers(AppPaths::macroFilesDir());
        return 0;
    }
    if (mode == QLatin1String("once") && !setUp(kind))
        return 1;

    DCDataHandle engine(std::make_shared<hid::SimulatedMouse>());
    DrawBoardWidget board;
    const QByteArray archives[] = {profileArchive(A), profileArchive(B)};
    const std::map<QString, Save> savers = {{"profile", profileSaver(engine)},
                                            {"macro", macroSaver()},
                                            {"picture", pictureSaver(board)},
                                            {"extract", [&](Version version) { return extract(archives[version]); }},
                                            {"ini", iniSaver()}};
    if (savers.count(kind) == 0)
        return 2;
    Save save = savers.at(kind);
    if (mode == QLatin1String("once"))
        return save(args.value(4) == QLatin1String("B") ? B : A) ? 0 : 1;
    if (mode == QLatin1String("serve")) {
        // What a first use does once (the ini store clears the copies of earlier runs and loads its
        // codec) is done here, not in every saver.
        IniFile::read(AppPaths::pcFunctionFile(), [](const QSettings&) {});
        return serve(save);
    }
    if (mode != QLatin1String("full"))
        return 2;
    // The disk is full: writes past the limit fail (EFBIG) instead of killing the program. An
    // archive's download still fitted; the disk fills up while it is unpacked.
    if (kind == QLatin1String("extract") && !writeWholeFile(AppPaths::configFilesDir() + "/LocalFile.zip", archives[A]))
        return 1;
    const rlim_t limit = args.value(4).toULongLong();
    const struct rlimit full = {limit, limit};
    if (::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &full) != 0)
        return 1;
    return (kind == QLatin1String("extract") ? extract(QByteArray()) : save(A)) ? 0 : 3;
}
