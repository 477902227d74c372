// The simulated mouse's memory file: a broken one is refused. (That the memory outlives a restart
// through it, every zr540ctl round trip shows: each command is a process of its own.)
#include "openmouse.h"

#include <QTemporaryDir>

class TestSimulatedMouse : public QObject {
    Q_OBJECT
private slots:
    void brokenFileIsRefused_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("another file") << QByteArray("not a mouse at all");
        QTest::newRow("cut") << QByteArray("ZR540SIM") + QByteArray(100, '\x01');
    }

    void brokenFileIsRefused()
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
};

QTEST_GUILESS_MAIN(TestSimulatedMouse)
#include "tst_simulated_mouse.moc"
