// Installs the Windows hooks, prints the button of each mouse message for ten seconds, swallows
// nothing. The hookswindows_crosscompile test builds it with the MinGW-w64 cross compiler, so the
// Win32 hook code is compiled and linked on every CI run.
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
    if (!backend || !backend->install([](std::uint32_t message, std::uint32_t data) {
            std::printf("%04X: button %d\n", unsigned(message), hooks::buttonForMessage(message, data));
            return false;
        }, [](std::uint32_t, std::uint32_t) { return false; }))
        return 1;
    SetTimer(nullptr, 0, 10000, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0 && msg.message != WM_TIMER)
        DispatchMessageW(&msg);
    backend->remove();
    return 0;
}
