// DPI, report rate and lights: where each value lands in the mouse and in the active file.
#include "enginefixture.h"
#include "logcapture.h"

using P = DeviceProfileBlock;
using Sim = hid::SimulatedMouse;

class TestEngineSettings : public QObject {
    Q_OBJECT
private slots:
    void dpi_data();
    void dpi();
    void reportRate_data();
    void reportRate();
    void lights_data();
    void lights();
    void everyChangeForcesTheSameBytes();
    void changeWhileDisconnectedIsSavedNotSent();
    void refusedWritesAreLogged();
    void utilitySlots();
};

void TestEngineSettings::dpi_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("stored");  // DPI / 50, or -1: nothing stored
    QTest::newRow("16000 on level 3") << 3 << 16000 << 320;
    QTest::newRow("not a multiple of 50") << 1 << 1234 << 24;
    QTest::newRow("49 is 0") << 1 << 49 << 0;
    QTest::newRow("switched off") << 7 << 0 << 0;
    QTest::newRow("level 8 is never touched") << 8 << 3200 << -1;
    QTest::newRow("level 0") << 0 << 3200 << -1;
}

void TestEngineSettings::dpi()
{
    QFETCH(int, level);
    QFETCH(int, value);
    QFETCH(int, stored);
    EngineFixture f;
    QVERIFY(f.connectAndLoad());
    const P before = f.engine->mouseProfileBlock();
    f.engine->slot_setDPIValueOnMouse(level, value);
    QCOMPARE(f.profileWrites(), 1);  // sent, stored or not

    if (stored < 0) {
        for (int at = P::DpiXLow; at < P::KeyMatrix; ++at)
            QCOMPARE(f.engine->mouseProfileBlock().bytes[std::size_t(at)], before.bytes[std::size_t(at)]);
        return;
    }
    const int i = level - 1;
    for (int at : {P::DpiXLow + i, P::DpiYLow + i}) {
        QCOMPARE(int(f.mouseByte(at)), stored & 0xFF);
        QCOMPARE(int(f.fileByte(at)), stored & 0xFF);
    }
    for (int at : {P::DpiXHigh + i, P::DpiYHigh + i}) {
        QCOMPARE(int(f.mouseByte(at)), stored >> 8);
        QCOMPARE(int(f.fileByte(at)), stored >> 8);
    }
    QSignalSpy spy(f.engine.get(), &DCDataHandle::sig_SetCurrentDPIValue);
    f.engine->setDPIValueOnPage();
    QCOMPARE(spy.size(), 7);
    QCOMPARE(spy.at(i), (QList<QVariant>{level, stored * 50}));
}

void TestEngineSettings::reportRate_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("stored");
    for (int v = 0; v <= 3; ++v)
        QTest::addRow("%d", v) << v << v;
    QTest::newRow("4 is refused") << 4 << FactoryProfile::ReportRateCode;
    QTest::newRow("-1 is refused") << -1 << FactoryProfile::ReportRateCode;
}

void TestEngineSettings::reportRate()
{
    QFETCH(int, value);
    QFETCH(int, stored);
    EngineFixture f;
    QVERIFY(f.connectAndLoad());
    f.engine->slot_ChangeUsbReportRate(value);
    QCOMPARE(int(f.mouseByte(P::ReportRate)), stored);
    QCOMPARE(int(f.fileByte(P::ReportRate)), stored);
    QCOMPARE(f.profileWrites(), 1);
    QSignalSpy spy(f.engine.get(), &DCDataHandle::sig_SetCurrentReportRate);
    f.engine->setUsbReportRateOnPage();
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.first().first().toInt(), stored);
}

void TestEngineSettings::lights_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("wheel");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("mapIndex");  // in the light map list
    QTest::newRow("wheel mode") << "mode" << true << int(P::WheelMode) << 3;
    QTest::newRow("logo mode") << "mode" << false << int(P::LogoMode) << 3;
    QTest::newRow("wheel degree") << "degree" << true << int(P::WheelDegree) << 5;
    QTest::newRow("logo degree") << "degree" << false << int(P::LogoDegree) << 5;
    QTest::newRow("wheel speed") << "speed" << true << int(P::WheelBreathSpeed) << 4;
    QTest::newRow("logo speed") << "speed" << false << int(P::LogoBreathSpeed) << 4;
    QTest::newRow("wheel colour") << "colour" << true << int(P::WheelColor) << 0;
    QTest::newRow("logo colour") << "colour" << false << int(P::LogoColor) << 0;
}

