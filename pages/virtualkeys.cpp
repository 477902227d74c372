#include "virtualkeys.h"

#include <QKeyEvent>

namespace VirtualKeys {
namespace {

// Keys outside the contiguous blocks (letters, digits, F-keys, keypad digits; see fromX11Keysym):
// the X keysym, the Qt key of the same key (0: none beyond the keysym itself, which is also the
// Qt key for the printable ASCII characters), and the Windows code.
struct KeyRow {
    quint32 keysym;
    int qtKey;
    int virtualKey;
};

constexpr KeyRow keyRows[] = {
    // Editing and control keys.
    {0xFF08, Qt::Key_Backspace, 0x08},
    {0xFF09, Qt::Key_Tab, 0x09},
    {0xFE20, Qt::Key_Backtab, 0x09},  // ISO_Left_Tab: Shift+Tab
    {0xFF0D, Qt::Key_Return, 0x0D},
    {0xFF13, Qt::Key_Pause, 0x13},
    {0xFF6B, Qt::Key_Cancel, 0x03},   // Break: Ctrl+Pause
    {0xFF14, Qt::Key_ScrollLock, 0x91},
    {0xFF15, Qt::Key_SysReq, 0x2C},   // Alt+PrintScreen
    {0xFF1B, Qt::Key_Escape, 0x1B},
    {0x0020, 0, 0x20},                // space
    {0xFF61, Qt::Key_Print, 0x2C},
    {0xFF63, Qt::Key_Insert, 0x2D},
    {0xFFFF, Qt::Key_Delete, 0x2E},
    {0xFF67, Qt::Key_Menu, 0x5D},     // the context-menu key, VK_APPS
    {0xFFE5, Qt::Key_CapsLock, 0x14},
    {0xFFE6, 0, 0x14},                // Shift_Lock
    {0xFF7F, Qt::Key_NumLock, 0x90},
    {0xFF0B, Qt::Key_Clear, 0x0C},
    // Navigation.
    {0xFF50, Qt::Key_Home, 0x24},
    {0xFF51, Qt::Key_Left, 0x25},
    {0xFF52, Qt::Key_Up, 0x26},
    {0xFF53, Qt::Key_Right, 0x27},
    {0xFF54, Qt::Key_Down, 0x28},
    {0xFF55, Qt::Key_PageUp, 0x21},
    {0xFF56, Qt::Key_PageDown, 0x22},
    {0xFF57, Qt::Key_End, 0x23},
    // Modifiers, with their side.
    {0xFFE1, Qt::Key_Shift, LeftShift},
    {0xFFE2, 0, RightShift},
    {0xFFE3, Qt::Key_Control, LeftControl},
    {0xFFE4, 0, RightControl},
    {0xFFE9, Qt::Key_Alt, LeftMenu},
    {0xFFEA, Qt::Key_AltGr, RightMenu},
    {0xFFE7, 0, LeftMenu},            // Meta_L: Shift+Alt_L under xkb
    {0xFFE8, 0, RightMenu},           // Meta_R
    {0xFE03, 0, RightMenu},           // ISO_Level3_Shift: AltGr
    {0xFFEB, Qt::Key_Super_L, LeftWin},
    {0xFFEC, Qt::Key_Super_R, RightWin},
    // Number pad: operators, Enter, and the navigation keys it gives with Num Lock off.
    {0xFFAA, 0, 0x6A},                // KP_Multiply
    {0xFFAB, 0, 0x6B},                // KP_Add
    {0xFFAC, 0, 0x6C},                // KP_Separator
    {0xFFAD, 0, 0x6D},                // KP_Subtract
    {0xFFAE, 0, 0x6E},                // KP_Decimal
    {0xFFAF, 0, 0x6F},                // KP_Divide
    {0xFF8D, Qt::Key_Enter, 0x0D},    // KP_Enter: Windows gives it the Return code
    {0xFF95, 0, 0x24},                // KP_Home
    {0xFF96, 0, 0x25},                // KP_Left
    {0xFF97, 0, 0x26},                // KP_Up
    {0xFF98, 0, 0x27},                // KP_Right
    {0xFF99, 0, 0x28},                // KP_Down
    {0xFF9A, 0, 0x21},                // KP_Prior
    {0xFF9B, 0, 0x22},                // KP_Next
    {0xFF9C, 0, 0x23},                // KP_End
    {0xFF9D, 0, 0x0C},                // KP_Begin: VK_CLEAR
    {0xFF9E, 0, 0x2D},                // KP_Insert
    {0xFF9F, 0, 0x2E},                // KP_Delete
    // The shifted digits of a US keyboard.
    {0x0021, 0, 0x31},                // !
    {0x0040, 0, 0x32},                // @
    {0x0023, 0, 0x33},                // #
    {0x0024, 0, 0x34},                // $
    {0x0025, 0, 0x35},                // %
    {0x005E, 0, 0x36},                // ^
    {0x0026, 0, 0x37},                // &
    {0x002A, 0, 0x38},                // *
    {0x0028, 0, 0x39},                // (
    {0x0029, 0, 0x30},                // )
    // Punctuation of a US keyboard, both levels.
    {0x003B, 0, 0xBA}, {0x003A, 0, 0xBA},  // ; :   VK_OEM_1
    {0x003D, 0, 0xBB}, {0x002B, 0, 0xBB},  // = +   VK_OEM_PLUS
    {0x002C, 0, 0xBC}, {0x003C, 0, 0xBC},  // , <   VK_OEM_COMMA
    {0x002D, 0, 0xBD}, {0x005F, 0, 0xBD},  // - _   VK_OEM_MINUS
    {0x002E, 0, 0xBE}, {0x003E, 0, 0xBE},  // . >   VK_OEM_PERIOD
    {0x002F, 0, 0xBF}, {0x003F, 0, 0xBF},  // / ?   VK_OEM_2
    {0x0060, 0, 0xC0}, {0x007E, 0, 0xC0},  // ` ~   VK_OEM_3
    {0x005B, 0, 0xDB}, {0x007B, 0, 0xDB},  // [ {   VK_OEM_4
    {0x005C, 0, 0xDC}, {0x007C, 0, 0xDC},  // \ |   VK_OEM_5
    {0x005D, 0, 0xDD}, {0x007D, 0, 0xDD},  // ] }   VK_OEM_6
    {0x0027, 0, 0xDE}, {0x0022, 0, 0xDE},  // ' "   VK_OEM_7
};

int fromQtKeypad(int key)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return 0x60 + (key - Qt::Key_0);
    switch (key) {
    case Qt::Key_Asterisk: return 0x6A;
    case Qt::Key_Plus: return 0x6B;
    case Qt::Key_Minus: return 0x6D;
    case Qt::Key_Period:
    case Qt::Key_Comma: return 0x6E;
    case Qt::Key_Slash: return 0x6F;
    default: return 0;  // Enter and the navigation keys: as off the keypad
    }
}

#ifdef Q_OS_WIN
// Windows names Shift, Ctrl and Alt generically in the key message; the scan code (with the
// extended-key bit at 0x100, as Qt reports it) tells the side.
int sidedOnWindows(int code, quint32 scanCode)
{
    switch (code) {
    case Shift: return scanCode == 0x36 ? RightShift : LeftShift;
    case Control: return (scanCode & 0x100) ? RightControl : LeftControl;
    case Menu: return (scanCode & 0x100) ? RightMenu : LeftMenu;
    default: return code;
    }
}
#endif

}  // namespace

