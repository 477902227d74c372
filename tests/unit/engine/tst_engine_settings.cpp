// DPI, report rate and lights: where each value lands in the mouse and in the active file.
#include "enginefixture.h"

struct Light {
    void (DCDataHandle::*set)(bool wheel, int value);  // none: the colour
    bool wheel;
    int offset, mapIndex, expected;  // mapIndex in the pages' list of the light
};
Q_DECLARE_METATYPE(Light)

class TestEngineSettings : public QObject {
    Q_OBJECT
private slots:
    void dpi_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("stored");  // DPI / 50, or -1: nothing stored
        QTest::newRow("16000 on level 3") << 3 << 16000 << 320;
        QTest::newRow("not a multiple of 50") << 1 << 1234 << 24;
        QTest::newRow("level 8 is never touched") << 8 << 3200 << -1;
        QTest::newRow("level 0") << 0 << 3200 << -1;
    }

    void dpi()
    {
        QFETCH(int, level);
        QFETCH(int, stored);
        EngineFixture f;
        const auto before = f.mouse().profileMemory();
        f.engine->slot_setDPIValueOnMouse(level, fetched<int>("value"));
        QCOMPARE(f.writes(0x03), 1);  // sent, stored or not
        if (stored < 0) {
            QCOMPARE(f.mouse().profileMemory(), before);
            return;
        }
        const int i = level - 1;
        for (int at : {At::DpiXLow, At::DpiYLow, At::DpiXHigh, At::DpiYHigh}) {
            const int expected = at == At::DpiXHigh || at == At::DpiYHigh ? stored >> 8 : stored & 0xFF;
            QCOMPARE(int(f.mouseByte(at + i)), expected);
            QCOMPARE(int(f.fileByte(at + i)), expected);
        }
    }

    void reportRate_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("stored");
        QTest::newRow("3") << 3 << 3;
        QTest::newRow("4 is refused") << 4 << 1;
        QTest::newRow("-1 is refused") << -1 << 1;
    }

    void reportRate()
    {
        QFETCH(int, stored);
        EngineFixture f;
        f.engine->slot_ChangeUsbReportRate(1);
        f.mouse().clearLog();
        f.engine->slot_ChangeUsbReportRate(fetched<int>("value"));
        QCOMPARE(int(f.mouseByte(At::ReportRate)), stored);
        QCOMPARE(int(f.fileByte(At::ReportRate)), stored);
        QCOMPARE(f.writes(0x03), 1);
        QSignalSpy spy(f.engine.get(), &DCDataHandle::sig_SetCurrentReportRate);
        f.engine->setUsbReportRateOnPage();
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.first().first().toInt(), stored);
    }

    void lights_data()
    {
        QTest::addColumn<Light>("light");
        using E = DCDataHandle;
        QTest::newRow("wheel mode") << Light{&E::slot_setMouseLightMode, true, At::WheelMode, 3, 0x82};
        QTest::newRow("logo degree") << Light{&E::slot_MouseContinueLightDegree, false, At::LogoDegree, 5, 7};
        QTest::newRow("wheel speed") << Light{&E::slot_MouseBreathSpeed, true, At::WheelSpeed, 4, 6};
        QTest::newRow("wheel colour") << Light{nullptr, true, At::WheelColor, 0, 255};
        QTest::newRow("logo colour") << Light{nullptr, false, At::LogoColor, 0, 255};
    }

    void lights()
    {
        QFETCH(Light, light);
        EngineFixture f;
        // Only a wheel colour clears the byte beside it.
        auto raw = f.mouse().profileMemory();
        raw[At::WheelColorFlag] = 0x33;
        f.mouse().setProfileMemory(raw);
        QVERIFY(f.engine->connectMouse());
        QSignalSpy spy(f.engine.get(), &DCDataHandle::sig_SetLightParameterOnPage);
        f.engine->setLightParameterOnPage();
        if (light.set)
            (f.engine.get()->*light.set)(light.wheel, 0x100 + light.expected);  // only the low byte is kept
        else
            f.engine->slot_SetMouseColor(light.wheel, 255, 0, 128);
        QCOMPARE(int(f.mouseByte(light.offset)), light.expected);
        QCOMPARE(int(f.fileByte(light.offset)), light.expected);
        if (!light.set) {
            QCOMPARE(f.mouse().profileMemory()[std::size_t(light.offset + 2)], std::uint8_t(128));
            QCOMPARE(f.mouseByte(At::WheelColorFlag), std::uint8_t(light.wheel ? 0 : 0x33));
        }
        f.engine->setLightParameterOnPage();
        const auto before = spy.first().first().value<QMap<int, QList<int>>>();
        const auto map = spy.last().first().value<QMap<int, QList<int>>>();
        QCOMPARE(map[light.wheel ? 0 : 1][light.mapIndex], light.expected);
        QCOMPARE(map[light.wheel ? 1 : 0], before[light.wheel ? 1 : 0]);  // the other light is untouched
    }

    void everyChangeForcesTheSameBytes()
    {
        EngineFixture f;
        auto raw = f.mouse().profileMemory();
        raw[0] = raw[At::ForcedSeven] = raw[At::ForcedZero] = 9;
        f.mouse().setProfileMemory(raw);
        QVERIFY(f.engine->connectMouse());  // reads the odd bytes back into the mirror
        f.engine->slot_ChangeUsbReportRate(2);
        QCOMPARE(f.mouseByte(0), std::uint8_t(1));
        QCOMPARE(f.mouseByte(At::ForcedSeven), std::uint8_t(7));
        QCOMPARE(f.mouseByte(At::ForcedZero), std::uint8_t(0));
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
