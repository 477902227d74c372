// DPI and lights: where each value lands in the mouse and in the active file. (The report rate,
// the bytes every write forces, a refused write still saved: zr540ctl's and the window's tests.)
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

};

QTEST_GUILESS_MAIN(TestEngineSettings)
#include "tst_engine_settings.moc"
