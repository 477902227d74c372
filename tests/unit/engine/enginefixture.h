// An engine on the simulated mouse, with its data root in a temporary folder that holds the
// installed factory profile; connected and loaded with the profile it announces, as the main
// window does, unless the test wants to start earlier.
#pragma once

#include "apppaths.h"
#include "dcdatahandle.h"
#include "simulatedmousesession.h"
#include "testhelpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using Sim = hid::SimulatedMouse;

// Offsets in the mouse's profile block, as the mouse lays it out; a profile file keeps the block
// from 242 on.
namespace At {
constexpr int ReportRate = 242, MacroListFlag = 250, MacroListCount = 251, ForcedSeven = 253, LogoDegree = 257,
              WheelMode = 259, LogoColor = 262, ForcedZero = 267, WheelColor = 281, WheelColorFlag = 286,
              WheelSpeed = 287, DpiXLow = 300, DpiXHigh = 308, DpiYLow = 316, DpiYHigh = 324, KeyMatrix = 332;
}

struct EngineFixture {
    enum Start { Loaded, Unconnected, NoFactoryFile };
    QTemporaryDir root;
    SimulatedMouseSession session;
    std::unique_ptr<DCDataHandle> engine;

    explicit EngineFixture(Start start = Loaded)
    {
        AppPaths::setDataRoot(root.path());
        QDir().mkpath(AppPaths::localFileDir());
        if (start != NoFactoryFile)
            QFile::copy(QStringLiteral(ZR540_SOURCE_DIR "/install/ConfigFiles/LocalFile/Config0.txt"),
                        AppPaths::profileFile(0));
        engine = std::make_unique<DCDataHandle>(session.shared(), session.confirmPause());
        if (start == Loaded)
            QVERIFY(connectAndLoad());
    }

    // Connects and loads the profile the engine announces; the mouse's log starts after it.
    bool connectAndLoad()
    {
        QSignalSpy page(engine.get(), &DCDataHandle::sig_SetCurrentConfigurePage);
        if (!engine->connectMouse() || page.count() != 1)
            return false;
        engine->slot_LoadLocalConfigFile(page.first().first().toInt());
        session.mouse().clearLog();
        return true;
    }

    Sim& mouse() { return session.mouse(); }

    QByteArray file(int number) const { return fileContent(AppPaths::profileFile(number)); }

    // Byte `at` of the profile block as the mouse holds it, and as profile file `number` (the
    // active one by default) holds it.
    std::uint8_t mouseByte(int at) { return mouse().profileMemory()[std::size_t(at)]; }
    std::uint8_t fileByte(int at, int number = -1) const
    {
        const QByteArray content = file(number < 0 ? engine->currentConfigure() : number);
        return at - 242 < content.size() ? std::uint8_t(content[at - 242]) : 0xEE;
    }
    // Key matrix entry `entry` as the mouse holds it, little-endian.
    std::uint32_t mouseEntry(int entry)
    {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = value << 8 | mouseByte(At::KeyMatrix + 4 * entry + i);
        return value;
    }

    // The bulk writes with command byte `command` (0x03 profile, 0x04 macro) since the log began.
    int writes(int command) const
    {
        int n = 0;
        for (const QByteArray& r : session.reports(Sim::Transfer::SetFeature, Sim::Role::Data))
            n += std::uint8_t(r[1]) == command ? 1 : 0;
        return n;
    }
};
