// PcActionStore: the PC-side function file, "<data root>/keysetting/HighestFunction.ini".
//
// Some button functions are carried out by the computer, not by the mouse: play a sound file,
// start a program, open a file, open a folder. The file keeps one group per button id (Button::Id)
// with the keys "state" (1 = a function is set), "function" (the code below) and "path".
// The key assignment dialog writes it, the mouse hook and the engine read it on every press or
// check, so it is read anew each time: a change takes effect with the next press. Carrying a
// function out is the application's business (PcActionRunner).
#pragma once

#include "mousevocabulary.h"

#include <QString>

#include <array>

class PcActionStore {
public:
    // The function codes kept under "function".
    enum Function {
        PlaySound = 2,
        StartProgram = 3,
        OpenFile = 4,
        OpenFolder = 5,
    };

    // What the file holds for one button: active when its state is not 0; function and path are
    // only taken from an active entry.
    struct Entry {
        bool active = false;
        int function = 0;
        QString path;
        bool operator==(const Entry& o) const { return active == o.active && function == o.function && path == o.path; }
    };
    // The entries of every button, at Button::indexOf.
    using Entries = std::array<Entry, Button::Count>;

    // The group of a button id in the file; empty for an id that is no button.
    static QString groupName(int button);

    // Every button's entry from one reading of the file; all inactive for an absent, empty or
    // unreadable file. Never creates the file.
    static Entries readEntries();

    // True when the button has an active entry (state != 0); then `function` and `path` hold it.
    // False (function 0, empty path) for no entry, state 0, an absent file or an unknown id.
    // Never creates the file.
    static bool lookupFunction(int button, int& function, QString& path);

    // Enabled: state 1, the code and the path. Disabled: state 0, function 0, an empty path.
    // Refuses (false, file untouched) an unknown id, and an enabled entry with a code outside
    // 2..5 or an empty path: such an entry would swallow the button and do nothing. The file
    // and its folder are created when missing; the file is replaced whole, never half-written.
    static bool writeFunction(int button, bool enabled, const int& function, const QString& path);

    // Deletes the file (factory reset). True when no file is left.
    static bool deleteHighestFile();
};
