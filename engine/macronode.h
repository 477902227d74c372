// MacroNode: one event of a macro file, as the macro editor records it.
#pragma once

#include "mousevocabulary.h"

#include <QList>
#include <QString>

struct MacroNode {
    enum Kind { Key = 3, Movement = 6 };

    int ValueType = -1;    // 3 key (keyboard key or mouse button), 6 mouse movement
    int MouseValue = -1;   // not used; always -1 in files we write
    int KeyValue = -1;     // Windows virtual-key code; mouse buttons 1 left, 2 right, 4 middle
    int TimeLapse = 0;     // milliseconds to wait after this event
    int CoordinateX = -1;  // relative movement, -127…127
    int CoordinateY = -1;  // relative movement, -127…127, positive is up
    int State = -1;        // 0 press, 1 release
    QString Text;          // display text (the key's name)

    friend bool operator==(const MacroNode& a, const MacroNode& b)
    {
        return a.ValueType == b.ValueType && a.MouseValue == b.MouseValue && a.KeyValue == b.KeyValue
            && a.TimeLapse == b.TimeLapse && a.CoordinateX == b.CoordinateX && a.CoordinateY == b.CoordinateY
            && a.State == b.State && a.Text == b.Text;
    }
};

// What a macro download needs of one macro file, read in one go.
struct MacroFileContent {
    QList<MacroNode> nodes;
    int repeatTimes = 1;      // "RepeatTimes"
    int ignoreDelayTime = 0;  // "IgnoreDelayTime": 2 = ignore the delays
    int macroType = PlayMode::LoopCount;  // "MacroType"
};