void TestEngineSettings::lights()
{
    QFETCH(QString, change);
    QFETCH(bool, wheel);
    QFETCH(int, offset);
    QFETCH(int, mapIndex);
    EngineFixture f;
    QVERIFY(f.connectAndLoad());
    // Only a wheel colour clears the byte beside it.
    auto raw = f.session.mouse().profileMemory();
    raw[P::WheelColorFlag] = 0x33;
    f.session.mouse().setProfileMemory(raw);
    QVERIFY(f.engine->connectMouse());
    QSignalSpy before(f.engine.get(), &DCDataHandle::sig_SetLightParameterOnPage);
    f.engine->setLightParameterOnPage();
    const auto mapBefore = before.first().first().value<QMap<int, QList<int>>>();

    if (change == "mode")
        f.engine->slot_setMouseLightMode(wheel, 0x182);  // only the low byte is kept
    else if (change == "degree")
        f.engine->slot_MouseContinueLightDegree(wheel, 0x107);
    else if (change == "speed")
        f.engine->slot_MouseBreathSpeed(wheel, 0x106);
    else
        f.engine->slot_SetMouseColor(wheel, 255, 0, 128);

    const int expected = change == "mode" ? 0x82 : change == "degree" ? 7 : change == "speed" ? 6 : 255;
    QCOMPARE(int(f.mouseByte(offset)), expected);
    QCOMPARE(int(f.fileByte(offset)), expected);
    if (change == "colour") {
        QCOMPARE(int(f.mouseByte(offset + 1)), 0);
        QCOMPARE(int(f.mouseByte(offset + 2)), 128);
        QCOMPARE(int(f.mouseByte(offset + 3)), 0);
        QCOMPARE(f.mouseByte(P::WheelColorFlag), std::uint8_t(wheel ? 0 : 0x33));
    }
    QSignalSpy spy(f.engine.get(), &DCDataHandle::sig_SetLightParameterOnPage);
    f.engine->setLightParameterOnPage();
    QCOMPARE(spy.size(), 1);
    const auto map = spy.first().first().value<QMap<int, QList<int>>>();
    QCOMPARE(map.keys(), (QList<int>{0, 1}));
    QCOMPARE(map[0].size(), 6);
    QCOMPARE(map[1].size(), 6);
    QCOMPARE(map[wheel ? 0 : 1][mapIndex], expected);
    QCOMPARE(map[wheel ? 1 : 0], mapBefore[wheel ? 1 : 0]);  // the other light is untouched
}

void TestEngineSettings::everyChangeForcesTheSameBytes()
{
    EngineFixture f;
    QVERIFY(f.connectAndLoad());
    auto raw = f.session.mouse().profileMemory();
    raw[P::ForcedOne] = 9;
    raw[P::ForcedSeven] = 9;
    raw[P::ForcedZero] = 9;
    f.session.mouse().setProfileMemory(raw);
    QVERIFY(f.engine->connectMouse());  // reads the odd bytes back into the mirror
    f.engine->slot_ChangeUsbReportRate(2);
    QCOMPARE(f.mouseByte(P::ForcedOne), std::uint8_t(1));
    QCOMPARE(f.mouseByte(P::ForcedSeven), std::uint8_t(7));
    QCOMPARE(f.mouseByte(P::ForcedZero), std::uint8_t(0));
}

void TestEngineSettings::changeWhileDisconnectedIsSavedNotSent()
{
    EngineFixture f;
    f.session.mouse().setPlugged(false);
    QVERIFY(!f.engine->connectMouse());
    f.engine->slot_setDPIValueOnMouse(2, 5000);
    QVERIFY(f.session.mouse().log().empty());
    QCOMPARE(int(f.fileByte(P::DpiXLow + 1, 1)), 100);
    QCOMPARE(f.file(1).size(), 298);
}

// A profile or macro block the mouse refuses is logged, and the change is still saved.
void TestEngineSettings::refusedWritesAreLogged()
{
    EngineFixture f;
    QVERIFY(f.connectAndLoad());
    LogCapture log;
    f.session.mouse().setNextWriteStatus(Sim::WriteKind::Profile, 1);
    f.engine->slot_setDPIValueOnMouse(2, 5000);
    QVERIFY(log.contains("loginfo = writeProfileToMouse: the mouse did not take the profile"));
    QCOMPARE(int(f.fileByte(P::DpiXLow + 1)), 100);

    f.session.mouse().setNextWriteStatus(Sim::WriteKind::Macro, 1);
    f.engine->slot_LoadLocalConfigFile(2);
    QVERIFY(log.contains("loginfo = loadConfigFileByNumber: the mouse did not take macro slot 0"));
    QCOMPARE(log.count("loginfo = writeProfileToMouse: the mouse did not take the profile"), 1);
}

void TestEngineSettings::utilitySlots()
{
    EngineFixture f;
    struct Row {
        int value, digit, hundreds;
    };
    for (const Row& r : {Row{4567, 1000, 4000}, Row{7, 1, 7}, Row{0, 1, 0}, Row{10, 10, 10}, Row{99, 10, 90}}) {
        int digit = -1, hundreds = -1;
        QVERIFY(QMetaObject::invokeMethod(f.engine.get(), "checkNumberDigit", Q_RETURN_ARG(int, digit), Q_ARG(int, r.value)));
        QVERIFY(QMetaObject::invokeMethod(f.engine.get(), "checkNumberHundreds", Q_RETURN_ARG(int, hundreds), Q_ARG(int, r.value)));
        QCOMPARE(digit, r.digit);
        QCOMPARE(hundreds, r.hundreds);
    }
}

QTEST_GUILESS_MAIN(TestEngineSettings)
#include "tst_engine_settings.moc"
