#include "hookmessages.h"

#include <array>
#include <cstddef>

namespace hooks {

namespace {

// The wheel's data word as Windows delivers it: the signed delta in the high word.
constexpr std::uint32_t wheelData(int delta) { return std::uint32_t(delta) << 16; }

constexpr std::array<ButtonMessage, 7> kButtons{{
    {4, LeftButtonDown, 0, 1},
    {5, MiddleButtonDown, 0, 2},
    {6, RightButtonDown, 0, 3},
    {7, XButtonDown, XButton2Data, 9},
    {8, XButtonDown, XButton1Data, 8},
    {9, MouseWheel, wheelData(WheelDelta), 4},
    {10, MouseWheel, wheelData(-WheelDelta), 5},
}};

}  // namespace

bool isButtonMessage(std::uint32_t message)
{
    return message == LeftButtonDown || message == RightButtonDown || message == MiddleButtonDown
           || message == MouseWheel || message == XButtonDown;
}

int buttonForMessage(std::uint32_t message, std::uint32_t mouseData)
{
    switch (message) {
    case LeftButtonDown: return 4;
    case RightButtonDown: return 6;
    case MiddleButtonDown: return 5;
    case MouseWheel: return std::int32_t(mouseData) >= 0 ? 9 : 10;
    case XButtonDown:
        // Compared whole: a word with bits in its low half is not a plain X-button press.
        if (mouseData == XButton1Data)
            return 8;
        if (mouseData == XButton2Data)
            return 7;
        return 0;
    default: return 0;
    }
}

std::uint32_t hookParameter(std::uint32_t message, std::uint32_t mouseData)
{
    switch (buttonForMessage(message, mouseData)) {
    case 4:
    case 5:
    case 6: return message;
    case 9: return (MouseWheel << 8) + 1;
    case 10: return MouseWheel << 8;
    case 7:
    case 8: return message + mouseData;
    default: return 0;
    }
}

bool messageForButton(int button, ButtonMessage& out)
{
    for (const ButtonMessage& b : kButtons) {
        if (b.button == button) {
            out = b;
            return true;
        }
    }
    return false;
}

bool messageForXButton(unsigned xButton, ButtonMessage& out)
{
    for (const ButtonMessage& b : kButtons) {
        if (b.xButton == xButton) {
            out = b;
            return true;
        }
    }
    return false;
}

bool KeyRepeatFilter::swallow(std::uint32_t virtualKey, std::uint32_t message)
{
    if (!m_enabled)
        return false;
    if (virtualKey == m_lastKey && message == m_lastMessage)
        return true;
    m_lastKey = virtualKey;
    m_lastMessage = message;
    return false;
}

}  // namespace hooks
