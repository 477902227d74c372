// The pointer-settings seam: the system's pointer speed and the lines one wheel notch scrolls,
// as the main settings page shows and changes them.
//
//   Windows   SystemParametersInfoW: SPI_GET/SETMOUSESPEED (1..20, default 10) and
//             SPI_GET/SETWHEELSCROLLLINES (default 3, WHEEL_PAGESCROLL for one screen at a time).
//   X11       the speed goes to libinput's "libinput Accel Speed" (-1..1) of every pointer device
//             that has it (XInput2), else to the core pointer acceleration (XChangePointerControl);
//             X has no wheel-lines setting, so the program keeps that number itself, through the
//             WheelLineStore it is given.
//   none      no X server or no backend for this platform: reads answer Windows' defaults (10, 3),
//             writes are refused.
//   memory    MemoryBackend below, for tests: remembers every write.
//
// No Qt here: this folder compiles with a plain C++17 compiler, the MinGW cross compiler included.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace pointer {

constexpr int kMinSpeed = 1;
constexpr int kMaxSpeed = 20;
constexpr int kDefaultSpeed = 10;
constexpr int kDefaultWheelLines = 3;
// Windows' WHEEL_PAGESCROLL (all bits set) seen as an int: one notch scrolls a whole screen.
constexpr int kWheelPageScroll = -1;

class Backend {
public:
    virtual ~Backend() = default;

    // A short name for the log ("windows", "x11", "none", "memory").
    virtual const char* name() const = 0;

    // False (with error()) when the system could not be asked; `speed` is then left as it was.
    virtual bool speed(int& speed) = 0;
    virtual bool setSpeed(int speed) = 0;
    // Lines per wheel notch, or kWheelPageScroll.
    virtual bool wheelLines(int& lines) = 0;
    virtual bool setWheelLines(int lines) = 0;

    // What went wrong last, for the log.
    const std::string& error() const { return m_error; }

protected:
    std::string m_error;
};

// Where a backend without a system wheel setting (X11) keeps the number. load answers false when
// nothing is stored yet (the backend then uses kDefaultWheelLines); save answers false when the
// number could not be kept.
struct WheelLineStore {
    std::function<bool(int& lines)> load;
    std::function<bool(int lines)> save;
};

// The backend of this system. Never nullptr: where there is no real one it answers the "none"
// backend and puts the reason into `why` (empty otherwise).
std::unique_ptr<Backend> createPlatformBackend(WheelLineStore store, std::string& why);

// Reads give Windows' defaults, writes fail with `reason` as the error.
std::unique_ptr<Backend> createUnavailableBackend(const std::string& reason);

// The one backend of the process, set once at start-up (tests install a MemoryBackend); nullptr
// until someone sets it.
std::shared_ptr<Backend> backend();
void setBackend(std::shared_ptr<Backend> backend);

// Kept in memory: what tests install. Reads answer the last value written (or the starting
// value); every write is also appended to a log, so a test sees what the page wrote and in which
// order. refuseWrites makes every write fail, as a locked-down system would.
class MemoryBackend final : public Backend {
public:
    MemoryBackend(int speed = kDefaultSpeed, int wheelLines = kDefaultWheelLines)
        : m_speed(speed), m_wheelLines(wheelLines)
    {
    }

    const char* name() const override { return "memory"; }

    bool speed(int& speed) override
    {
        speed = m_speed;
        return true;
    }
    bool setSpeed(int speed) override
    {
        m_speedWrites.push_back(speed);
        if (refuseWrites) {
            m_error = "writes refused";
            return false;
        }
        m_speed = speed;
        return true;
    }
    bool wheelLines(int& lines) override
    {
        lines = m_wheelLines;
        return true;
    }
    bool setWheelLines(int lines) override
    {
        m_wheelLineWrites.push_back(lines);
        if (refuseWrites) {
            m_error = "writes refused";
            return false;
        }
        m_wheelLines = lines;
        return true;
    }

    const std::vector<int>& speedWrites() const { return m_speedWrites; }
    const std::vector<int>& wheelLineWrites() const { return m_wheelLineWrites; }

    bool refuseWrites = false;

private:
    int m_speed;
    int m_wheelLines;
    std::vector<int> m_speedWrites;
    std::vector<int> m_wheelLineWrites;
};

}  // namespace pointer
