// Macro download: the encoding of macro files, the blocks they go to, and what the buttons and
// the profile say afterwards.
#include "enginefixture.h"
#include "logcapture.h"
#include "profilefile.h"
#include "wholefile.h"

#include <QJsonArray>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <QJsonDocument>
#include <QJsonObject>

using P = DeviceProfileBlock;
using Sim = hid::SimulatedMouse;
using Items = QList<MacroItem>;
Q_DECLARE_METATYPE(Items)

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
    const QJsonObject root{{"Name", name}, {"Macro", events}, {"RepeatTimes", repeat}, {"IgnoreDelayTime", ignore}, {"MacroType", type}};
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

std::uint32_t entryOf(EngineFixture& f, int entry) { return f.engine->mouseProfileBlock().keyAt(P::KeyMatrix, entry).toUInt32(); }

int macroWrites(EngineFixture& f)
{
    int n = 0;
    for (const QByteArray& r : f.session.reports(Sim::Transfer::SetFeature, Sim::Role::Data))
        n += std::uint8_t(r[1]) == 0x04 ? 1 : 0;
    return n;
}
}  // namespace

class TestMacroDownload : public QObject {
    Q_OBJECT
private slots:
    void encoding_data();
    void encoding();
    void singleMacro_data();
    void singleMacro();
    void repeatCountHeader_data();
    void repeatCountHeader();
    void macroList();
    void tooLongIsRefused();
    void disconnected();
    void failedBlockWrite();
    void guard();
    void fileIsReadOnce();
};

void TestMacroDownload::encoding_data()
{
    QTest::addColumn<QJsonArray>("events");
    QTest::addColumn<int>("ignore");
    QTest::addColumn<Items>("items");
    const MacroItem end{0, 0};
    QTest::newRow("press A, 120 ms; release, no delay") << QJsonArray{key(0x41, 0, 120), key(0x41, 1, 0)} << 0
                                                        << Items{{0x78, 0x04}, {0x81, 0x04}, end};
    QTest::newRow("300 ms: mod 100 is 0, so 1") << QJsonArray{key(0x41, 0, 300)} << 0
                                                << Items{{0x01, 0x04}, {0x00, 0x01}, {0x00, 0x03}, end};
    QTest::newRow("1234 ms on a release") << QJsonArray{key(0x41, 1, 1234)} << 0
                                          << Items{{0xA2, 0x04}, {0x00, 0x01}, {0x00, 0x0C}, end};
    QTest::newRow("127 ms is still short") << QJsonArray{key(0x41, 0, 127)} << 0 << Items{{0x7F, 0x04}, end};
    QTest::newRow("delays ignored") << QJsonArray{key(0x41, 0, 120), key(0x41, 1, 5000)} << 2
                                    << Items{{0x01, 0x04}, {0x81, 0x04}, end};
    QTest::newRow("movement: y counts down") << QJsonArray{move(10, 5)} << 0 << Items{{0x00, 0x02}, {0x0A, 0xFB}, end};
    QTest::newRow("movement outside ±127 is clamped") << QJsonArray{move(300, -500)} << 0
                                                      << Items{{0x00, 0x02}, {0x7F, 0x7F}, end};
    QTest::newRow("a move to nowhere is dropped") << QJsonArray{move(0, 0), key(0x41, 0, 1)} << 0
                                                  << Items{{0x01, 0x04}, end};
    QTest::newRow("(-1, 1) goes in two steps, never as FF FF") << QJsonArray{move(-1, 1)} << 0
        << Items{{0x00, 0x02}, {0xFF, 0x00}, {0x00, 0x02}, {0x00, 0xFF}, end};
    QTest::newRow("right Ctrl has no key code") << QJsonArray{key(0xA3, 0, 1)} << 0 << Items{{0x01, 0x00}, end};
    QTest::newRow("mouse buttons") << QJsonArray{key(1, 0, 1), key(2, 0, 1), key(4, 1, 1)} << 0
                                   << Items{{0x01, 0xF0}, {0x01, 0xF1}, {0x81, 0xF2}, end};
    QTest::newRow("Enter is 0x28") << QJsonArray{key(13, 0, 1)} << 0 << Items{{0x01, 0x28}, end};
    QTest::newRow("a negative delay is none") << QJsonArray{key(0x41, 0, -500)} << 0 << Items{{0x01, 0x04}, end};
    QTest::newRow("a delay too long for 16 bits is cut to the longest")
        << QJsonArray{key(0x41, 0, 2000000000)} << 0 << Items{{99, 0x04}, {0x00, 0x01}, {0xFF, 0xFE}, end};
    QTest::newRow("other kinds carry nothing") << QJsonArray{QJsonObject{{"ValueType", 5}}} << 0 << Items{end};
    QTest::newRow("no events") << QJsonArray{} << 0 << Items{end};
}

