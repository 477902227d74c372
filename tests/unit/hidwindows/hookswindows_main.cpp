// Watches the mouse buttons through the Windows hook backend for a few seconds and prints what
// the hooks decide; swallows nothing. The hookswindows_crosscompile test builds it with the
// MinGW-w64 cross compiler, so the Win32 hook code is compiled and linked on every CI run.
#include "hookmessages.h"
#include "hooks.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <string>

int main()
{
    std::string why;
    std::unique_ptr<hooks::Backend> backend = hooks::createBackend(why);
    if (!backend) {
        std::printf("no hooks: %s\n", why.c_str());
        return 1;
    }
    const bool ok = backend->install(
        [](std::uint32_t message, std::uint32_t data) {
            std::printf("message %04X data %08X: button %d, parameter %X\n", unsigned(message), unsigned(data),
                        hooks::buttonForMessage(message, data), unsigned(hooks::hookParameter(message, data)));
            return false;
        },
        [](std::uint32_t, std::uint32_t) { return false; });
    if (!ok) {
        std::printf("%s\n", backend->error().c_str());
        return 1;
    }
    // The hooks are called from this thread's message loop: run one for ten seconds.
    const UINT_PTR timer = SetTimer(nullptr, 0, 10000, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER)
            break;
        DispatchMessageW(&msg);
    }
    KillTimer(nullptr, timer);
    backend->remove();
    return 0;
}
