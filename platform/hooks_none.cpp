// Platforms without a hook backend: the program runs without the PC-side button functions.
#include "hooks.h"

namespace hooks {

std::unique_ptr<Backend> createBackend(std::string& why)
{
    why = "no input hooks on this platform";
    return nullptr;
}

}  // namespace hooks
