// No pointer settings to reach (no X server, or a platform without a backend): neither setting is
// offered, reads answer Windows' defaults and every change is refused.
#include "pointer.h"

namespace pointer {
namespace {

class UnavailableBackend final : public Backend {
public:
    explicit UnavailableBackend(const std::string& reason) { m_error = reason; }

    const char* name() const override { return "none"; }
    bool hasSpeed() const override { return false; }
    bool hasWheelLines() const override { return false; }

    bool speed(int& speed) override
    {
        speed = kDefaultSpeed;
        return true;
    }
    bool setSpeed(int) override { return false; }
    bool wheelLines(int& lines) override
    {
        lines = kDefaultWheelLines;
        return true;
    }
    bool setWheelLines(int) override { return false; }
};

}  // namespace

std::unique_ptr<Backend> createUnavailableBackend(const std::string& reason)
{
    return std::make_unique<UnavailableBackend>(reason);
}

#if !defined(_WIN32) && !defined(ZR540_POINTER_X11)
std::unique_ptr<Backend> createPlatformBackend(std::string& why)
{
    why = "no pointer settings on this platform";
    return createUnavailableBackend(why);
}
#endif

}  // namespace pointer
