// The mouse and keyboard messages the hooks act on, and the decisions that need nothing but the
// message: which button a message belongs to, the parameter broadcast for a swallowed message,
// and the repeat suppression of the macro editor. Message numbers and mouse-data words are those
// of the Win32 low-level hooks; the X11 backend translates its button presses into them, so every
// platform takes the same decisions.
//
// No Qt here: the Windows hook backend uses it and builds with the MinGW cross compiler.
#pragma once

#include <cstdint>

namespace hooks {

// Win32 message numbers (WM_*).
constexpr std::uint32_t LeftButtonDown = 0x0201;
constexpr std::uint32_t RightButtonDown = 0x0204;
constexpr std::uint32_t MiddleButtonDown = 0x0207;
constexpr std::uint32_t MouseWheel = 0x020A;
constexpr std::uint32_t XButtonDown = 0x020B;
// The high word of an X-button message's mouse-data word (XBUTTON1, XBUTTON2).
constexpr std::uint32_t XButton1Data = 0x00010000;
constexpr std::uint32_t XButton2Data = 0x00020000;
// One notch of the wheel (WHEEL_DELTA); the delta sits in the high word of the mouse data.
constexpr int WheelDelta = 120;

// True for the messages a button can come from (presses and the wheel); the hooks pass every
// other message on without looking further.
bool isButtonMessage(std::uint32_t message);

// The button id (4 left, 5 middle, 6 right, 7 X button 2, 8 X button 1, 9 wheel forward,
// 10 wheel back) of a message with its mouse-data word; 0 when the message belongs to none.
// An X-button word carrying anything in its low word belongs to none.
int buttonForMessage(std::uint32_t message, std::uint32_t mouseData);

// What is broadcast when the message is swallowed: the message number for the left, right and
// middle button; the wheel message shifted left by 8 bits, plus 1 forward (0x20A01 / 0x20A00);
// the message plus its data word for the X buttons (0x1020B / 0x2020B). 0 for other messages.
std::uint32_t hookParameter(std::uint32_t message, std::uint32_t mouseData);

// How a press of a button id arrives: its message and mouse-data word, and the core X11 button
// number that carries it (1 left, 2 middle, 3 right, 4/5 wheel forward/back, 8/9 X button 1/2).
struct ButtonMessage {
    int button = 0;
    std::uint32_t message = 0;
    std::uint32_t mouseData = 0;
    unsigned xButton = 0;
};
// False for ids without a mouse message (0, 11..15, ...).
bool messageForButton(int button, ButtonMessage& out);
// False for X11 buttons that are none of ours (6/7 horizontal wheel, 10 and up).
bool messageForXButton(unsigned xButton, ButtonMessage& out);

// While the macro editor records, the auto-repeat of a held key is removed: an event with the
// same virtual-key code and message as the last one is swallowed, any other is remembered and
// passes. While it does not record, everything passes and the memory stays as it is.
class KeyRepeatFilter {
public:
    void setEnabled(bool enabled) { m_enabled = enabled; }
    bool enabled() const { return m_enabled; }
    // True when the event is to be swallowed.
    bool swallow(std::uint32_t virtualKey, std::uint32_t message);

private:
    bool m_enabled = false;
    std::uint32_t m_lastKey = 0;
    std::uint32_t m_lastMessage = 0;
};

}  // namespace hooks
