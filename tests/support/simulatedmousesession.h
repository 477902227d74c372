// Installs a fresh SimulatedMouse as the process's HID backend for the life of a test, with the
// write-and-confirm pause shortened, and puts things back afterwards.
#pragma once

#include "simulatedmouse.h"

#include <QByteArray>
#include <chrono>
#include <memory>
#include <vector>

class SimulatedMouseSession {
public:
    explicit SimulatedMouseSession(std::chrono::milliseconds confirmPause = std::chrono::milliseconds(1));
    ~SimulatedMouseSession();
    SimulatedMouseSession(const SimulatedMouseSession&) = delete;
    SimulatedMouseSession& operator=(const SimulatedMouseSession&) = delete;

    hid::SimulatedMouse& mouse() { return *m_mouse; }
    std::shared_ptr<hid::SimulatedMouse> shared() { return m_mouse; }

    // The successful reports of one kind that crossed the channel of `role`, in order.
    std::vector<QByteArray> reports(hid::SimulatedMouse::Transfer transfer, hid::SimulatedMouse::Role role) const;

    // The memory a mouse fresh from the factory carries in its profile area.
    static hid::SimulatedMouse::Memory factoryMemory();

private:
    std::shared_ptr<hid::SimulatedMouse> m_mouse;
};
