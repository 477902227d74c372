// The hidraw backend: enumeration and queries against a fake sysfs tree, opening, and the
// transfers against a played device (FakeNodeIo).
#include "fakehidraw.h"
#include "hid_linux.h"
#include "testhelpers.h"

#include <QtTest>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <memory>
#include <sys/ioctl.h>
#include <thread>

using hid::Access;
using hid::Handle;
using hid::InvalidHandle;
using hid::LinuxBackend;
using Node = FakeSysfs::UsbNode;

namespace {
QByteArray fromHex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }
QByteArray descriptorFile(const QString& name) { return fileContent(ZR540_TEST_DATA_DIR "/descriptors/" + name); }
const std::uint8_t* u8(const QByteArray& bytes) { return reinterpret_cast<const std::uint8_t*>(bytes.constData()); }
QByteArray bytesOf(const std::uint8_t* data, long size) { return QByteArray(reinterpret_cast<const char*>(data), int(size)); }

Node mouseNode(const QString& node, int interfaceNumber, const QByteArray& descriptor)
{
    return Node{node, "1-1", interfaceNumber, 0x2F73, 0x5C48, 0x0102, "ZR540", descriptor};
}

// hidraw0/1: the mouse's pointer and vendor interfaces (6- and 1032-byte features, ids 5 and 6);
// hidraw2: a receiver with a mouse (input id 1) and a vendor collection (input id 2, 5 bytes;
// output id 3, 3 bytes); hidraw3: descriptor missing; hidraw4: descriptor broken; hidraw5–8: odd
// sysfs files; hidraw10: a Bluetooth mouse, listed after hidraw8; two class entries that are no nodes.
bool buildStandardTree(FakeSysfs& sys)
{
    const QByteArray receiver = fromHex("0501 0902 A101 8501 0930 7508 9502 8106 C0"
                                        "0600FF 0901 A101 8502 0901 7508 9504 8102 8503 0901 9502 9102 C0");
    const QByteArray pointer = descriptorFile("zr540-pointer.bin");
    Node noUevent = mouseNode("hidraw5", 2, pointer), noProduct = mouseNode("hidraw6", 3, pointer);
    noUevent.usbDevice = "1-5";
    noUevent.withUevent = false;
    noProduct.usbDevice = "1-6";
    noProduct.withProduct = false;
    return sys.isValid() && sys.addUsbNode(mouseNode("hidraw0", 0, pointer))
           && sys.addUsbNode(mouseNode("hidraw1", 1, descriptorFile("zr540-vendor.bin")))
           && sys.addUsbNode({"hidraw2", "1-2", 0, 0x046D, 0xC52B, 0x1201, "USB Receiver", receiver})
           && sys.addUsbNode({"hidraw3", "1-3", 0, 0x1234, 0x0003, 0x1201, "No Descriptor", {}})
           && sys.addUsbNode({"hidraw4", "1-4", 0, 0x1234, 0x0004, 0x1201, "Broken", fromHex("0501 0902 A101")})
           && sys.addUsbNode(noUevent) && sys.addUsbNode(noProduct)
           && sys.addNodeWithUevent("hidraw7", "HID_ID=0003:2F73-5C48\n", pointer)
           && sys.addNodeWithUevent("hidraw8", "HID_ID=0003:00012F73:00005C48\n", pointer)  // vendor too wide
           && sys.addNodeWithUevent("hidraw10", "HID_ID=0005:0000046D:0000B010\nHID_NAME=Bluetooth Mouse\n", pointer)
           && sys.addClassEntry("hidrawX") && sys.addClassEntry("event3");
}

// What the queries tell of a collection: "vendor:product release product | usage page:usage in out
// feature, feature report ids", each part failed replaced by E and the error.
QString describe(LinuxBackend& backend, Handle h)
{
    const auto failed = [&backend] { return QString("E%1").arg(backend.lastError()); };
    hid::Attributes a;
    std::string name;
    hid::Caps c;
    std::vector<hid::ValueCaps> valueCaps;
    QString text = backend.attributes(h, a) ? QString::asprintf("%04x:%04x %04x", a.vendorId, a.productId,
                                                                a.versionNumber)
                                            : failed();
    text += " " + (backend.productString(h, name) ? QString::fromStdString(name) : failed()) + " | ";
    if (backend.caps(h, c) != hid::CapsStatus::Ok)
        return text + failed() + (backend.featureValueCaps(h, valueCaps) ? " with value caps" : "");
    text += QString::asprintf("%04x:%04x %u %u %u ", c.usagePage, c.usage, c.inputReportByteLength,
                              c.outputReportByteLength, c.featureReportByteLength);
    if (!backend.featureValueCaps(h, valueCaps))
        return text + failed();
    for (const hid::ValueCaps& v : valueCaps)
        text += QString::number(v.reportId);
    return text;
}
}  // namespace

