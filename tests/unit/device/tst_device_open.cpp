// Finding the mouse (which collections become which channel, what is left alone), and one report
// in or out: lengths, refusals and closed channels. (Failed and short transfers: the protocol
// test's read and write-status rows.)
#include "openmouse.h"

struct Search {
    std::vector<Sim::Collection> collections;
    int result;
    bool commandOpen, dataOpen;
};
Q_DECLARE_METATYPE(Search)

namespace {
Sim::Collection unopenable(Sim::Collection c)
{
    c.openable = false;
    return c;
}
}  // namespace

class TestDeviceOpen : public QObject {
    Q_OBJECT
private slots:
    void openDevice_data()
    {
        QTest::addColumn<Search>("search");
        const Sim::Collection command = Sim::commandCollection(), data = Sim::dataCollection(),
                              pointer = Sim::pointerCollection(),
                              keyboard = Sim::otherDevice(0x046D, 0xC31C, "Keyboard"),
                              sibling = Sim::otherDevice(0x2F73, 0x1234, "Other mouse of the same maker");
        Sim::Collection otherUsage = command, pageOnly = Sim::commandCollection(0), odd = data;
        otherUsage.caps.usagePage = 0xFF01;
        otherUsage.caps.usage = 0x0002;
        pageOnly.caps.usage = 0x0005;  // talks with report id 0
        odd.caps.featureReportByteLength = 64;
        odd.path = "sim:zr540/odd";
        QTest::newRow("command first") << Search{{pointer, command, data}, 1, true, true};
        QTest::newRow("data first") << Search{{data, pointer, command}, 1, true, true};
        QTest::newRow("unrelated devices around the mouse") << Search{{keyboard, command, sibling, data, keyboard}, 1, true, true};
        QTest::newRow("command collection cannot be opened") << Search{{unopenable(command), data}, 0, false, true};
        QTest::newRow("neither usage nor page matches") << Search{{otherUsage, data}, 0, false, true};
        QTest::newRow("usage page alone matches") << Search{{pageOnly, data}, 1, true, true};
        // Opened, closed again, and takes neither channel.
        QTest::newRow("a collection of another length") << Search{{odd}, 0, false, false};
    }

    void openDevice()
    {
        QFETCH(Search, search);
        OpenMouse m(false);
        m.mouse().setCollections(search.collections);
        QCOMPARE(openZR540(m.driver), search.result);
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

    // Closing twice is harmless; a closed or unplugged mouse takes no request, and reopening finds it.
    void closeUnplugAndReopen()
    {
        OpenMouse m;
        m.driver.CloseDevice();
        m.driver.CloseDevice();
        DeviceProfileBlock block;
        QCOMPARE(m.driver.GetProfileData(&block), 0);
        const std::uint8_t data[] = {0x82};
        QCOMPARE(m.driver.SendFeature(nullptr, data, 1), 0);
        QCOMPARE(m.driver.SendFeature(&m.driver.commandChannel, nullptr, 1), 0);
        QVERIFY(m.mouse().log().empty());
        QCOMPARE(m.driver.OpenDevice(), 1);
        QCOMPARE(m.driver.GetProfileData(&block), 1);
        m.mouse().setPlugged(false);
        QCOMPARE(m.driver.GetProfileData(&block), 0);  // its handles died with it
        QCOMPARE(m.driver.OpenDevice(), 0);
        m.mouse().setPlugged(true);
        QCOMPARE(m.driver.OpenDevice(), 1);
        QCOMPARE(m.driver.GetProfileData(&block), 1);
    }

    void transfers()
    {
        // A get-feature transfers the whole report; the caller gets the bytes asked for, nothing more.
        OpenMouse m;
        std::uint8_t out[8] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
        QCOMPARE(m.driver.GetFeatureReport(&m.driver.dataChannel, out, 6), 1);
        const auto got = m.session.reports(Sim::Transfer::GetFeature, Sim::Role::Data);
        QCOMPARE(got.size(), std::size_t(1));
        QCOMPARE(got[0].size(), 1032);
        QCOMPARE(QByteArray(reinterpret_cast<char*>(out), 8), got[0].left(6) + bytes({0xAA, 0xAA}));
    }

    void oversizedPayloadIsRefused_data()
    {
        QTest::addColumn<bool>("dataChannel");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("command, 5 bytes fit") << false << 5 << true;
        QTest::newRow("command, 6 bytes do not") << false << 6 << false;
        QTest::newRow("data, 1032 bytes do not") << true << 1032 << false;  // 1031 fit: every bulk write
        QTest::newRow("negative length") << true << -1 << false;
    }

    void oversizedPayloadIsRefused()
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
        QCOMPARE(m.driver.GetFeatureReport(channel, payload.data(), length < 0 ? length : length + 1),
                 accepted ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestDeviceOpen)
#include "tst_device_open.moc"
