// DPI, report rate and lights: where each value lands in the mouse and in the active file, also
// when the mouse refuses it. (What the light page is told: the lighting and window tests.)
#include "enginefixture.h"

#include <functional>

using Change = std::function<void(DCDataHandle&)>;
using Bytes = QList<QPair<int, int>>;  // offset in the profile block, value
Q_DECLARE_METATYPE(Change)

class TestEngineSettings : public QObject {
    Q_OBJECT
private slots:
    void change_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<Bytes>("bytes");  // the bytes that change; every other byte of the mouse stays
        using E = DCDataHandle;
        QTest::newRow("DPI 16000 on level 3") << Change([](E& e) { e.slot_setDPIValueOnMouse(3, 16000); })
                                              << Bytes{{At::DpiXLow + 2, 0x40}, {At::DpiYLow + 2, 0x40},
                                                       {At::DpiXHigh + 2, 1}, {At::DpiYHigh + 2, 1}};
        QTest::newRow("DPI not a multiple of 50") << Change([](E& e) { e.slot_setDPIValueOnMouse(1, 1234); })
                                                  << Bytes{{At::DpiXLow, 24}, {At::DpiYLow, 24}};
        QTest::newRow("DPI level 8 is never touched") << Change([](E& e) { e.slot_setDPIValueOnMouse(8, 3200); })
                                                      << Bytes{};
        QTest::newRow("DPI level 0") << Change([](E& e) { e.slot_setDPIValueOnMouse(0, 3200); }) << Bytes{};
        QTest::newRow("report rate 3") << Change([](E& e) { e.slot_ChangeUsbReportRate(3); })
                                       << Bytes{{At::ReportRate, 3}};
        QTest::newRow("report rate 4 is refused") << Change([](E& e) { e.slot_ChangeUsbReportRate(4); }) << Bytes{};
        QTest::newRow("report rate -1 is refused") << Change([](E& e) { e.slot_ChangeUsbReportRate(-1); }) << Bytes{};
        // Only the low byte of a light setting is kept.
        QTest::newRow("wheel mode") << Change([](E& e) { e.slot_setMouseLightMode(true, 0x182); })
                                    << Bytes{{At::WheelMode, 0x82}};
        QTest::newRow("logo degree") << Change([](E& e) { e.slot_MouseContinueLightDegree(false, 0x107); })
                                     << Bytes{{At::LogoDegree, 7}};
        QTest::newRow("wheel speed") << Change([](E& e) { e.slot_MouseBreathSpeed(true, 0x106); })
                                     << Bytes{{At::WheelSpeed, 6}};
        // Only a wheel colour clears the byte beside it.
        QTest::newRow("wheel colour") << Change([](E& e) { e.slot_SetMouseColor(true, 255, 0, 128); })
                                      << Bytes{{At::WheelColor, 255}, {At::WheelColor + 1, 0},
                                               {At::WheelColor + 2, 128}, {At::WheelColorFlag, 0}};
        QTest::newRow("logo colour") << Change([](E& e) { e.slot_SetMouseColor(false, 255, 0, 128); })
                                     << Bytes{{At::LogoColor, 255}, {At::LogoColor + 1, 0}, {At::LogoColor + 2, 128}};
    }

    // Every change is written back once, stored or not, and sets the bytes the program forces.
    void change()
    {
        QFETCH(Bytes, bytes);
        EngineFixture f;
        auto expected = f.mouse().profileMemory();
        expected[0] = expected[At::ForcedSeven] = expected[At::ForcedZero] = 9;
        expected[At::WheelColorFlag] = 0x33;
        f.mouse().setProfileMemory(expected);
        QVERIFY(f.engine->connectMouse());  // reads the odd bytes back into the mirror
        f.mouse().clearLog();
        fetched<Change>("change")(*f.engine);
        QCOMPARE(f.writes(0x03), 1);
        expected[0] = 1;
        expected[At::ForcedSeven] = 7;
        expected[At::ForcedZero] = 0;
        for (const auto& b : bytes) {
            expected[std::size_t(b.first)] = std::uint8_t(b.second);
            QCOMPARE(int(f.fileByte(b.first)), b.second);
        }
        QCOMPARE(f.mouse().profileMemory(), expected);
        QSignalSpy rate(f.engine.get(), &DCDataHandle::sig_SetCurrentReportRate);
        f.engine->setUsbReportRateOnPage();  // the page is told what the mouse holds
        QCOMPARE(rate.first().first().toInt(), int(expected[At::ReportRate]));
    }

    void refusedWriteIsStillSaved()
    {
        EngineFixture f;
        f.mouse().setNextWriteStatus(Sim::WriteKind::Profile, 1);
        f.engine->slot_setDPIValueOnMouse(2, 5000);
        QCOMPARE(int(f.fileByte(At::DpiXLow + 1)), 100);
        QVERIFY(f.mouseByte(At::DpiXLow + 1) != 100);
    }
};

QTEST_GUILESS_MAIN(TestEngineSettings)
#include "tst_engine_settings.moc"
