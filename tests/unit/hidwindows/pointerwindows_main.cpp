// Prints the pointer speed and the wheel lines as the Windows pointer backend reads them; changes
// nothing. The pointerwindows_crosscompile test builds it with the MinGW-w64 cross compiler, so
// the SystemParametersInfoW code is compiled and linked on every CI run.
#include "pointer.h"

#include <cstdio>
#include <string>

int main()
{
    std::string why;
    std::unique_ptr<pointer::Backend> backend = pointer::createPlatformBackend(why);
    if (!why.empty())
        std::printf("no pointer settings: %s\n", why.c_str());
    int speed = 0;
    int lines = 0;
    if (!backend->speed(speed) || !backend->wheelLines(lines)) {
        std::printf("%s\n", backend->error().c_str());
        return 1;
    }
    if (lines == pointer::kWheelPageScroll)
        std::printf("%s: speed %d, wheel scrolls one screen\n", backend->name(), speed);
    else
        std::printf("%s: speed %d, wheel scrolls %d lines\n", backend->name(), speed, lines);
    return 0;
}
