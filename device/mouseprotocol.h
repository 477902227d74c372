// The ZR540's report protocol as the program speaks it: how the mouse is found, the reports it
// takes, where its replies keep their data, and where its macro blocks live. The driver and the
// engine take every number from here. (The simulated mouse keeps numbers of its own: it plays the
// firmware, so a wrong number here shows up as a test failure instead of being shared.)
//
// No Qt here.
#pragma once

#include <cstdint>

namespace MouseProtocol {

// --- Finding the mouse ---------------------------------------------------------------------
constexpr std::uint16_t VendorId = 0x2F73;
constexpr std::uint16_t ProductId = 0x5C48;
// Both vendor collections: usage page 0xFF00, usage 0x0001.
constexpr std::uint16_t VendorUsagePage = 0xFF00;
constexpr std::uint16_t VendorUsage = 0x0001;
// Feature report lengths, report id included: short requests go out on the command collection,
// replies and bulk writes use the data collection.
constexpr std::uint16_t CommandReportLength = 6;
constexpr std::uint16_t DataReportLength = 1032;
// Every reply comes back with report id 6, whichever collection asked.
constexpr std::uint8_t ReplyReportId = 6;

// --- Commands ------------------------------------------------------------------------------
enum Command : std::uint8_t {
    StatusRequest = 0x82,
    ReadProfile = 0x83,
    ReadMacro = 0x84,
    ReadPicture = 0x85,
    WriteProfile = 0x03,
    WriteMacro = 0x04,
    WritePicture = 0x05,
};
constexpr std::uint8_t ProfileAddress = 0x00;
constexpr std::uint8_t PictureAddress = 0x80;

// --- Replies (offsets count the report id as byte 0) ----------------------------------------
constexpr int ReplyCommand = 1;
constexpr int ReplyAddress = 2;
constexpr int ReplyZero = 3;
constexpr int ReplyData = 8;      // the profile memory, the picture, a macro block's header
constexpr int MacroItemsAt = 10;  // a macro block's first item

// The status reply: report id, 0x82, then one status byte per kind of write (0 = taken).
constexpr int StatusReplyLength = 6;
enum StatusIndex : int { ProfileStatus = 1, MacroStatus = 2, PictureStatus = 3 };

// The mouse's memories as a read delivers them.
constexpr int ProfileMemorySize = 1024;
constexpr int PictureSize = 1024;

// --- Bulk writes ---------------------------------------------------------------------------
// Every bulk write starts with this head: command, address, the 16-bit data length, three zeros.
struct BulkHeader {
    std::uint8_t command = 0;
    std::uint8_t address = 0;
    std::uint8_t lengthLow = 0;
    std::uint8_t lengthHigh = 0;
    std::uint8_t zero[3] = {0, 0, 0};

    constexpr BulkHeader() = default;
    constexpr BulkHeader(std::uint8_t c, std::uint8_t a, std::uint16_t length)
        : command(c), address(a), lengthLow(static_cast<std::uint8_t>(length & 0xFF)),
          lengthHigh(static_cast<std::uint8_t>(length >> 8))
    {
    }
};
static_assert(sizeof(BulkHeader) == 7, "a bulk write's head is 7 bytes");

// A profile write carries 512 bytes and announces 0x200 of them; macro and picture writes fill
// the whole data report (1031 bytes after the report id) and announce 0x400.
constexpr int ProfileWritePayload = 512;
constexpr std::uint16_t ProfileWriteLength = 0x0200;
constexpr int BulkWritePayload = DataReportLength - 1;
constexpr std::uint16_t BulkWriteLength = 0x0400;

// --- Macro blocks --------------------------------------------------------------------------
// 24 blocks at 140, 144, …, 232. A read of all macros asks for the first 17 of them.
constexpr int FirstMacroAddress = 140;
constexpr int MacroAddressStep = 4;
constexpr int MacroBlockCount = 24;
constexpr int MacroBlocksRead = 17;
constexpr std::uint8_t macroBlockAddress(int index)
{
    return static_cast<std::uint8_t>(FirstMacroAddress + MacroAddressStep * index);
}

// A local profile keeps sixteen macro slots: slots 0–11 live in the blocks at 140 … 184, slots
// 12–15 (the left button's macro list) at 208, 212, 216, 220.
constexpr int MacroSlots = 16;
constexpr int MacroListLength = 4;
constexpr int FirstListSlot = 12;
constexpr std::uint8_t macroSlotAddress(int slot)
{
    return slot < FirstListSlot ? macroBlockAddress(slot) : static_cast<std::uint8_t>(208 + MacroAddressStep * (slot - FirstListSlot));
}
// The slot of a block address, or -1 for an address that is no slot. (Which block a button's own
// macro goes into is in mousevocabulary.h, with the button.)
constexpr int macroSlotOf(int address)
{
    for (int slot = 0; slot < MacroSlots; ++slot) {
        if (macroSlotAddress(slot) == address)
            return slot;
    }
    return -1;
}
// The block of macro n (0 … 3) of the left button's list.
constexpr std::uint8_t listMacroAddress(int n) { return macroSlotAddress(FirstListSlot + n); }

static_assert(macroSlotAddress(11) == 184 && macroSlotAddress(12) == 208 && listMacroAddress(3) == 220,
              "the slot map of the macro blocks");

// --- Values --------------------------------------------------------------------------------
// DPI travels in units of 50, as a 16-bit number.
constexpr int DpiUnit = 50;

}  // namespace MouseProtocol
