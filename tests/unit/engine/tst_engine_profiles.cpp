// The five profiles: connecting, finding the mouse's profile, loading, reset, and a first start
// with no profile files at all.
#include "enginefixture.h"
#include "logcapture.h"
#include "profilefile.h"
#include "wholefile.h"

#include <QThread>

using P = DeviceProfileBlock;
using Sim = hid::SimulatedMouse;

namespace {
// A profile file whose settings differ from the factory's by one DPI level.
QByteArray profileWithDpi(int level1Dpi)
{
    WholeStruct record;
    P block = FactoryProfile::block();
    block.bytes[P::DpiXLow] = block.bytes[P::DpiYLow] = std::uint8_t(level1Dpi / 50);
    block.bytes[P::DpiXHigh] = block.bytes[P::DpiYHigh] = std::uint8_t((level1Dpi / 50) >> 8);
    record.copySettingsFrom(block);
    record.macros[2].header1 = 0x02;
    record.macros[2].items = {MacroItem{0x04, 0x80}, MacroItem{0x04, 0x00}, MacroItem{0, 0}};
    return ProfileFile::encode(record);
}

void putMouseSettings(EngineFixture& f, const QByteArray& file)
{
    auto memory = f.session.mouse().profileMemory();
    std::copy(file.begin(), file.begin() + WholeStruct::SettingsSize, memory.begin() + P::SettingsOffset);
    f.session.mouse().setProfileMemory(memory);
}
}  // namespace

class TestEngineProfiles : public QObject {
    Q_OBJECT
private slots:
    void compare_data();
    void compare();
    void connectWithoutMouse();
    void connectWithUnreadableProfileSendsNothing();
    void profileNumbersOutsideOneToFive_data();
    void profileNumbersOutsideOneToFive();
    void loadWritesMacrosAndRefreshesThePages();
    void resetGivesFiveEqualFiles();
    void firstStartWithoutProfileFiles_data();
    void firstStartWithoutProfileFiles();
    void directCallsRunInTheEngineThread();
    void requestsDoNotWait();
};

void TestEngineProfiles::compare_data()
{
    QTest::addColumn<QList<int>>("fileDpi");  // level-1 DPI of files 1–5
    QTest::addColumn<int>("mouseDpi");
    QTest::addColumn<int>("announced");
    QTest::addColumn<int>("current");
    QTest::newRow("file 3") << QList<int>{800, 1000, 1200, 1400, 1600} << 1200 << 3 << 3;
    QTest::newRow("files 2 and 4 equal: the first wins") << QList<int>{800, 1000, 1200, 1000, 1600} << 1000 << 2 << 2;
    QTest::newRow("no match: 1 announced, number kept") << QList<int>{800, 1000, 1200, 1400, 1600} << 5000 << 1 << 1;
}

void TestEngineProfiles::compare()
{
    QFETCH(QList<int>, fileDpi);
    QFETCH(int, mouseDpi);
    QFETCH(int, announced);
    QFETCH(int, current);
    EngineFixture f;
    for (int n = 1; n <= 5; ++n)
        QVERIFY(writeWholeFile(AppPaths::profileFile(n), profileWithDpi(fileDpi[n - 1])));
    putMouseSettings(f, profileWithDpi(mouseDpi));

    QSignalSpy page(f.engine.get(), &DCDataHandle::sig_SetCurrentConfigurePage);
    QSignalSpy version(f.engine.get(), &DCDataHandle::sig_VersionNumber);
    QVERIFY(f.engine->connectMouse());
    QCOMPARE(page.size(), 1);
    QCOMPARE(page.first().first().toInt(), announced);
    QCOMPARE(f.engine->currentConfigure(), current);
    QCOMPARE(version.size(), 1);
    QCOMPARE(version.first().first().toInt(), int(Sim::ReleaseNumber));

    // Connecting changes nothing on disk or in the mouse: only loading does.
    for (int n = 1; n <= 5; ++n)
        QCOMPARE(f.file(n), profileWithDpi(fileDpi[n - 1]));
    QCOMPARE(f.profileWrites(), 0);
}

void TestEngineProfiles::connectWithoutMouse()
{
    EngineFixture f;
    f.session.mouse().setCollections({Sim::otherDevice(0x046D, 0xC31C, "Keyboard")});
    QSignalSpy page(f.engine.get(), &DCDataHandle::sig_SetCurrentConfigurePage);
    QVERIFY(!f.engine->connectMouse());
    QVERIFY(!f.engine->isConnected());
    QCOMPARE(page.size(), 0);
    // Plugged in later: the next connect finds it.
    f.session.mouse().setCollections({Sim::commandCollection(), Sim::dataCollection()});
    QVERIFY(f.engine->connectMouse());
}