class TestHidraw : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_sys = std::make_unique<FakeSysfs>();
        QVERIFY(buildStandardTree(*m_sys));
        m_io = std::make_shared<FakeNodeIo>();
        m_backend
            = std::make_unique<LinuxBackend>(m_sys->sysfsRoot().toStdString(), m_sys->devRoot().toStdString(), m_io);
    }

    void enumerate()
    {
        std::vector<std::string> paths;
        QVERIFY(m_backend->enumerate(paths));
        QStringList got;
        for (const std::string& p : paths)
            got << QString::fromStdString(p).mid(m_sys->devRoot().size() + 1);
        QCOMPARE(got, QStringList({"hidraw0#0", "hidraw1#0", "hidraw1#1", "hidraw2#0", "hidraw2#1", "hidraw3#0",
                                   "hidraw4#0", "hidraw5#0", "hidraw6#0", "hidraw7#0", "hidraw8#0", "hidraw10#0"}));
        QCOMPARE(m_io->calls().size(), 0);  // nothing opened to find out
    }

    void queries_data()
    {
        QTest::addColumn<QString>("interface");
        QTest::addColumn<QString>("expected");  // as describe() tells it; "open E…": not opened
        const QString mouse = "2f73:5c48 0102 ZR540 | ", none = QString("E%1 E%1 | 0001:0002 7 0 0 ").arg(EINVAL);
        QTest::newRow("mouse command") << "hidraw1#0" << mouse + "ff00:0001 0 0 6 5";
        QTest::newRow("mouse data") << "hidraw1#1" << mouse + "ff00:0001 0 0 1032 6";
        QTest::newRow("receiver vendor") << "hidraw2#1" << "046d:c52b 1201 USB Receiver | ff00:0001 5 3 0 ";
        QTest::newRow("descriptor missing") << "hidraw3#0" << QString("1234:0003 1201 No Descriptor | E%1").arg(ENOENT);
        QTest::newRow("descriptor broken") << "hidraw4#0" << QString("1234:0004 1201 Broken | E%1").arg(EINVAL);
        QTest::newRow("no uevent") << "hidraw5#0" << QString("E%1 E%1 | 0001:0002 7 0 0 ").arg(ENOENT);
        QTest::newRow("no product string")
            << "hidraw6#0" << QString("2f73:5c48 0102 E%1 | 0001:0002 7 0 0 ").arg(ENOENT);
        QTest::newRow("HID_ID garbled") << "hidraw7#0" << none;
        QTest::newRow("HID_ID vendor too wide") << "hidraw8#0" << none;
        QTest::newRow("bluetooth") << "hidraw10#0" << "046d:b010 0000 Bluetooth Mouse | 0001:0002 7 0 0 ";
        // Paths that name no collection of a node in /dev: nothing opens (with any access: the path
        // is looked at first).
        const QString noNode = QString("open E%1").arg(ENOENT);
        QTest::newRow("collection past the last") << "hidraw1#2" << noNode;
        QTest::newRow("index with trailing junk") << "hidraw1#1x" << noNode;
        QTest::newRow("another folder") << "/tmp/hidraw1#0" << noNode;
        QTest::newRow("climbing out") << "../dev/hidraw1#0" << noNode;
    }

    void queries()
    {
        const QString interface = fetched<QString>("interface");
        const Handle h = m_backend->open(
            (interface.startsWith('/') ? interface : m_sys->devRoot() + "/" + interface).toStdString(), Access::Query);
        QCOMPARE(h == InvalidHandle ? QString("open E%1").arg(m_backend->lastError()) : describe(*m_backend, h),
                 fetched<QString>("expected"));
        m_backend->close(h);
        QCOMPARE(m_io->calls().size(), 0);  // queries never open the node
    }

    void openAndClose()
    {
        // Read and read/write open the node with those flags; a query does not open it.
        for (Access access : {Access::Query, Access::Read, Access::ReadWrite})
            m_backend->close(open("hidraw1#1", access));
        const QList<FakeNodeIo::Call> opens = m_io->calls("open");
        QCOMPARE(opens.size(), 2);
        QCOMPARE(opens[0].path, m_sys->devRoot() + "/hidraw1");
        QCOMPARE(opens[0].flags, O_RDONLY | O_CLOEXEC);
        QCOMPARE(opens[1].flags, O_RDWR | O_CLOEXEC);
        QCOMPARE(m_io->calls("close").size(), 2);

        // Without the udev rule the node is root's: the open fails and says why.
        m_io->openError = EACCES;
        QCOMPARE(open("hidraw1#0", Access::ReadWrite), InvalidHandle);
        QCOMPARE(int(m_backend->lastError()), EACCES);

        // A closed handle takes nothing; closing twice closes the node once.
        const Handle h = open("hidraw1#0", Access::ReadWrite);
        m_backend->close(h);
        hid::Attributes a;
        QVERIFY(!m_backend->attributes(h, a));
        QCOMPARE(int(m_backend->lastError()), EBADF);
        m_backend->close(h);
        QCOMPARE(m_io->calls("close").size(), 3);  // the node closed once
        const Handle again = open("hidraw1#0", Access::ReadWrite);  // another handle, never the dead one
        QVERIFY(again != InvalidHandle && again != h);
        m_backend->close(again);
    }

    void setFeature_data()
    {
        QTest::addColumn<QString>("interface");
        QTest::addColumn<int>("access");
        QTest::addColumn<QByteArray>("buffer");
        QTest::addColumn<int>("sent");  // bytes handed to HIDIOCSFEATURE; 0: refused with `error`
        QTest::addColumn<int>("error");
        const int rw = int(Access::ReadWrite);
        const QByteArray status = fromHex("05 82 00 00 00 00");
        QByteArray profile(1032, 0);
        profile[0] = 6;
        QTest::newRow("status request") << "hidraw1#0" << rw << status << 6 << 0;
        QTest::newRow("longer buffer: the report's own length") << "hidraw1#0" << rw << status + QByteArray(10, 1) << 6 << 0;
        QTest::newRow("report id of the other collection") << "hidraw1#0" << rw << profile << 0 << EINVAL;
        QTest::newRow("report id 0 where reports are numbered") << "hidraw1#0" << rw << fromHex("00 82 00 00 00 00") << 0 << EINVAL;
        QTest::newRow("buffer shorter than the report") << "hidraw1#0" << rw << status.left(5) << 0 << EINVAL;
        QTest::newRow("collection without feature reports") << "hidraw2#1" << rw << fromHex("02 00 00 00 00") << 0 << EINVAL;
        QTest::newRow("read handle") << "hidraw1#0" << int(Access::Read) << status << 0 << EBADF;
        QTest::newRow("descriptor broken") << "hidraw4#0" << rw << status << 0 << EINVAL;
    }

    void setFeature()
    {
        QFETCH(QByteArray, buffer);
        QFETCH(int, sent);
        const Handle h = open(fetched<QString>("interface"), Access(fetched<int>("access")));
        QCOMPARE(m_backend->setFeature(h, u8(buffer), std::size_t(buffer.size())), sent != 0);
        const QList<FakeNodeIo::Call> ioctls = m_io->calls("ioctl");
        QCOMPARE(ioctls.size(), sent ? 1 : 0);
        if (sent) {
            QCOMPARE(ioctls[0].request, static_cast<unsigned long>(HIDIOCSFEATURE(sent)));
            QCOMPARE(ioctls[0].bytes, buffer.left(sent));
        } else {
            QCOMPARE(int(m_backend->lastError()), fetched<int>("error"));
        }
        m_backend->close(h);
    }

    void getFeature()
    {
        QByteArray reply(1032, 0);
        reply[0] = 6;
        reply[1031] = 0x5A;
        m_io->featureReply = reply;
        const Handle h = open("hidraw1#1", Access::Read);
        std::vector<std::uint8_t> buffer(1040, 0xEE);
        buffer[0] = 6;
        QCOMPARE(m_backend->getFeature(h, buffer.data(), 1032), 1032L);
        QCOMPARE(bytesOf(buffer.data(), 1032), reply);

        // A short reply: the rest of a buffer longer than the report is zeroed, all of it defined.
        std::fill(buffer.begin() + 1, buffer.end(), 0xEE);
        m_io->featureReply = fromHex("06 82 00 01 02");
        QCOMPARE(m_backend->getFeature(h, buffer.data(), buffer.size()), 5L);
        QCOMPARE(m_io->calls("ioctl").last().request, static_cast<unsigned long>(HIDIOCGFEATURE(1032)));
        QCOMPARE(bytesOf(buffer.data(), 5), fromHex("06 82 00 01 02"));
        QVERIFY(std::all_of(buffer.begin() + 5, buffer.end(), [](std::uint8_t b) { return b == 0; }));
        m_backend->close(h);
    }

    void ioctlFailures()
    {
        // Interrupted calls are repeated; device errors reach lastError(), which is per thread.
        m_io->ioctlErrors = {EINTR, EINTR};
        const Handle h = open("hidraw1#0", Access::ReadWrite);
        std::uint8_t status[6] = {5, 0x82};
        QVERIFY(m_backend->setFeature(h, status, sizeof status));
        QCOMPARE(m_io->calls("ioctl").size(), 3);
        m_io->ioctlErrors = {EPIPE, ENODEV};
        QVERIFY(!m_backend->setFeature(h, status, sizeof status));
        std::uint32_t other = 0;
        std::thread([&] {
            m_backend->close(Handle(987654));  // no such handle
            other = m_backend->lastError();
        }).join();
        QCOMPARE(int(other), EBADF);
        QCOMPARE(int(m_backend->lastError()), EPIPE);
        QCOMPARE(m_backend->getFeature(h, status, sizeof status), -1L);
        QCOMPARE(int(m_backend->lastError()), ENODEV);
        m_backend->close(h);
    }

    void inputAndOutputReports()
    {
        // The node hands out the reports of both collections; each handle sees only its own.
        m_io->inputReports = {fromHex("01 05 FB"), fromHex("02 0A 0B 0C 0D")};
        const Handle vendor = open("hidraw2#1", Access::ReadWrite);
        std::uint8_t buffer[7] = {};
        QCOMPARE(m_backend->readReport(vendor, buffer, 5), 5L);
        QCOMPARE(bytesOf(buffer, 5), fromHex("02 0A 0B 0C 0D"));
        // A buffer shorter than the input report is refused before reading, and so is a read where
        // the collection has no input report (it would wait forever).
        QCOMPARE(m_backend->readReport(vendor, buffer, 4), -1L);
        const Handle data = open("hidraw1#1", Access::Read);
        std::vector<std::uint8_t> large(1032, 0);
        QCOMPARE(m_backend->readReport(data, large.data(), large.size()), -1L);
        QCOMPARE(int(m_backend->lastError()), EINVAL);
        QCOMPARE(m_io->calls("read").size(), 2);

        // Without report ids the node hands out the bare report; the caller gets id byte 0 first.
        m_io->inputReports = {fromHex("01 10 00 F0 FF 01")};
        const Handle pointer = open("hidraw0#0", Access::Read);
        QCOMPARE(m_backend->readReport(pointer, buffer, sizeof buffer), 7L);
        QCOMPARE(bytesOf(buffer, 7), fromHex("00 01 10 00 F0 FF 01"));

        // Output report 3 is 3 bytes: a longer buffer is cut; an input id or a read handle is refused.
        QVERIFY(m_backend->writeReport(vendor, u8(fromHex("03 AA BB CC DD")), 5));
        QVERIFY(!m_backend->writeReport(vendor, u8(fromHex("02 01 02 03 04")), 5));
        QVERIFY(!m_backend->writeReport(data, u8(fromHex("03 AA BB")), 3));
        QCOMPARE(m_io->calls("write").size(), 1);
        QCOMPARE(m_io->calls("write")[0].bytes, fromHex("03 AA BB"));
        for (Handle h : {vendor, data, pointer})
            m_backend->close(h);
    }

private:
    std::unique_ptr<FakeSysfs> m_sys;
    std::shared_ptr<FakeNodeIo> m_io;
    std::unique_ptr<LinuxBackend> m_backend;
    std::string path(const QString& interface) const { return (m_sys->devRoot() + "/" + interface).toStdString(); }
    Handle open(const QString& interface, Access access) { return m_backend->open(path(interface), access); }
};

QTEST_GUILESS_MAIN(TestHidraw)
#include "tst_hidraw.moc"
