// The pointer-settings seam: the system's pointer speed and the lines one wheel notch scrolls,
// as the main settings page shows and changes them.
//
//   Windows   SystemParametersInfoW: SPI_GET/SETMOUSESPEED (1..20, default 10) and
//             SPI_GET/SETWHEELSCROLLLINES (default 3, WHEEL_PAGESCROLL for one screen at a time).
//   X11       the speed goes to libinput's "libinput Accel Speed" (-1..1) of every mouse that has
//             it (XInput2; touchpads keep theirs), else to the core pointer acceleration
//             (XChangePointerControl). X has no wheel-lines setting: each toolkit scrolls as it
//             likes, so that setting is not offered.
//   none      no X server (Wayland without X, or no backend for this platform): neither setting is
//             offered; reads answer Windows' defaults (10, 3), writes are refused.
//   memory    MemoryBackend below, for tests: remembers every write.
//
// No Qt here: this folder compiles with a plain C++17 compiler, the MinGW cross compiler included.
#pragma once

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

    // Whether the system has such a setting at all; the page greys out the control of one it
    // lacks, since the desktop's own settings govern it there.
    virtual bool hasSpeed() const { return true; }
    virtual bool hasWheelLines() const { return true; }

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

// The backend of this system (main() makes it and hands it down). Never nullptr: where there is no real one it answers the "none"
// backend and puts the reason into `why` (empty otherwise).
std::unique_ptr<Backend> createPlatformBackend(std::string& why);

// Reads give Windows' defaults, writes fail with `reason` as the error.
std::unique_ptr<Backend> createUnavailableBackend(const std::string& reason);

// The X11 backend's conversions, portable so that tests reach them without an X server.
//
// Windows knows speeds 1..20 (10 = unaccelerated default). On X the speed is either libinput's
// "libinput Accel Speed" property (-1..1, 0 = default) or, for the older drivers, the core
// pointer acceleration (2/1 by default). Both are mapped piecewise linearly, so that the
// defaults meet:
//   libinput    1 -> -1.0, 10 -> 0.0, 20 -> +1.0
//   core        1 ->  1/1, 10 -> 2/1, 20 ->  3/1 (times, threshold left alone)
// Reading maps back to the nearest speed, halves going to the slower one, so every speed written
// reads back unchanged. A device whose present value already reads as the speed to write is left
// alone: a value read and written back changes nothing on the system.
namespace x11 {

double libinputAccelForSpeed(int speed);
int speedForLibinputAccel(double accel);

struct Fraction {
    int numerator;
    int denominator;
};
Fraction coreAccelForSpeed(int speed);  // in lowest terms
int speedForCoreAccel(int numerator, int denominator);

// A pointer the libinput driver runs. A touchpad (the device with a tapping setting) is not the
// mouse's business: it keeps its own speed.
struct LibinputPointer {
    int device;
    float accel;  // its present "libinput Accel Speed"
    bool touchpad;
};
bool hasMice(const std::vector<LibinputPointer>& pointers);
// The speed of the first mouse; false when there is none.
bool speedOfMice(const std::vector<LibinputPointer>& pointers, int& speed);
// The mice whose present value reads as another speed than `speed`.
std::vector<int> devicesToChange(const std::vector<LibinputPointer>& pointers, int speed);

}  // namespace x11

// Kept in memory: what tests install. Reads answer the last value written (or the starting
// value); every write is also appended to a log, so a test sees what the page wrote and in which
// order. refuseWrites makes every write fail, as a locked-down system would; withoutSpeed and
// withoutWheelLines make it a system that lacks that setting.
class MemoryBackend final : public Backend {
public:
    MemoryBackend(int speed = kDefaultSpeed, int wheelLines = kDefaultWheelLines)
        : m_speed(speed), m_wheelLines(wheelLines)
    {
    }

    const char* name() const override { return "memory"; }
    bool hasSpeed() const override { return !withoutSpeed; }
    bool hasWheelLines() const override { return !withoutWheelLines; }

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
    bool withoutSpeed = false;
    bool withoutWheelLines = false;

private:
    int m_speed;
    int m_wheelLines;
    std::vector<int> m_speedWrites;
    std::vector<int> m_wheelLineWrites;
};

}  // namespace pointer