void TestMacroDownload::encoding()
{
    QFETCH(QJsonArray, events);
    QFETCH(int, ignore);
    QFETCH(Items, items);
    EngineFixture f;
    QCOMPARE(f.engine->defineLocalMacro(macroFile("m", events, 1, ignore)), items);
}

void TestMacroDownload::singleMacro_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("entry");
    const int addresses[] = {0x8C, 0x94, 0x90, 0x9C, 0x98, 0xA4, 0xA0, 0xA8, 0xAC, 0xB0, 0xB4, 0xB8};
    const int entries[] = {0, 2, 1, 4, 3, 15, 14, 5, 6, 7, 8, 9};
    for (int button = 4; button <= 15; ++button)
        QTest::addRow("button %d", button) << button << addresses[button - 4] << entries[button - 4];
}

void TestMacroDownload::singleMacro()
{
    QFETCH(int, button);
    QFETCH(int, address);
    QFETCH(int, entry);
    EngineFixture f;
    QVERIFY(f.connectAndLoad());
    f.engine->slot_ChangeButtonToKey(8, 0, 0, 24);  // a second left button, so button 4 may change
    const QString path = macroFile("tap", QJsonArray{key(0x41, 0, 20), key(0x41, 1, 20)}, 3, 0, 2);
    f.engine->slot_WriteSingleMacro(button, path);

    const auto block = f.session.mouse().macroBlock(std::uint8_t(address));
    const std::vector<std::uint8_t> expected = {0x00, 0x03, 0x14, 0x04, 0x94, 0x04, 0x00, 0x00};
    QVERIFY(std::equal(expected.begin(), expected.end(), block.begin()));
    QCOMPARE(entryOf(f, entry), std::uint32_t(0x09 | 2 << 8 | address << 24));
    QCOMPARE(f.session.mouse().profileMemory()[std::size_t(P::KeyMatrix + 4 * entry + 3)], std::uint8_t(address));

    // The active profile keeps the block in the slot of its address, and its file with it.
    const int slot = f.engine->macroAddressMap.key(std::uint8_t(address));
    const MacroStruct& kept = f.engine->localProfileRecord().macros[std::size_t(slot)];
    QCOMPARE(kept.items.size(), 3);
    QCOMPARE(kept.header1, std::uint8_t(3));
    WholeStruct fromFile;
    QByteArray content;
    QVERIFY(readWholeFile(AppPaths::profileFile(1), content));
    QVERIFY(ProfileFile::decode(content, fromFile));
    QCOMPARE(fromFile.macros[std::size_t(slot)], kept);
}

void TestMacroDownload::repeatCountHeader_data()
{
    QTest::addColumn<int>("repeat");
    QTest::addColumn<int>("header0");
    QTest::addColumn<int>("header1");
    QTest::newRow("300") << 300 << 0x01 << 0x2C;
    QTest::newRow("1") << 1 << 0x00 << 0x01;
    QTest::newRow("0 plays once") << 0 << 0x00 << 0x01;
    QTest::newRow("-5 plays once") << -5 << 0x00 << 0x01;
    QTest::newRow("above 16 bits") << 100000 << 0xFF << 0xFE;
}

