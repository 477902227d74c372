// SimulatedFirmware: what the ZR540 does with the reports that reach it, without the HID around it.
//
// It keeps the mouse's memories (the 1024-byte profile memory, the 24 macro blocks at addresses
// 140…232 step 4, the 1024-byte OLED picture) and the status bytes of the last writes, takes the
// command reports and bulk writes SimulatedMouse hands it, and builds the reply the data
// collection gives back (report id 6, whoever asked).
//
// Plain and unsynchronised: SimulatedMouse calls it under its own mutex.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace hid {

class SimulatedFirmware {
public:
    static constexpr std::uint8_t ReplyReportId = 6;
    static constexpr std::uint16_t ReplyLength = 1032;  // the data collection's feature report

    static constexpr std::size_t MemorySize = 1024;
    static constexpr std::uint8_t ProfileAddress = 0x00;
    static constexpr std::uint8_t PictureAddress = 0x80;
    static constexpr std::uint8_t FirstMacroAddress = 140;
    static constexpr std::uint8_t LastMacroAddress = 232;
    static constexpr std::uint8_t MacroAddressStep = 4;
    static constexpr int MacroBlockCount = (LastMacroAddress - FirstMacroAddress) / MacroAddressStep + 1;

    // Offsets of a reply or a bulk write on the data collection.
    static constexpr std::size_t CommandOffset = 1;
    static constexpr std::size_t AddressOffset = 2;
    static constexpr std::size_t LengthOffset = 3;  // 16-bit little-endian count of data bytes
    static constexpr std::size_t DataOffset = 8;

    // Command bytes: the requests on the command collection, the writes on the data collection.
    static constexpr std::uint8_t StatusRequest = 0x82;
    static constexpr std::uint8_t ReadProfile = 0x83;
    static constexpr std::uint8_t ReadMacro = 0x84;
    static constexpr std::uint8_t ReadPicture = 0x85;
    static constexpr std::uint8_t WriteProfile = 0x03;
    static constexpr std::uint8_t WriteMacro = 0x04;
    static constexpr std::uint8_t WritePicture = 0x05;

    using Memory = std::array<std::uint8_t, MemorySize>;

    enum class WriteKind { Profile = 0, Macro = 1, Picture = 2 };  // status reply bytes 2, 3, 4

    // What a saved mouse holds: the memories and the status bytes of the last writes.
    struct Memories {
        Memory profile{};
        std::array<Memory, MacroBlockCount> macroBlocks{};
        Memory picture{};
        std::array<std::uint8_t, 3> status{};
    };

    explicit SimulatedFirmware(const Memory& initialProfile = Memory{});

    Memories& memories() { return m_memories; }
    const Memories& memories() const { return m_memories; }

    static bool isMacroAddress(int address);
    // The block at `address`, nullptr for an address that is no block.
    Memory* macroBlock(int address);
    const Memory* macroBlock(int address) const;

    // The status the next write of `kind` answers with, whatever the write.
    void setNextWriteStatus(WriteKind kind, std::uint8_t status);

    // A report on the command collection, id included: it says what the next reply holds.
    void handleCommand(const std::uint8_t* buffer, std::size_t length);
    // A report set on the data collection, id included. Returns true when a write was accepted,
    // that is when a memory may have changed.
    bool handleBulkWrite(const std::uint8_t* buffer, std::size_t length);
    // The data collection's answer to the last command report (the status reply when there
    // was none or it was not a read), ReplyLength bytes.
    std::vector<std::uint8_t> buildReply() const;

private:
    Memories m_memories;
    std::array<int, 3> m_nextStatus{{-1, -1, -1}};
    std::array<std::uint8_t, 5> m_request{};  // the last command report, without its id
};

}  // namespace hid
