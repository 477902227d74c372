// A fresh SimulatedMouse for one test, with the pause a driver or engine on it should wait after
// each bulk write (shortened for tests). Nothing process-wide is touched: drivers and engines are
// given the mouse, so two tests never share one by accident.
#pragma once

#include "simulatedmouse.h"

#include <QByteArray>
#include <chrono>
#include <memory>
#include <vector>

class SimulatedMouseSession {
public:
    explicit SimulatedMouseSession(std::chrono::milliseconds confirmPause = std::chrono::milliseconds(1));
    SimulatedMouseSession(const SimulatedMouseSession&) = delete;
    SimulatedMouseSession& operator=(const SimulatedMouseSession&) = delete;

    hid::SimulatedMouse& mouse() { return *m_mouse; }
    std::shared_ptr<hid::SimulatedMouse> shared() { return m_mouse; }
    std::chrono::milliseconds confirmPause() const { return m_confirmPause; }

    // The successful reports of one kind that crossed the channel of `role`, in order.
    std::vector<QByteArray> reports(hid::SimulatedMouse::Transfer transfer, hid::SimulatedMouse::Role role) const;

    // The memory a mouse fresh from the factory carries in its profile area.
    static hid::SimulatedMouse::Memory factoryMemory();

private:
    std::shared_ptr<hid::SimulatedMouse> m_mouse;
    std::chrono::milliseconds m_confirmPause;
};
