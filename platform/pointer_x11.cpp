// X11: the pointer speed on the X server, the wheel lines in the program's own store.
//
// Speed. Windows knows speeds 1..20 (10 = unaccelerated default). On X the speed is either
// libinput's "libinput Accel Speed" property (-1..1, 0 = default), present on every pointer the
// libinput driver runs, or, for the older drivers, the core pointer acceleration. Both are
// mapped linearly from the ends of the Windows scale:
//   libinput    1 -> -1.0, 20 -> +1.0           accel = (speed - 1) * 2 / 19 - 1
//   core        1 ->  1.0, 20 ->  3.0 (times)   accel = (17 + 2 * speed) / 19
// Reading maps back to the nearest speed, halves going to the slower one, so the defaults of
// both (libinput 0, core 2/1) read as Windows' default 10, and every speed written reads back
// unchanged. A write goes to every pointer that has the libinput property; reads ask the first.
//
// Wheel lines. Scrolling distance is a matter of each toolkit on X; there is no server setting.
// The program keeps the number the user chose (WheelLineStore), so the page shows it again.
#include "pointer.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#ifdef ZR540_POINTER_XI2
#include <X11/extensions/XInput2.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace pointer {
namespace {

int clampSpeed(double speed)
{
    // Halves round down: ceil(x - 0.5).
    const int rounded = static_cast<int>(std::ceil(speed - 0.5));
    return std::min(kMaxSpeed, std::max(kMinSpeed, rounded));
}

double libinputAccelForSpeed(int speed) { return (speed - 1) * 2.0 / 19.0 - 1.0; }
int speedForLibinputAccel(double accel) { return clampSpeed((accel + 1.0) * 19.0 / 2.0 + 1.0); }
int speedForCoreAccel(int numerator, int denominator)
{
    if (denominator <= 0)
        return kDefaultSpeed;
    const double accel = double(numerator) / denominator;
    return clampSpeed((accel - 1.0) * 19.0 / 2.0 + 1.0);
}

// Xlib reports failed requests to one process-wide handler; a request of ours swaps this one in
// for one round trip, so a pointer unplugged meanwhile does not end the program.
int g_trappedError = 0;
int trapError(Display*, XErrorEvent* event)
{
    g_trappedError = event->error_code;
    return 0;
}

class X11Backend final : public Backend {
public:
    X11Backend(Display* display, WheelLineStore store) : m_display(display), m_store(std::move(store))
    {
#ifdef ZR540_POINTER_XI2
        int opcode = 0, event = 0, error = 0;
        int major = 2, minor = 0;
        m_xi2 = XQueryExtension(m_display, "XInputExtension", &opcode, &event, &error)
                && XIQueryVersion(m_display, &major, &minor) == Success;
        if (m_xi2) {
            m_accelSpeed = XInternAtom(m_display, "libinput Accel Speed", True);
            m_float = XInternAtom(m_display, "FLOAT", True);
        }
#endif
    }

    ~X11Backend() override { XCloseDisplay(m_display); }

    const char* name() const override { return "x11"; }

    bool speed(int& speed) override
    {
#ifdef ZR540_POINTER_XI2
        for (int device : libinputPointers()) {
            float accel = 0;
            if (readAccelSpeed(device, accel)) {
                speed = speedForLibinputAccel(accel);
                return true;
            }
        }
#endif
        int numerator = 0, denominator = 0, threshold = 0;
        XGetPointerControl(m_display, &numerator, &denominator, &threshold);
        speed = speedForCoreAccel(numerator, denominator);
        return true;
    }

    bool setSpeed(int speed) override
    {
        speed = std::min(kMaxSpeed, std::max(kMinSpeed, speed));
#ifdef ZR540_POINTER_XI2
        const std::vector<int> devices = libinputPointers();
        if (!devices.empty()) {
            const float accel = float(libinputAccelForSpeed(speed));
            std::uint32_t word = 0;
            static_assert(sizeof word == sizeof accel, "the property holds 32-bit floats");
            std::memcpy(&word, &accel, sizeof word);
            XErrorHandler previous = XSetErrorHandler(trapError);
            g_trappedError = 0;
            for (int device : devices)
                XIChangeProperty(m_display, device, m_accelSpeed, m_float, 32, PropModeReplace,
                                 reinterpret_cast<unsigned char*>(&word), 1);
            XSync(m_display, False);
            XSetErrorHandler(previous);
            if (g_trappedError != 0) {
                m_error = "XIChangeProperty(libinput Accel Speed) failed: X error " + std::to_string(g_trappedError);
                return false;
            }
            return true;
        }
#endif
        XErrorHandler previous = XSetErrorHandler(trapError);
        g_trappedError = 0;
        XChangePointerControl(m_display, True, False, 17 + 2 * speed, 19, 0);
        XSync(m_display, False);
        XSetErrorHandler(previous);
        if (g_trappedError != 0) {
            m_error = "XChangePointerControl failed: X error " + std::to_string(g_trappedError);
            return false;
        }
        return true;
    }

    bool wheelLines(int& lines) override
    {
        if (!m_store.load) {
            lines = m_unsavedLines;
            return true;
        }
        int stored = kDefaultWheelLines;
        if (!m_store.load(stored))
            stored = kDefaultWheelLines;  // nothing kept yet: what Windows starts with
        lines = stored;
        return true;
    }

    bool setWheelLines(int lines) override
    {
        if (!m_store.save) {
            m_unsavedLines = lines;
            return true;
        }
        if (!m_store.save(lines)) {
            m_error = "the wheel lines could not be stored";
            return false;
        }
        return true;
    }

private:
#ifdef ZR540_POINTER_XI2
    // The enabled physical pointers that the libinput driver runs.
    std::vector<int> libinputPointers()
    {
        std::vector<int> found;
        if (!m_xi2 || m_accelSpeed == None)
            return found;
        int count = 0;
        XIDeviceInfo* devices = XIQueryDevice(m_display, XIAllDevices, &count);
        if (!devices)
            return found;
        for (int i = 0; i < count; ++i) {
            if (devices[i].use != XISlavePointer || !devices[i].enabled)
                continue;
            float accel = 0;
            if (readAccelSpeed(devices[i].deviceid, accel))
                found.push_back(devices[i].deviceid);
        }
        XIFreeDeviceInfo(devices);
        return found;
    }

    bool readAccelSpeed(int device, float& accel)
    {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        XErrorHandler previous = XSetErrorHandler(trapError);
        g_trappedError = 0;
        const Status status = XIGetProperty(m_display, device, m_accelSpeed, 0, 1, False, AnyPropertyType, &type,
                                            &format, &items, &after, &data);
        XSetErrorHandler(previous);
        // Format 32 comes as an array of 32-bit words, not of longs.
        const bool ok
            = status == Success && g_trappedError == 0 && data && type == m_float && format == 32 && items >= 1;
        if (ok)
            std::memcpy(&accel, data, sizeof accel);
        if (data)
            XFree(data);
        return ok;
    }

    bool m_xi2 = false;
    Atom m_accelSpeed = None;
    Atom m_float = None;
#endif
    Display* m_display;
    WheelLineStore m_store;
    int m_unsavedLines = kDefaultWheelLines;
};

}  // namespace

std::unique_ptr<Backend> createPlatformBackend(WheelLineStore store, std::string& why)
{
    why.clear();
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        why = "no X display";
        return createUnavailableBackend(why);
    }
    return std::make_unique<X11Backend>(display, std::move(store));
}

}  // namespace pointer
