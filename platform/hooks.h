// The input-hooks seam: see the presses of the mouse's buttons anywhere on the desktop and decide,
// press by press, whether the press goes on to the window it was meant for or is swallowed.
//
//   Windows   WH_MOUSE_LL / WH_KEYBOARD_LL hooks: every press passes the callbacks; returning 1
//             from the hook swallows it.
//   X11       passive grabs (GrabModeSync) of the watched buttons on the root window: a grabbed
//             press freezes the pointer until the callback has decided; a swallowed press is
//             released with AsyncPointer (no window sees it), a passed one is replayed to the
//             window under the pointer. Only the watched buttons are grabbed; other presses
//             never reach the callback. There is no system-wide keyboard hook: the keyboard
//             callback is never called (the program removes key repeats from its own windows
//             itself, see GlobalMouseHook).
//   elsewhere no backend (createBackend answers nullptr and why).
//
// Every call, and every callback, happens in the thread that installed the hooks. On Windows the
// callbacks come out of that thread's message loop; on X11 the owner watches fd() and calls
// processPending() when it becomes readable.
//
// No Qt here: this folder compiles with a plain C++17 compiler, the MinGW cross compiler included.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hooks {

// A button press or wheel notch: the Win32 message number and mouse-data word (hookmessages.h).
// Returns true to swallow the press.
using MouseCallback = std::function<bool(std::uint32_t message, std::uint32_t mouseData)>;
// A key event: virtual-key code and message number. Returns true to swallow the event.
using KeyboardCallback = std::function<bool(std::uint32_t virtualKey, std::uint32_t message)>;

class Backend {
public:
    virtual ~Backend() = default;

    // A short name for the log ("windows", "x11").
    virtual const char* name() const = 0;

    // Starts delivering events to the callbacks. False (with error()) when the system refused;
    // nothing is left installed then.
    virtual bool install(MouseCallback mouse, KeyboardCallback keyboard) = 0;
    // Stops delivering and gives back whatever was grabbed. Safe to call when not installed.
    virtual void remove() = 0;

    // The button ids (4..10, hookmessages.h) whose presses may need swallowing. Backends that see
    // every press anyway (Windows) ignore it; X11 grabs exactly these buttons.
    virtual bool setWatchedButtons(const std::vector<int>& buttons) = 0;

    // A descriptor to watch for reading, and what to call when it is readable; -1 when the
    // backend needs no watching (Windows).
    virtual int fd() const { return -1; }
    virtual void processPending() {}

    // What went wrong last, for the log.
    const std::string& error() const { return m_error; }

protected:
    std::string m_error;
};

// The backend of this system, or nullptr with the reason in `why` (no X display, no backend on
// this platform, ...).
std::unique_ptr<Backend> createBackend(std::string& why);

}  // namespace hooks
