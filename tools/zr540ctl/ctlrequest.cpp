#include "ctlrequest.h"

#include "mouseprotocol.h"
#include "mousevocabulary.h"

#include <QRegularExpression>

namespace Ctl {
namespace {

struct Named {
    const char* name;
    int value;
};

// The buttons by the names the command line uses.
constexpr Named Buttons[] = {
    {"left", Button::Left},         {"right", Button::Right},       {"middle", Button::Middle},
    {"forward", Button::Forward},   {"back", Button::Back},         {"wheel-up", Button::WheelForward},
    {"wheel-down", Button::WheelBack}, {"dpi-up", Button::DpiUp},  {"dpi-down", Button::DpiDown},
    {"custom1", Button::Custom1},   {"custom2", Button::Custom2},   {"custom3", Button::Custom3},
};

// Keys by name and Windows virtual-key code (what the engine maps to the mouse's key codes).
constexpr Named Keys[] = {
    {"esc", 0x1B}, {"tab", 0x09}, {"capslock", 0x14}, {"enter", 0x0D}, {"backspace", 0x08},
    {"space", 0x20}, {"leftbracket", 0xDB}, {"rightbracket", 0xDD}, {"backslash", 0xDC},
    {"semicolon", 0xBA}, {"apostrophe", 0xDE}, {"comma", 0xBC}, {"period", 0xBE}, {"slash", 0xBF},
    {"grave", 0xC0}, {"equal", 0xBB}, {"minus", 0xBD}, {"print", 0x2C}, {"scrolllock", 0x91},
    {"pause", 0x13}, {"insert", 0x2D}, {"home", 0x24}, {"pageup", 0x21}, {"delete", 0x2E},
    {"end", 0x23}, {"pagedown", 0x22}, {"right", 0x27}, {"left", 0x25}, {"down", 0x28}, {"up", 0x26},
    {"numlock", 0x90}, {"kpplus", 0x6B}, {"kpminus", 0x6D}, {"kpmultiply", 0x6A}, {"kpdivide", 0x6F},
    {"kpdecimal", 0x6E},
};

constexpr Named Modifiers[] = {{"ctrl", 1}, {"shift", 2}, {"alt", 4}, {"super", 8}};

constexpr Named Media[] = {
    {"player", 0x0183}, {"play-pause", 0x00CD}, {"next", 0x00B5}, {"previous", 0x00B6},
    {"stop", 0x00B7},   {"mute", 0x00E2},       {"volume-up", 0x00E9}, {"volume-down", 0x00EA},
};

constexpr Named Modes[] = {{"steady", Steady}, {"breath", Breath}, {"spectrum", Spectrum}, {"apm", Apm}, {"off", Off}};

template <std::size_t N>
int lookup(const Named (&table)[N], const QString& name)
{
    for (const Named& entry : table) {
        if (name == QLatin1String(entry.name))
            return entry.value;
    }
    return -1;
}

template <std::size_t N>
QString nameOf(const Named (&table)[N], int value)
{
    for (const Named& entry : table) {
        if (entry.value == value)
            return QLatin1String(entry.name);
    }
    return QString();
}

template <std::size_t N>
QString choices(const Named (&table)[N])
{
    QStringList names;
    for (const Named& entry : table)
        names << QLatin1String(entry.name);
    return names.join(QLatin1Char('|'));
}

// A whole decimal number in [low, high]; false for anything else.
bool number(const QString& text, int low, int high, int& out)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,6}$"));
    if (!digits.match(text).hasMatch())
        return false;
    out = text.toInt();
    return out >= low && out <= high;
}

