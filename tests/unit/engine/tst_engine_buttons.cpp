// Button assignment: what lands in which key matrix entry, the left-button guard, and a button
// the computer acts on in the factory check the pages are told. (The check itself: the window test.)
#include "enginefixture.h"
#include "pcactionstore.h"

namespace {
struct KeyChange {
    int button;
    uint vkCode;
    int modifier, changeType, entry;
    uint expected;  // 0xFFFFFFFF: the profile is unchanged
};
}  // namespace
Q_DECLARE_METATYPE(KeyChange)

class TestEngineButtons : public QObject {
    Q_OBJECT
private slots:
    // One row per kind of change, and the buttons whose entry is not the obvious one.
    void assignment_data()
    {
        QTest::addColumn<KeyChange>("change");
        const uint same = 0xFFFFFFFFu;
        QTest::newRow("Ctrl+Shift+F5 on button 8") << KeyChange{8, 0x74, 3, 16, 3, 0x003E0300};
        QTest::newRow("Enter is 0x28, never the keypad's") << KeyChange{14, 13, 0, 16, 8, 0x00280000};
        QTest::newRow("unknown key is usage 0") << KeyChange{15, 0xFF, 0, 16, 9, 0x00000000};
        QTest::newRow("restore wheel forward") << KeyChange{9, 0, 0, 17, 14, 0x00010004};
        QTest::newRow("media player") << KeyChange{11, 0x83, 0x01, 19, 5, 0x01830003};
        QTest::newRow("fire key") << KeyChange{7, 0, 0, 20, 4, 0x0210F00A};
        QTest::newRow("DPI instant") << KeyChange{5, 0, 0, 23, 2, 0x0A040007};
        QTest::newRow("back button") << KeyChange{7, 0, 0, 28, 4, 0x00F30001};
        QTest::newRow("profile loop") << KeyChange{6, 0, 0, 29, 1, 0x00030008};
        QTest::newRow("type 18 stores nothing") << KeyChange{6, 0x41, 0, 18, 0, same};
        QTest::newRow("button 3 is no button") << KeyChange{3, 0x41, 0, 16, 0, same};
        // Type 0 here: macro 1 in block 0x8C, assigned as 0x09, 0x01, 0x00, 0x8C.
        QTest::newRow("macro on the left button, even the only one") << KeyChange{4, 0, 0, 0, 0, 0x8C000109};
        QTest::newRow("macro on wheel forward: entry 15") << KeyChange{9, 0, 0, 0, 15, 0x8C000109};
        QTest::newRow("macro on button 16 stores nothing") << KeyChange{16, 0, 0, 0, 0, same};
    }

    void assignment()
    {
        QFETCH(KeyChange, change);
        EngineFixture f;
        // Start from something that is neither the factory value nor the expected one.
        f.engine->slot_ChangeButtonToKey(change.button, 0x5A, 0, 16);
        const auto before = f.mouse().profileMemory();
        f.mouse().clearLog();
        if (change.changeType)
            f.engine->slot_ChangeButtonToKey(change.button, change.vkCode, change.modifier, change.changeType);
        else
            f.engine->slot_ChangeButtonToMacro(1, change.button, 140);
        if (change.expected == 0xFFFFFFFFu)
            QCOMPARE(f.mouse().profileMemory(), before);
        else
            QCOMPARE(f.mouseEntry(change.entry), change.expected);
        QCOMPARE(f.writes(0x03), 1);  // written back, stored or not
    }

    void leftButtonGuard()
    {
        EngineFixture f;
        QSignalSpy warning(f.engine.get(), &DCDataHandle::sig_WarningOnlyLeftButton);
        const auto memory = f.mouse().profileMemory();
        const QByteArray file = f.file(1);
        for (int changeType : {16, 17, 25}) {
            f.engine->slot_ChangeButtonToKey(4, 0x41, 0, changeType);
            QCOMPARE(warning.size(), 1);
            QCOMPARE(warning.takeFirst().first().toInt(), 6);
        }
        QCOMPARE(f.writes(0x03), 0);  // nothing sent, nothing saved
        QCOMPARE(f.mouse().profileMemory(), memory);
        QCOMPARE(f.file(1), file);
        // A second left button releases the first; then button 8 is the only one.
        f.engine->slot_ChangeButtonToKey(8, 0, 0, 24);
        f.engine->slot_ChangeButtonToKey(4, 0x41, 0, 16);
        QCOMPARE(warning.size(), 0);
        QCOMPARE(f.mouseEntry(0), 0x00040000u);
        f.engine->slot_ChangeButtonToKey(8, 0x41, 0, 16);
        QCOMPARE(warning.size(), 1);
    }


    // A button the computer acts on counts as changed though its entry is still the factory one.
    void pcFunctionCountsAsChanged()
    {
        EngineFixture f;
        QVERIFY(PcActionStore::writeFunction(6, true, PcActionStore::StartProgram, QCoreApplication::applicationFilePath()));
        QSignalSpy states(f.engine.get(), &DCDataHandle::sig_CurrentButtonIsOriginalButton);
        f.engine->slot_ChangeUsbReportRate(1);  // any setting reports all twelve
        QMap<int, bool> original;
        for (const QList<QVariant>& args : states)
            original[args.at(1).toInt()] = args.at(0).toBool();
        QCOMPARE(original.size(), 12);
        QVERIFY(!original.value(6) && original.value(5));
        QCOMPARE(f.mouseEntry(1), 0x00F10001u);
    }
};

QTEST_GUILESS_MAIN(TestEngineButtons)
#include "tst_engine_buttons.moc"
