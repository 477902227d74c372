// What one zr540ctl command line asks for, and the parser that reads it. The parser touches
// nothing: a command line it refuses is a usage error (exit status 2) with a one-line message.
#pragma once

#include <QString>
#include <QStringList>

namespace Ctl {

enum Exit { Success = 0, Failure = 1, Usage = 2 };

enum class Command { Help, Version, Info, Dpi, Rate, Light, Button, Profile, Export, Import, Oled };
enum class ButtonAction { Show, Key, Media, Macro, Disable, Default };

// The light effects by the mouse's numbers, as the lighting page sends them.
enum LightMode { Steady = 129, Breath = 130, Spectrum = 131, Apm = 132, Off = 133 };

struct Request {
    bool simulate = false;
    bool json = false;
    bool verbose = false;
    int profile = 0;  // --profile N; 0 when not given
    Command command = Command::Help;

    // dpi
    int level = 0;       // 1 … 7; 0 lists the levels
    int dpiValue = -1;   // 50 … 16000
    int dpiOn = -1;      // 1 on, 0 off, -1 neither
    // rate: 0 shows it, otherwise the rate in Hz
    int rateHz = 0;
    // light
    bool wheel = true;
    int mode = -1;
    int color = -1;  // 0xRRGGBB
    int brightness = -1;
    int speed = -1;
    // button
    int button = 0;  // Button::Id; 0 lists the buttons
    ButtonAction action = ButtonAction::Show;
    unsigned vkCode = 0;
    int modifiers = 0;
    int usage = 0;  // media: the consumer usage
    QStringList paths;
    // profile N (0 shows the current one), export/import/oled FILE
    int load = 0;
    QString file;
    bool dither = false;

    // True when the command changes the mouse.
    bool writes() const;
};

// Reads `args` (without the program name) into `request`. False with `error` set (one line, what
// is wrong and what is allowed) for a command line it cannot take.
bool parse(const QStringList& args, Request& request, QString& error);

// The texts of the command line's vocabulary, shared by the parser and the output.
QString buttonName(int button);      // "left", "wheel-up", … ; empty for no button
QString keyName(unsigned vkCode);    // "a", "f5", "enter", … ; empty for a key without a name
QString mediaName(int usage);        // "mute", … ; empty for an unnamed usage
QString modeName(int mode);          // "steady", … ; empty for an unknown mode
QString modifierText(int modifiers); // "ctrl+shift+", the modifiers of a combination

QString helpText();

}  // namespace Ctl
