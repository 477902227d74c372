// Built by the pointerwindows_crosscompile test with the MinGW-w64 cross compiler, so the
// SystemParametersInfoW code is compiled and linked on every CI run: it prints the pointer speed.
#include "pointer.h"

#include <cstdio>
#include <string>

int main()
{
    std::string why;
    int speed = 0;
    if (!pointer::createPlatformBackend(why)->speed(speed))
        return 1;
    std::printf("speed %d\n", speed);
    return 0;
}