// The mouse opens but its profile read fails: without its block, the next change would send
// zeros over the bytes the mouse owns.
void TestEngineProfiles::connectWithUnreadableProfileSendsNothing()
{
    EngineFixture f;
    f.session.mouse().failNextTransfer(Sim::Transfer::GetFeature);
    LogCapture log;
    QSignalSpy page(f.engine.get(), &DCDataHandle::sig_SetCurrentConfigurePage);
    QVERIFY(!f.engine->connectMouse());
    QVERIFY(!f.engine->isConnected());
    QCOMPARE(page.size(), 0);
    QVERIFY(log.contains("loginfo = connectMouse: the profile could not be read, the mouse counts as not connected"));

    const auto before = f.session.mouse().profileMemory();
    f.engine->slot_setDPIValueOnMouse(1, 800);
    QCOMPARE(f.profileWrites(), 0);
    QCOMPARE(f.session.mouse().profileMemory(), before);
}

// The window passes on whatever number it has; only 1 … 5 are profiles, and the factory
// profile (0) is never written.
void TestEngineProfiles::profileNumbersOutsideOneToFive_data()
{
    QTest::addColumn<int>("number");
    QTest::newRow("factory profile") << 0;
    QTest::newRow("6") << 6;
    QTest::newRow("-1") << -1;
}

void TestEngineProfiles::profileNumbersOutsideOneToFive()
{
    QFETCH(int, number);
    EngineFixture f;
    QVERIFY(f.connectAndLoad());
    const QByteArray factory = f.file(0);
    const int active = f.engine->currentConfigure();
    LogCapture log;
    f.engine->slot_LoadLocalConfigFile(number);
    QCOMPARE(f.profileWrites(), 0);
    QCOMPARE(f.engine->currentConfigure(), active);
    QVERIFY(log.contains(QStringLiteral("loginfo = slot_LoadLocalConfigFile: %1 is no local profile, nothing loaded").arg(number)));

    f.engine->slot_setDPIValueOnMouse(2, 1250);  // the next change saves the active profile only
    QCOMPARE(f.file(0), factory);
    QCOMPARE(int(f.fileByte(P::DpiXLow + 1, active)), 1250 / 50);
}

void TestEngineProfiles::loadWritesMacrosAndRefreshesThePages()
{
    EngineFixture f;
    QVERIFY(writeWholeFile(AppPaths::profileFile(4), profileWithDpi(3000)));
    QVERIFY(f.engine->connectMouse());
    f.session.mouse().clearLog();

    QList<QString> order;
    QObject::connect(f.engine.get(), &DCDataHandle::sig_SetCurrentDPIValue, [&](int level, int) { order << QString("dpi%1").arg(level); });
    QObject::connect(f.engine.get(), &DCDataHandle::sig_SetCurrentReportRate, [&](int) { order << "rate"; });
    QSignalSpy lights(f.engine.get(), &DCDataHandle::sig_SetLightParameterOnPage);
    QObject::connect(f.engine.get(), &DCDataHandle::sig_SetLightParameterOnPage, [&](QMap<int, QList<int>>) { order << "light"; });
    QSignalSpy dpi(f.engine.get(), &DCDataHandle::sig_SetCurrentDPIValue);

    f.engine->slot_LoadLocalConfigFile(4);
    QCOMPARE(order, (QList<QString>{"dpi1", "dpi2", "dpi3", "dpi4", "dpi5", "dpi6", "dpi7", "rate", "light"}));
    QCOMPARE(dpi.first(), (QList<QVariant>{1, 3000}));
    QCOMPARE((lights.first().first().value<QMap<int, QList<int>>>().keys()), (QList<int>{0, 1}));
    QCOMPARE(f.engine->currentConfigure(), 4);

    // 16 macro blocks, then the profile block.
    const auto writes = f.session.reports(Sim::Transfer::SetFeature, Sim::Role::Data);
    QCOMPARE(writes.size(), std::size_t(17));
    for (int slot = 0; slot < 16; ++slot) {
        QCOMPARE(std::uint8_t(writes[std::size_t(slot)][1]), std::uint8_t(0x04));
        QCOMPARE(std::uint8_t(writes[std::size_t(slot)][2]), f.engine->macroAddressMap.value(slot));
    }
    QCOMPARE(std::uint8_t(writes[16][1]), std::uint8_t(0x03));
    const auto block = f.session.mouse().macroBlock(148);
    QCOMPARE(block[1], std::uint8_t(0x02));
    QCOMPARE(block[2], std::uint8_t(0x04));
    QCOMPARE(block[3], std::uint8_t(0x80));
    QCOMPARE(f.mouseByte(P::DpiXLow), std::uint8_t(60));
}

void TestEngineProfiles::resetGivesFiveEqualFiles()
{
    EngineFixture f;
    for (int n = 1; n <= 5; ++n)
        QVERIFY(writeWholeFile(AppPaths::profileFile(n), profileWithDpi(1000 + 100 * n)));
    QVERIFY(f.connectAndLoad());
    f.engine->slot_LoadLocalConfigFile(3);
    f.engine->slot_ResetConfigToOriginal();
    const QByteArray factory = f.file(0);
    QCOMPARE(factory.size(), 298);
    for (int n = 1; n <= 5; ++n)
        QCOMPARE(f.file(n), factory);
    QCOMPARE(f.engine->currentConfigure(), 3);
    QCOMPARE(int(f.mouseByte(P::DpiXLow)), FactoryProfile::DpiLevels[0] / 50);
}

