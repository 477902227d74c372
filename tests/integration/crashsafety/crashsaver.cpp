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
// files, 200 events or 4, saved by the macro page), picture (the drawing board's BMP),
// extract (a downloaded profile archive saved and unpacked, as the cloud page does), ini (the
// PC-side function file).
#include "apppaths.h"
#include "dcdatahandle.h"
#include "drawboardwidget.h"
#include "inifile.h"
#include "macroeditwidget.h"
#include "operatemacrofile.h"
#include "pcactionstore.h"
#include "profilefile.h"
#include "safearchive.h"
#include "simulatedmouse.h"
#include "wholefile.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>

#include <quazip.h>
#include <quazipfile.h>

#include <csignal>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
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
    if (version == B)
        return record;
    for (int slot = 0; slot < WholeStruct::MacroSlots; ++slot) {
        MacroStruct& macro = record.macros[std::size_t(slot)];
        macro.header0 = 0x81;
        macro.header1 = std::uint8_t(slot + 1);
        for (int item = 0; item < 120; ++item)
            macro.items.append(MacroItem{std::uint8_t(0x10 + item % 64), std::uint8_t(0x20 + slot)});
        macro.items.append(MacroItem{0, 0});
    }
    return record;
}

// Loads profile 4 (A) or 5 (B) into the engine and saves it as profiles 1 to 3.
Save profileSaver(DCDataHandle& engine)
{
    return [&engine](Version version) {
        // Private slots of the engine; the engine only logs a failed save.
        bool called = QMetaObject::invokeMethod(&engine, "loadConfigFileByNumber", Qt::DirectConnection,
                                                Q_ARG(int, version == A ? 4 : 5));
        for (int number = 1; number <= 3; ++number)
            called = QMetaObject::invokeMethod(&engine, "saveConfigFileByConfigureNumber", Qt::DirectConnection,
                                               Q_ARG(int, number))
                     && called;
        return called;
    };
}

QString macroPath(int file)
{
    return OperateMacroFile::macroRoot() + QStringLiteral("/默认/2024010112000000%1.json").arg(file);
}

// The events the page shows for each version: 200 key events with their delays, or 4.
QString macroSource(Version version)
{
    return AppPaths::dataRoot()
           + (version == A ? QStringLiteral("/sources/A.json") : QStringLiteral("/sources/B.json"));
}

bool writeMacroSource(Version version)
{
    QList<MacroNode> nodes;
    for (int i = 0; i < (version == A ? 200 : 4); ++i) {
        MacroNode node;
        node.ValueType = MacroNode::Key;
        node.KeyValue = 0x41 + i % 26;
        node.State = i % 2;
        node.TimeLapse = 10 + i;
        node.Text = QString(QChar('A' + i % 26));
        nodes.append(node);
    }
    const OperateMacroFile file;
    return file.setName(macroSource(version), QStringLiteral("source"))
           && file.setMacroNodeList(macroSource(version), nodes);
}

// The macro page as the user leaves it after a change, for each of its macros: the macro picked,
// its events shown, its repeat count and play mode set; then the page saves it.
Save macroSaver(MacroEditWidget& page)
{
    auto* names = page.findChild<QListWidget*>(QStringLiteral("MacroNameListWidget"));
    auto* repeat = page.findChild<QSpinBox*>(QStringLiteral("RepeatTimesSpinBox"));
    auto* loop = page.findChild<QRadioButton*>(QStringLiteral("LoopCount_RadioButton"));
    auto* toggle = page.findChild<QRadioButton*>(QStringLiteral("PlayUntilPressAgain_RadioButton"));
    return [=, &page](Version version) {
        if (!names || !repeat || !loop || !toggle || names->count() == 0)
            return false;
        bool called = true;
        for (int row = 0; row < names->count(); ++row) {
            names->setCurrentRow(row);
            called = QMetaObject::invokeMethod(&page, "loadEventList", Qt::DirectConnection,
                                               Q_ARG(QString, macroSource(version)))
                     && called;
            const QSignalBlocker quiet(repeat);  // the spin box saves on its own when the user turns it
            repeat->setValue(version == A ? 5 : 1);
            (version == A ? loop : toggle)->setChecked(true);
            called = QMetaObject::invokeMethod(&page, "updateMacroFile", Qt::DirectConnection) && called;
        }
        return called;  // the page only logs a failed save
    };
}

// Two boards as the user left them: one with an imported picture, one with a line of text on a
// white background.
Save pictureSaver(DrawBoardWidget& withPicture, DrawBoardWidget& withText)
{
    QImage imported(256, 64, QImage::Format_RGB32);
    QPainter painter(&imported);
    painter.fillRect(imported.rect(), Qt::black);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRect(20, 4, 200, 56));
    painter.end();
    withPicture.setPicture(imported);
    withText.setBackground(false);
    withText.textField()->setText(QStringLiteral("ZR540"));
    return
        [&](Version version) { return (version == A ? withPicture : withText).savePicture(AppPaths::pictureFile()); };
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
Save extractSaver()
{
    const QByteArray archives[] = {profileArchive(A), profileArchive(B)};
    return [archives](Version version) {
        const QString zip = AppPaths::configFilesDir() + QStringLiteral("/LocalFile.zip");
        if (!writeWholeFile(zip, archives[version]))
            return false;
        return SafeArchive::extract(zip, AppPaths::localFileDir()) == SafeArchive::Extracted;
    };
}

