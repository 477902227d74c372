// An engine on the simulated mouse, with its data root in a temporary folder that holds the
// installed factory profile.
#pragma once

#include "apppaths.h"
#include "dcdatahandle.h"
#include "factoryprofile.h"
#include "simulatedmousesession.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

struct EngineFixture {
    QTemporaryDir root;
    SimulatedMouseSession session;
    std::unique_ptr<DCDataHandle> engine;

    explicit EngineFixture(bool withFactoryFile = true)
    {
        AppPaths::setDataRoot(root.path());
        QDir().mkpath(AppPaths::localFileDir());
        if (withFactoryFile)
            QFile::copy(QStringLiteral(ZR540_SOURCE_DIR "/install/ConfigFiles/LocalFile/Config0.txt"), AppPaths::profileFile(0));
        engine = std::make_unique<DCDataHandle>(session.shared(), session.confirmPause());
    }

    // Connects and loads the profile the engine announces, as the main window does.
    bool connectAndLoad()
    {
        QSignalSpy page(engine.get(), &DCDataHandle::sig_SetCurrentConfigurePage);
        if (!engine->connectMouse())
            return false;
        if (page.count() != 1)
            return false;
        engine->slot_LoadLocalConfigFile(page.first().first().toInt());
        session.mouse().clearLog();
        return true;
    }

    QByteArray file(int number) const
    {
        QFile f(AppPaths::profileFile(number));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Byte `blockOffset` of the profile as the mouse holds it, and as the active file holds it.
    std::uint8_t mouseByte(int blockOffset) { return session.mouse().profileMemory()[std::size_t(blockOffset)]; }
    std::uint8_t fileByte(int blockOffset, int number = -1) const
    {
        const QByteArray content = file(number < 0 ? engine->currentConfigure() : number);
        const int at = WholeStruct::settingsOffset(blockOffset);
        return at < content.size() ? std::uint8_t(content[at]) : 0xEE;
    }

    int profileWrites() const
    {
        int n = 0;
        for (const QByteArray& r : session.reports(hid::SimulatedMouse::Transfer::SetFeature, hid::SimulatedMouse::Role::Data))
            n += std::uint8_t(r[1]) == 0x03 ? 1 : 0;
        return n;
    }
};
