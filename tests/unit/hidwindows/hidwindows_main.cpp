// Built by the hidwindows_crosscompile test with the MinGW-w64 cross compiler, so the Windows HID
// backend is compiled and linked on every CI run: it counts the HID interfaces.
#include "hid_windows.h"

#include <cstdio>

int main()
{
    hid::WindowsBackend backend;
    std::vector<std::string> paths;
    if (!backend.enumerate(paths))
        return 1;
    std::printf("%zu HID interfaces\n", paths.size());
    return 0;
}
