// The mouse's report protocol on the simulated mouse: the bytes of every request and write, the
// replies each read accepts, and the status check after every write. (Reading macros back from the
// mouse is not tested here: the program never does it; the block decoder has its fuzz target.)
#include "openmouse.h"

#include <functional>

using Edit = std::function<void(std::vector<std::uint8_t>&)>;
Q_DECLARE_METATYPE(Edit)

namespace {
QByteArray commandReport(std::initializer_list<int> data) { return (bytes({5}) + bytes(data)).leftJustified(6, '\0'); }

Edit setBytes(std::vector<std::pair<int, int>> changes)
{
    return [changes](std::vector<std::uint8_t>& reply) {
        for (const auto& c : changes)
            reply[std::size_t(c.first)] = std::uint8_t(c.second);
    };
}
}  // namespace

class TestDeviceProtocol : public QObject {
    Q_OBJECT
private slots:
    // With the pause a driver takes when given none: the mouse's own.
    void theProgramPausesFiftyMillisecondsBeforeTheStatus()
    {
        SimulatedMouseSession session;
        USBDriver_540 driver(session.shared());
        QCOMPARE(openZR540(driver), 1);
        session.mouse().clearLog();
        DeviceProfileBlock block = DeviceProfileBlock::initial();
        QCOMPARE(driver.SetProfileData(&block), 1);
        const auto log = session.mouse().log();  // the write, the status request, the status reply
        QCOMPARE(log.at(1).role, Sim::Role::Command);
        QVERIFY(log[1].time - log[0].time >= std::chrono::milliseconds(50));
    }

    void requestBytes()
    {
        OpenMouse m;
        DeviceProfileBlock block;
        std::uint8_t picture[1024], status = 0;
        QCOMPARE(m.driver.GetProfileData(&block), 1);
        QCOMPARE(m.driver.GetPictureData(picture), 1);
        QCOMPARE(m.driver.QueryStatus(&status, 2), 1);
        QCOMPARE(m.commands(), (std::vector<QByteArray>{commandReport({0x83, 0x00}), commandReport({0x85, 0x80}),
                                                        commandReport({0x82})}));
        QVERIFY(m.writes().empty());
    }

    void profileWriteBytes()
    {
        OpenMouse m;
        DeviceProfileBlock block = DeviceProfileBlock::initial();
        for (int i = 242; i < 476; ++i)
            block.bytes[i] = std::uint8_t(i * 7);
        // Before any read the cache beyond the block is zero, and so are bytes 476–503 of the write.
        QCOMPARE(m.driver.SetProfileData(&block), 1);
        const QByteArray sent = bytes({6, 0x03, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00})
                                + QByteArray(reinterpret_cast<const char*>(block.bytes.data()), 476);
        QCOMPARE(m.writes(), std::vector<QByteArray>{sent.leftJustified(1032, '\0')});
        QCOMPARE(m.commands(), std::vector<QByteArray>{commandReport({0x82})});

        // After a read, bytes 476–503 are what the mouse sent beyond the block.
        Sim::Memory memory = SimulatedMouseSession::factoryMemory();
        for (int i = 476; i < 1024; ++i)
            memory[std::size_t(i)] = std::uint8_t(i);
        m.mouse().setProfileMemory(memory);
        QCOMPARE(m.driver.GetProfileData(&block), 1);
        QVERIFY(std::equal(block.bytes.begin(), block.bytes.end(), memory.begin()));
        QCOMPARE(m.driver.SetProfileData(&block), 1);
        const QByteArray again = m.writes().back();
        for (int i = 476; i < 504; ++i)
            QCOMPARE(std::uint8_t(again[8 + i]), std::uint8_t(i));
        QCOMPARE(std::uint8_t(again[8 + 504]), std::uint8_t(0));  // the closing zero, not cache byte 504
    }

    void macroAndPictureWriteBytes()
    {
        OpenMouse m;
        MacroStruct block;
        block.header1 = 0x03;
        block.items << MacroItem{0x04, 0x80} << MacroItem{0x32, 0x00} << MacroItem{0x00, 0x00};
        QCOMPARE(m.driver.SetMacroData(&block, 160), 1);
        QCOMPARE(m.writes().back(), bytes({6, 0x04, 160, 0x00, 0x04, 0, 0, 0, 0x00, 0x03, 0x04, 0x80, 0x32, 0x00})
                                        .leftJustified(1032, '\0'));
        // 511 items fill the report to its last byte; 512 do not fit and nothing is sent.
        MacroStruct full;
        for (int i = 0; i < 511; ++i)
            full.items << MacroItem{std::uint8_t(i), 0x01};
        QCOMPARE(m.driver.SetMacroData(&full, 140), 1);
        QCOMPARE(m.writes().back().mid(1030), bytes({510 & 0xFF, 0x01}));
        full.items << MacroItem{0x01, 0x01};
        m.mouse().clearLog();
        QCOMPARE(m.driver.SetMacroData(&full, 140), 0);
        QVERIFY(m.mouse().log().empty());

        std::uint8_t picture[1024];
        for (int i = 0; i < 1024; ++i)
            picture[i] = std::uint8_t(255 - i % 256);
        QCOMPARE(m.driver.SetPictureData(picture), 1);
        QCOMPARE(m.writes().back(), bytes({6, 0x05, 0x80, 0x00, 0x04, 0x00, 0x00, 0x00})
                                        + QByteArray(reinterpret_cast<const char*>(picture), 1024));
    }

