// The hooks' decision on one mouse message, the same on every platform: which button it is,
// whether the button's PC-side function is carried out and the message swallowed, and what is
// broadcast for it.
#pragma once

#include <QtGlobal>

class PcActionRunner;
class PcActionTable;

struct MouseDecision {
    int button = 0;      // a Button::Id up to Button::LastWithMessage, 0 for none
    bool swallow = false;
    quint32 param = 0;   // the hook parameter, when swallowed
};

MouseDecision decideMouseMessage(quint32 message, quint32 mouseData, const PcActionTable& table,
                                 const PcActionRunner& runner);
