// Windows virtual-key codes to the mouse's key codes (HID keyboard usages, page 0x07), as the
// mouse's key assignments and macros carry them.
#pragma once

#include <cstdint>

namespace KeyUsageTable {

constexpr int Size = 102;

// The usage of `vkCode`, or 0 when the mouse has no key for it. The first match wins: Enter
// (13) is 0x28 even though the keypad Enter shares its code.
std::uint8_t usageOf(unsigned vkCode);

struct Pair {
    unsigned vkCode;
    std::uint8_t usage;
};
const Pair* pairs();  // Size entries, in search order

}  // namespace KeyUsageTable