void TestEngineProfiles::firstStartWithoutProfileFiles_data()
{
    QTest::addColumn<bool>("factoryFile");
    QTest::newRow("only the factory profile installed") << true;
    QTest::newRow("not even the factory profile") << false;
}

void TestEngineProfiles::firstStartWithoutProfileFiles()
{
    QFETCH(bool, factoryFile);
    EngineFixture f(factoryFile);
    // The mouse carries its own settings, different from the factory file's.
    putMouseSettings(f, profileWithDpi(4200));
    QVERIFY(f.connectAndLoad());

    // The mouse keeps working buttons and real DPI levels, and nothing read created a file.
    const auto memory = f.session.mouse().profileMemory();
    P block;
    std::copy(memory.begin(), memory.begin() + P::Size, block.bytes.begin());
    QCOMPARE(block.keyAt(P::KeyMatrix, 0).toUInt32(), 0x00F00001u);
    QCOMPARE(block.keyAt(P::KeyMatrix, 1).toUInt32(), 0x00F10001u);
    for (int level = 0; level < 7; ++level)
        QVERIFY(block.bytes[std::size_t(P::DpiXLow + level)] != 0);
    QCOMPARE(int(block.bytes[P::DpiXLow]), factoryFile ? FactoryProfile::DpiLevels[0] / 50 : 4200 / 50);
    QVERIFY(QFile::exists(AppPaths::profileFile(1)));  // the loaded profile was saved
    for (int n = 2; n <= 5; ++n)
        QVERIFY(!QFile::exists(AppPaths::profileFile(n)));
    QCOMPARE(QFile::exists(AppPaths::profileFile(0)), factoryFile);
}

void TestEngineProfiles::directCallsRunInTheEngineThread()
{
    EngineFixture f;
    QThread worker;
    f.engine->moveToThread(&worker);
    worker.start();
    QThread* seen = nullptr;
    QObject::connect(f.engine.get(), &DCDataHandle::sig_SetCurrentConfigurePage, f.engine.get(),
                     [&seen] { seen = QThread::currentThread(); }, Qt::DirectConnection);
    QVERIFY(f.engine->connectMouse());  // returns only when done, with its result
    QCOMPARE(seen, &worker);
    seen = nullptr;
    QObject::connect(f.engine.get(), &DCDataHandle::sig_SetCurrentDPIValue, f.engine.get(),
                     [&seen] { seen = QThread::currentThread(); }, Qt::DirectConnection);
    f.engine->slot_ResetConfigToOriginal();
    QCOMPARE(seen, &worker);
    QCOMPARE(f.file(5), f.file(0));

    // Back to this thread before the engine is destroyed here.
    QMetaObject::invokeMethod(f.engine.get(), [&] { f.engine->moveToThread(QCoreApplication::instance()->thread()); },
                              Qt::BlockingQueuedConnection);
    worker.quit();
    worker.wait();
}

// The window hands a connect, a profile load and a reset to the engine's thread and goes on; the
// answers come back as signals, with the load and the reset framed by sig_Busy.
void TestEngineProfiles::requestsDoNotWait()
{
    EngineFixture f;
    QThread worker;
    f.engine->moveToThread(&worker);
    worker.start();
    QSignalSpy connected(f.engine.get(), &DCDataHandle::sig_Connected);
    QSignalSpy busy(f.engine.get(), &DCDataHandle::sig_Busy);
    QSignalSpy page(f.engine.get(), &DCDataHandle::sig_SetCurrentConfigurePage);

    f.engine->requestConnect();
    QCOMPARE(connected.size(), 0);  // nothing done in this thread
    QVERIFY(connected.wait(5000));
    QCOMPARE(connected.first().first().toBool(), true);
    QCOMPARE(page.size(), 1);

    QMetaObject::invokeMethod(f.engine.get(), "slot_LoadLocalConfigFile", Q_ARG(int, 2));
    f.engine->requestReset();
    QTRY_COMPARE_WITH_TIMEOUT(busy.size(), 4, 10000);
    QCOMPARE((QList<bool>{busy[0][0].toBool(), busy[1][0].toBool(), busy[2][0].toBool(), busy[3][0].toBool()}),
             (QList<bool>{true, false, true, false}));
    QCOMPARE(f.file(5), f.file(0));

    f.session.mouse().setPlugged(false);
    f.engine->requestConnect();
    QVERIFY(connected.wait(5000));
    QCOMPARE(connected.last().first().toBool(), false);

    QMetaObject::invokeMethod(f.engine.get(), [&] { f.engine->moveToThread(QCoreApplication::instance()->thread()); },
                              Qt::BlockingQueuedConnection);
    worker.quit();
    worker.wait();
}

QTEST_GUILESS_MAIN(TestEngineProfiles)
#include "tst_engine_profiles.moc"
