// Button assignment: what lands in which key matrix entry, the left-button guard, and the
// factory check the pages are told after every change.
#include "enginefixture.h"
#include "pcactionstore.h"

using P = DeviceProfileBlock;

namespace {
std::uint32_t mouseEntry(EngineFixture& f, int entry)
{
    const auto memory = f.session.mouse().profileMemory();
    P block;
    std::copy(memory.begin(), memory.begin() + P::Size, block.bytes.begin());
    return block.keyAt(P::KeyMatrix, entry).toUInt32();
}

std::uint32_t fileEntry(EngineFixture& f, int entry)
{
    const QByteArray content = f.file(f.engine->currentConfigure());
    const int at = WholeStruct::settingsOffset(P::KeyMatrix) + entry * 4;
    return std::uint8_t(content[at]) | std::uint8_t(content[at + 1]) << 8 | std::uint8_t(content[at + 2]) << 16
        | std::uint32_t(std::uint8_t(content[at + 3])) << 24;
}

// The factory state per button from the signals of one write-back: button → last state.
QMap<int, bool> reported(const QSignalSpy& spy)
{
    QMap<int, bool> states;
    for (const QList<QVariant>& args : spy)
        states[args.at(1).toInt()] = args.at(0).toBool() && states.value(args.at(1).toInt(), true);
    return states;
}
}  // namespace

class TestEngineButtons : public QObject {
    Q_OBJECT
private slots:
    void changeToKey_data();
    void changeToKey();
    void macroAssignment_data();
    void macroAssignment();
    void leftButtonGuard();
    void factoryCheckAfterEveryChange();
    void pcActionCountsAsChanged();
};

void TestEngineButtons::changeToKey_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<uint>("vkCode");
    QTest::addColumn<int>("modifier");
    QTest::addColumn<int>("changeType");
    QTest::addColumn<int>("entry");
    QTest::addColumn<uint>("expected");  // 0xFFFFFFFF: unchanged

    const uint same = 0xFFFFFFFFu;
    QTest::newRow("A on button 13") << 13 << 0x41u << 0 << 16 << 7 << 0x00040000u;
    QTest::newRow("Ctrl+Shift+F5 on button 8") << 8 << 0x74u << 3 << 16 << 3 << 0x003E0300u;
    QTest::newRow("Enter is 0x28, never the keypad's") << 14 << 13u << 0 << 16 << 8 << 0x00280000u;
    QTest::newRow("unknown key is usage 0") << 15 << 0xFFu << 0 << 16 << 9 << 0x00000000u;
    QTest::newRow("restore wheel forward") << 9 << 0u << 0 << 17 << 14 << 0x00010004u;
    QTest::newRow("restore wheel back") << 10 << 0u << 0 << 17 << 15 << 0x00020004u;
    QTest::newRow("restore button 13") << 13 << 0u << 0 << 17 << 7 << 0x00000011u;
    QTest::newRow("volume up") << 12 << 0xE9u << 0x00 << 19 << 6 << 0x00E90003u;
    QTest::newRow("media player") << 11 << 0x83u << 0x01 << 19 << 5 << 0x01830003u;
    QTest::newRow("fire key") << 7 << 0u << 0 << 20 << 4 << 0x0210F00Au;
    QTest::newRow("DPI add") << 5 << 0u << 0 << 21 << 2 << 0x00010007u;
    QTest::newRow("DPI reduce") << 5 << 0u << 0 << 22 << 2 << 0x00020007u;
    QTest::newRow("DPI instant") << 5 << 0u << 0 << 23 << 2 << 0x0A040007u;
    QTest::newRow("left button") << 8 << 0u << 0 << 24 << 3 << 0x00F00001u;
    QTest::newRow("right button") << 8 << 0u << 0 << 25 << 3 << 0x00F10001u;
    QTest::newRow("middle button") << 8 << 0u << 0 << 26 << 3 << 0x00F20001u;
    QTest::newRow("forward button") << 8 << 0u << 0 << 27 << 3 << 0x00F40001u;
    QTest::newRow("back button") << 7 << 0u << 0 << 28 << 4 << 0x00F30001u;
    QTest::newRow("profile loop") << 6 << 0u << 0 << 29 << 1 << 0x00030008u;
    QTest::newRow("type 18 stores nothing") << 6 << 0x41u << 0 << 18 << 1 << same;
    QTest::newRow("button 3 is no button") << 3 << 0x41u << 0 << 16 << 0 << same;
}

void TestEngineButtons::changeToKey()
{
    QFETCH(int, button);
    QFETCH(uint, vkCode);
    QFETCH(int, modifier);
    QFETCH(int, changeType);
    QFETCH(int, entry);
    QFETCH(uint, expected);
    EngineFixture f;
    QVERIFY(f.connectAndLoad());
    // Start from something that is neither the factory value nor the expected one.
    f.engine->slot_ChangeButtonToKey(button == 3 ? 8 : button, 0x5A, 0, 16);
    const std::uint32_t before = mouseEntry(f, entry);
    QSignalSpy states(f.engine.get(), &DCDataHandle::sig_CurrentButtonIsOriginalButton);
    f.session.mouse().clearLog();

    f.engine->slot_ChangeButtonToKey(button, vkCode, modifier, changeType);
    const std::uint32_t want = expected == 0xFFFFFFFFu ? before : expected;
    QCOMPARE(mouseEntry(f, entry), want);
    QCOMPARE(fileEntry(f, entry), want);
    QCOMPARE(f.profileWrites(), 1);
    QCOMPARE(reported(states).size(), 12);  // every button, after every change
}

