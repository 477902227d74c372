// Prints the pointer speed and the wheel lines as the Windows pointer backend reads them. The
// pointerwindows_crosscompile test builds it with the MinGW-w64 cross compiler, so the
// SystemParametersInfoW code is compiled and linked on every CI run.
#include "pointer.h"

#include <cstdio>
#include <string>

int main()
{
    std::string why;
    std::unique_ptr<pointer::Backend> backend = pointer::createPlatformBackend(why);
    int speed = 0, lines = 0;
    if (!backend->speed(speed) || !backend->wheelLines(lines))
        return 1;
    std::printf("%s: speed %d, wheel lines %d\n", backend->name(), speed, lines);
    return 0;
}
