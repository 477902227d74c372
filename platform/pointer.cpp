// The X11 backend's conversions.
#include "pointer.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace pointer {
namespace x11 {
namespace {

int clampSpeed(double speed)
{
    // Halves round down: ceil(x - 0.5).
    const int rounded = static_cast<int>(std::ceil(speed - 0.5));
    return std::min(kMaxSpeed, std::max(kMinSpeed, rounded));
}

// The speeds below and above the default each span one unit of the system's scale.
constexpr int kSlowSteps = kDefaultSpeed - kMinSpeed;
constexpr int kFastSteps = kMaxSpeed - kDefaultSpeed;

}  // namespace

double libinputAccelForSpeed(int speed)
{
    return double(speed - kDefaultSpeed) / (speed <= kDefaultSpeed ? kSlowSteps : kFastSteps);
}

int speedForLibinputAccel(double accel)
{
    return clampSpeed(kDefaultSpeed + accel * (accel <= 0 ? kSlowSteps : kFastSteps));
}

Fraction coreAccelForSpeed(int speed)
{
    // 1 + (speed - 1) / 9 up to the default 2/1, 2 + (speed - 10) / 10 above it.
    const int steps = speed <= kDefaultSpeed ? kSlowSteps : kFastSteps;
    const int numerator = speed <= kDefaultSpeed ? steps + speed - kMinSpeed : 2 * steps + speed - kDefaultSpeed;
    const int divisor = std::gcd(numerator, steps);
    return {numerator / divisor, steps / divisor};
}

int speedForCoreAccel(int numerator, int denominator)
{
    if (denominator <= 0)
        return kDefaultSpeed;
    const double accel = double(numerator) / denominator;
    if (accel <= 2.0)
        return clampSpeed(kMinSpeed + (accel - 1.0) * kSlowSteps);
    return clampSpeed(kDefaultSpeed + (accel - 2.0) * kFastSteps);
}

bool hasMice(const std::vector<LibinputPointer>& pointers)
{
    return std::any_of(pointers.begin(), pointers.end(), [](const LibinputPointer& p) { return !p.touchpad; });
}

bool speedOfMice(const std::vector<LibinputPointer>& pointers, int& speed)
{
    for (const LibinputPointer& pointer : pointers) {
        if (!pointer.touchpad) {
            speed = speedForLibinputAccel(pointer.accel);
            return true;
        }
    }
    return false;
}

std::vector<int> devicesToChange(const std::vector<LibinputPointer>& pointers, int speed)
{
    std::vector<int> devices;
    for (const LibinputPointer& pointer : pointers) {
        if (!pointer.touchpad && speedForLibinputAccel(pointer.accel) != speed)
            devices.push_back(pointer.device);
    }
    return devices;
}

}  // namespace x11

}  // namespace pointer