    // A read reply is taken when any one of its identifying bytes is right, refused when all are
    // garbled or the reply is short.
    void readAcceptance_data()
    {
        QTest::addColumn<QString>("read");
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<int>("result");
        QTest::newRow("profile as sent") << "profile" << setBytes({}) << 1;
        QTest::newRow("profile, both garbled") << "profile" << setBytes({{0, 0x05}, {1, 0x00}}) << 0;
        QTest::newRow("profile, reply too short") << "profile" << Edit([](std::vector<std::uint8_t>& r) { r.resize(1031); }) << 0;
        QTest::newRow("picture, only the address") << "picture" << setBytes({{0, 5}, {1, 0}}) << 1;
        QTest::newRow("picture, all garbled") << "picture" << setBytes({{0, 5}, {1, 0}, {2, 0}}) << 0;
        QTest::newRow("status, command not 0x82") << "status" << setBytes({{1, 0x83}}) << 0;
        QTest::newRow("status, reply too short") << "status" << Edit([](std::vector<std::uint8_t>& r) { r.resize(5); }) << 0;
    }

    void readAcceptance()
    {
        QFETCH(QString, read);
        QFETCH(int, result);
        OpenMouse m;
        m.mouse().garbleNextReply(fetched<Edit>("edit"));
        DeviceProfileBlock block;
        block.bytes.fill(0xEE);
        std::uint8_t buffer[1024], status = 0xEE;
        if (read == "profile") {
            QCOMPARE(m.driver.GetProfileData(&block), result);
            QCOMPARE(block.bytes[0], std::uint8_t(result ? 1 : 0xEE));
        } else if (read == "picture") {
            QCOMPARE(m.driver.GetPictureData(buffer), result);
        } else {
            QCOMPARE(m.driver.QueryStatus(&status, 1), result);
            QCOMPARE(status, std::uint8_t(result ? 0 : 0xEE));
        }
    }

    // Each kind of write reads its own status byte (reply byte 2 + kind).
    void writeStatus_data()
    {
        QTest::addColumn<int>("kind");  // 0 profile, 1 macro, 2 picture
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("result");
        for (int kind = 0; kind < 3; ++kind) {
            QTest::addRow("kind %d refused", kind) << kind << "refused" << 0;
            QTest::addRow("kind %d taken, the other kinds refused", kind) << kind << "others refused" << 1;
        }
        QTest::newRow("write fails") << 0 << "write fails" << 0;
        QTest::newRow("status request fails") << 1 << "status request fails" << 0;
        QTest::newRow("status reply fails") << 2 << "status reply fails" << 0;
    }

    void writeStatus()
    {
        QFETCH(int, kind);
        QFETCH(QString, fault);
        OpenMouse m;
        if (fault == "refused")
            m.mouse().setNextWriteStatus(static_cast<Sim::WriteKind>(kind), 1);
        else if (fault == "others refused")
            m.mouse().garbleNextReply(setBytes({{2 + (kind + 1) % 3, 1}, {2 + (kind + 2) % 3, 1}}));
        else if (fault == "status reply fails")
            m.mouse().failNextTransfer(Sim::Transfer::GetFeature);
        else
            m.mouse().failNextTransfer(Sim::Transfer::SetFeature, fault == "write fails" ? 0 : 1);
        DeviceProfileBlock block = DeviceProfileBlock::initial();
        MacroStruct macro;
        macro.items << MacroItem{0x04, 0x80};
        std::uint8_t picture[1024] = {0x55};
        QCOMPARE(kind == 0 ? m.driver.SetProfileData(&block) : kind == 1 ? m.driver.SetMacroData(&macro, 144)
                                                                          : m.driver.SetPictureData(picture),
                 fetched<int>("result"));
        // The status query happens exactly when the write itself went out.
        QCOMPARE(m.commands().size(), std::size_t(fault == "write fails" || fault == "status request fails" ? 0 : 1));
    }
};

QTEST_GUILESS_MAIN(TestDeviceProtocol)
#include "tst_device_protocol.moc"