void TestEngineButtons::macroAssignment_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("entry");
    QTest::newRow("left button, even as the only one") << 4 << 0;
    QTest::newRow("wheel forward on entry 15") << 9 << 15;
    QTest::newRow("wheel back on entry 14") << 10 << 14;
    QTest::newRow("custom button 3") << 15 << 9;
}

void TestEngineButtons::macroAssignment()
{
    QFETCH(int, button);
    QFETCH(int, entry);
    EngineFixture f;
    QVERIFY(f.connectAndLoad());
    QSignalSpy warning(f.engine.get(), &DCDataHandle::sig_WarningOnlyLeftButton);
    f.engine->slot_ChangeButtonToMacro(1, button, 140);
    QCOMPARE(mouseEntry(f, entry), 0x8C000109u);  // 0x09, 0x01, 0x00, 0x8C
    QCOMPARE(warning.size(), 0);

    f.session.mouse().clearLog();
    const auto memory = f.session.mouse().profileMemory();
    f.engine->slot_ChangeButtonToMacro(1, 16, 140);  // no such button: nothing stored, still written back
    QCOMPARE(f.profileWrites(), 1);
    QCOMPARE(f.session.mouse().profileMemory(), memory);
}

void TestEngineButtons::leftButtonGuard()
{
    EngineFixture f;
    QVERIFY(f.connectAndLoad());
    QSignalSpy warning(f.engine.get(), &DCDataHandle::sig_WarningOnlyLeftButton);
    const auto memory = f.session.mouse().profileMemory();
    const QByteArray file = f.file(1);

    for (int changeType : {16, 17, 24, 25}) {
        f.engine->slot_ChangeButtonToKey(4, 0x41, 0, changeType);
        QCOMPARE(warning.size(), 1);
        QCOMPARE(warning.takeFirst().first().toInt(), 6);
    }
    QCOMPARE(f.profileWrites(), 0);  // nothing sent …
    QCOMPARE(f.session.mouse().profileMemory(), memory);
    QCOMPARE(f.file(1), file);       // … and nothing saved

    // A second left button releases the first.
    f.engine->slot_ChangeButtonToKey(8, 0, 0, 24);
    f.engine->slot_ChangeButtonToKey(4, 0x41, 0, 16);
    QCOMPARE(warning.size(), 0);
    QCOMPARE(mouseEntry(f, 0), 0x00040000u);
    // Now button 8 is the only left button.
    f.engine->slot_ChangeButtonToKey(8, 0x41, 0, 16);
    QCOMPARE(warning.size(), 1);
}

void TestEngineButtons::factoryCheckAfterEveryChange()
{
    EngineFixture f;
    QVERIFY(f.connectAndLoad());
    QSignalSpy states(f.engine.get(), &DCDataHandle::sig_CurrentButtonIsOriginalButton);

    f.engine->slot_ChangeButtonToKey(13, 0x41, 0, 16);
    QMap<int, bool> s = reported(states);
    QCOMPARE(s.value(13), false);
    QCOMPARE(s.value(4), true);

    states.clear();
    f.engine->slot_ChangeButtonToKey(13, 0, 0, 17);  // restore: entry 7 = 0x11, 0, 0, 0
    QCOMPARE(reported(states).value(13), true);

    // The wheel's factory check reads the key-assignment entries: a macro on button 9 lands in
    // entry 15, which the check reads for button 10.
    states.clear();
    f.engine->slot_ChangeButtonToMacro(1, 9, 140);
    s = reported(states);
    QCOMPARE(s.value(9), true);
    QCOMPARE(s.value(10), false);

    // Any setting, not only buttons, reports all twelve.
    states.clear();
    f.engine->slot_ChangeUsbReportRate(1);
    QCOMPARE(reported(states).size(), 12);
}

void TestEngineButtons::pcActionCountsAsChanged()
{
    EngineFixture f;
    QVERIFY(f.connectAndLoad());
    const QString program = QCoreApplication::applicationFilePath();
    QVERIFY(PcActionStore::writeFunction(6, true, PcActionStore::StartProgram, program));
    QSignalSpy states(f.engine.get(), &DCDataHandle::sig_CurrentButtonIsOriginalButton);
    f.engine->slot_ChangeUsbReportRate(2);
    const QMap<int, bool> s = reported(states);
    QCOMPARE(s.value(6), false);  // its entry is still the factory right button
    QCOMPARE(s.value(5), true);
    QCOMPARE(mouseEntry(f, 1), 0x00F10001u);
}

QTEST_GUILESS_MAIN(TestEngineButtons)
#include "tst_engine_buttons.moc"
