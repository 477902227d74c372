#include "simulatedfirmware.h"

#include <algorithm>

namespace hid {

SimulatedFirmware::SimulatedFirmware(const Memory& initialProfile)
{
    m_memories.profile = initialProfile;
}

bool SimulatedFirmware::isMacroAddress(int address)
{
    return address >= FirstMacroAddress && address <= LastMacroAddress
        && (address - FirstMacroAddress) % MacroAddressStep == 0;
}

SimulatedFirmware::Memory* SimulatedFirmware::macroBlock(int address)
{
    if (!isMacroAddress(address))
        return nullptr;
    return &m_memories.macroBlocks[static_cast<std::size_t>((address - FirstMacroAddress) / MacroAddressStep)];
}

const SimulatedFirmware::Memory* SimulatedFirmware::macroBlock(int address) const
{
    return const_cast<SimulatedFirmware*>(this)->macroBlock(address);
}

void SimulatedFirmware::setNextWriteStatus(WriteKind kind, std::uint8_t status)
{
    m_nextStatus[static_cast<std::size_t>(kind)] = status;
}

void SimulatedFirmware::handleCommand(const std::uint8_t* buffer, std::size_t length)
{
    m_request.fill(0);
    std::copy(buffer + 1, buffer + std::min<std::size_t>(length, m_request.size() + 1), m_request.begin());
}

bool SimulatedFirmware::handleBulkWrite(const std::uint8_t* buffer, std::size_t length)
{
    if (length <= DataOffset)
        return false;
    const std::uint8_t command = buffer[CommandOffset];
    const std::uint8_t address = buffer[AddressOffset];
    std::size_t count = static_cast<std::size_t>(buffer[LengthOffset] | (buffer[LengthOffset + 1] << 8));
    count = std::min({count, MemorySize, length - DataOffset});

    Memory* target = nullptr;
    WriteKind kind;
    switch (command) {
    case WriteProfile:
        kind = WriteKind::Profile;
        target = address == ProfileAddress ? &m_memories.profile : nullptr;
        break;
    case WriteMacro:
        kind = WriteKind::Macro;
        target = macroBlock(address);
        break;
    case WritePicture:
        kind = WriteKind::Picture;
        target = address == PictureAddress ? &m_memories.picture : nullptr;
        break;
    default:
        return false;  // not a write the mouse knows: ignored, no status changes
    }
    const std::size_t k = static_cast<std::size_t>(kind);
    std::uint8_t status = target ? 0 : 1;  // a write to an address that does not exist fails
    if (m_nextStatus[k] >= 0) {
        status = static_cast<std::uint8_t>(m_nextStatus[k]);
        m_nextStatus[k] = -1;
    }
    m_memories.status[k] = status;
    // A refused write leaves the memory as it was; so does one a test told to succeed at an
    // address that does not exist.
    if (status != 0 || !target)
        return false;
    std::copy_n(buffer + DataOffset, count, target->begin());
    return true;
}

std::vector<std::uint8_t> SimulatedFirmware::buildReply() const
{
    std::vector<std::uint8_t> reply(ReplyLength, 0);
    reply[0] = ReplyReportId;
    const std::uint8_t command = m_request[0];
    const Memory* source = nullptr;
    switch (command) {
    case ReadProfile:
        source = &m_memories.profile;
        reply[AddressOffset] = ProfileAddress;
        break;
    case ReadMacro:
        source = macroBlock(m_request[1]);
        reply[AddressOffset] = m_request[1];
        break;
    case ReadPicture:
        source = &m_memories.picture;
        reply[AddressOffset] = PictureAddress;
        break;
    default:
        // The status reply: command echo, then the profile, macro and picture write status.
        reply[CommandOffset] = StatusRequest;
        std::copy(m_memories.status.begin(), m_memories.status.end(), reply.begin() + 2);
        return reply;
    }
    reply[CommandOffset] = command;
    if (source) {
        reply[LengthOffset] = static_cast<std::uint8_t>(MemorySize & 0xFF);
        reply[LengthOffset + 1] = static_cast<std::uint8_t>(MemorySize >> 8);
        std::copy(source->begin(), source->end(), reply.begin() + DataOffset);
    }
    return reply;
}

}  // namespace hid
