// Macro download: the encoding of macro files, the blocks they go to, and what the buttons and
// the profile say afterwards.
#include "enginefixture.h"
#include "profilefile.h"
#include "wholefile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using Items = QList<MacroItem>;
Q_DECLARE_METATYPE(Items)
struct Single {
    int button, address, entry, slot, repeat;
    QByteArray header;  // the repeat count, high byte first
};
Q_DECLARE_METATYPE(Single)

namespace {
QJsonObject key(int vk, int state, int timeLapse)
{
    return {{"ValueType", 3}, {"KeyValue", vk}, {"State", state}, {"TimeLapse", timeLapse}};
}
QJsonObject move(int x, int y) { return {{"ValueType", 6}, {"CoordinateX", x}, {"CoordinateY", y}, {"TimeLapse", 40}}; }

// Writes a macro file below the data root and returns its path.
QString macroFile(const QString& name, const QJsonArray& events, int repeat = 1, int ignore = 0, int type = 0)
{
    const QString path = AppPaths::macroFilesDir() + "/test/" + name + ".json";
    const QJsonObject root{
        {"Name", name}, {"Macro", events}, {"RepeatTimes", repeat}, {"IgnoreDelayTime", ignore}, {"MacroType", type}};
    writeWholeFile(path, QJsonDocument(root).toJson(QJsonDocument::Compact));
    return path;
}

QJsonArray keyTaps(int n)
{
    QJsonArray events;
    for (int i = 0; i < n; ++i)
        events << key(0x41, i % 2, 10);
    return events;
}

}  // namespace

class TestMacroDownload : public QObject {
    Q_OBJECT
private slots:
    void encoding_data()
    {
        QTest::addColumn<QJsonArray>("events");
        QTest::addColumn<int>("ignore");
        QTest::addColumn<Items>("items");
        const MacroItem end{0, 0};
        QTest::newRow("press A, 120 ms; release, no delay")
            << QJsonArray{key(0x41, 0, 120), key(0x41, 1, 0)} << 0 << Items{{0x78, 0x04}, {0x81, 0x04}, end};
        QTest::newRow("1234 ms on a release")
            << QJsonArray{key(0x41, 1, 1234)} << 0 << Items{{0xA2, 0x04}, {0x00, 0x01}, {0x00, 0x0C}, end};
        QTest::newRow("300 ms: mod 100 is 0, so 1")
            << QJsonArray{key(0x41, 0, 300)} << 0 << Items{{0x01, 0x04}, {0x00, 0x01}, {0x00, 0x03}, end};
        QTest::newRow("127 ms is still short") << QJsonArray{key(0x41, 0, 127)} << 0 << Items{{0x7F, 0x04}, end};
        QTest::newRow("delays ignored") << QJsonArray{key(0x41, 0, 120), key(0x41, 1, 5000)} << 2
                                        << Items{{0x01, 0x04}, {0x81, 0x04}, end};
        QTest::newRow("movement: y counts down")
            << QJsonArray{move(10, 5)} << 0 << Items{{0x00, 0x02}, {0x0A, 0xFB}, end};
        QTest::newRow("movement outside ±127 is clamped")
            << QJsonArray{move(300, -500)} << 0 << Items{{0x00, 0x02}, {0x7F, 0x7F}, end};
        QTest::newRow("a move to nowhere is dropped") << QJsonArray{move(0, 0), key(0x41, 0, 1)} << 0 << Items{{0x01, 0x04}, end};
        QTest::newRow("(-1, 1) goes in two steps, never as FF FF")
            << QJsonArray{move(-1, 1)} << 0 << Items{{0x00, 0x02}, {0xFF, 0x00}, {0x00, 0x02}, {0x00, 0xFF}, end};
        QTest::newRow("right Ctrl has no key code") << QJsonArray{key(0xA3, 0, 1)} << 0 << Items{{0x01, 0x00}, end};
        QTest::newRow("mouse buttons") << QJsonArray{key(1, 0, 1), key(2, 0, 1), key(4, 1, 1)} << 0
                                       << Items{{0x01, 0xF0}, {0x01, 0xF1}, {0x81, 0xF2}, end};
        QTest::newRow("a negative delay is none") << QJsonArray{key(0x41, 0, -500)} << 0 << Items{{0x01, 0x04}, end};
        QTest::newRow("a delay too long for 16 bits is cut to the longest")
            << QJsonArray{key(0x41, 0, 2000000000)} << 0 << Items{{99, 0x04}, {0x00, 0x01}, {0xFF, 0xFE}, end};
        QTest::newRow("other kinds carry nothing") << QJsonArray{QJsonObject{{"ValueType", 5}}} << 0 << Items{end};
    }

    void encoding()
    {
        EngineFixture f(EngineFixture::Unconnected);
        QCOMPARE(f.engine->defineLocalMacro(macroFile("m", fetched<QJsonArray>("events"), 1, fetched<int>("ignore"))),
                 fetched<Items>("items"));
    }

    // The edge buttons: the left one, the wheel's crossed pair, the last; and the repeat count, high
    // byte first, in the block's header.
    void singleMacro_data()
    {
        QTest::addColumn<Single>("m");
        QTest::newRow("button 4, repeat 300") << Single{4, 0x8C, 0, 0, 300, QByteArray("\x01\x2C", 2)};
        QTest::newRow("button 9, repeat 0 plays once") << Single{9, 0xA4, 15, 6, 0, QByteArray("\x00\x01", 2)};
        QTest::newRow("button 10, repeat above 16 bits") << Single{10, 0xA0, 14, 5, 100000, QByteArray("\xFF\xFE", 2)};
        QTest::newRow("button 15, repeat 3") << Single{15, 0xB8, 9, 11, 3, QByteArray("\x00\x03", 2)};
    }

