// VirtualKeys: the Windows virtual-key code of a key press, on every platform.
//
// The mouse, the macro files and the key-name table all speak Windows virtual-key codes, so a key
// pressed in the program is turned into one wherever it runs:
// - Windows: the key message's code (QKeyEvent::nativeVirtualKey); the side of Shift, Ctrl and
//   Alt comes from the scan code (0x2A/0x36, 0x1D/0x11D, 0x38/0x138), as Windows decides it.
// - X11: nativeVirtualKey carries the X keysym of the key as the keyboard state makes it (shifted
//   symbols, keypad navigation with Num Lock off). The keysym is translated by the table in
//   virtualkeys.cpp, punctuation as it sits on a US keyboard. Shift_L/R, Control_L/R, Alt_L/R
//   (and Meta_L/R, which xkb puts on the Alt keys; ISO_Level3_Shift, i.e. AltGr) give the sided
//   codes 0xA0 … 0xA5, the codes the key-name table names "L_Shift" … "R_Alt".
// - Anywhere else, or when the event carries no native code (Wayland, synthetic events): the
//   Qt key, with the keypad modifier for the number pad; Shift, Ctrl and Alt count as left.
//
// Windows key messages carry the generic codes 0x10, 0x11 and 0x12 for Shift, Ctrl and Alt, and
// the key assignment dialog, which works with those (the generic code toggles the modifier's box
// and has no name of its own), folds the sided codes with keyMessageCode.
#pragma once

#include <QtGlobal>
#include <qnamespace.h>

class QKeyEvent;

namespace VirtualKeys {

enum : int {
    Shift = 0x10,
    Control = 0x11,
    Menu = 0x12,  // Alt
    LeftWin = 0x5B,
    RightWin = 0x5C,
    LeftShift = 0xA0,
    RightShift = 0xA1,
    LeftControl = 0xA2,
    RightControl = 0xA3,
    LeftMenu = 0xA4,
    RightMenu = 0xA5,
};

// The code of the pressed key, Shift/Ctrl/Alt with their side; 0 when the key has no code.
int fromKeyEvent(const QKeyEvent* event);

// An X keysym's code; 0 for keysyms without one.
int fromX11Keysym(quint32 keysym);

// A Qt key's code; the keypad modifier selects the number-pad codes. 0 when there is none.
int fromQtKey(int key, Qt::KeyboardModifiers modifiers);

// The code a Windows key message carries: the sided Shift/Ctrl/Alt codes become 0x10/0x11/0x12;
// every other code stays.
int keyMessageCode(int virtualKey);

}  // namespace VirtualKeys
