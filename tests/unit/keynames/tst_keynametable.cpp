// The key-name table: the stored list against tests/data/keynames/keynametable.txt (every entry,
// in order), and the codes around the named ones.
#include "keynametable.h"

#include <QFile>
#include <QtTest>

class TestKeyNameTable : public QObject {
    Q_OBJECT
private slots:
    void listAndLookupMatchTheGoldenFile()
    {
        QFile file(QStringLiteral(ZR540_TEST_DATA_DIR "/keynames/keynametable.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QStringList golden;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (!line.isEmpty() && !line.startsWith('#'))
                golden << QString::fromLatin1(line);
        }
        QStringList stored;
        for (const KeyNameTable::Entry* e = KeyNameTable::begin(); e != KeyNameTable::end(); ++e)
            stored << "0x" + QString::number(e->virtualKey, 16).toUpper().rightJustified(2, '0') + ' ' + e->name;
        QCOMPARE(stored, golden);
        QCOMPARE(int(KeyNameTable::size()), golden.size());
        for (const QString& line : golden)
            QCOMPARE(KeyNameTable::lookup(line.section(' ', 0, 0).toInt(nullptr, 16)), line.section(' ', 1));
    }

    void codesWithoutName_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("0") << 0;
        QTest::newRow("negative") << -1;
        QTest::newRow("generic Shift 0x10") << 0x10;
        QTest::newRow("'A' plus 256") << 0x141;
    }

    void codesWithoutName()
    {
        QFETCH(int, code);
        QVERIFY(KeyNameTable::lookup(code).isNull());
    }
};

QTEST_GUILESS_MAIN(TestKeyNameTable)
#include "tst_keynametable.moc"
