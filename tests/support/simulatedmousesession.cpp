#include "simulatedmousesession.h"

#include "factoryprofile.h"

#include <algorithm>

SimulatedMouseSession::SimulatedMouseSession(std::chrono::milliseconds confirmPause)
    : m_mouse(std::make_shared<hid::SimulatedMouse>(factoryMemory())), m_confirmPause(confirmPause)
{
}

std::vector<QByteArray> SimulatedMouseSession::reports(hid::SimulatedMouse::Transfer transfer,
                                                       hid::SimulatedMouse::Role role) const
{
    std::vector<QByteArray> out;
    for (const hid::SimulatedMouse::LogEntry& entry : m_mouse->log()) {
        if (entry.ok && entry.transfer == transfer && entry.role == role)
            out.emplace_back(reinterpret_cast<const char*>(entry.bytes.data()), static_cast<int>(entry.bytes.size()));
    }
    return out;
}

hid::SimulatedMouse::Memory SimulatedMouseSession::factoryMemory()
{
    hid::SimulatedMouse::Memory memory{};
    const DeviceProfileBlock block = FactoryProfile::block();
    std::copy(block.bytes.begin(), block.bytes.end(), memory.begin());
    return memory;
}
