// The five profiles: connecting, finding the mouse's profile, loading, reset, and a first start with
// no profile files at all. (A connect that cannot read the mouse's profile: the window's tests.)
#include "enginefixture.h"
#include "factoryprofile.h"
#include "profilefile.h"
#include "wholefile.h"

namespace {
// A profile file whose settings differ from the factory's by level 1's DPI, with a macro in slot 2.
QByteArray profileWithDpi(int level1Dpi)
{
    WholeStruct record;
    DeviceProfileBlock block = FactoryProfile::block();
    block.bytes[At::DpiXLow] = block.bytes[At::DpiYLow] = std::uint8_t(level1Dpi / 50);
    block.bytes[At::DpiXHigh] = block.bytes[At::DpiYHigh] = std::uint8_t((level1Dpi / 50) >> 8);
    record.copySettingsFrom(block);
    record.macros[2].header1 = 0x02;
    record.macros[2].items = {MacroItem{0x04, 0x80}, MacroItem{0x04, 0x00}, MacroItem{0, 0}};
    return ProfileFile::encode(record);
}

void putMouseSettings(EngineFixture& f, int level1Dpi)
{
    const QByteArray file = profileWithDpi(level1Dpi);
    auto memory = f.mouse().profileMemory();
    std::copy(file.begin(), file.begin() + 234, memory.begin() + 242);
    f.mouse().setProfileMemory(memory);
}
}  // namespace

class TestEngineProfiles : public QObject {
    Q_OBJECT
private slots:
    void compare_data()
    {
        QTest::addColumn<QList<int>>("fileDpi");  // level-1 DPI of files 1–5
        QTest::addColumn<int>("mouseDpi");
        QTest::addColumn<int>("announced");
        QTest::newRow("file 3") << QList<int>{800, 1000, 1200, 1400, 1600} << 1200 << 3;
        QTest::newRow("files 2 and 4 equal: the first wins") << QList<int>{800, 1000, 1200, 1000, 1600} << 1000 << 2;
        QTest::newRow("no match: 1 announced") << QList<int>{800, 1000, 1200, 1400, 1600} << 5000 << 1;
    }

    void compare()
    {
        QFETCH(QList<int>, fileDpi);
        QFETCH(int, announced);
        EngineFixture f(EngineFixture::Unconnected);
        for (int n = 1; n <= 5; ++n)
            QVERIFY(writeWholeFile(AppPaths::profileFile(n), profileWithDpi(fileDpi[n - 1])));
        putMouseSettings(f, fetched<int>("mouseDpi"));
        QSignalSpy page(f.engine.get(), &DCDataHandle::sig_SetCurrentConfigurePage);
        QVERIFY(f.engine->connectMouse());
        QCOMPARE(page.size(), 1);
        QCOMPARE(page.first().first().toInt(), announced);
        QCOMPARE(f.engine->currentConfigure(), announced);
        // Connecting changes nothing on disk or in the mouse: only loading does.
        for (int n = 1; n <= 5; ++n)
            QCOMPARE(f.file(n), profileWithDpi(fileDpi[n - 1]));
        QCOMPARE(f.writes(0x03), 0);
    }

    void loadWritesMacrosAndRefreshesThePages()
    {
        EngineFixture f(EngineFixture::Unconnected);
        QVERIFY(writeWholeFile(AppPaths::profileFile(4), profileWithDpi(3000)));
        QVERIFY(f.engine->connectMouse());
        f.mouse().clearLog();
        QSignalSpy dpi(f.engine.get(), &DCDataHandle::sig_SetCurrentDPIValue);
        f.engine->slot_LoadLocalConfigFile(4);
        QCOMPARE(dpi.size(), 7);
        QCOMPARE(dpi.first(), (QList<QVariant>{1, 3000}));
        QCOMPARE(f.engine->currentConfigure(), 4);

        // 16 macro blocks (slots 0–11 at 140 …, 12–15 at 208 …), then the profile block.
        const auto writes = f.session.reports(Sim::Transfer::SetFeature, Sim::Role::Data);
        QCOMPARE(writes.size(), std::size_t(17));
        for (int slot = 0; slot < 16; ++slot)
            QCOMPARE(int(std::uint8_t(writes[std::size_t(slot)][2])),
                     slot < 12 ? 140 + 4 * slot : 208 + 4 * (slot - 12));
        QCOMPARE(std::uint8_t(writes[16][1]), std::uint8_t(0x03));
        QCOMPARE(bytesOf(f.mouse().macroBlock(148), 0, 4), QByteArray("\x00\x02\x04\x80", 4));
        QCOMPARE(f.mouseByte(At::DpiXLow), std::uint8_t(60));
    }

    // Only 1 … 5 are profiles, and the factory profile (0) is never written; a reset makes all five
    // the factory's.
    void loadOutsideOneToFiveAndReset()
    {
        EngineFixture f;
        const QByteArray factory = f.file(0);
        const int active = f.engine->currentConfigure();
        for (int number : {0, 6, -1})
            f.engine->slot_LoadLocalConfigFile(number);
        QCOMPARE(f.writes(0x03), 0);
        QCOMPARE(f.engine->currentConfigure(), active);
        f.engine->slot_setDPIValueOnMouse(2, 1250);  // the next change saves the active profile only
        QCOMPARE(f.file(0), factory);
        QCOMPARE(int(f.fileByte(At::DpiXLow + 1, active)), 1250 / 50);

        QVERIFY(writeWholeFile(AppPaths::profileFile(3), profileWithDpi(1300)));
        f.engine->slot_LoadLocalConfigFile(3);
        f.engine->slot_ResetConfigToOriginal();
        for (int n = 1; n <= 5; ++n)
            QCOMPARE(f.file(n), factory);
        QCOMPARE(f.engine->currentConfigure(), 3);
        QCOMPARE(int(f.mouseByte(At::DpiXLow)), 400 / 50);
    }

    void firstStartWithoutProfileFiles_data()
    {
        QTest::addColumn<bool>("factoryFile");
        QTest::newRow("only the factory profile installed") << true;
        QTest::newRow("not even the factory profile") << false;
    }

    void firstStartWithoutProfileFiles()
    {
        QFETCH(bool, factoryFile);
        EngineFixture f(factoryFile ? EngineFixture::Unconnected : EngineFixture::NoFactoryFile);
        putMouseSettings(f, 4200);  // the mouse carries its own settings
        QVERIFY(f.connectAndLoad());
        // The mouse keeps working buttons and real DPI levels, and nothing read created a file.
        QCOMPARE(f.mouseEntry(0), 0x00F00001u);
        QCOMPARE(f.mouseEntry(1), 0x00F10001u);
        for (int level = 0; level < 7; ++level)
            QVERIFY(f.mouseByte(At::DpiXLow + level) != 0);
        QCOMPARE(int(f.mouseByte(At::DpiXLow)), factoryFile ? 400 / 50 : 4200 / 50);
        QVERIFY(QFile::exists(AppPaths::profileFile(1)));  // the loaded profile was saved
        for (int n = 2; n <= 5; ++n)
            QVERIFY(!QFile::exists(AppPaths::profileFile(n)));
        QCOMPARE(QFile::exists(AppPaths::profileFile(0)), factoryFile);
    }
};

QTEST_GUILESS_MAIN(TestEngineProfiles)
#include "tst_engine_profiles.moc"