// Reads a key combination such as ctrl+shift+a.
bool combination(const QString& text, unsigned& vkCode, int& modifiers, QString& error)
{
    vkCode = 0;
    modifiers = 0;
    const QStringList parts = text.toLower().split(QLatin1Char('+'));
    for (int i = 0; i < parts.size(); ++i) {
        const QString& part = parts.at(i);
        const int modifier = lookup(Modifiers, part);
        if (modifier > 0 && !(modifiers & modifier)) {
            modifiers |= modifier;
            continue;
        }
        const unsigned code = unsigned(lookup(Keys, part));
        const bool last = i == parts.size() - 1;
        if (last && part.size() == 1 && part.at(0).isLetterOrNumber() && part.at(0).unicode() < 128) {
            vkCode = part.at(0).toUpper().unicode();  // A … Z and 0 … 9 are their own codes
        } else if (last && QRegularExpression(QStringLiteral("^f([1-9]|1[0-2])$")).match(part).hasMatch()) {
            vkCode = 0x70 + unsigned(part.midRef(1).toInt()) - 1;
        } else if (last && part.startsWith(QLatin1String("kp")) && part.size() == 3 && part.at(2).isDigit()) {
            vkCode = 0x60 + unsigned(part.at(2).digitValue());
        } else if (last && code != unsigned(-1)) {
            vkCode = code;
        } else {
            error = QStringLiteral("'%1' is no key combination: modifiers (ctrl, shift, alt, super) joined by + "
                                   "and one key at the end (a-z, 0-9, f1-f12, kp0-kp9, %2)")
                        .arg(text, choices(Keys).replace(QLatin1Char('|'), QLatin1String(", ")));
            return false;
        }
    }
    return true;
}

}  // namespace

bool Request::writes() const
{
    switch (command) {
    case Command::Dpi: return level > 0;
    case Command::Rate: return rateHz > 0;
    case Command::Light: return mode >= 0 || color >= 0 || brightness >= 0 || speed >= 0;
    case Command::Button: return action != ButtonAction::Show;
    case Command::Profile: return load > 0;
    case Command::Import:
    case Command::Oled: return true;
    default: return false;
    }
}

QString buttonName(int button) { return nameOf(Buttons, button); }
QString mediaName(int usage) { return nameOf(Media, usage); }
QString modeName(int mode) { return nameOf(Modes, mode); }

QString keyName(unsigned vkCode)
{
    if ((vkCode >= 0x41 && vkCode <= 0x5A) || (vkCode >= 0x30 && vkCode <= 0x39))
        return QString(QChar(vkCode)).toLower();
    if (vkCode >= 0x70 && vkCode <= 0x7B)
        return QStringLiteral("f%1").arg(vkCode - 0x70 + 1);
    if (vkCode >= 0x60 && vkCode <= 0x69)
        return QStringLiteral("kp%1").arg(vkCode - 0x60);
    return nameOf(Keys, int(vkCode));
}

QString modifierText(int modifiers)
{
    QString text;
    for (const Named& entry : Modifiers) {
        if (modifiers & entry.value)
            text += QLatin1String(entry.name) + QLatin1Char('+');
    }
    return text;
}

