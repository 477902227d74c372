// X11: passive button grabs on the root window, in synchronous pointer mode.
//
// X has no low-level hook that sees a press before the window does, but a passive grab comes
// close: when a grabbed button goes down, the server activates the grab, freezes the pointer and
// reports the press to us alone. We then either
//   - swallow it: XAllowEvents(AsyncPointer) thaws the pointer and keeps the grab until the
//     button is released, so neither the press nor its release reaches any window (on Windows
//     the release of a swallowed press still reaches the window; X cannot split the two), or
//   - pass it: XAllowEvents(ReplayPointer) releases the grab and the server delivers the press
//     again as though our grab did not exist, to the window under the pointer, which then gets
//     its release as usual.
// Only the buttons the owner watches are grabbed (AnyModifier, so Shift/NumLock do not slip
// past), and the grabs follow the PC-side function file; every other press never comes near us.
// The grabs live on a connection of our own, so they do not mix with the toolkit's.
//
// Keyboard: X offers no system-wide key hook without grabbing the keyboard, so the keyboard
// callback is never called here. Key repeats while the macro editor records are removed inside
// the program, from the toolkit's own key events (see GlobalMouseHook); the server's settings
// are never touched, so nothing is left changed if the program dies.
#include "hookmessages.h"
#include "hooks.h"

#include <X11/Xlib.h>

#include <cstdlib>
#include <string>

namespace hooks {
namespace {

// Xlib reports failed requests to one process-wide handler; grabbing swaps ours in for the
// duration of one round trip and puts the previous handler back.
// Process-wide because Xlib's error handler takes no argument to carry it elsewhere.
int g_trappedError = 0;
int trapError(Display*, XErrorEvent* event)
{
    g_trappedError = event->error_code;
    return 0;
}

class X11Backend final : public Backend {
public:
    explicit X11Backend(Display* display) : m_display(display), m_root(DefaultRootWindow(display)) {}

    ~X11Backend() override
    {
        remove();
        XCloseDisplay(m_display);
    }

    const char* name() const override { return "x11"; }

    bool install(MouseCallback mouse, KeyboardCallback keyboard) override
    {
        m_mouse = std::move(mouse);
        m_keyboard = std::move(keyboard);  // never called: see the top of this file
        m_installed = true;
        return grab(m_watched);
    }

    void remove() override
    {
        if (!m_installed)
            return;
        ungrabAll();
        m_installed = false;
        m_mouse = nullptr;
        m_keyboard = nullptr;
        XFlush(m_display);
    }

    bool setWatchedButtons(const std::vector<int>& buttons) override
    {
        m_watched = buttons;
        return m_installed ? grab(m_watched) : true;
    }

    int fd() const override { return ConnectionNumber(m_display); }

    void processPending() override
    {
        if (m_processing)
            return;  // a callback that runs an event loop must not take the next press early
        m_processing = true;
        while (XPending(m_display) > 0) {
            XEvent event;
            XNextEvent(m_display, &event);
            if (event.type != ButtonPress)
                continue;
            bool swallow = false;
            ButtonMessage press;
            if (m_mouse && messageForXButton(event.xbutton.button, press))
                swallow = m_mouse(press.message, press.mouseData);
            // Every press of a grab must be let go, or the pointer stays frozen for everyone.
            XAllowEvents(m_display, swallow ? AsyncPointer : ReplayPointer, event.xbutton.time);
            XFlush(m_display);
        }
        m_processing = false;
    }

private:
    void ungrabAll()
    {
        for (unsigned button : m_grabbed)
            XUngrabButton(m_display, button, AnyModifier, m_root);
        m_grabbed.clear();
    }

    // Grabs exactly the X buttons of `buttons`; false when the server refused one (another
    // client holds it), the others are grabbed anyway.
    bool grab(const std::vector<int>& buttons)
    {
        ungrabAll();
        bool ok = true;
        std::string refused;
        XErrorHandler previous = XSetErrorHandler(trapError);
        for (int id : buttons) {
            ButtonMessage press;
            if (!messageForButton(id, press))
                continue;
            g_trappedError = 0;
            XGrabButton(m_display, press.xButton, AnyModifier, m_root, False, ButtonPressMask, GrabModeSync,
                        GrabModeAsync, None, None);
            XSync(m_display, False);
            if (g_trappedError != 0) {
                ok = false;
                refused += " " + std::to_string(press.xButton) + " (error " + std::to_string(g_trappedError) + ")";
                continue;
            }
            m_grabbed.push_back(press.xButton);
        }
        XSetErrorHandler(previous);
        if (!ok)
            m_error = "XGrabButton refused for button" + refused;
        return ok;
    }

    Display* m_display;
    Window m_root;
    MouseCallback m_mouse;
    KeyboardCallback m_keyboard;
    std::vector<int> m_watched;
    std::vector<unsigned> m_grabbed;
    bool m_installed = false;
    bool m_processing = false;
};

}  // namespace

std::unique_ptr<Backend> createBackend(std::string& why)
{
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        why = "no X display (DISPLAY is not set)";
        return nullptr;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        why = std::string("cannot open the X display ") + name;
        return nullptr;
    }
    return std::make_unique<X11Backend>(display);
}

}  // namespace hooks
