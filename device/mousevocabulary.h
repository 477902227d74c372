// The program's words for the mouse's numbers: the ids of its twelve buttons and where each one
// lives in the key matrix, the kinds of key matrix entry, how a macro is played, the order in
// which the engine reports a light, and the changes a page may ask of a button. The engine, the
// pages and the window all take these from here; the report layout itself is mouseprotocol.h.
// (The simulated mouse and the tests keep numbers of their own, so a wrong number here fails.)
//
// No Qt here.
#pragma once

#include <cstdint>

// --- Buttons -------------------------------------------------------------------------------
// The twelve programmable buttons by the id the whole program knows them by: the main page's
// buttons, the key dialog, the engine's slots and signals, the groups of the PC-side function
// file and the hooks (which see only the buttons up to LastWithMessage).
namespace Button {
enum Id : int {
    Left = 4,
    Middle = 5,
    Right = 6,
    Forward = 7,
    Back = 8,
    WheelForward = 9,
    WheelBack = 10,
    DpiUp = 11,
    DpiDown = 12,
    Custom2 = 13,
    Custom1 = 14,
    Custom3 = 15,
};
constexpr int First = Left;
constexpr int Last = Custom3;
constexpr int Count = Last - First + 1;
constexpr int LastWithMessage = WheelBack;  // 11 … 15 send no mouse message of their own

constexpr bool isButton(int id) { return id >= First && id <= Last; }
// 0 … 11 for a button id, as the tables by button count.
constexpr int indexOf(int id) { return id - First; }

// Where a button lives. Key assignments and the factory check use keyEntry; macro assignments and
// the left-button guard use macroEntry. The two differ for the wheel only.
struct Entries {
    int keyEntry;
    int macroEntry;
    std::uint8_t macroBlock;  // the block address its own macro goes into
};
constexpr Entries Table[Count] = {
    {0, 0, 0x8C},    // 4  left
    {2, 2, 0x94},    // 5  middle
    {1, 1, 0x90},    // 6  right
    {4, 4, 0x9C},    // 7  forward
    {3, 3, 0x98},    // 8  back
    {14, 15, 0xA4},  // 9  wheel forward
    {15, 14, 0xA0},  // 10 wheel back
    {5, 5, 0xA8},    // 11 DPI up
    {6, 6, 0xAC},    // 12 DPI down
    {7, 7, 0xB0},    // 13 custom button 2
    {8, 8, 0xB4},    // 14 custom button 1
    {9, 9, 0xB8},    // 15 custom button 3
};
static_assert(Table[Count - 1].macroBlock != 0, "one row for every button id");
// The key matrix entries of a button id; -1 for an id that is no button.
constexpr int keyEntryOf(int id) { return isButton(id) ? Table[indexOf(id)].keyEntry : -1; }
constexpr int macroEntryOf(int id) { return isButton(id) ? Table[indexOf(id)].macroEntry : -1; }
}  // namespace Button

// --- Key matrix entries --------------------------------------------------------------------
// The first byte of an entry: what the button does.
namespace KeyType {
enum Code : std::uint8_t {
    Keyboard = 0x00,     // value1 the modifier bits, value2 the key's usage
    MouseButton = 0x01,  // value2 one of the clicks below
    Consumer = 0x03,     // value2, value3 the usage's low and high byte
    Dpi = 0x07,          // value2 1 up, 2 down, 4 instant DPI
    Profile = 0x08,      // value2 3 loops through the profiles
    Macro = 0x09,        // value1 the play mode, value3 the macro block
    Fire = 0x0A,         // the fire key
    MacroList = 0x11,    // the left button plays its list of macros
};
}  // namespace KeyType

// value2 of a MouseButton entry: which click the button sends.
namespace Click {
enum Code : std::uint8_t {
    Left = 0xF0,
    Right = 0xF1,
    Middle = 0xF2,
    Back = 0xF3,
    Forward = 0xF4,
};
}  // namespace Click

// --- Macros --------------------------------------------------------------------------------
// How the mouse plays a macro: value1 of its button's entry and "MacroType" of its file.
namespace PlayMode {
enum Mode : int {
    LoopCount = 0,  // as many times as the macro says
    Toggle = 2,     // until the button is pressed again
    WhileHeld = 4,  // while the button is held
};
}  // namespace PlayMode

// --- DPI levels and profiles ----------------------------------------------------------------
// The program offers seven DPI levels (the settings block has room for an eighth, never used) and
// keeps five profiles, numbered from 1.
namespace Dpi {
constexpr int Levels = 7;
}  // namespace Dpi
namespace Profile {
constexpr int First = 1;
constexpr int Last = 5;
}  // namespace Profile

// --- Lights --------------------------------------------------------------------------------
// The engine reports the two lights as a map from light to a list of parameters in this order.
namespace LightParameter {
enum Light : int { WheelLight = 0, LogoLight = 1 };
enum Index : int { Red = 0, Green = 1, Blue = 2, Mode = 3, BreathSpeed = 4, Degree = 5, Count = 6 };
}  // namespace LightParameter

// --- Button changes ------------------------------------------------------------------------
// What a page asks the engine to put on a button (the changeType of slot_ChangeButtonToKey).
namespace ChangeType {
enum Type : int {
    KeyboardKey = 16,
    FactoryFunction = 17,
    ConsumerControl = 19,
    FireKey = 20,
    DpiAdd = 21,
    DpiReduce = 22,
    DpiInstant = 23,
    LeftButton = 24,
    RightButton = 25,
    MiddleButton = 26,
    ForwardButton = 27,
    BackButton = 28,
    ProfileLoop = 29,
};
}  // namespace ChangeType