Save iniSaver()
{
    return [](Version version) {
        return version == A ? PcActionStore::writeFunction(4, true, PcActionStore::StartProgram,
                                                           QStringLiteral("/opt/games/launcher/").repeated(12))
                            : PcActionStore::writeFunction(4, false, 0, QString());
    };
}

// What every run of a kind needs before it saves: the profile sources, the macro files and the
// events to show, the other buttons of the function file.
bool setUp(const QString& kind)
{
    if (kind == QLatin1String("profile"))
        return writeWholeFile(AppPaths::profileFile(4), ProfileFile::encode(profileRecord(A, 4)))
               && writeWholeFile(AppPaths::profileFile(5), ProfileFile::encode(profileRecord(B, 5)));
    if (kind == QLatin1String("macro"))
        return OperateMacroFile().setName(macroPath(1), QStringLiteral("连招"))
               && OperateMacroFile().setName(macroPath(2), QStringLiteral("Combo")) && writeMacroSource(A)
               && writeMacroSource(B);
    if (kind == QLatin1String("ini")) {
        for (int button = 5; button <= 15; ++button) {
            if (!PcActionStore::writeFunction(button, true, PcActionStore::PlaySound,
                                              QStringLiteral("/home/player/sounds/%1.wav").arg(button)))
                return false;
        }
    }
    return true;
}

// As the program's main() and its first ini read and cloud page do.
void start()
{
    removeUnfinishedWrites(AppPaths::dataRoot());
    IniFile::read(AppPaths::settingsFile(), [](const QSettings&) {});
    SafeArchive::removeLeftovers(AppPaths::localFileDir());
    SafeArchive::removeLeftovers(AppPaths::macroFilesDir());
}

int stepsLeft = 0;  // of the save, up to the one this process is killed at, after printing it and its file

void killAtStep(const char* step, const QString& path)
{
    if (--stepsLeft == 0) {
        std::cout << step << ' ' << QDir(AppPaths::dataRoot()).relativeFilePath(path).toStdString() << std::endl;
        ::raise(SIGKILL);
    }
}

// Forks a saver for every line "<version> <step>" on stdin (version A or B); it saves that version
// once and is killed at that step of the save (0: none). Answers with the step and its file and
// "killed", or "ended <status>" when the save has fewer steps. Forked from here, a saver needs no
// start-up of its own (Qt, the page, the archives), so kills are cheap and many.
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
    const QString kind = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    std::unique_ptr<QCoreApplication> app;
    if (kind == QLatin1String("picture") || kind == QLatin1String("macro"))
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    const QStringList args = app->arguments();
    const QString mode = args.value(3);
    if (args.size() < 3)
        return 2;
    AppPaths::setDataRoot(args[2]);
    if (kind == QLatin1String("start")) {
        start();
        return 0;
    }
    if (mode == QLatin1String("once") && !setUp(kind))
        return 1;

    DCDataHandle engine(std::make_shared<hid::SimulatedMouse>());
    std::unique_ptr<MacroEditWidget> macroPage;
    std::unique_ptr<DrawBoardWidget> withPicture, withText;
    Save save;
    if (kind == QLatin1String("profile")) {
        save = profileSaver(engine);
    } else if (kind == QLatin1String("macro")) {
        macroPage = std::make_unique<MacroEditWidget>();
        save = macroSaver(*macroPage);
    } else if (kind == QLatin1String("picture")) {
        withPicture = std::make_unique<DrawBoardWidget>();
        withText = std::make_unique<DrawBoardWidget>();
        save = pictureSaver(*withPicture, *withText);
    } else if (kind == QLatin1String("extract")) {
        save = extractSaver();
    } else if (kind == QLatin1String("ini")) {
        save = iniSaver();
    } else {
        return 2;
    }

    if (mode == QLatin1String("once"))
        return save(args.value(4) == QLatin1String("B") ? B : A) ? 0 : 1;
    if (mode == QLatin1String("serve")) {
        // What a first use does once (the ini store clears the copies of earlier runs and loads its
        // codec) is done here, not in every saver.
        IniFile::read(AppPaths::pcFunctionFile(), [](const QSettings&) {});
        return serve(save);
    }
    if (mode == QLatin1String("full")) {
        // The disk is full: writes past the limit fail (EFBIG) instead of killing the program.
        const rlim_t limit = args.value(4).toULongLong();
        const struct rlimit full = {limit, limit};
        if (::signal(SIGXFSZ, SIG_IGN) == SIG_ERR)
            return 1;
        const QString zip = AppPaths::configFilesDir() + QStringLiteral("/LocalFile.zip");
        if (kind == QLatin1String("extract")) {
            // The download itself still fitted; the disk fills up while it is unpacked.
            if (!writeWholeFile(zip, profileArchive(A)))
                return 1;
            save = [zip](Version) {
                return SafeArchive::extract(zip, AppPaths::localFileDir()) == SafeArchive::Extracted;
            };
        }
        if (::setrlimit(RLIMIT_FSIZE, &full) != 0)
            return 1;
        return save(A) ? 0 : 3;
    }
    return 2;
}