void TestMacroDownload::repeatCountHeader()
{
    QFETCH(int, repeat);
    QFETCH(int, header0);
    QFETCH(int, header1);
    EngineFixture f;
    QVERIFY(f.connectAndLoad());
    f.engine->slot_WriteSingleMacro(6, macroFile("r", QJsonArray{key(0x41, 0, 1)}, repeat));
    const auto block = f.session.mouse().macroBlock(0x90);
    QCOMPARE(int(block[0]), header0);
    QCOMPARE(int(block[1]), header1);
    QCOMPARE(entryOf(f, 1) & 0xFF, 0x09u);
}

void TestMacroDownload::macroList()
{
    EngineFixture f;
    QVERIFY(f.connectAndLoad());
    f.engine->slot_ChangeButtonToKey(8, 0, 0, 24);
    QList<QString> list;
    for (int i = 0; i < 6; ++i)
        list << macroFile(QString("list%1").arg(i), QJsonArray{key(0x41 + i, 0, 1)});
    f.session.mouse().clearLog();
    LogCapture log;
    f.engine->slot_WriteListMacro(list);

    QCOMPARE(macroWrites(f), 4);  // the first four only
    for (int i = 0; i < 4; ++i)
        QCOMPARE(f.session.mouse().macroBlock(std::uint8_t(0xD0 + 4 * i))[3], std::uint8_t(0x04 + i));
    QCOMPARE(f.session.mouse().macroBlock(0xE0)[3], std::uint8_t(0));
    QCOMPARE(f.mouseByte(P::MacroListCount), std::uint8_t(4));
    QCOMPARE(f.mouseByte(P::MacroListFlag), std::uint8_t(0));
    QCOMPARE(entryOf(f, 0), 0x11u);
    QCOMPARE(f.fileByte(P::MacroListCount), std::uint8_t(4));
    for (int slot = 12; slot < 16; ++slot)
        QCOMPARE(f.engine->localProfileRecord().macros[std::size_t(slot)].items.size(), 2);
}

void TestMacroDownload::tooLongIsRefused()
{
    EngineFixture f;
    QVERIFY(f.connectAndLoad());
    QSignalSpy warning(f.engine.get(), &DCDataHandle::sig_WarningOnlyLeftButton);
    const std::uint32_t before = entryOf(f, 1);
    // 510 events and the end item fit; 511 events do not.
    f.engine->slot_WriteSingleMacro(6, macroFile("fits", keyTaps(510)));
    QCOMPARE(warning.size(), 0);
    QCOMPARE(macroWrites(f), 1);
    f.session.mouse().clearLog();
    f.engine->slot_ChangeButtonToKey(6, 0, 0, 17);
    f.session.mouse().clearLog();

    f.engine->slot_WriteSingleMacro(6, macroFile("long", keyTaps(511)));
    QCOMPARE(warning.size(), 1);
    QCOMPARE(warning.first().first().toInt(), 19);
    QVERIFY(f.session.mouse().log().empty());  // not written, not assigned
    QCOMPARE(entryOf(f, 1), before);

    // In a list, one long macro stops the whole list.
    f.engine->slot_ChangeButtonToKey(8, 0, 0, 24);
    f.session.mouse().clearLog();
    f.engine->slot_WriteListMacro({macroFile("ok", keyTaps(2)), macroFile("long", keyTaps(600))});
    QCOMPARE(warning.size(), 2);
    QVERIFY(f.session.mouse().log().empty());
    QCOMPARE(entryOf(f, 0), 0x00F00001u);
}

