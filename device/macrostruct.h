// One macro block as the mouse keeps it: two header bytes and a list of two-byte items. What the
// bytes mean is the macro encoder's business; the driver moves them unchanged.
#pragma once

#include <QList>
#include <cstdint>

struct MacroItem {
    std::uint8_t first = 0;   // the low byte when read as a 16-bit number
    std::uint8_t second = 0;

    std::uint16_t toUInt16() const { return static_cast<std::uint16_t>(first | second << 8); }
    friend bool operator==(const MacroItem& a, const MacroItem& b) { return a.first == b.first && a.second == b.second; }
};
static_assert(sizeof(MacroItem) == 2, "a macro item is two bytes on the mouse");

struct MacroStruct {
    // A macro block write carries at most this many items: 1031 payload bytes, 9 of them fixed.
    static constexpr int MaxItems = 511;

    std::uint8_t header0 = 0x00;
    std::uint8_t header1 = 0x01;
    QList<MacroItem> items;

    friend bool operator==(const MacroStruct& a, const MacroStruct& b)
    {
        return a.header0 == b.header0 && a.header1 == b.header1 && a.items == b.items;
    }
};