bool parse(const QStringList& all, Request& r, QString& error)
{
    r = Request();
    QStringList args;
    // The global options may stand anywhere; what is left is the command and its arguments.
    for (int i = 0; i < all.size(); ++i) {
        const QString& a = all.at(i);
        if (a == QLatin1String("--simulate")) {
            r.simulate = true;
        } else if (a == QLatin1String("--json")) {
            r.json = true;
        } else if (a == QLatin1String("--verbose")) {
            r.verbose = true;
        } else if (a == QLatin1String("--profile")) {
            if (i + 1 >= all.size() || !number(all.at(i + 1), Profile::First, Profile::Last, r.profile)) {
                error = QStringLiteral("--profile takes a profile number, 1..5");
                return false;
            }
            ++i;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            r.command = Command::Help;
            return true;
        } else if (a == QLatin1String("--version")) {
            r.command = Command::Version;
            return true;
        } else {
            args << a;
        }
    }
    if (args.isEmpty()) {
        error = QStringLiteral("no command given: try 'zr540ctl --help'");
        return false;
    }
    const QString command = args.takeFirst();
    const auto tooMany = [&](int allowed) {
        if (args.size() <= allowed)
            return false;
        error = QStringLiteral("%1: unexpected argument '%2'").arg(command, args.at(allowed));
        return true;
    };
    const auto fileArgument = [&](const char* what) {
        if (args.size() != 1 || args.at(0).isEmpty()) {
            error = QStringLiteral("%1 takes one %2").arg(command, QLatin1String(what));
            return false;
        }
        r.file = args.at(0);
        return true;
    };

    if (command == QLatin1String("info")) {
        r.command = Command::Info;
        return !tooMany(0);
    }
    if (command == QLatin1String("dpi")) {
        r.command = Command::Dpi;
        if (args.isEmpty())
            return true;
        if (args.size() != 2) {
            error = QStringLiteral("dpi takes no argument, or LEVEL and VALUE (or on|off)");
            return false;
        }
        if (!number(args.at(0), 1, 7, r.level)) {
            error = QStringLiteral("dpi LEVEL must be 1..7, not '%1'").arg(args.at(0));
            return false;
        }
        if (args.at(1) == QLatin1String("on") || args.at(1) == QLatin1String("off")) {
            r.dpiOn = args.at(1) == QLatin1String("on") ? 1 : 0;
            return true;
        }
        if (!number(args.at(1), 50, 16000, r.dpiValue) || r.dpiValue % 50 != 0) {
            error = QStringLiteral("dpi VALUE must be 50..16000 in steps of 50 (or on|off), not '%1'").arg(args.at(1));
            return false;
        }
        return true;
    }
    if (command == QLatin1String("rate")) {
        r.command = Command::Rate;
        if (args.isEmpty())
            return true;
        if (tooMany(1))
            return false;
        const QString& rate = args.at(0);
        if (rate != QLatin1String("125") && rate != QLatin1String("250") && rate != QLatin1String("500")
            && rate != QLatin1String("1000")) {
            error = QStringLiteral("rate must be 125, 250, 500 or 1000, not '%1'").arg(rate);
            return false;
        }
        r.rateHz = rate.toInt();
        return true;
    }
    if (command == QLatin1String("light")) {
        r.command = Command::Light;
        if (args.isEmpty() || (args.at(0) != QLatin1String("wheel") && args.at(0) != QLatin1String("logo"))) {
            error = QStringLiteral("light takes wheel or logo first");
            return false;
        }
        r.wheel = args.takeFirst() == QLatin1String("wheel");
        for (int i = 0; i < args.size(); i += 2) {
            const QString& option = args.at(i);
            const QString value = i + 1 < args.size() ? args.at(i + 1) : QString();
            if (option == QLatin1String("--mode")) {
                r.mode = lookup(Modes, value);
                if (r.mode < 0) {
                    error = QStringLiteral("--mode must be %1").arg(choices(Modes));
                    return false;
                }
            } else if (option == QLatin1String("--color")) {
                static const QRegularExpression hex(QStringLiteral("^#?[0-9A-Fa-f]{6}$"));
                if (!hex.match(value).hasMatch()) {
                    error = QStringLiteral("--color must be RRGGBB in hexadecimal, e.g. ff8000");
                    return false;
                }
                r.color = value.right(6).toInt(nullptr, 16);
            } else if (option == QLatin1String("--brightness")) {
                if (!number(value, 0, 9, r.brightness)) {
                    error = QStringLiteral("--brightness must be 0..9");
                    return false;
                }
            } else if (option == QLatin1String("--speed")) {
                if (!number(value, 0, 9, r.speed)) {
                    error = QStringLiteral("--speed must be 0..9 (9 the fastest)");
                    return false;
                }
            } else {
                error = QStringLiteral("light: unknown option '%1' (--mode, --color, --brightness, --speed)").arg(option);
                return false;
            }
        }
        return true;
    }
    if (command == QLatin1String("button")) {
        r.command = Command::Button;
        if (args.isEmpty())
            return true;
        r.button = lookup(Buttons, args.takeFirst());
        if (r.button < 0) {
            error = QStringLiteral("button NAME must be one of %1").arg(choices(Buttons));
            return false;
        }
        const QString action = args.isEmpty() ? QString() : args.takeFirst();
        if (action == QLatin1String("key") && args.size() == 1) {
            r.action = ButtonAction::Key;
            return combination(args.at(0), r.vkCode, r.modifiers, error);
        }
        if (action == QLatin1String("media") && args.size() == 1) {
            r.action = ButtonAction::Media;
            r.usage = lookup(Media, args.at(0));
            if (r.usage < 0) {
                error = QStringLiteral("media FUNCTION must be one of %1").arg(choices(Media));
                return false;
            }
            return true;
        }
        if (action == QLatin1String("macro") && !args.isEmpty()) {
            r.action = ButtonAction::Macro;
            r.paths = args;
            if (r.paths.size() > 1 && r.button != Button::Left) {
                error = QStringLiteral("only the left button plays a list of macros; give one macro file");
                return false;
            }
            if (r.paths.size() > MouseProtocol::MacroListLength) {
                error = QStringLiteral("the left button plays at most %1 macros").arg(MouseProtocol::MacroListLength);
                return false;
            }
            return true;
        }
        if ((action == QLatin1String("disable") || action == QLatin1String("default")) && args.isEmpty()) {
            r.action = action == QLatin1String("disable") ? ButtonAction::Disable : ButtonAction::Default;
            return true;
        }
        error = QStringLiteral("button NAME takes key COMBO, media FUNCTION, macro PATH [PATH...], disable or default");
        return false;
    }
    if (command == QLatin1String("profile")) {
        r.command = Command::Profile;
        if (args.isEmpty())
            return true;
        if (args.size() != 1 || !number(args.at(0), Profile::First, Profile::Last, r.load)) {
            error = QStringLiteral("profile takes a profile number, 1..5");
            return false;
        }
        return true;
    }
    if (command == QLatin1String("export")) {
        r.command = Command::Export;
        return fileArgument("FILE to write");
    }
    if (command == QLatin1String("import")) {
        r.command = Command::Import;
        return fileArgument("FILE to read");
    }
    if (command == QLatin1String("oled")) {
        r.command = Command::Oled;
        r.dither = args.removeAll(QStringLiteral("--dither")) > 0;
        return fileArgument("IMAGE");
    }
    error = QStringLiteral("unknown command '%1': try 'zr540ctl --help'").arg(command);
    return false;
}

