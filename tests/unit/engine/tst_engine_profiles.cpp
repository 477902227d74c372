// The five profiles: connecting, finding the mouse's profile, loading, reset, and a first start
// with no profile files at all.
#include "enginefixture.h"
#include "factoryprofile.h"
#include "logcapture.h"
#include "profilefile.h"
#include "wholefile.h"

#include <QSemaphore>
#include <QThread>

namespace {
// A profile file whose settings differ from the factory's by level 1's DPI, with a macro in slot 2.
QByteArray profileWithDpi(int level1Dpi)
{
    WholeStruct record;
    DeviceProfileBlock block = FactoryProfile::block();
    block.bytes[300] = block.bytes[316] = std::uint8_t(level1Dpi / 50);
    block.bytes[308] = block.bytes[324] = std::uint8_t((level1Dpi / 50) >> 8);
    record.copySettingsFrom(block);
    record.macros[2].header1 = 0x02;
    record.macros[2].items = {MacroItem{0x04, 0x80}, MacroItem{0x04, 0x00}, MacroItem{0, 0}};
    return ProfileFile::encode(record);
}

void writeProfiles(QList<int> level1Dpi)
{
    for (int n = 1; n <= level1Dpi.size(); ++n)
        QVERIFY(writeWholeFile(AppPaths::profileFile(n), profileWithDpi(level1Dpi[n - 1])));
}

void putMouseSettings(EngineFixture& f, const QByteArray& file)
{
    auto memory = f.mouse().profileMemory();
    std::copy(file.begin(), file.begin() + 234, memory.begin() + 242);
    f.mouse().setProfileMemory(memory);
}

// The engine in a worker thread of its own, and back in this one before the test ends.
struct EngineThread : QThread {
    DCDataHandle* engine;
    explicit EngineThread(DCDataHandle* e) : engine(e)
    {
        engine->moveToThread(this);
        start();
    }
    ~EngineThread() override
    {
        auto home = [this] { engine->moveToThread(QCoreApplication::instance()->thread()); };
        QMetaObject::invokeMethod(engine, home, Qt::BlockingQueuedConnection);
        quit();
        wait();
    }
};
}  // namespace

class TestEngineProfiles : public QObject {
    Q_OBJECT
private slots:
    void compare_data();
    void compare();
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
    QTest::newRow("file 3") << QList<int>{800, 1000, 1200, 1400, 1600} << 1200 << 3;
    QTest::newRow("files 2 and 4 equal: the first wins") << QList<int>{800, 1000, 1200, 1000, 1600} << 1000 << 2;
    QTest::newRow("no match: 1 announced") << QList<int>{800, 1000, 1200, 1400, 1600} << 5000 << 1;
}

void TestEngineProfiles::compare()
{
    QFETCH(QList<int>, fileDpi);
    QFETCH(int, announced);
    EngineFixture f(EngineFixture::Unconnected);
    writeProfiles(fileDpi);
    putMouseSettings(f, profileWithDpi(fetched<int>("mouseDpi")));

    QSignalSpy page(f.engine.get(), &DCDataHandle::sig_SetCurrentConfigurePage);
    QSignalSpy version(f.engine.get(), &DCDataHandle::sig_VersionNumber);
    QVERIFY(f.engine->connectMouse());
    QCOMPARE(page.size(), 1);
    QCOMPARE(page.first().first().toInt(), announced);
    QCOMPARE(f.engine->currentConfigure(), announced);
    QCOMPARE(version.size(), 1);
    QCOMPARE(version.first().first().toInt(), int(Sim::ReleaseNumber));

    // Connecting changes nothing on disk or in the mouse: only loading does.
    for (int n = 1; n <= 5; ++n)
        QCOMPARE(f.file(n), profileWithDpi(fileDpi[n - 1]));
    QCOMPARE(f.writes(0x03), 0);
}

// The mouse opens but its profile read fails: without its block, the next change would send
// zeros over the bytes the mouse owns.
void TestEngineProfiles::connectWithUnreadableProfileSendsNothing()
{
    EngineFixture f(EngineFixture::Unconnected);
    f.mouse().failNextTransfer(Sim::Transfer::GetFeature);
    LogCapture log;
    QSignalSpy page(f.engine.get(), &DCDataHandle::sig_SetCurrentConfigurePage);
    QVERIFY(!f.engine->connectMouse());
    QVERIFY(!f.engine->isConnected());
    QCOMPARE(page.size(), 0);
    QVERIFY(log.contains("loginfo = connectMouse: the profile could not be read, the mouse counts as not connected"));

    const auto before = f.mouse().profileMemory();
    f.engine->slot_setDPIValueOnMouse(1, 800);
    QCOMPARE(f.writes(0x03), 0);
    QCOMPARE(f.mouse().profileMemory(), before);
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
    const QByteArray factory = f.file(0);
    const int active = f.engine->currentConfigure();
    LogCapture log;
    f.engine->slot_LoadLocalConfigFile(number);
    QCOMPARE(f.writes(0x03), 0);
    QCOMPARE(f.engine->currentConfigure(), active);
    QVERIFY(log.contains(
        QStringLiteral("loginfo = slot_LoadLocalConfigFile: %1 is no local profile, nothing loaded").arg(number)));

    f.engine->slot_setDPIValueOnMouse(2, 1250);  // the next change saves the active profile only
    QCOMPARE(f.file(0), factory);
    QCOMPARE(int(f.fileByte(At::DpiXLow + 1, active)), 1250 / 50);
}

