// Built by the hookswindows_crosscompile test with the MinGW-w64 cross compiler, so the Win32 hook
// code is compiled and linked on every CI run: it installs the hooks, swallowing nothing, and
// removes them again.
#include "hookmessages.h"
#include "hooks.h"

#include <cstdio>
#include <string>

int main()
{
    std::string why;
    std::unique_ptr<hooks::Backend> backend = hooks::createBackend(why);
    const auto pass = [](std::uint32_t message, std::uint32_t data) {
        std::printf("%04X: button %d\n", unsigned(message), hooks::buttonForMessage(message, data));
        return false;
    };
    if (!backend || !backend->install(pass, pass))
        return 1;
    backend->remove();
    return 0;
}
