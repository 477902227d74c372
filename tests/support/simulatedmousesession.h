// A fresh SimulatedMouse for one test, with the pause a driver or engine on it should wait after
// each bulk write (shortened for tests). Nothing process-wide is touched: drivers and engines are
// given the mouse, so two tests never share one by accident.
#pragma once

#include "factoryprofile.h"
#include "simulatedmouse.h"

#include <QByteArray>
#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

class SimulatedMouseSession {
public:
    explicit SimulatedMouseSession(std::chrono::milliseconds confirmPause = std::chrono::milliseconds(1))
        : m_mouse(std::make_shared<hid::SimulatedMouse>(factoryMemory())), m_confirmPause(confirmPause)
    {
    }
    SimulatedMouseSession(const SimulatedMouseSession&) = delete;
    SimulatedMouseSession& operator=(const SimulatedMouseSession&) = delete;

    hid::SimulatedMouse& mouse() { return *m_mouse; }
    std::shared_ptr<hid::SimulatedMouse> shared() { return m_mouse; }
    std::chrono::milliseconds confirmPause() const { return m_confirmPause; }

    // The successful reports of one kind that crossed the channel of `role`, in order.
    std::vector<QByteArray> reports(hid::SimulatedMouse::Transfer transfer, hid::SimulatedMouse::Role role) const
    {
        std::vector<QByteArray> out;
        for (const hid::SimulatedMouse::LogEntry& entry : m_mouse->log()) {
            if (entry.ok && entry.transfer == transfer && entry.role == role)
                out.emplace_back(reinterpret_cast<const char*>(entry.bytes.data()), static_cast<int>(entry.bytes.size()));
        }
        return out;
    }

    // The memory a mouse fresh from the factory carries in its profile area.
    static hid::SimulatedMouse::Memory factoryMemory()
    {
        hid::SimulatedMouse::Memory memory{};
        const DeviceProfileBlock block = FactoryProfile::block();
        std::copy(block.bytes.begin(), block.bytes.end(), memory.begin());
        return memory;
    }

private:
    std::shared_ptr<hid::SimulatedMouse> m_mouse;
    std::chrono::milliseconds m_confirmPause;
};
