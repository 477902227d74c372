// Finding the mouse: which collections become which channel, and what is left alone.
#include "logcapture.h"
#include "simulatedmousesession.h"
#include "usbdriver540.h"

#include <QtTest>

using Sim = hid::SimulatedMouse;
using Collections = std::vector<Sim::Collection>;
Q_DECLARE_METATYPE(Collections)

namespace {
Sim::Collection withLength(Sim::Collection c, std::uint16_t length, const std::string& path)
{
    c.caps.featureReportByteLength = length;
    c.path = path;
    return c;
}
Sim::Collection unopenable(Sim::Collection c)
{
    c.openable = false;
    return c;
}
Sim::Collection withUsage(Sim::Collection c, std::uint16_t usagePage, std::uint16_t usage)
{
    c.caps.usagePage = usagePage;
    c.caps.usage = usage;
    return c;
}
}  // namespace

class TestDeviceOpen : public QObject {
    Q_OBJECT
private slots:
    void openDevice_data();
    void openDevice();
    void otherLengthIsClosedAgain();
    void onlyUsagePageMatchingTalksWithReportIdZero();
    void logsTheSearch();
    void closeTwiceAndReopen();
    void unpluggedMouseIsNotFound();
};

void TestDeviceOpen::openDevice_data()
{
    QTest::addColumn<Collections>("collections");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("commandOpen");
    QTest::addColumn<bool>("dataOpen");

    const Sim::Collection command = Sim::commandCollection();
    const Sim::Collection data = Sim::dataCollection();
    const Sim::Collection pointer = Sim::pointerCollection();
    const Sim::Collection keyboard = Sim::otherDevice(0x046D, 0xC31C, "Keyboard");
    const Sim::Collection sibling = Sim::otherDevice(0x2F73, 0x1234, "Other mouse of the same maker");

    QTest::newRow("command first") << Collections{pointer, command, data} << 1 << true << true;
    QTest::newRow("data first") << Collections{data, pointer, command} << 1 << true << true;
    QTest::newRow("no device at all") << Collections{} << 0 << false << false;
    QTest::newRow("only unrelated devices") << Collections{keyboard, sibling} << 0 << false << false;
    QTest::newRow("unrelated devices around the mouse")
        << Collections{keyboard, command, sibling, data, keyboard} << 1 << true << true;
    QTest::newRow("data collection cannot be opened") << Collections{command, unopenable(data)} << 0 << true << false;
    QTest::newRow("command collection cannot be opened") << Collections{unopenable(command), data} << 0 << false << true;
    QTest::newRow("pointer only") << Collections{pointer} << 0 << false << false;
    QTest::newRow("neither usage nor page matches")
        << Collections{withUsage(command, 0xFF01, 0x0002), data} << 0 << false << true;
}

void TestDeviceOpen::openDevice()
{
    QFETCH(Collections, collections);
    QFETCH(int, result);
    QFETCH(bool, commandOpen);
    QFETCH(bool, dataOpen);

    SimulatedMouseSession session;
    session.mouse().setCollections(collections);
    USBDriver_540 driver(session.shared(), session.confirmPause());
    driver.SetDeviceIds(0x5C48, 0x2F73);
    QCOMPARE(driver.OpenDevice(), result);

    QCOMPARE(driver.commandChannel.readHandle != hid::InvalidHandle, commandOpen);
    QCOMPARE(driver.commandChannel.writeHandle != hid::InvalidHandle, commandOpen);
    QCOMPARE(driver.dataChannel.readHandle != hid::InvalidHandle, dataOpen);
    QCOMPARE(driver.dataChannel.writeHandle != hid::InvalidHandle, dataOpen);
    if (commandOpen) {
        QCOMPARE(driver.commandChannel.featureReportLength, std::uint16_t(6));
        QCOMPARE(driver.commandChannel.reportId, std::uint32_t(Sim::CommandReportId));
        QCOMPARE(driver.commandChannel.devicePath, QString::fromStdString(Sim::commandCollection().path));
    }
    if (dataOpen) {
        QCOMPARE(driver.dataChannel.featureReportLength, std::uint16_t(1032));
        QCOMPARE(driver.dataChannel.reportId, std::uint32_t(Sim::ReplyReportId));
    }
    QCOMPARE(driver.GetVersionNumber(), result ? Sim::ReleaseNumber : std::uint16_t(0));

    if (result) {
        // An opened mouse answers: the channels really are the right way round.
        DeviceProfileBlock block;
        QCOMPARE(driver.GetProfileData(&block), 1);
        QCOMPARE(block.bytes[DeviceProfileBlock::ForcedOne], std::uint8_t(1));
    }
}

void TestDeviceOpen::otherLengthIsClosedAgain()
{
    SimulatedMouseSession session;
    const Sim::Collection odd = withLength(Sim::dataCollection(), 64, "sim:zr540/odd");
    session.mouse().setCollections({Sim::commandCollection(), odd, Sim::dataCollection()});
    USBDriver_540 driver(session.shared(), session.confirmPause());
    driver.SetDeviceIds(0x5C48, 0x2F73);
    QCOMPARE(driver.OpenDevice(), 1);
    QCOMPARE(driver.dataChannel.devicePath, QString::fromStdString(Sim::dataCollection().path));
    QCOMPARE(driver.commandChannel.devicePath, QString::fromStdString(Sim::commandCollection().path));

    // Only the odd collection in sight: opened, closed again, neither channel touched.
    session.mouse().setCollections({odd});
    QCOMPARE(driver.OpenDevice(), 0);
    QCOMPARE(driver.dataChannel.readHandle, hid::InvalidHandle);
    QCOMPARE(driver.commandChannel.readHandle, hid::InvalidHandle);
}