QString helpText()
{
    return QStringLiteral(
        "Usage: zr540ctl [--simulate] [--json] [--profile N] COMMAND [ARGS]\n"
        "Sets up the ZR540 mouse from the command line, through the same engine and profile files as the window.\n"
        "\n"
        "  info                         the mouse, the current profile and every setting\n"
        "  dpi                          the seven DPI levels: value and on/off\n"
        "  dpi LEVEL VALUE              LEVEL 1..7, VALUE 50..16000 in steps of 50\n"
        "  dpi LEVEL on|off\n"
        "  rate [125|250|500|1000]      show or set the report rate\n"
        "  light wheel|logo [--mode steady|breath|spectrum|apm|off] [--color RRGGBB]\n"
        "                   [--brightness 0..9] [--speed 0..9]\n"
        "  button                       what each of the twelve buttons does\n"
        "  button NAME (key COMBO | media FUNCTION | macro PATH [PATH...] | disable | default)\n"
        "      NAME: left, right, middle, forward, back, wheel-up, wheel-down, dpi-up, dpi-down,\n"
        "            custom1, custom2, custom3; COMBO like ctrl+shift+a; FUNCTION: player,\n"
        "            play-pause, next, previous, stop, mute, volume-up, volume-down\n"
        "  profile [1..5]               show the current profile, or load one into the mouse\n"
        "  export FILE                  the current profile with its macros and picture, as one file\n"
        "  import FILE                  check the file whole, then write it to the current profile and the mouse\n"
        "  oled IMAGE [--dither]        any picture, scaled to 128 x 32, thresholded or dithered\n"
        "\n"
        "  --simulate    the demo mode's simulated mouse (the same one as 'zr540 --simulate')\n"
        "  --json        one JSON document on standard output\n"
        "  --profile N   act on local profile N (loaded into the mouse first when it is not the current one)\n"
        "  --verbose     the engine's and the driver's trace on standard error\n"
        "  --help, --version\n"
        "\n"
        "Exit status: 0 success, 1 the mouse or the file system failed, 2 usage error.\n"
        "While the ZR540 window runs, zr540ctl refuses to touch the mouse: quit the window first.\n");
}

}  // namespace Ctl
