// The mouse's 476-byte profile block and the 4-byte button assignments inside it.
//
// The block is what the mouse sends for a profile read and takes with a profile write. Bytes
// 242…475 are the settings area, which is also what a local profile file keeps; everything
// before it belongs to the mouse and goes back unchanged.
#pragma once

#include "mouseprotocol.h"

#include <array>
#include <cstdint>

struct KeyMatrixItem_F {
    std::uint8_t type = 0;    // a KeyType of mousevocabulary.h: 0x00 keyboard key, 0x01 mouse button, …
    std::uint8_t value1 = 0;  // for a keyboard key: the modifier bits
    std::uint8_t value2 = 0;  // for a keyboard key: its usage code; for a mouse button: which one
    std::uint8_t value3 = 0;

    // The little-endian 32-bit form: 0x00F00001 is type 0x01 with value2 = 0xF0.
    static constexpr KeyMatrixItem_F fromUInt32(std::uint32_t v)
    {
        return KeyMatrixItem_F{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                               static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    }
    constexpr std::uint32_t toUInt32() const
    {
        return std::uint32_t(type) | std::uint32_t(value1) << 8 | std::uint32_t(value2) << 16
            | std::uint32_t(value3) << 24;
    }
    friend constexpr bool operator==(const KeyMatrixItem_F& a, const KeyMatrixItem_F& b)
    {
        return a.toUInt32() == b.toUInt32();
    }
    friend constexpr bool operator!=(const KeyMatrixItem_F& a, const KeyMatrixItem_F& b) { return !(a == b); }
};
static_assert(sizeof(KeyMatrixItem_F) == 4, "a button assignment is 4 bytes on the mouse");

constexpr int KeyMatrixEntries = 16;
using KeyMatrixTable = std::array<std::uint32_t, KeyMatrixEntries>;

// What a new engine puts into the matrix the mouse uses (entries 3, 4, 7 to 10 differ from the
// mouse's own factory matrix).
constexpr KeyMatrixTable initialKeyMatrix = {{
    0x00F00001, 0x00F10001, 0x00F20001, 0x0003000D, 0x0003000E, 0x00010007, 0x00020007, 0x02F0100A,
    0x0003000F, 0x00030008, 0x00030005, 0, 0, 0, 0x00010004, 0x00020004,
}};
// The mouse's factory matrix, kept in the block's second matrix.
constexpr KeyMatrixTable factoryKeyMatrix = {{
    0x00F00001, 0x00F10001, 0x00F20001, 0x00F30001, 0x00F40001, 0x00010007, 0x00020007, 0x0210F00A,
    0x0003000F, 0x00030008, 0x00030005, 0, 0, 0, 0x00010004, 0x00020004,
}};

struct DeviceProfileBlock {
    static constexpr int Size = 476;
    static constexpr int SettingsOffset = 242;  // block offset of settings byte 0
    static constexpr int SettingsSize = Size - SettingsOffset;
    static constexpr int DpiLevels = 8;

    // Block offsets.
    enum Offset : int {
        ForcedOne = 0,           // set to 1 before every write
        FactoryKeyMatrix = 98,   // 16 × KeyMatrixItem_F, never changed by the program
        ReportRate = 242,        // 0 = 125 Hz, 1 = 250, 2 = 500, 3 = 1000
        MacroListFlag = 250,     // 0 while the left button plays a macro list
        MacroListCount = 251,    // macros in the left button's list
        ForcedSeven = 253,       // set to 7 before every write
        LogoMode = 256,
        LogoDegree = 257,        // continuous-light brightness
        WheelMode = 259,
        WheelDegree = 260,
        LogoColor = 262,         // red, green, blue, 0
        ForcedZero = 267,        // set to 0 before every write
        LogoBreathSpeed = 268,
        WheelColor = 281,        // red, green, blue, 0
        WheelColorTail = 285,
        WheelColorFlag = 286,    // 0 whenever the wheel colour is set
        WheelBreathSpeed = 287,
        DpiXLow = 300,           // DPI / 50 of levels 1–8, in four runs of eight bytes
        DpiXHigh = 308,
        DpiYLow = 316,
        DpiYHigh = 324,
        KeyMatrix = 332,         // 16 × KeyMatrixItem_F: the assignments the mouse uses
    };

    std::array<std::uint8_t, Size> bytes{};

    KeyMatrixItem_F keyAt(int matrixOffset, int entry) const
    {
        const int at = matrixOffset + entry * static_cast<int>(sizeof(KeyMatrixItem_F));
        return KeyMatrixItem_F{bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]};
    }
    void setKeyAt(int matrixOffset, int entry, KeyMatrixItem_F item)
    {
        const int at = matrixOffset + entry * static_cast<int>(sizeof(KeyMatrixItem_F));
        bytes[at] = item.type;
        bytes[at + 1] = item.value1;
        bytes[at + 2] = item.value2;
        bytes[at + 3] = item.value3;
    }
    void setKeyMatrix(int matrixOffset, const KeyMatrixTable& matrix)
    {
        for (int i = 0; i < KeyMatrixEntries; ++i)
            setKeyAt(matrixOffset, i, KeyMatrixItem_F::fromUInt32(matrix[i]));
    }

    // DPI level `index` (0 … 7) in DPI: the same value for both axes, in units of 50.
    void setDpi(int index, int dpi)
    {
        const int units = dpi / MouseProtocol::DpiUnit;
        bytes[DpiXLow + index] = bytes[DpiYLow + index] = static_cast<std::uint8_t>(units & 0xFF);
        bytes[DpiXHigh + index] = bytes[DpiYHigh + index] = static_cast<std::uint8_t>((units >> 8) & 0xFF);
    }
    int dpi(int index) const { return (bytes[DpiXHigh + index] * 256 + bytes[DpiXLow + index]) * MouseProtocol::DpiUnit; }

    // A block as a new engine starts it: byte 0 = 1, the factory matrix in the second matrix,
    // the initial matrix in the one the mouse uses, the rest 0.
    static DeviceProfileBlock initial()
    {
        DeviceProfileBlock block;
        block.bytes[ForcedOne] = 1;
        block.setKeyMatrix(FactoryKeyMatrix, factoryKeyMatrix);
        block.setKeyMatrix(KeyMatrix, initialKeyMatrix);
        return block;
    }
};
static_assert(sizeof(DeviceProfileBlock) == DeviceProfileBlock::Size, "the mouse's profile block is 476 bytes");
static_assert(DeviceProfileBlock::KeyMatrix + KeyMatrixEntries * 4 == 396, "the key matrix ends at 396");
static_assert(DeviceProfileBlock::FactoryKeyMatrix + KeyMatrixEntries * 4 == 162, "the second matrix ends at 162");
