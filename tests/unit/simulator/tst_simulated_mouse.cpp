// The simulated mouse's own promises that the demo and the tests rely on: its memory survives a
// restart through its file, a broken file is refused, and a listing failure reaches the driver.
#include "openmouse.h"

#include <QTemporaryDir>

class TestSimulatedMouse : public QObject {
    Q_OBJECT
private slots:
    void memoryOutlivesARestart();
    void brokenFileIsRefused_data();
    void brokenFileIsRefused();
};

void TestSimulatedMouse::memoryOutlivesARestart()
{
    QTemporaryDir dir;
    const std::string file = dir.filePath("mouse.bin").toStdString();
    {
        OpenMouse m;
        QVERIFY(m.mouse().setPersistenceFile(file));  // nothing saved yet: fine
        DeviceProfileBlock block = DeviceProfileBlock::initial();
        block.bytes[242] = 2;
        QCOMPARE(m.driver.SetProfileData(&block), 1);
        MacroStruct macro;
        macro.items << MacroItem{0x04, 0x80};
        QCOMPARE(m.driver.SetMacroData(&macro, 200), 1);
        std::uint8_t picture[1024] = {0x81};
        QCOMPARE(m.driver.SetPictureData(picture), 1);
        m.mouse().setNextWriteStatus(Sim::WriteKind::Profile, 1);  // a refused write is not saved
        block.bytes[242] = 0;
        QCOMPARE(m.driver.SetProfileData(&block), 0);
        // A listing failure reaches the driver.
        m.mouse().setEnumerationFails(true);
        QCOMPARE(openZR540(m.driver), 0);
    }
    Sim restarted;
    QVERIFY(restarted.setPersistenceFile(file));
    QCOMPARE(restarted.profileMemory()[242], std::uint8_t(2));
    QCOMPARE(restarted.macroBlock(200)[2], std::uint8_t(0x04));
    QCOMPARE(restarted.picture()[0], std::uint8_t(0x81));
    QVERIFY(!QFile::exists(QString::fromStdString(file + ".tmp")));
}

void TestSimulatedMouse::brokenFileIsRefused_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("another file") << QByteArray("not a mouse at all");
    QTest::newRow("cut") << QByteArray("ZR540SIM") + QByteArray(100, '\x01');
}

void TestSimulatedMouse::brokenFileIsRefused()
{
    QTemporaryDir dir;
    QFile file(dir.filePath("mouse.bin"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(fetched<QByteArray>("content")) >= 0);
    file.close();
    Sim::Memory memory{};
    memory[0] = 1;
    Sim mouse(memory);
    QVERIFY(!mouse.setPersistenceFile(file.fileName().toStdString()));
    QCOMPARE(mouse.profileMemory(), memory);  // keeps what it was built with
}

QTEST_GUILESS_MAIN(TestSimulatedMouse)
#include "tst_simulated_mouse.moc"