    void singleMacro()
    {
        QFETCH(Single, m);
        EngineFixture f;
        f.engine->slot_ChangeButtonToKey(8, 0, 0, 24);  // a second left button, so button 4 may change
        const QString path = macroFile("tap", QJsonArray{key(0x41, 0, 20), key(0x41, 1, 20)}, m.repeat, 0, 2);
        f.engine->slot_WriteSingleMacro(m.button, path);
        QCOMPARE(bytesOf(f.mouse().macroBlock(std::uint8_t(m.address)), 0, 8), m.header + QByteArray("\x14\x04\x94\x04\x00\x00", 6));
        QCOMPARE(f.mouseEntry(m.entry), std::uint32_t(0x09 | 2 << 8 | m.address << 24));
        // The active profile keeps the block in the slot of its address, and its file with it.
        const MacroStruct& kept = f.engine->localProfileRecord().macros[std::size_t(m.slot)];
        QCOMPARE(kept.items.size(), 3);
        WholeStruct fromFile;
        QVERIFY(ProfileFile::decode(f.file(1), fromFile));
        QCOMPARE(fromFile.macros[std::size_t(m.slot)], kept);
    }

    void macroList()
    {
        EngineFixture f;
        f.engine->slot_ChangeButtonToKey(8, 0, 0, 24);
        QList<QString> list;
        for (int i = 0; i < 6; ++i)
            list << macroFile(QString("list%1").arg(i), QJsonArray{key(0x41 + i, 0, 1)});
        f.mouse().clearLog();
        f.engine->slot_WriteListMacro(list);
        QCOMPARE(f.writes(0x04), 4);  // the first four only
        for (int i = 0; i < 4; ++i)
            QCOMPARE(f.mouse().macroBlock(std::uint8_t(0xD0 + 4 * i))[3], std::uint8_t(0x04 + i));
        QCOMPARE(f.mouseByte(At::MacroListCount), std::uint8_t(4));
        QCOMPARE(f.mouseByte(At::MacroListFlag), std::uint8_t(0));
        QCOMPARE(f.mouseEntry(0), 0x11u);
        QCOMPARE(f.fileByte(At::MacroListCount), std::uint8_t(4));
        for (int slot = 12; slot < 16; ++slot)
            QCOMPARE(f.engine->localProfileRecord().macros[std::size_t(slot)].items.size(), 2);
    }

    // A macro too long for a block (511 events and the end item do not fit, 510 do), or on the only
    // left button: warned about, nothing written, nothing assigned; one long macro stops a list.
    void refused()
    {
        EngineFixture f;
        QSignalSpy warning(f.engine.get(), &DCDataHandle::sig_WarningOnlyLeftButton);
        const std::uint32_t before = f.mouseEntry(1);
        f.engine->slot_WriteSingleMacro(6, macroFile("fits", keyTaps(510)));
        QCOMPARE(f.writes(0x04), 1);
        f.engine->slot_ChangeButtonToKey(6, 0, 0, 17);
        f.mouse().clearLog();
        f.engine->slot_WriteSingleMacro(6, macroFile("long", keyTaps(511)));
        f.engine->slot_WriteSingleMacro(4, macroFile("ok", keyTaps(2)));
        f.engine->slot_WriteListMacro({macroFile("ok", keyTaps(2))});
        QCOMPARE(warning.size(), 3);
        QCOMPARE(warning[0].first().toInt(), 19);
        QCOMPARE(warning[1].first().toInt(), 6);
        QVERIFY(f.mouse().log().empty());
        QCOMPARE(f.mouseEntry(1), before);
        f.engine->slot_ChangeButtonToKey(8, 0, 0, 24);
        f.mouse().clearLog();
        f.engine->slot_WriteListMacro({macroFile("ok", keyTaps(2)), macroFile("long", keyTaps(600))});
        QCOMPARE(warning.size(), 4);
        QVERIFY(f.mouse().log().empty());
        QCOMPARE(f.mouseEntry(0), 0x00F00001u);
    }

    void disconnectedOrRefusedBlock()
    {
        // A refused block: the slot copy is skipped, the assignment still done.
        EngineFixture f;
        f.mouse().setNextWriteStatus(Sim::WriteKind::Macro, 1);
        f.engine->slot_WriteSingleMacro(7, macroFile("f", QJsonArray{key(0x41, 0, 1)}));
        QVERIFY(f.engine->localProfileRecord().macros[4].items.isEmpty());
        QCOMPARE(f.mouseEntry(4) & 0xFF, 0x09u);

        // No mouse: assigned (0x09, mode 4, 0, block 0xB8) and saved, but no block kept.
        EngineFixture g(EngineFixture::Unconnected);
        g.mouse().setPlugged(false);
        QVERIFY(!g.engine->connectMouse());
        g.engine->slot_WriteSingleMacro(15, macroFile("d", QJsonArray{key(0x41, 0, 1)}, 1, 0, 4));
        QVERIFY(g.mouse().log().empty());
        QCOMPARE(g.file(1).mid(At::KeyMatrix + 4 * 9 - 242, 4), QByteArray("\x09\x04\x00\xB8", 4));
        QVERIFY(g.engine->localProfileRecord().macros[11].items.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestMacroDownload)
#include "tst_macro_download.moc"
