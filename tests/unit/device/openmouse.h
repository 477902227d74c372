// A driver on a fresh simulated mouse: opened, with the mouse's log cleared after the search,
// unless told to wait for the test to lay out the collections first.
#pragma once

#include "simulatedmousesession.h"
#include "testhelpers.h"
#include "usbdriver540.h"

#include <QByteArray>
#include <QtTest>
#include <initializer_list>

using Sim = hid::SimulatedMouse;

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

// Looks for the ZR540 (vendor 0x2F73, product 0x5C48) with `driver`.
inline int openZR540(USBDriver_540& driver)
{
    driver.SetDeviceIds(0x5C48, 0x2F73);
    return driver.OpenDevice();
}

struct OpenMouse {
    SimulatedMouseSession session;
    USBDriver_540 driver{session.shared(), session.confirmPause()};
    explicit OpenMouse(bool open = true)
    {
        if (open) {
            QCOMPARE(openZR540(driver), 1);
            session.mouse().clearLog();
        }
    }
    Sim& mouse() { return session.mouse(); }
    std::vector<QByteArray> commands() const { return session.reports(Sim::Transfer::SetFeature, Sim::Role::Command); }
    std::vector<QByteArray> writes() const { return session.reports(Sim::Transfer::SetFeature, Sim::Role::Data); }
};
