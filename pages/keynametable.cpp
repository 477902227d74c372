#include "keynametable.h"

#include <iterator>

namespace {

// Keyboard order: letters row by row, digits, punctuation, modifiers and the wide keys, F-keys,
// number pad, navigation block, mouse buttons. K, L, Z and L_Alt are listed twice.
// "Print" is 0x2A (VK_PRINT), not the print-screen key 0x2C, which has no name here; the generic
// Shift, Ctrl and Alt codes (0x10..0x12) have none either, only their left and right variants.
constexpr KeyNameTable::Entry kEntries[] = {
    // letters
    {0x51, "Q"}, {0x57, "W"}, {0x45, "E"}, {0x52, "R"}, {0x54, "T"}, {0x59, "Y"}, {0x55, "U"},
    {0x49, "I"}, {0x4F, "O"}, {0x50, "P"},
    {0x41, "A"}, {0x53, "S"}, {0x44, "D"}, {0x46, "F"}, {0x47, "G"}, {0x48, "H"}, {0x4A, "J"},
    {0x4B, "K"}, {0x4C, "L"},
    {0x5A, "Z"}, {0x58, "X"}, {0x43, "C"}, {0x56, "V"}, {0x42, "B"}, {0x4E, "N"}, {0x4D, "M"},
    {0x4B, "K"}, {0x4C, "L"}, {0x5A, "Z"},
    // digits
    {0x31, "1"}, {0x32, "2"}, {0x33, "3"}, {0x34, "4"}, {0x35, "5"}, {0x36, "6"}, {0x37, "7"},
    {0x38, "8"}, {0x39, "9"}, {0x30, "0"},
    // punctuation
    {0xC0, "~"}, {0xBD, "-"}, {0xBB, "="}, {0xDB, "["}, {0xDD, "]"}, {0xDC, "|"}, {0xBA, ";"},
    {0xDE, "/'"}, {0xBC, "<"}, {0xBE, ">"}, {0xBF, "?"},
    // modifiers and the wide keys
    {0x1B, "ESC"}, {0x09, "Tab"}, {0x14, "Cap"}, {0xA0, "L_Shift"}, {0xA2, "L_Ctrl"}, {0x5B, "L_Win"},
    {0xA4, "L_Alt"}, {0x20, "Space"}, {0xA4, "L_Alt"}, {0xA5, "R_Alt"}, {0x5C, "R_Win"},
    {0xA3, "R_Ctrl"}, {0xA1, "R_Shift"}, {0x0D, "Enter"}, {0x08, "Backspace"},
    // function keys
    {0x70, "F1"}, {0x71, "F2"}, {0x72, "F3"}, {0x73, "F4"}, {0x74, "F5"}, {0x75, "F6"},
    {0x76, "F7"}, {0x77, "F8"}, {0x78, "F9"}, {0x79, "F10"}, {0x7A, "F11"}, {0x7B, "F12"},
    // number pad
    {0x90, "NUM Lock"}, {0x6F, "NUM /"}, {0x6A, "NUM *"}, {0x6D, "NUM -"},
    {0x67, "NUM 7"}, {0x68, "NUM 8"}, {0x69, "NUM 9"}, {0x6B, "NUM +"},
    {0x64, "NUM 4"}, {0x65, "NUM 5"}, {0x66, "NUM 6"},
    {0x61, "NUM 1"}, {0x62, "NUM 2"}, {0x63, "NUM 3"}, {0x6C, "NUM Enter"},
    {0x60, "NUM 0"}, {0x6E, "NUM Del"},
    // navigation block
    {0x2A, "Print"}, {0x91, "Scroll"}, {0x13, "Pause"},
    {0x2D, "Insert"}, {0x24, "Home"}, {0x21, "Page Up"},
    {0x2E, "Delete"}, {0x23, "End"}, {0x22, "Page Down"},
    {0x26, "UP"}, {0x25, "LEFT"}, {0x28, "DOWN"}, {0x27, "RIGHT"},
    // mouse buttons
    {0x01, "Left Button"}, {0x02, "Right Button"}, {0x04, "Middle Button"},
};
static_assert(std::size(kEntries) == 110, "the key-name list holds 110 entries");

}  // namespace

QString KeyNameTable::lookup(int virtualKey)
{
    if (virtualKey == 0)
        return QString();
    for (const Entry& entry : kEntries) {
        if (entry.virtualKey == virtualKey)
            return QString::fromLatin1(entry.name);
    }
    return QString();
}

const KeyNameTable::Entry* KeyNameTable::begin() { return std::begin(kEntries); }

const KeyNameTable::Entry* KeyNameTable::end() { return std::end(kEntries); }

std::size_t KeyNameTable::size() { return std::size(kEntries); }
