// A driver that has opened the simulated mouse, with the mouse's log cleared after the search.
#pragma once

#include "simulatedmousesession.h"
#include "usbdriver540.h"

#include <QByteArray>
#include <QtTest>
#include <initializer_list>

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

struct OpenMouse {
    SimulatedMouseSession session;
    USBDriver_540 driver;
    explicit OpenMouse(std::chrono::milliseconds pause = std::chrono::milliseconds(1))
        : session(pause), driver(session.shared(), pause)
    {
        driver.SetDeviceIds(0x5C48, 0x2F73);
        QVERIFY(driver.OpenDevice() == 1);
        session.mouse().clearLog();
    }
    std::vector<QByteArray> commands() const
    {
        return session.reports(hid::SimulatedMouse::Transfer::SetFeature, hid::SimulatedMouse::Role::Command);
    }
    std::vector<QByteArray> writes() const
    {
        return session.reports(hid::SimulatedMouse::Transfer::SetFeature, hid::SimulatedMouse::Role::Data);
    }
};
