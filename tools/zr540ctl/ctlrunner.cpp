#include "ctlrunner.h"

#include "apppaths.h"
#include "dcdatahandle.h"
#include "factoryprofile.h"
#include "instancenames.h"
#include "keyusagetable.h"
#include "mouseprotocol.h"
#include "mousevocabulary.h"
#include "oledframe.h"
#include "operatemacrofile.h"
#include "pcactionstore.h"
#include "profilepackage.h"
#include "simulatedmouse.h"
#include "warningtypes.h"
#include "wholefile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#ifndef ZR540_UDEV_RULE
#define ZR540_UDEV_RULE "/usr/lib/udev/rules.d/70-zr540.rules"
#endif

namespace Ctl {
namespace {

constexpr int RatesHz[] = {125, 250, 500, 1000};  // by the mouse's rate code 0 … 3
constexpr int SlowestBreath = 9;                  // the lighting page's slider runs the other way round
constexpr int DpiLevels = 7;
constexpr std::uint8_t Scroll = 0x04;             // the wheel's own entries: value1 1 up, 2 down

int fail(QTextStream& err, const QString& message, int status = Failure)
{
    err << "zr540ctl: " << message << '\n';
    err.flush();
    return status;
}

// Demo mode: the same simulated mouse and memory file as 'zr540 --simulate'.
std::shared_ptr<hid::Backend> demoMouse()
{
    hid::SimulatedMouse::Memory memory{};
    const DeviceProfileBlock block = FactoryProfile::block();
    std::copy(block.bytes.begin(), block.bytes.end(), memory.begin());
    auto mouse = std::make_shared<hid::SimulatedMouse>(memory);
    mouse->setPersistenceFile(QFile::encodeName(AppPaths::dataRoot() + QStringLiteral("/simulated-mouse.bin")).toStdString());
    return mouse;
}

// A hidraw node of the mouse the user may not open, or an empty string.
QString deniedNode()
{
#ifdef Q_OS_LINUX
    const QString id = QStringLiteral("%1:%2")
                           .arg(MouseProtocol::VendorId, 8, 16, QLatin1Char('0'))
                           .arg(MouseProtocol::ProductId, 8, 16, QLatin1Char('0'));
    const QDir sys(QStringLiteral("/sys/class/hidraw"));
    for (const QString& node : sys.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile uevent(sys.filePath(node + QStringLiteral("/device/uevent")));
        if (!uevent.open(QIODevice::ReadOnly) || !QString::fromLatin1(uevent.read(4096)).toLower().contains(id))
            continue;
        const QByteArray dev = "/dev/" + node.toLatin1();
        if (::access(dev.constData(), R_OK | W_OK) != 0)
            return QString::fromLatin1(dev);
    }
#endif
    return QString();
}

QString hex(int rgb) { return QStringLiteral("%1").arg(rgb & 0xFFFFFF, 6, 16, QLatin1Char('0')); }

// What a button's entry does, in the command line's words.
QString describeEntry(const KeyMatrixItem_F& e)
{
    switch (e.type) {
    case KeyType::Keyboard: {
        if (e.value1 == 0 && e.value2 == 0)
            return QStringLiteral("disable");
        QString key;
        for (unsigned vk = 1; vk < 256 && key.isEmpty() && e.value2; ++vk) {
            if (KeyUsageTable::usageOf(vk) == e.value2)
                key = keyName(vk);
        }
        if (e.value2 && key.isEmpty())
            key = QStringLiteral("usage-0x%1").arg(e.value2, 2, 16, QLatin1Char('0'));
        QString text = modifierText(e.value1) + key;
        if (text.endsWith(QLatin1Char('+')))
            text.chop(1);
        return QStringLiteral("key ") + text;
    }
    case KeyType::MouseButton:
        switch (e.value2) {
        case Click::Left: return QStringLiteral("click left");
        case Click::Right: return QStringLiteral("click right");
        case Click::Middle: return QStringLiteral("click middle");
        case Click::Back: return QStringLiteral("click back");
        case Click::Forward: return QStringLiteral("click forward");
        default: break;
        }
        break;
    case KeyType::Consumer: {
        const int usage = e.value2 | e.value3 << 8;
        const QString name = mediaName(usage);
        return QStringLiteral("media ") + (name.isEmpty() ? QStringLiteral("0x%1").arg(usage, 4, 16, QLatin1Char('0')) : name);
    }
    case KeyType::Dpi:
        return e.value2 == 1 ? QStringLiteral("dpi-up") : e.value2 == 2 ? QStringLiteral("dpi-down") : QStringLiteral("dpi-instant");
    case KeyType::Profile: return QStringLiteral("profile-cycle");
    case Scroll: return e.value1 == 1 ? QStringLiteral("scroll up") : QStringLiteral("scroll down");
    case KeyType::Fire: return QStringLiteral("fire");
    case KeyType::Macro: return QStringLiteral("macro");
    case KeyType::MacroList: return QStringLiteral("macro-list");
    default: break;
    }
    return QStringLiteral("entry 0x%1").arg(e.toUInt32(), 8, 16, QLatin1Char('0'));
}

QJsonArray dpiJson(const DeviceProfileBlock& block)
{
    QJsonArray levels;
    for (int level = 1; level <= DpiLevels; ++level) {
        const int value = block.dpi(level - 1);
        levels.append(QJsonObject{{QStringLiteral("level"), level}, {QStringLiteral("value"), value}, {QStringLiteral("on"), value != 0}});
    }
    return levels;
}

QJsonObject lightJson(const DeviceProfileBlock& block, bool wheel)
{
    using P = DeviceProfileBlock;
    const int colour = wheel ? P::WheelColor : P::LogoColor;
    const int mode = block.bytes[wheel ? P::WheelMode : P::LogoMode];
    const QString name = modeName(mode);
    return QJsonObject{
        {QStringLiteral("mode"), name.isEmpty() ? QString::number(mode) : name},
        {QStringLiteral("color"), hex(block.bytes[colour] << 16 | block.bytes[colour + 1] << 8 | block.bytes[colour + 2])},
        {QStringLiteral("brightness"), int(block.bytes[wheel ? P::WheelDegree : P::LogoDegree])},
        {QStringLiteral("speed"), SlowestBreath - block.bytes[wheel ? P::WheelBreathSpeed : P::LogoBreathSpeed]},
    };
}

QJsonArray buttonsJson(const DeviceProfileBlock& block)
{
    QJsonArray buttons;
    for (int button = Button::First; button <= Button::Last; ++button) {
        const KeyMatrixItem_F entry = block.keyAt(DeviceProfileBlock::KeyMatrix, Button::keyEntryOf(button));
        buttons.append(QJsonObject{{QStringLiteral("name"), buttonName(button)},
                                   {QStringLiteral("action"), describeEntry(entry)},
                                   {QStringLiteral("default"), entry.toUInt32() == DCDataHandle::factoryValueOf(button)}});
    }
    return buttons;
}

int rateHz(const DeviceProfileBlock& block)
{
    const int code = block.bytes[DeviceProfileBlock::ReportRate];
    return code >= 0 && code < 4 ? RatesHz[code] : 0;
}

// Plain output: one aligned line per item.
void line(QTextStream& out, const QString& label, const QString& text)
{
    out << label.leftJustified(12) << text << '\n';
}

void printDpi(QTextStream& out, const QJsonArray& levels)
{
    for (const QJsonValue& v : levels) {
        const QJsonObject o = v.toObject();
        line(out, QStringLiteral("dpi %1").arg(o.value(QStringLiteral("level")).toInt()),
             o.value(QStringLiteral("on")).toBool() ? QString::number(o.value(QStringLiteral("value")).toInt()) : QStringLiteral("off"));
    }
}

void printLight(QTextStream& out, const QString& name, const QJsonObject& o)
{
    line(out, name,
         QStringLiteral("%1, color %2, brightness %3, speed %4")
             .arg(o.value(QStringLiteral("mode")).toString(), o.value(QStringLiteral("color")).toString())
             .arg(o.value(QStringLiteral("brightness")).toInt())
             .arg(o.value(QStringLiteral("speed")).toInt()));
}

void printButtons(QTextStream& out, const QJsonArray& buttons)
{
    for (const QJsonValue& v : buttons) {
        const QJsonObject o = v.toObject();
        line(out, o.value(QStringLiteral("name")).toString(),
             o.value(QStringLiteral("action")).toString() + (o.value(QStringLiteral("default")).toBool() ? QStringLiteral(" (default)") : QString()));
    }
}

void printJson(QTextStream& out, const QJsonObject& object) { out << QJsonDocument(object).toJson(QJsonDocument::Indented); }

// The picture at `path` as the display's 128 × 32 one-bit BMP (index 0 lit, as the drawing board
// saves it). Empty when the file is no picture Qt reads.
QByteArray displayPicture(const QString& path, bool dither)
{
    QImage image;
    if (!OledFrame::readFile(path, image))
        return QByteArray();
    QImage canvas(OledFrame::Width, OledFrame::Height, QImage::Format_RGB32);
    canvas.fill(Qt::black);  // unlit
    const QImage scaled = image.convertToFormat(QImage::Format_ARGB32)
                              .scaled(canvas.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    for (int y = 0; y < scaled.height(); ++y) {
        for (int x = 0; x < scaled.width(); ++x) {
            const QRgb p = scaled.pixel(x, y);
            const int grey = qGray(p) * qAlpha(p) / 255;
            canvas.setPixel(x + (canvas.width() - scaled.width()) / 2, y + (canvas.height() - scaled.height()) / 2,
                            qRgb(grey, grey, grey));
        }
    }
    const QImage bits = canvas.convertToFormat(QImage::Format_MonoLSB,
                                               Qt::MonoOnly | (dither ? Qt::DiffuseDither : Qt::ThresholdDither));
    QImage mono(canvas.size(), QImage::Format_MonoLSB);
    mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    mono.fill(1);
    for (int y = 0; y < mono.height(); ++y) {
        for (int x = 0; x < mono.width(); ++x) {
            if (qGray(bits.pixel(x, y)) >= 128)
                mono.setPixel(x, y, 0);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "BMP");
    return writer.write(mono) ? bytes : QByteArray();
}

}  // namespace

int run(const Request& r, QTextStream& out, QTextStream& err)
{
    if (r.command == Command::Help) {
        out << helpText();
        return Success;
    }
    if (r.command == Command::Version) {
        out << "zr540ctl " << ZR540_VERSION << '\n';
        return Success;
    }
    // Two programs writing one mouse and one set of profile files would undo each other.
    if (InstanceNames::isHeld(QStringLiteral("ZR540")))
        return fail(err, QStringLiteral("the ZR540 window is running and owns the mouse: make the change there, "
                                        "or quit the window (tray menu) and run zr540ctl again"));

    // An import is checked whole before anything else happens.
    ProfilePackage::Content imported;
    if (r.command == Command::Import) {
        const ProfilePackage::Check check = ProfilePackage::readFile(r.file, imported);
        if (check != ProfilePackage::Check::Ok)
            return fail(err, QStringLiteral("%1: %2; nothing was changed").arg(r.file, ProfilePackage::describe(check)));
    }
    QByteArray picture;
    if (r.command == Command::Oled) {
        picture = displayPicture(r.file, r.dither);
        if (picture.isEmpty())
            return fail(err, QStringLiteral("%1 is no picture zr540ctl can read (PNG, JPEG, BMP, … up to 4096 pixels a side)").arg(r.file));
    }
    if (r.command == Command::Button && r.action == ButtonAction::Macro) {
        for (const QString& path : r.paths) {
            MacroFileContent content;
            if (!OperateMacroFile().read(path, content) || content.nodes.isEmpty())
                return fail(err, QStringLiteral("%1 is no macro file with events (record one in the window's macro editor)").arg(path));
        }
    }

    AppPaths::dataRoot();  // chosen and seeded once, as at the window's start
    // Exporting a named profile needs only its file.
    if (r.command == Command::Export && r.profile) {
        if (!ProfilePackage::exportTo(r.profile, r.file))
            return fail(err, QStringLiteral("profile %1 could not be written to %2: check the folder exists and is writable").arg(r.profile).arg(r.file));
        return Success;
    }

    DCDataHandle engine(r.simulate ? demoMouse() : hid::createPlatformBackend());
    int firmware = -1;
    int warning = -1;
    QObject::connect(&engine, &DCDataHandle::sig_VersionNumber, [&](int version) { firmware = version; });
    QObject::connect(&engine, &DCDataHandle::sig_WarningOnlyLeftButton, [&](int type) { warning = type; });
    if (!engine.connectMouse()) {
        if (r.json && r.command == Command::Info)
            printJson(out, QJsonObject{{QStringLiteral("connected"), false}, {QStringLiteral("simulated"), r.simulate}});
        const QString node = r.simulate ? QString() : deniedNode();
        if (!node.isEmpty())
            return fail(err, QStringLiteral("permission denied on %1: install the udev rule %2 (the package does; see the README), "
                                            "then unplug and replug the mouse").arg(node, QStringLiteral(ZR540_UDEV_RULE)));
        return fail(err, QStringLiteral("no ZR540 mouse found: plug it in, or use --simulate for the demo mode's simulated mouse"));
    }
    const int failedBefore = engine.failedWrites();

    // Profile N first, when asked for and not the current one; a mouse that holds none of the local
    // profiles gets the current one loaded before a change, as the window does when it starts.
    if (r.profile && r.profile != engine.currentConfigure() && r.command != Command::Import)
        engine.slot_LoadLocalConfigFile(r.profile);
    else if (r.writes() && !engine.mouseMatchesLocalProfile() && r.command != Command::Import && r.command != Command::Profile)
        engine.slot_LoadLocalConfigFile(engine.currentConfigure());

    const DeviceProfileBlock& block = engine.mouseProfileBlock();
    bool wrote = true;
    switch (r.command) {
    case Command::Info: {
        const QJsonObject info{
            {QStringLiteral("connected"), true},
            {QStringLiteral("simulated"), r.simulate},
            {QStringLiteral("firmware"), firmware},
            {QStringLiteral("profile"), engine.currentConfigure()},
            {QStringLiteral("dpi"), dpiJson(block)},
            {QStringLiteral("rate"), rateHz(block)},
            {QStringLiteral("lights"), QJsonObject{{QStringLiteral("wheel"), lightJson(block, true)}, {QStringLiteral("logo"), lightJson(block, false)}}},
            {QStringLiteral("buttons"), buttonsJson(block)},
        };
        if (r.json) {
            printJson(out, info);
        } else {
            line(out, QStringLiteral("mouse"), QStringLiteral("connected%1, firmware 0x%2")
                                                   .arg(r.simulate ? QStringLiteral(" (simulated)") : QString())
                                                   .arg(firmware, 4, 16, QLatin1Char('0')));
            line(out, QStringLiteral("profile"), QString::number(engine.currentConfigure()));
            printDpi(out, info.value(QStringLiteral("dpi")).toArray());
            line(out, QStringLiteral("rate"), QStringLiteral("%1 Hz").arg(rateHz(block)));
            printLight(out, QStringLiteral("wheel light"), lightJson(block, true));
            printLight(out, QStringLiteral("logo light"), lightJson(block, false));
            printButtons(out, info.value(QStringLiteral("buttons")).toArray());
        }
        return Success;
    }
    case Command::Dpi:
        if (r.level == 0) {
            if (r.json)
                printJson(out, QJsonObject{{QStringLiteral("dpi"), dpiJson(block)}});
            else
                printDpi(out, dpiJson(block));
            return Success;
        }
        if (r.dpiOn == 1 && block.dpi(r.level - 1) != 0) {
            wrote = false;  // on already
        } else {
            const int value = r.dpiOn == 0 ? 0 : r.dpiOn == 1 ? FactoryProfile::DpiLevels[r.level - 1] : r.dpiValue;
            engine.slot_setDPIValueOnMouse(r.level, value);
        }
        break;
    case Command::Rate:
        if (r.rateHz == 0) {
            if (r.json)
                printJson(out, QJsonObject{{QStringLiteral("rate"), rateHz(block)}});
            else
                line(out, QStringLiteral("rate"), QStringLiteral("%1 Hz").arg(rateHz(block)));
            return Success;
        }
        engine.slot_ChangeUsbReportRate(int(std::find(std::begin(RatesHz), std::end(RatesHz), r.rateHz) - std::begin(RatesHz)));
        break;
    case Command::Light:
        if (!r.writes()) {
            if (r.json)
                printJson(out, QJsonObject{{r.wheel ? QStringLiteral("wheel") : QStringLiteral("logo"), lightJson(block, r.wheel)}});
            else
                printLight(out, r.wheel ? QStringLiteral("wheel light") : QStringLiteral("logo light"), lightJson(block, r.wheel));
            return Success;
        }
        // Each option is one change, as each control of the lighting page is.
        if (r.mode >= 0)
            engine.slot_setMouseLightMode(r.wheel, r.mode);
        if (r.color >= 0)
            engine.slot_SetMouseColor(r.wheel, r.color >> 16 & 0xFF, r.color >> 8 & 0xFF, r.color & 0xFF);
        if (r.brightness >= 0)
            engine.slot_MouseContinueLightDegree(r.wheel, r.brightness);
        if (r.speed >= 0)
            engine.slot_MouseBreathSpeed(r.wheel, SlowestBreath - r.speed);
        break;
    case Command::Button:
        if (r.action == ButtonAction::Show) {
            if (r.json)
                printJson(out, QJsonObject{{QStringLiteral("buttons"), buttonsJson(block)}});
            else
                printButtons(out, buttonsJson(block));
            return Success;
        }
        // A button the mouse drives again is no longer one the computer acts on, as in the key dialog.
        if (PcActionStore::readEntries()[std::size_t(Button::indexOf(r.button))].active
            && !PcActionStore::writeFunction(r.button, false, 0, QString()))
            return fail(err, QStringLiteral("the PC-side function file could not be written; nothing was changed"));
        switch (r.action) {
        case ButtonAction::Key: engine.slot_ChangeButtonToKey(r.button, r.vkCode, r.modifiers, ChangeType::KeyboardKey); break;
        case ButtonAction::Media:
            engine.slot_ChangeButtonToKey(r.button, uint(r.usage & 0xFF), r.usage >> 8, ChangeType::ConsumerControl);
            break;
        case ButtonAction::Disable: engine.slot_ChangeButtonToKey(r.button, 0, 0, ChangeType::KeyboardKey); break;
        case ButtonAction::Default: engine.slot_ChangeButtonToKey(r.button, 0, 0, ChangeType::FactoryFunction); break;
        case ButtonAction::Macro:
            if (r.button == Button::Left)
                engine.slot_WriteListMacro(r.paths);
            else
                engine.slot_WriteSingleMacro(r.button, r.paths.first());
            break;
        case ButtonAction::Show: break;
        }
        if (warning == Warning::KeepOneLeftButton)
            return fail(err, QStringLiteral("the mouse must keep one button that clicks left; nothing was changed"), Usage);
        if (warning == Warning::MacroTooLong)
            return fail(err, QStringLiteral("the macro is too long for the mouse (%1 items at most); nothing was changed").arg(MacroStruct::MaxItems));
        break;
    case Command::Profile:
        if (r.load == 0) {
            if (r.json)
                printJson(out, QJsonObject{{QStringLiteral("profile"), engine.currentConfigure()}});
            else
                line(out, QStringLiteral("profile"), QString::number(engine.currentConfigure()));
            return Success;
        }
        engine.slot_LoadLocalConfigFile(r.load);
        break;
    case Command::Export:
        if (!ProfilePackage::exportTo(engine.currentConfigure(), r.file))
            return fail(err, QStringLiteral("profile %1 could not be written to %2: check the folder exists and is writable")
                                 .arg(engine.currentConfigure()).arg(r.file));
        wrote = false;
        break;
    case Command::Import: {
        // Into profile N when one is named, loaded into the mouse once.
        const int target = r.profile ? r.profile : engine.currentConfigure();
        if (!ProfilePackage::install(imported, target))
            return fail(err, QStringLiteral("the profile could not be saved in %1: check the disk").arg(AppPaths::localFileDir()));
        engine.slot_LoadLocalConfigFile(target);
        if (!imported.picture.isEmpty())
            engine.slot_WriteImageToMouse();
        break;
    }
    case Command::Oled:
        if (!writeWholeFile(AppPaths::pictureFile(), picture))
            return fail(err, QStringLiteral("the picture could not be saved as %1: check the disk").arg(AppPaths::pictureFile()));
        engine.slot_WriteImageToMouse();
        break;
    case Command::Help:
    case Command::Version: break;
    }
    if (wrote && engine.failedWrites() != failedBefore)
        return fail(err, QStringLiteral("the mouse did not take the change or the profile file could not be saved: "
                                        "check the mouse is plugged in and the disk is writable, then try again"));
    return Success;
}

}  // namespace Ctl