int fromX11Keysym(quint32 keysym)
{
    if (keysym >= 'a' && keysym <= 'z')
        return int(keysym - 'a') + 0x41;
    if ((keysym >= 'A' && keysym <= 'Z') || (keysym >= '0' && keysym <= '9'))
        return int(keysym);
    if (keysym >= 0xFFBE && keysym <= 0xFFD5)  // F1 … F24
        return int(keysym - 0xFFBE) + 0x70;
    if (keysym >= 0xFFB0 && keysym <= 0xFFB9)  // KP_0 … KP_9
        return int(keysym - 0xFFB0) + 0x60;
    for (const KeyRow& row : keyRows) {
        if (row.keysym == keysym)
            return row.virtualKey;
    }
    return 0;
}

int fromQtKey(int key, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & Qt::KeypadModifier) {
        if (const int code = fromQtKeypad(key))
            return code;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return key - Qt::Key_F1 + 0x70;
    if (key > 0 && key < 0x100)  // printable Latin-1: the Qt key is the keysym
        return fromX11Keysym(quint32(key));
    for (const KeyRow& row : keyRows) {
        if (row.qtKey != 0 && row.qtKey == key)
            return row.virtualKey;
    }
    return 0;
}

int fromKeyEvent(const QKeyEvent* event)
{
    const quint32 native = event->nativeVirtualKey();
#if defined(Q_OS_WIN)
    if (native != 0)
        return sidedOnWindows(int(native), event->nativeScanCode());
#elif !defined(Q_OS_MACOS)
    if (native != 0) {
        if (const int code = fromX11Keysym(native))
            return code;
    }
#endif
    return fromQtKey(event->key(), event->modifiers());
}

int keyMessageCode(int virtualKey)
{
    switch (virtualKey) {
    case LeftShift:
    case RightShift: return Shift;
    case LeftControl:
    case RightControl: return Control;
    case LeftMenu:
    case RightMenu: return Menu;
    default: return virtualKey;
    }
}

}  // namespace VirtualKeys
