// Windows: the low-level mouse and keyboard hooks. Windows calls both procedures in the thread
// that installed them, from inside its message loop, for every event of the desktop.
#include "hookmessages.h"
#include "hooks.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace hooks {
namespace {

class WindowsBackend;
// The hook procedures are plain functions; they reach the installed backend through this.
WindowsBackend* g_installed = nullptr;

std::string errorText(const char* call)
{
    return std::string(call) + " failed: error " + std::to_string(unsigned(GetLastError()));
}

class WindowsBackend final : public Backend {
public:
    ~WindowsBackend() override { remove(); }

    const char* name() const override { return "windows"; }

    bool install(MouseCallback mouse, KeyboardCallback keyboard) override
    {
        remove();
        if (g_installed) {
            m_error = "another hook backend is installed";
            return false;
        }
        m_mouse = std::move(mouse);
        m_keyboard = std::move(keyboard);
        const HINSTANCE module = GetModuleHandleW(nullptr);
        m_keyboardHook = SetWindowsHookExW(WH_KEYBOARD_LL, keyboardProc, module, 0);
        if (!m_keyboardHook) {
            m_error = errorText("SetWindowsHookExW(WH_KEYBOARD_LL)");
            return false;
        }
        m_mouseHook = SetWindowsHookExW(WH_MOUSE_LL, mouseProc, module, 0);
        if (!m_mouseHook) {
            m_error = errorText("SetWindowsHookExW(WH_MOUSE_LL)");
            remove();
            return false;
        }
        g_installed = this;
        return true;
    }

    void remove() override
    {
        if (m_mouseHook && !UnhookWindowsHookEx(m_mouseHook))
            m_error = errorText("UnhookWindowsHookEx(mouse)");
        if (m_keyboardHook && !UnhookWindowsHookEx(m_keyboardHook))
            m_error = errorText("UnhookWindowsHookEx(keyboard)");
        m_mouseHook = nullptr;
        m_keyboardHook = nullptr;
        if (g_installed == this)
            g_installed = nullptr;
    }

    // The hook sees every press: nothing to grab.
    bool setWatchedButtons(const std::vector<int>&) override { return true; }
    // The keyboard callback removes the repeats itself.

private:
    static LRESULT CALLBACK mouseProc(int code, WPARAM wParam, LPARAM lParam)
    {
        WindowsBackend* self = g_installed;
        if (code < 0 || !self)
            return CallNextHookEx(nullptr, code, wParam, lParam);
        const auto message = std::uint32_t(wParam);
        // Every move passes here: the message number alone decides whether to look further.
        if (!isButtonMessage(message) || !self->m_mouse)
            return CallNextHookEx(self->m_mouseHook, code, wParam, lParam);
        const auto* event = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        if (self->m_mouse(message, std::uint32_t(event->mouseData)))
            return 1;
        return CallNextHookEx(self->m_mouseHook, code, wParam, lParam);
    }

    static LRESULT CALLBACK keyboardProc(int code, WPARAM wParam, LPARAM lParam)
    {
        WindowsBackend* self = g_installed;
        if (code < 0 || !self)
            return CallNextHookEx(nullptr, code, wParam, lParam);
        const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        if (self->m_keyboard && self->m_keyboard(std::uint32_t(event->vkCode), std::uint32_t(wParam)))
            return 1;
        return CallNextHookEx(self->m_keyboardHook, code, wParam, lParam);
    }

    MouseCallback m_mouse;
    KeyboardCallback m_keyboard;
    HHOOK m_mouseHook = nullptr;
    HHOOK m_keyboardHook = nullptr;
};

}  // namespace

std::unique_ptr<Backend> createBackend(std::string&)
{
    return std::make_unique<WindowsBackend>();
}

}  // namespace hooks