void TestMacroDownload::disconnected()
{
    EngineFixture f;
    f.session.mouse().setPlugged(false);
    QVERIFY(!f.engine->connectMouse());
    f.engine->slot_WriteSingleMacro(15, macroFile("d", QJsonArray{key(0x41, 0, 1)}, 1, 0, 4));
    QVERIFY(f.session.mouse().log().empty());
    QCOMPARE(entryOf(f, 9), std::uint32_t(0x09 | 4 << 8 | 0xB8 << 24));  // assigned and saved …
    QCOMPARE(f.fileByte(P::KeyMatrix + 4 * 9 + 3, 1), std::uint8_t(0xB8));
    QVERIFY(f.engine->localProfileRecord().macros[11].items.isEmpty());  // … but no block kept
}

void TestMacroDownload::failedBlockWrite()
{
    EngineFixture f;
    QVERIFY(f.connectAndLoad());
    f.session.mouse().setNextWriteStatus(Sim::WriteKind::Macro, 1);
    LogCapture log;
    f.engine->slot_WriteSingleMacro(7, macroFile("f", QJsonArray{key(0x41, 0, 1)}));
    QVERIFY(log.contains("loginfo = driverWriteIntoMouse: the mouse did not take the macro block 156"));
    QVERIFY(f.engine->localProfileRecord().macros[4].items.isEmpty());  // slot copy skipped
    QCOMPARE(entryOf(f, 4) & 0xFF, 0x09u);                              // assignment still done
}

void TestMacroDownload::guard()
{
    EngineFixture f;
    QVERIFY(f.connectAndLoad());
    QSignalSpy warning(f.engine.get(), &DCDataHandle::sig_WarningOnlyLeftButton);
    const QString path = macroFile("g", QJsonArray{key(0x41, 0, 1)});
    f.engine->slot_WriteSingleMacro(4, path);
    f.engine->slot_WriteListMacro({path});
    QCOMPARE(warning.size(), 2);
    QCOMPARE(warning.at(1).first().toInt(), 6);
    QCOMPARE(macroWrites(f), 0);
    QCOMPARE(f.profileWrites(), 0);
    QCOMPARE(entryOf(f, 0), 0x00F00001u);
}

// A macro file replaced while it is downloaded: the block, its repeat count and the button's play
// mode all come from one version. The file is a pipe that hands version 1 to its first reader and
// version 2 to every later one.
void TestMacroDownload::fileIsReadOnce()
{
    EngineFixture f;
    QVERIFY(f.connectAndLoad());
    const QString path = AppPaths::macroFilesDir() + "/test/pipe.json";
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    const QByteArray fifo = QFile::encodeName(path);
    QVERIFY(mkfifo(fifo.constData(), 0600) == 0);
    auto version = [](int repeat, int type, int vk) {
        const QJsonObject root{{"Macro", QJsonArray{key(vk, 0, 5)}}, {"RepeatTimes", repeat}, {"MacroType", type}};
        return QJsonDocument(root).toJson(QJsonDocument::Compact);
    };
    const QByteArray first = version(3, 2, 0x41), later = version(5, 4, 0x42);
    std::atomic<bool> stop{false};
    std::atomic<int> served{0};
    std::thread server([&] {
        while (!stop) {
            const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);  // fails while no one reads
            if (fd < 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            const QByteArray& content = served == 0 ? first : later;
            QVERIFY(::write(fd, content.constData(), std::size_t(content.size())) == content.size());
            ::close(fd);
            ++served;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let the reader finish
        }
    });
    f.engine->slot_WriteSingleMacro(7, path);
    stop = true;
    server.join();

    QCOMPARE(served.load(), 1);
    const auto block = f.session.mouse().macroBlock(0x9C);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(block.data()), 6), QByteArray("\x00\x03\x05\x04\x00\x00", 6));
    QCOMPARE(entryOf(f, 4), std::uint32_t(0x09 | 2 << 8 | 0x9C << 24));  // mode 2 with it
}

QTEST_GUILESS_MAIN(TestMacroDownload)
#include "tst_macro_download.moc"
