// One report in or out: buffer layout, lengths, refusals and the log lines of failures. (What a
// set-feature puts on the wire is pinned by the protocol's request bytes.)
#include "logcapture.h"
#include "openmouse.h"

#include <algorithm>

class TestDeviceTransport : public QObject {
    Q_OBJECT
private slots:
    void getFeatureTransfersTheWholeReport();
    void oversizedPayloadIsRefused_data();
    void oversizedPayloadIsRefused();
    void failuresAreLogged_data();
    void failuresAreLogged();
    void shortReplyIsRefused();
    void closedChannelSendsNothing();
};

void TestDeviceTransport::getFeatureTransfersTheWholeReport()
{
    OpenMouse m;
    std::uint8_t out[8];
    std::fill(out, out + 8, 0xAA);
    QCOMPARE(m.driver.GetFeatureReport(&m.driver.dataChannel, out, 6), 1);
    const auto got = m.session.reports(Sim::Transfer::GetFeature, Sim::Role::Data);
    QCOMPARE(got.size(), std::size_t(1));
    QCOMPARE(got[0].size(), 1032);
    // The caller gets the first six bytes, report id first, and nothing beyond them is touched.
    QCOMPARE(QByteArray(reinterpret_cast<char*>(out), 8), got[0].left(6) + bytes({0xAA, 0xAA}));
    QCOMPARE(out[0], std::uint8_t(6));
}

void TestDeviceTransport::oversizedPayloadIsRefused_data()
{
    QTest::addColumn<bool>("dataChannel");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("command, 5 bytes fit") << false << 5 << true;
    QTest::newRow("command, 6 bytes do not") << false << 6 << false;
    QTest::newRow("data, 1032 bytes do not") << true << 1032 << false;  // 1031 fit: every bulk write
    QTest::newRow("negative length") << true << -1 << false;
}

void TestDeviceTransport::oversizedPayloadIsRefused()
{
    QFETCH(int, length);
    QFETCH(bool, accepted);
    OpenMouse m;
    HidChannel* channel = fetched<bool>("dataChannel") ? &m.driver.dataChannel : &m.driver.commandChannel;
    std::vector<std::uint8_t> payload(2000, 0x00);
    payload[0] = 0x82;  // a status request: harmless for the mouse on either channel
    QCOMPARE(m.driver.SetFeatureReport(channel, payload.data(), length), accepted ? 1 : 0);
    QCOMPARE(m.driver.WriteOutputReport(channel, payload.data(), length), 0);  // the mouse has no output report
    QCOMPARE(m.mouse().log().size(), std::size_t(accepted ? 2 : 0));

    std::vector<std::uint8_t> in(2000, 0);
    QCOMPARE(m.driver.GetFeatureReport(channel, in.data(), length < 0 ? length : length + 1), accepted ? 1 : 0);
}

void TestDeviceTransport::failuresAreLogged_data()
{
    QTest::addColumn<int>("transfer");
    QTest::addColumn<QString>("line");
    QTest::newRow("set feature") << int(Sim::Transfer::SetFeature) << "HidD_SetFeature fail: 31";
    QTest::newRow("get feature") << int(Sim::Transfer::GetFeature) << "HidD_GetFeature Failed, Error Code 31\n";
    QTest::newRow("output report") << int(Sim::Transfer::WriteReport) << "WriteFile Failed, Error Code 1\n";
    QTest::newRow("input report") << int(Sim::Transfer::ReadReport) << "HidD_GetInputReport Failed, Error Code 1\n";
}

void TestDeviceTransport::failuresAreLogged()
{
    QFETCH(int, transfer);
    OpenMouse m;
    m.mouse().failNextTransfer(static_cast<Sim::Transfer>(transfer));
    LogCapture log;
    std::uint8_t buffer[16] = {0x82};
    HidChannel* channel = &m.driver.dataChannel;
    int result = -1;
    switch (static_cast<Sim::Transfer>(transfer)) {
    case Sim::Transfer::SetFeature: result = m.driver.SendFeature(channel, buffer, 1); break;
    case Sim::Transfer::GetFeature: result = m.driver.ReceiveFeature(channel, buffer, 6); break;
    case Sim::Transfer::WriteReport: result = m.driver.WriteOutputReport(channel, buffer, 1); break;
    case Sim::Transfer::ReadReport: result = m.driver.ReadInputReport(channel, buffer, 6); break;
    }
    QCOMPARE(result, 0);
    QCOMPARE(log.lines(), QStringList{fetched<QString>("line")});
}

void TestDeviceTransport::shortReplyIsRefused()
{
    OpenMouse m;
    m.mouse().garbleNextReply([](std::vector<std::uint8_t>& reply) { reply.resize(100); });
    LogCapture log;
    std::vector<std::uint8_t> out(1032, 0xAA);
    QCOMPARE(m.driver.GetFeatureReport(&m.driver.dataChannel, out.data(), 1032), 0);
    QVERIFY(std::all_of(out.begin(), out.end(), [](std::uint8_t b) { return b == 0xAA; }));
    QCOMPARE(log.lines().size(), 1);
    QVERIFY(log.lines().first().contains(QStringLiteral("short reply")));
}

void TestDeviceTransport::closedChannelSendsNothing()
{
    OpenMouse m;
    m.driver.CloseDevice();
    LogCapture log;  // a closed channel never reaches the system, so no failure is logged either
    const std::uint8_t data[] = {0x82};
    std::uint8_t out[6];
    QCOMPARE(m.driver.SendFeature(&m.driver.commandChannel, data, 1), 0);
    QCOMPARE(m.driver.ReceiveFeature(&m.driver.dataChannel, out, 6), 0);
    QCOMPARE(m.driver.SendFeature(nullptr, data, 1), 0);
    QCOMPARE(m.driver.SendFeature(&m.driver.commandChannel, nullptr, 1), 0);
    QCOMPARE(m.driver.ReceiveFeature(nullptr, out, 6), 0);
    QVERIFY(m.commands().empty());
    QCOMPARE(log.lines(), QStringList());
}

QTEST_GUILESS_MAIN(TestDeviceTransport)
#include "tst_device_transport.moc"