void TestDeviceOpen::onlyUsagePageMatchingTalksWithReportIdZero()
{
    SimulatedMouseSession session;
    Sim::Collection command = withUsage(Sim::commandCollection(0), 0xFF00, 0x0005);
    session.mouse().setCollections({command, Sim::dataCollection()});
    LogCapture log;
    USBDriver_540 driver(session.shared(), session.confirmPause());
    driver.SetDeviceIds(0x5C48, 0x2F73);
    QCOMPARE(driver.OpenDevice(), 1);
    QCOMPARE(driver.commandChannel.reportId, std::uint32_t(0));
    // Only the fully matching collection had its value caps walked.
    QCOMPARE(log.count(QStringLiteral("out  report id:6 count:407")), 1);
    QCOMPARE(log.count(QStringLiteral("out  report id:0 count:5")), 0);

    std::uint8_t status = 0xEE;
    QCOMPARE(driver.QueryStatus(&status, 1), 1);  // requests with id 0 reach a collection without ids
    QCOMPARE(status, std::uint8_t(0));
}

void TestDeviceOpen::logsTheSearch()
{
    SimulatedMouseSession session;
    session.mouse().setCollections(
        {Sim::otherDevice(0x046D, 0xC31C, "Keyboard"), Sim::pointerCollection(), Sim::commandCollection(),
         Sim::dataCollection()});
    LogCapture log;
    USBDriver_540 driver(session.shared(), session.confirmPause());
    driver.SetDeviceIds(0x5C48, 0x2F73);
    QCOMPARE(driver.OpenDevice(), 1);

    const QStringList expected = {
        "name: Keyboard",
        "Attributes: 46d c31c 2f73 5c48",
        "name: ZR540",
        "Attributes: 2f73 5c48 2f73 5c48",
        "Usage: 2 UsagePage: 1 Feature report: 0 FeatureReportByteLength: 0 NumberInputValueCaps 3 "
        "InputReportByteLength: 8 NumberOutputValueCaps 0 OutputReportByteLength: 0",
        "NumberFeatureValueCaps == 0",
        "name: ZR540",
        "Attributes: 2f73 5c48 2f73 5c48",
        "Usage: 1 UsagePage: ff00 Feature report: 1 FeatureReportByteLength: 6 NumberInputValueCaps 0 "
        "InputReportByteLength: 0 NumberOutputValueCaps 0 OutputReportByteLength: 0",
        "out Usage: 1, UsagePage: ff00",
        "out  report id:5 count:5",
        "讀訪問設備成功 读写指针创建成功\n",
        "name: ZR540",
        "Attributes: 2f73 5c48 2f73 5c48",
        "Usage: 1 UsagePage: ff00 Feature report: 1 FeatureReportByteLength: 1032 NumberInputValueCaps 0 "
        "InputReportByteLength: 0 NumberOutputValueCaps 0 OutputReportByteLength: 0",
        "out Usage: 1, UsagePage: ff00",
        "out  report id:6 count:407",
        "讀訪問設備成功 读写指针创建成功\n",
    };
    QCOMPARE(log.lines(), expected);

    session.mouse().setCollections({Sim::commandCollection(), unopenable(Sim::dataCollection())});
    log.clear();
    QCOMPARE(driver.OpenDevice(), 0);
    QVERIFY(log.contains(QStringLiteral("INVALID_HANDLE_VALUE")));

    Sim::Collection readOnly = Sim::dataCollection();
    session.mouse().setCollections({Sim::commandCollection(), withUsage(readOnly, 0xFF01, 0x0002)});
    log.clear();
    QCOMPARE(driver.OpenDevice(), 0);
    QVERIFY(log.contains(QStringLiteral("Usage  UsagePage  error")));
}

void TestDeviceOpen::closeTwiceAndReopen()
{
    SimulatedMouseSession session;
    USBDriver_540 driver(session.shared(), session.confirmPause());
    driver.SetDeviceIds(0x5C48, 0x2F73);
    QCOMPARE(driver.OpenDevice(), 1);
    driver.CloseDevice();
    driver.CloseDevice();
    for (const HidChannel* channel : {&driver.commandChannel, &driver.dataChannel}) {
        QCOMPARE(channel->readHandle, hid::InvalidHandle);
        QCOMPARE(channel->writeHandle, hid::InvalidHandle);
    }
    DeviceProfileBlock block;
    QCOMPARE(driver.GetProfileData(&block), 0);  // a closed driver sends nothing
    QCOMPARE(driver.OpenDevice(), 1);
    QCOMPARE(driver.GetProfileData(&block), 1);
}

void TestDeviceOpen::unpluggedMouseIsNotFound()
{
    SimulatedMouseSession session;
    USBDriver_540 driver(session.shared(), session.confirmPause());
    driver.SetDeviceIds(0x5C48, 0x2F73);
    QCOMPARE(driver.OpenDevice(), 1);
    session.mouse().setPlugged(false);
    DeviceProfileBlock block;
    QCOMPARE(driver.GetProfileData(&block), 0);  // its handles died with it
    QCOMPARE(driver.OpenDevice(), 0);
    session.mouse().setPlugged(true);
    QCOMPARE(driver.OpenDevice(), 1);
    QCOMPARE(driver.GetProfileData(&block), 1);
}

QTEST_GUILESS_MAIN(TestDeviceOpen)
#include "tst_device_open.moc"