void TestEngineProfiles::loadWritesMacrosAndRefreshesThePages()
{
    EngineFixture f(EngineFixture::Unconnected);
    QVERIFY(writeWholeFile(AppPaths::profileFile(4), profileWithDpi(3000)));
    QVERIFY(f.engine->connectMouse());
    f.mouse().clearLog();

    QStringList pages;
    const DCDataHandle* e = f.engine.get();
    QObject::connect(e, &DCDataHandle::sig_SetCurrentDPIValue,
                     [&](int level, int dpi) { pages << QString("dpi%1 %2").arg(level).arg(dpi); });
    QObject::connect(e, &DCDataHandle::sig_SetCurrentReportRate,
                     [&](int rate) { pages << QString("rate %1").arg(rate); });
    QObject::connect(e, &DCDataHandle::sig_SetLightParameterOnPage, [&](QMap<int, QList<int>>) { pages << "light"; });
    f.engine->slot_LoadLocalConfigFile(4);
    QCOMPARE(pages, (QStringList{"dpi1 3000", "dpi2 800", "dpi3 1600", "dpi4 2400", "dpi5 3200", "dpi6 6400",
                                 "dpi7 16000", "rate 3", "light"}));
    QCOMPARE(f.engine->currentConfigure(), 4);

    // 16 macro blocks (slots 0–11 at 140 …, 12–15 at 208 …), then the profile block.
    const auto writes = f.session.reports(Sim::Transfer::SetFeature, Sim::Role::Data);
    QCOMPARE(writes.size(), std::size_t(17));
    for (int slot = 0; slot < 16; ++slot) {
        QCOMPARE(std::uint8_t(writes[std::size_t(slot)][1]), std::uint8_t(0x04));
        QCOMPARE(int(std::uint8_t(writes[std::size_t(slot)][2])), slot < 12 ? 140 + 4 * slot : 208 + 4 * (slot - 12));
    }
    QCOMPARE(std::uint8_t(writes[16][1]), std::uint8_t(0x03));
    const auto block = f.mouse().macroBlock(148);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(block.data()), 4), QByteArray("\x00\x02\x04\x80", 4));
    QCOMPARE(f.mouseByte(At::DpiXLow), std::uint8_t(60));
}

void TestEngineProfiles::resetGivesFiveEqualFiles()
{
    EngineFixture f(EngineFixture::Unconnected);
    writeProfiles({1100, 1200, 1300, 1400, 1500});
    QVERIFY(f.connectAndLoad());
    f.engine->slot_LoadLocalConfigFile(3);
    f.engine->slot_ResetConfigToOriginal();
    const QByteArray factory = f.file(0);
    QCOMPARE(factory.size(), 298);
    for (int n = 1; n <= 5; ++n)
        QCOMPARE(f.file(n), factory);
    QCOMPARE(f.engine->currentConfigure(), 3);
    QCOMPARE(int(f.mouseByte(At::DpiXLow)), 400 / 50);
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
    EngineFixture f(factoryFile ? EngineFixture::Unconnected : EngineFixture::NoFactoryFile);
    // The mouse carries its own settings, different from the factory file's.
    putMouseSettings(f, profileWithDpi(4200));
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

void TestEngineProfiles::directCallsRunInTheEngineThread()
{
    EngineFixture f(EngineFixture::Unconnected);
    EngineThread thread(f.engine.get());
    QThread* seen = nullptr;
    QObject::connect(
        f.engine.get(), &DCDataHandle::sig_SetCurrentConfigurePage, f.engine.get(),
        [&seen] { seen = QThread::currentThread(); }, Qt::DirectConnection);
    QVERIFY(f.engine->connectMouse());  // returns only when done, with its result
    QCOMPARE(seen, &thread);
    seen = nullptr;
    QObject::connect(
        f.engine.get(), &DCDataHandle::sig_SetCurrentDPIValue, f.engine.get(),
        [&seen] { seen = QThread::currentThread(); }, Qt::DirectConnection);
    f.engine->slot_ResetConfigToOriginal();
    QCOMPARE(seen, &thread);
    QCOMPARE(f.file(5), f.file(0));
}

// The window hands a connect, a profile load and a reset to the engine's thread and goes on; the
// answers come back as signals, with the load and the reset framed by sig_Busy.
void TestEngineProfiles::requestsDoNotWait()
{
    EngineFixture f(EngineFixture::Unconnected);
    EngineThread thread(f.engine.get());
    QSignalSpy connected(f.engine.get(), &DCDataHandle::sig_Connected);
    QSignalSpy busy(f.engine.get(), &DCDataHandle::sig_Busy);
    QSignalSpy page(f.engine.get(), &DCDataHandle::sig_SetCurrentConfigurePage);
    QSemaphore held;  // the engine's thread, busy until the request has returned

    QMetaObject::invokeMethod(f.engine.get(), [&held] { held.tryAcquire(1, 60000); });
    f.engine->requestConnect();
    QCOMPARE(connected.size(), 0);  // it returned without waiting
    held.release();
    QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 1, 60000);
    QCOMPARE(connected.first().first().toBool(), true);
    QCOMPARE(page.size(), 1);

    QMetaObject::invokeMethod(f.engine.get(), "slot_LoadLocalConfigFile", Q_ARG(int, 2));
    f.engine->requestReset();
    QTRY_COMPARE_WITH_TIMEOUT(busy.size(), 4, 60000);
    QCOMPARE((QList<bool>{busy[0][0].toBool(), busy[1][0].toBool(), busy[2][0].toBool(), busy[3][0].toBool()}),
             (QList<bool>{true, false, true, false}));
    QCOMPARE(f.file(5), f.file(0));

    f.mouse().setPlugged(false);
    f.engine->requestConnect();
    QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 2, 60000);
    QCOMPARE(connected.last().first().toBool(), false);
}

QTEST_GUILESS_MAIN(TestEngineProfiles)
#include "tst_engine_profiles.moc"
