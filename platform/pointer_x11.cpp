// X11: the pointer speed of the mice on the X server. X has no wheel-lines setting (scrolling
// distance is a matter of each toolkit), so that one is not offered.
//
// The speed goes to libinput's "libinput Accel Speed" of every mouse (touchpads keep theirs), or,
// for the older drivers, to the core pointer acceleration; the conversions are in pointer.cpp.
#include "pointer.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#ifdef ZR540_POINTER_XI2
#include <X11/extensions/XInput2.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace pointer {
namespace {

// Xlib reports failed requests to one process-wide handler; a request of ours swaps this one in
// for one round trip, so a pointer unplugged meanwhile does not end the program.
// Process-wide because Xlib's error handler takes no argument to carry it elsewhere.
int g_trappedError = 0;
int trapError(Display*, XErrorEvent* event)
{
    g_trappedError = event->error_code;
    return 0;
}

class X11Backend final : public Backend {
public:
    explicit X11Backend(Display* display) : m_display(display)
    {
#ifdef ZR540_POINTER_XI2
        int opcode = 0, event = 0, error = 0;
        int major = 2, minor = 0;
        m_xi2 = XQueryExtension(m_display, "XInputExtension", &opcode, &event, &error)
                && XIQueryVersion(m_display, &major, &minor) == Success;
        if (m_xi2) {
            m_accelSpeed = XInternAtom(m_display, "libinput Accel Speed", True);
            m_tapping = XInternAtom(m_display, "libinput Tapping Enabled", True);
            m_float = XInternAtom(m_display, "FLOAT", True);
        }
#endif
    }

    ~X11Backend() override { XCloseDisplay(m_display); }

    const char* name() const override { return "x11"; }
    bool hasWheelLines() const override { return false; }

    bool speed(int& speed) override
    {
#ifdef ZR540_POINTER_XI2
        const std::vector<x11::LibinputPointer> pointers = libinputPointers();
        if (x11::speedOfMice(pointers, speed))
            return true;
#endif
        int numerator = 0, denominator = 0, threshold = 0;
        XGetPointerControl(m_display, &numerator, &denominator, &threshold);
        speed = x11::speedForCoreAccel(numerator, denominator);
        return true;
    }

    bool setSpeed(int speed) override
    {
        speed = std::min(kMaxSpeed, std::max(kMinSpeed, speed));
#ifdef ZR540_POINTER_XI2
        const std::vector<x11::LibinputPointer> pointers = libinputPointers();
        if (x11::hasMice(pointers)) {
            const float accel = float(x11::libinputAccelForSpeed(speed));
            std::uint32_t word = 0;
            static_assert(sizeof word == sizeof accel, "the property holds 32-bit floats");
            std::memcpy(&word, &accel, sizeof word);
            XErrorHandler previous = XSetErrorHandler(trapError);
            g_trappedError = 0;
            for (int device : x11::devicesToChange(pointers, speed))
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
        int numerator = 0, denominator = 0, threshold = 0;
        XGetPointerControl(m_display, &numerator, &denominator, &threshold);
        if (x11::speedForCoreAccel(numerator, denominator) == speed)
            return true;
        const x11::Fraction accel = x11::coreAccelForSpeed(speed);
        XErrorHandler previous = XSetErrorHandler(trapError);
        g_trappedError = 0;
        XChangePointerControl(m_display, True, False, accel.numerator, accel.denominator, 0);
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
        lines = kDefaultWheelLines;
        return true;
    }

    bool setWheelLines(int) override
    {
        m_error = "X has no wheel-lines setting";
        return false;
    }

private:
#ifdef ZR540_POINTER_XI2
    // The enabled physical pointers that the libinput driver runs.
    std::vector<x11::LibinputPointer> libinputPointers()
    {
        std::vector<x11::LibinputPointer> found;
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
                found.push_back({devices[i].deviceid, accel, isTouchpad(devices[i].deviceid)});
        }
        XIFreeDeviceInfo(devices);
        return found;
    }

    // A touchpad is the libinput device with a tapping setting.
    bool isTouchpad(int device)
    {
        if (m_tapping == None)
            return false;
        int count = 0;
        XErrorHandler previous = XSetErrorHandler(trapError);
        Atom* properties = XIListProperties(m_display, device, &count);
        XSetErrorHandler(previous);
        if (!properties)
            return false;
        const bool tapping = std::find(properties, properties + count, m_tapping) != properties + count;
        XFree(properties);
        return tapping;
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
    Atom m_tapping = None;
    Atom m_float = None;
#endif
    Display* m_display;
};

}  // namespace

std::unique_ptr<Backend> createPlatformBackend(std::string& why)
{
    why.clear();
    // Under Wayland the X server is only XWayland: its pointer settings reach no device, the
    // compositor keeps the real ones.
    const char* session = std::getenv("XDG_SESSION_TYPE");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((session && std::strcmp(session, "wayland") == 0) || (wayland && *wayland)) {
        why = "a Wayland session";
        return createUnavailableBackend(why);
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        why = "no X display";
        return createUnavailableBackend(why);
    }
    return std::make_unique<X11Backend>(display);
}

}  // namespace pointer
