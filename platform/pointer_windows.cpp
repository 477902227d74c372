// Windows: the pointer speed and the wheel lines are system parameters. Every change is written
// to the user's profile and announced to the running programs (SPIF_UPDATEINIFILE |
// SPIF_SENDCHANGE), as the mouse control panel does.
#include "pointer.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace pointer {
namespace {

constexpr UINT kWriteFlags = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;

std::string errorText(const char* call)
{
    return std::string("SystemParametersInfoW(") + call + ") failed: error " + std::to_string(unsigned(GetLastError()));
}

class WindowsBackend final : public Backend {
public:
    const char* name() const override { return "windows"; }

    bool speed(int& speed) override
    {
        int value = 0;
        if (!SystemParametersInfoW(SPI_GETMOUSESPEED, 0, &value, 0)) {
            m_error = errorText("SPI_GETMOUSESPEED");
            return false;
        }
        speed = value;
        return true;
    }

    bool setSpeed(int speed) override
    {
        // The new speed travels in the pointer argument itself, not behind it.
        if (!SystemParametersInfoW(SPI_SETMOUSESPEED, 0, reinterpret_cast<PVOID>(static_cast<INT_PTR>(speed)),
                                   kWriteFlags)) {
            m_error = errorText("SPI_SETMOUSESPEED");
            return false;
        }
        return true;
    }

    bool wheelLines(int& lines) override
    {
        UINT value = 0;
        if (!SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &value, 0)) {
            m_error = errorText("SPI_GETWHEELSCROLLLINES");
            return false;
        }
        lines = value == WHEEL_PAGESCROLL ? kWheelPageScroll : static_cast<int>(value);
        return true;
    }

    bool setWheelLines(int lines) override
    {
        const UINT value = lines == kWheelPageScroll ? WHEEL_PAGESCROLL : static_cast<UINT>(lines);
        if (!SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, value, nullptr, kWriteFlags)) {
            m_error = errorText("SPI_SETWHEELSCROLLLINES");
            return false;
        }
        return true;
    }
};

}  // namespace

std::unique_ptr<Backend> createPlatformBackend(std::string& why)
{
    why.clear();
    return std::make_unique<WindowsBackend>();
}

}  // namespace pointer
