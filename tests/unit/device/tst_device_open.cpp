// Finding the mouse: which collections become which channel, and what is left alone.
#include "logcapture.h"
#include "openmouse.h"

struct Search {
    std::vector<Sim::Collection> collections;
    int result;
    bool commandOpen, dataOpen;
    QString logged;  // a line of the search's log, when not empty
};
Q_DECLARE_METATYPE(Search)

namespace {
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
    void closeUnplugAndReopen();
};

void TestDeviceOpen::openDevice_data()
{
    QTest::addColumn<Search>("search");
    const Sim::Collection command = Sim::commandCollection(), data = Sim::dataCollection(),
                          pointer = Sim::pointerCollection();
    const Sim::Collection keyboard = Sim::otherDevice(0x046D, 0xC31C, "Keyboard");
    const Sim::Collection sibling = Sim::otherDevice(0x2F73, 0x1234, "Other mouse of the same maker");
    QTest::newRow("command first") << Search{{pointer, command, data}, 1, true, true, {}};
    QTest::newRow("data first") << Search{{data, pointer, command}, 1, true, true, {}};
    QTest::newRow("only unrelated devices") << Search{{keyboard, sibling}, 0, false, false, {}};
    QTest::newRow("unrelated devices around the mouse")
        << Search{{keyboard, command, sibling, data, keyboard}, 1, true, true, {}};
    QTest::newRow("command collection cannot be opened")
        << Search{{unopenable(command), data}, 0, false, true, "INVALID_HANDLE_VALUE"};
    QTest::newRow("neither usage nor page matches")
        << Search{{withUsage(command, 0xFF01, 0x0002), data}, 0, false, true, "Usage  UsagePage  error"};
}

void TestDeviceOpen::openDevice()
{
    QFETCH(Search, search);
    OpenMouse m(false);
    m.mouse().setCollections(search.collections);
    LogCapture log;
    QCOMPARE(openZR540(m.driver), search.result);
    QVERIFY(search.logged.isEmpty() || log.contains(search.logged));

    const HidChannel &command = m.driver.commandChannel, &data = m.driver.dataChannel;
    QCOMPARE(command.readHandle != hid::InvalidHandle, search.commandOpen);
    QCOMPARE(command.writeHandle != hid::InvalidHandle, search.commandOpen);
    QCOMPARE(data.readHandle != hid::InvalidHandle, search.dataOpen);
    QCOMPARE(data.writeHandle != hid::InvalidHandle, search.dataOpen);
    QCOMPARE(m.driver.GetVersionNumber(), search.result ? Sim::ReleaseNumber : std::uint16_t(0));

    // An opened mouse answers: the channels are the right way round, each with its length and id.
    DeviceProfileBlock block;
    QCOMPARE(m.driver.GetProfileData(&block), search.result);
    QCOMPARE(block.bytes[0], std::uint8_t(search.result));
}

void TestDeviceOpen::otherLengthIsClosedAgain()
{
    OpenMouse m(false);
    Sim::Collection odd = Sim::dataCollection();
    odd.caps.featureReportByteLength = 64;
    odd.path = "sim:zr540/odd";
    m.mouse().setCollections({Sim::commandCollection(), odd, Sim::dataCollection()});
    QCOMPARE(openZR540(m.driver), 1);

    // Only the odd collection in sight: opened, closed again, neither channel touched.
    m.mouse().setCollections({odd});
    QCOMPARE(m.driver.OpenDevice(), 0);
    QCOMPARE(m.driver.dataChannel.readHandle, hid::InvalidHandle);
    QCOMPARE(m.driver.commandChannel.readHandle, hid::InvalidHandle);
}

void TestDeviceOpen::onlyUsagePageMatchingTalksWithReportIdZero()
{
    OpenMouse m(false);
    m.mouse().setCollections({withUsage(Sim::commandCollection(0), 0xFF00, 0x0005), Sim::dataCollection()});
    LogCapture log;
    QCOMPARE(openZR540(m.driver), 1);
    QCOMPARE(m.driver.commandChannel.reportId, std::uint32_t(0));
    // Only the fully matching collection had its value caps walked.
    QCOMPARE(log.count(QStringLiteral("out  report id:6 count:407")), 1);
    QCOMPARE(log.count(QStringLiteral("out  report id:0 count:5")), 0);

    std::uint8_t status = 0xEE;
    QCOMPARE(m.driver.QueryStatus(&status, 1), 1);  // requests with id 0 reach a collection without ids
    QCOMPARE(status, std::uint8_t(0));
}

// Every interface is logged with what rejected it; a collection of the mouse with its value caps.
void TestDeviceOpen::logsTheSearch()
{
    OpenMouse m(false);
    m.mouse().setCollections(
        {Sim::otherDevice(0x046D, 0xC31C, "Keyboard"), Sim::pointerCollection(), Sim::commandCollection()});
    LogCapture log;
    QCOMPARE(openZR540(m.driver), 0);
    const QStringList expected
        = {"name: Keyboard",
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
           "讀訪問設備成功 读写指针创建成功\n"};
    QCOMPARE(log.lines(), expected);
}

// Closing twice is harmless; a closed or unplugged mouse takes no request, and reopening finds it.
void TestDeviceOpen::closeUnplugAndReopen()
{
    OpenMouse m;
    m.driver.CloseDevice();
    m.driver.CloseDevice();
    for (const HidChannel* channel : {&m.driver.commandChannel, &m.driver.dataChannel}) {
        QCOMPARE(channel->readHandle, hid::InvalidHandle);
        QCOMPARE(channel->writeHandle, hid::InvalidHandle);
    }
    DeviceProfileBlock block;
    QCOMPARE(m.driver.GetProfileData(&block), 0);
    QCOMPARE(m.driver.OpenDevice(), 1);
    QCOMPARE(m.driver.GetProfileData(&block), 1);

    m.mouse().setPlugged(false);
    QCOMPARE(m.driver.GetProfileData(&block), 0);  // its handles died with it
    QCOMPARE(m.driver.OpenDevice(), 0);
    m.mouse().setPlugged(true);
    QCOMPARE(m.driver.OpenDevice(), 1);
    QCOMPARE(m.driver.GetProfileData(&block), 1);
}

QTEST_GUILESS_MAIN(TestDeviceOpen)
#include "tst_device_open.moc"
