// The bytes of a local profile file, and the installed factory profile.
#include "factoryprofile.h"
#include "logcapture.h"
#include "profilefile.h"
#include "testhelpers.h"
#include "wholefile.h"

#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(QList<MacroItem>)

namespace {
QByteArray hex(const char* text) { return QByteArray::fromHex(text); }
QByteArray settingsOf(char fill) { return QByteArray(WholeStruct::SettingsSize, fill); }
QByteArray emptySection() { return hex("ffff0000").repeated(16); }
}  // namespace

class TestProfileFile : public QObject {
    Q_OBJECT
private slots:
    void encodeAndDecodeAgain()
    {
        WholeStruct record;
        record.settings.fill(0x5A);
        QCOMPARE(ProfileFile::encode(record), settingsOf(0x5A) + emptySection());  // 298 bytes
        record.macros[3].items = {MacroItem{0x11, 0x00}, MacroItem{0x00, 0x00}};
        record.macros[15].header0 = 0x02;
        record.macros[15].header1 = 0x05;
        record.macros[15].items = {MacroItem{0x04, 0x80}, MacroItem{0x32, 0x01}, MacroItem{0x00, 0x00}};
        const QByteArray content = ProfileFile::encode(record);
        QCOMPARE(content.mid(234 + 3 * 4, 8), hex("ffff000111000000"));
        QCOMPARE(content.size(), 298 + 4 + 6);
        WholeStruct back;
        QVERIFY(ProfileFile::decode(content, back));
        QCOMPARE(ProfileFile::encode(back), content);
        // Content shorter than the settings leaves the record alone.
        QVERIFY(!ProfileFile::decode(settingsOf(0x11).left(233), back));
        QCOMPARE(back.settings[0], std::uint8_t(0x5A));
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("header0");
        QTest::addColumn<QList<MacroItem>>("items");
        QTest::addColumn<int>("filledSlots");
        QTest::newRow("fewer than 16 records")
            << hex("ffff0000ffff00010400") << 1 << 0 << QList<MacroItem>{{4, 0}} << 1;
        QTest::newRow("a terminator closes and adds the 0 item")
            << hex("ffff000104800000") << 0 << 0 << QList<MacroItem>{{4, 0x80}, {0, 0}} << 1;
        QTest::newRow("odd length pairs the last byte with 0")
            << hex("ffff00010480ff") << 0 << 0 << QList<MacroItem>{{4, 0x80}, {0xff, 0}} << 1;
        QTest::newRow("FF FF inside a macro is dropped")
            << hex("ffff00010480ffff04000000") << 0 << 0 << QList<MacroItem>{{4, 0x80}, {4, 0}, {0, 0}} << 1;
        QTest::newRow("header without a record start")
            << hex("0201048000000000") << 0 << 2 << QList<MacroItem>{{4, 0x80}, {0, 0}} << 1;
        QTest::newRow("records past the sixteenth are ignored")
            << emptySection() + hex("ffff000104800000") << 0 << 0 << QList<MacroItem>{} << 0;
    }

    void decode()
    {
        QFETCH(int, slot);
        WholeStruct record;
        for (MacroStruct& m : record.macros)
            m.items = {MacroItem{0xAA, 0xBB}};  // whatever was there before goes
        QVERIFY(ProfileFile::decode(settingsOf(0x11) + fetched<QByteArray>("section"), record));
        QCOMPARE(record.settings[233], std::uint8_t(0x11));
        QCOMPARE(record.macros[std::size_t(slot)].header0, std::uint8_t(fetched<int>("header0")));
        QCOMPARE(record.macros[std::size_t(slot)].items, fetched<QList<MacroItem>>("items"));
        int filled = 0;
        for (const MacroStruct& m : record.macros)
            filled += m.items.isEmpty() ? 0 : 1;
        QCOMPARE(filled, fetched<int>("filledSlots"));
    }

    // A first record of 100 000 items, then one of a single item: the first keeps what a macro block
    // holds (510 items and the end item), the second is still found, and the log is not flooded.
    void longRecordKeepsWhatABlockHolds()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Config1.txt");
        QVERIFY(writeWholeFile(path, settingsOf(0x11) + hex("ffff0102") + hex("0480").repeated(100000)
                                         + hex("0000ffff000111000000")));
        LogCapture log;
        WholeStruct record;
        QVERIFY(ProfileFile::read(path, record));
        const QList<MacroItem>& items = record.macros[0].items;
        QCOMPARE(items.size(), MacroStruct::MaxItems);
        QCOMPARE(items.count(MacroItem{4, 0x80}), MacroStruct::MaxItems - 1);
        QCOMPARE(items.last(), (MacroItem{0, 0}));
        QCOMPARE(record.macros[1].items, (QList<MacroItem>{{0x11, 0}, {0, 0}}));
        QVERIFY(log.lines().size() < 100);
    }

    // That it is a usable profile (buttons, DPI) shows where a first start loads it into the mouse.
    void installedFactoryProfileIsTheGeneratorsOutput()
    {
        WholeStruct record;
        record.copySettingsFrom(FactoryProfile::block());
        QCOMPARE(fileContent(ZR540_SOURCE_DIR "/install/ConfigFiles/LocalFile/Config0.txt"),
                 ProfileFile::encode(record));
    }
};

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profile_file.moc"
