#include "simulatorstore.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace hid {
namespace {

constexpr char Magic[8] = {'Z', 'R', '5', '4', '0', 'S', 'I', 'M'};

using Memories = SimulatedFirmware::Memories;
constexpr std::size_t MemorySize = SimulatedFirmware::MemorySize;

}  // namespace

bool SimulatorStore::load(Memories& memories) const
{
    std::ifstream in(m_file, std::ios::binary);
    if (!in)
        return true;  // nothing saved yet: the mouse starts as constructed
    std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t expected =
        sizeof Magic + MemorySize * (2 + SimulatedFirmware::MacroBlockCount) + memories.status.size();
    if (data.size() != expected || std::memcmp(data.data(), Magic, sizeof Magic) != 0)
        return false;
    const char* p = data.data() + sizeof Magic;
    auto take = [&p](std::uint8_t* to, std::size_t n) {
        std::memcpy(to, p, n);
        p += n;
    };
    take(memories.profile.data(), MemorySize);
    for (SimulatedFirmware::Memory& block : memories.macroBlocks)
        take(block.data(), MemorySize);
    take(memories.picture.data(), MemorySize);
    take(memories.status.data(), memories.status.size());
    return true;
}

void SimulatorStore::save(const Memories& memories) const
{
    if (m_file.empty())
        return;
    const std::string temporary = m_file + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(Magic, sizeof Magic);
        auto put = [&out](const std::uint8_t* from, std::size_t n) {
            out.write(reinterpret_cast<const char*>(from), static_cast<std::streamsize>(n));
        };
        put(memories.profile.data(), MemorySize);
        for (const SimulatedFirmware::Memory& block : memories.macroBlocks)
            put(block.data(), MemorySize);
        put(memories.picture.data(), MemorySize);
        put(memories.status.data(), memories.status.size());
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            return;
        }
    }
    if (std::rename(temporary.c_str(), m_file.c_str()) != 0)
        std::remove(temporary.c_str());
}

}  // namespace hid
