// WholeStruct: one local profile, as a profile file keeps it: the settings area of the mouse's
// profile block and the sixteen macro slots.
#pragma once

#include "deviceprofileblock.h"
#include "macrostruct.h"
#include "mouseprotocol.h"

#include <array>
#include <cstdint>

struct WholeStruct {
    static constexpr int SettingsSize = DeviceProfileBlock::SettingsSize;  // 234
    static constexpr int MacroSlots = MouseProtocol::MacroSlots;

    // Offsets inside the settings area are block offsets minus this.
    static constexpr int settingsOffset(int blockOffset) { return blockOffset - DeviceProfileBlock::SettingsOffset; }

    std::array<std::uint8_t, SettingsSize> settings{};
    std::array<MacroStruct, MacroSlots> macros{};

    // A new engine's record: the settings area of the initial block, sixteen empty macros.
    static WholeStruct initial()
    {
        WholeStruct record;
        const DeviceProfileBlock block = DeviceProfileBlock::initial();
        std::copy(block.bytes.begin() + DeviceProfileBlock::SettingsOffset, block.bytes.end(), record.settings.begin());
        return record;
    }

    void copySettingsFrom(const DeviceProfileBlock& block)
    {
        std::copy(block.bytes.begin() + DeviceProfileBlock::SettingsOffset, block.bytes.end(), settings.begin());
    }
    void copySettingsTo(DeviceProfileBlock& block) const
    {
        std::copy(settings.begin(), settings.end(), block.bytes.begin() + DeviceProfileBlock::SettingsOffset);
    }
};
static_assert(WholeStruct::SettingsSize == 234, "a profile file starts with 234 settings bytes");
