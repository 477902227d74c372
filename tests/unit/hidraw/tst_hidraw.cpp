// The hidraw backend: enumeration and queries against a fake sysfs tree, opening, and the
// transfers against a played device (FakeNodeIo) or, where the real system calls matter, a
// plain file in place of the node.
#include "fakenodeio.h"
#include "fakesysfs.h"
#include "hid_linux.h"
#include "testhelpers.h"

#include <QFile>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <thread>

using hid::Access;
using hid::CapsStatus;
using hid::Handle;
using hid::InvalidHandle;
using hid::LinuxBackend;

namespace {

QByteArray fromHex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

QByteArray descriptorFile(const QString& name)
{
    QFile file(QStringLiteral(ZR540_TEST_DATA_DIR "/descriptors/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A receiver with reports of several ids in two collections: a mouse (input id 1, 3 bytes) and
// a vendor collection (input id 2, 5 bytes; output id 3, 3 bytes).
const char* const ReceiverDescriptor = "0501 0902 A101 8501 0930 7508 9502 8106 C0"
                                       "0600FF 0901 A101 8502 0901 7508 9504 8102 8503 0901 9502 9102 C0";

using Node = FakeSysfs::UsbNode;

Node mouseNode(const QString& node, int interfaceNumber, const QByteArray& descriptor)
{
    return Node{node, "1-1", interfaceNumber, 0x2F73, 0x5C48, 0x0102, "ZR540", descriptor};
}

// The tree most tests use:
//   hidraw0   the mouse's pointer interface         one collection, no report ids
//   hidraw1   the mouse's vendor interface          two collections (6- and 1032-byte features)
//   hidraw2   a receiver of another maker           two collections, input and output reports
//   hidraw3   a device whose descriptor is missing
//   hidraw4   a device whose descriptor does not parse
//   hidraw10  a Bluetooth mouse                     listed after hidraw4, numbers in order
// and two entries in the class folder that are no nodes.
bool buildStandardTree(FakeSysfs& sys)
{
    const Node missing{"hidraw3", "1-3", 0, 0x1234, 0x0003, 0x1201, "No Descriptor", {}, true, false};
    return sys.isValid() && sys.addUsbNode(mouseNode("hidraw0", 0, descriptorFile("zr540-pointer.bin")))
           && sys.addUsbNode(mouseNode("hidraw1", 1, descriptorFile("zr540-vendor.bin")))
           && sys.addUsbNode({"hidraw2", "1-2", 0, 0x046D, 0xC52B, 0x1201, "USB Receiver", fromHex(ReceiverDescriptor)})
           && sys.addUsbNode(missing)
           && sys.addUsbNode({"hidraw4", "1-4", 0, 0x1234, 0x0004, 0x1201, "Broken Descriptor",
                              fromHex("0501 0902 A101")})  // never closed
           && sys.addBluetoothNode("hidraw10", 0x046D, 0xB010, "Bluetooth Mouse M557",
                                   descriptorFile("zr540-pointer.bin"))
           && sys.addClassEntry("hidrawX") && sys.addClassEntry("event3");
}

// Caps and the report ids of the feature value caps: "ff00:0001 in=0 out=0 feat=6 fvc ids=5".
QString capsText(const hid::Caps& c, const std::vector<hid::ValueCaps>& featureCaps)
{
    QString ids;
    for (const hid::ValueCaps& v : featureCaps)
        ids += QString::number(v.reportId) + ',';
    return QString("%1:%2 in=%3 out=%4 feat=%5 fvc ids=%6")
        .arg(c.usagePage, 4, 16, QChar('0'))
        .arg(c.usage, 4, 16, QChar('0'))
        .arg(c.inputReportByteLength)
        .arg(c.outputReportByteLength)
        .arg(c.featureReportByteLength)
        .arg(ids.chopped(ids.isEmpty() ? 0 : 1));
}

const std::uint8_t* u8(const QByteArray& bytes) { return reinterpret_cast<const std::uint8_t*>(bytes.constData()); }
QByteArray bytesOf(const std::uint8_t* data, long size) { return QByteArray(reinterpret_cast<const char*>(data), int(size)); }

}  // namespace

class TestHidraw : public QObject {
    Q_OBJECT

private slots:
    void init();

    void enumerate();
    void queries_data();
    void queries();
    void missingOrOddFiles_data();
    void missingOrOddFiles();
    void foreignPathsDoNotOpen_data();
    void foreignPathsDoNotOpen();
    void openModes_data();
    void openModes();
    void openFailureAndClosedHandles();
    void realSystemCalls();

    void setFeature_data();
    void setFeature();
    void getFeature();
    void ioctlFailures();
    void inputReports();
    void outputReports();
    void concurrentUse();

private:
    std::unique_ptr<FakeSysfs> m_sys;
    std::shared_ptr<FakeNodeIo> m_io;
    std::unique_ptr<LinuxBackend> m_backend;
    QString path(const QString& interface) const { return m_sys->devRoot() + "/" + interface; }
    Handle openOrFail(const QString& interface, Access access);
};

void TestHidraw::init()
{
    m_sys = std::make_unique<FakeSysfs>();
    QVERIFY2(buildStandardTree(*m_sys), qPrintable(m_sys->error()));
    m_io = std::make_shared<FakeNodeIo>();
    m_backend = std::make_unique<LinuxBackend>(m_sys->sysfsRoot().toStdString(), m_sys->devRoot().toStdString(), m_io);
}

Handle TestHidraw::openOrFail(const QString& interface, Access access)
{
    const Handle h = m_backend->open(path(interface).toStdString(), access);
    if (h == InvalidHandle)
        qWarning("cannot open %s: errno %u", qPrintable(interface), m_backend->lastError());
    return h;
}

void TestHidraw::enumerate()
{
    std::vector<std::string> paths;
    QVERIFY(m_backend->enumerate(paths));
    QStringList got;
    for (const std::string& p : paths)
        got << QString::fromStdString(p).mid(m_sys->devRoot().size() + 1);
    QCOMPARE(got, QStringList({"hidraw0#0", "hidraw1#0", "hidraw1#1", "hidraw2#0", "hidraw2#1", "hidraw3#0",
                               "hidraw4#0", "hidraw10#0"}));
    QCOMPARE(m_io->calls().size(), 0);  // nothing opened to find out

    // No hidraw support loaded: no device, not a failure.
    QTemporaryDir empty;
    LinuxBackend backend(empty.path().toStdString(), empty.path().toStdString(), m_io);
    paths = {"stale"};
    QVERIFY(backend.enumerate(paths));
    QVERIFY(paths.empty());
}

void TestHidraw::queries_data()
{
    QTest::addColumn<QString>("interface");
    QTest::addColumn<QString>("device");  // "vendor:product release product string"
    QTest::addColumn<QString>("caps");    // empty: no caps, with the errno in capsError
    QTest::addColumn<int>("capsError");

    const QString mouse = "2f73:5c48 0102 ZR540", receiver = "046d:c52b 1201 USB Receiver";
    QTest::newRow("mouse pointer") << "hidraw0#0" << mouse << "0001:0002 in=7 out=0 feat=0 fvc ids=" << 0;
    QTest::newRow("mouse command") << "hidraw1#0" << mouse << "ff00:0001 in=0 out=0 feat=6 fvc ids=5" << 0;
    QTest::newRow("mouse data") << "hidraw1#1" << mouse << "ff00:0001 in=0 out=0 feat=1032 fvc ids=6" << 0;
    QTest::newRow("receiver mouse") << "hidraw2#0" << receiver << "0001:0002 in=3 out=0 feat=0 fvc ids=" << 0;
    QTest::newRow("receiver vendor") << "hidraw2#1" << receiver << "ff00:0001 in=5 out=3 feat=0 fvc ids=" << 0;
    QTest::newRow("descriptor missing") << "hidraw3#0"
                                        << "1234:0003 1201 No Descriptor" << QString() << ENOENT;
    QTest::newRow("descriptor broken") << "hidraw4#0"
                                       << "1234:0004 1201 Broken Descriptor" << QString() << EINVAL;
    QTest::newRow("bluetooth") << "hidraw10#0"
                               << "046d:b010 0000 Bluetooth Mouse M557"
                               << "0001:0002 in=7 out=0 feat=0 fvc ids=" << 0;
}

void TestHidraw::queries()
{
    QFETCH(QString, caps);

    const Handle h = openOrFail(fetched<QString>("interface"), Access::Query);
    QVERIFY(h != InvalidHandle);
    hid::Attributes a;
    std::string name;
    QVERIFY(m_backend->attributes(h, a));
    QVERIFY(m_backend->productString(h, name));
    QCOMPARE(QString::asprintf("%04x:%04x %04x %s", a.vendorId, a.productId, a.versionNumber, name.c_str()),
             fetched<QString>("device"));

    hid::Caps c;
    std::vector<hid::ValueCaps> valueCaps;
    if (caps.isEmpty()) {
        QCOMPARE(m_backend->caps(h, c), CapsStatus::NoPreparsedData);
        QCOMPARE(int(m_backend->lastError()), fetched<int>("capsError"));
        QVERIFY(!m_backend->featureValueCaps(h, valueCaps));
    } else {
        QCOMPARE(m_backend->caps(h, c), CapsStatus::Ok);
        QVERIFY(m_backend->featureValueCaps(h, valueCaps));
        QCOMPARE(capsText(c, valueCaps), caps);
        QCOMPARE(int(valueCaps.size()), int(c.numberFeatureValueCaps));
    }
    m_backend->close(h);
    QCOMPARE(m_io->calls().size(), 0);  // queries never open the node
}

void TestHidraw::missingOrOddFiles_data()
{
    QTest::addColumn<QString>("missing");     // the file left out of the USB node
    QTest::addColumn<QByteArray>("uevent");   // else: a node whose uevent says this
    QTest::addColumn<int>("attributesError");  // 0: readable
    QTest::addColumn<int>("productError");
    QTest::addColumn<int>("release");

    QTest::newRow("all there") << "" << QByteArray() << 0 << 0 << 0x0102;
    QTest::newRow("no uevent") << "uevent" << QByteArray() << ENOENT << ENOENT << 0;
    QTest::newRow("no product string") << "product" << QByteArray() << 0 << ENOENT << 0x0102;
    QTest::newRow("no release number") << "bcdDevice" << QByteArray() << 0 << 0 << 0;
    QTest::newRow("HID_ID garbled") << "" << QByteArray("HID_ID=0003:2F73-5C48\n") << EINVAL << EINVAL << 0;
    QTest::newRow("HID_ID vendor too wide") << "" << QByteArray("HID_ID=0003:00012F73:00005C48\n") << EINVAL << EINVAL << 0;
    QTest::newRow("HID_ID missing") << "" << QByteArray("HID_NAME=ZR540\nHID_IDX=0003:00002F73:00005C48\n") << EINVAL
                                    << EINVAL << 0;
}

void TestHidraw::missingOrOddFiles()
{
    QFETCH(QString, missing);
    QFETCH(QByteArray, uevent);
    QFETCH(int, attributesError);
    QFETCH(int, productError);

    FakeSysfs sys;
    Node n = mouseNode("hidraw7", 1, descriptorFile("zr540-vendor.bin"));
    n.withUevent = missing != "uevent";
    n.withProduct = missing != "product";
    n.withRelease = missing != "bcdDevice";
    QVERIFY2(uevent.isEmpty() ? sys.addUsbNode(n) : sys.addNodeWithUevent("hidraw7", uevent, n.descriptor),
             qPrintable(sys.error()));
    LinuxBackend backend(sys.sysfsRoot().toStdString(), sys.devRoot().toStdString(), m_io);

    std::vector<std::string> paths;
    QVERIFY(backend.enumerate(paths));
    QCOMPARE(int(paths.size()), 2);  // the descriptor is there: both collections listed
    const Handle h = backend.open(paths[1], Access::Query);
    QVERIFY(h != InvalidHandle);
    hid::Attributes a;
    QCOMPARE(backend.attributes(h, a), attributesError == 0);
    QCOMPARE(int(attributesError ? backend.lastError() : a.versionNumber),
             attributesError ? attributesError : fetched<int>("release"));
    std::string product;
    QCOMPARE(backend.productString(h, product), productError == 0);
    if (productError)
        QCOMPARE(int(backend.lastError()), productError);
    hid::Caps c;
    QCOMPARE(backend.caps(h, c), CapsStatus::Ok);
    QCOMPARE(int(c.featureReportByteLength), 1032);
    backend.close(h);
}

void TestHidraw::foreignPathsDoNotOpen_data()
{
    QTest::addColumn<QString>("path");  // "@" stands for the fake /dev
    QTest::newRow("collection past the last") << "@/hidraw1#2";
    QTest::newRow("no collection index") << "@/hidraw1";
    QTest::newRow("empty index") << "@/hidraw1#";
    QTest::newRow("index with a leading zero") << "@/hidraw1#01";
    QTest::newRow("index with trailing junk") << "@/hidraw1#1x";
    QTest::newRow("node that is not there") << "@/hidraw99#0";
    QTest::newRow("not a hidraw name") << "@/hidrawX#0";
    QTest::newRow("another folder") << "/tmp/hidraw1#0";
    QTest::newRow("climbing out") << "@/../dev/hidraw1#0";
    QTest::newRow("broken descriptor, second collection") << "@/hidraw4#1";
    QTest::newRow("empty") << "";
}

void TestHidraw::foreignPathsDoNotOpen()
{
    QFETCH(QString, path);
    path.replace("@", m_sys->devRoot());
    for (Access access : {Access::Query, Access::Read, Access::ReadWrite}) {
        QCOMPARE(m_backend->open(path.toStdString(), access), InvalidHandle);
        QCOMPARE(int(m_backend->lastError()), ENOENT);
    }
    QCOMPARE(m_io->calls().size(), 0);
}

void TestHidraw::openModes_data()
{
    QTest::addColumn<int>("access");
    QTest::addColumn<int>("flags");  // -1: the node is not opened
    QTest::newRow("query") << int(Access::Query) << -1;
    QTest::newRow("read") << int(Access::Read) << (O_RDONLY | O_CLOEXEC);
    QTest::newRow("read/write") << int(Access::ReadWrite) << (O_RDWR | O_CLOEXEC);
}

void TestHidraw::openModes()
{
    QFETCH(int, flags);
    const Handle h = openOrFail("hidraw1#1", Access(fetched<int>("access")));
    QVERIFY(h != InvalidHandle);
    const QList<FakeNodeIo::Call> opens = m_io->calls("open");
    QCOMPARE(opens.size(), flags < 0 ? 0 : 1);
    if (flags >= 0) {
        QCOMPARE(opens[0].path, m_sys->devRoot() + "/hidraw1");
        QCOMPARE(opens[0].flags, flags);
    }
    m_backend->close(h);
    QCOMPARE(m_io->calls("close").size(), opens.size());
    QCOMPARE(m_io->openDescriptors(), 0);
}

void TestHidraw::openFailureAndClosedHandles()
{
    // Without the udev rule the node is root's: the open fails and says why.
    m_io->openError = EACCES;
    QCOMPARE(m_backend->open(path("hidraw1#0").toStdString(), Access::ReadWrite), InvalidHandle);
    QCOMPARE(int(m_backend->lastError()), EACCES);
    QCOMPARE(m_io->openDescriptors(), 0);

    const Handle h = openOrFail("hidraw1#0", Access::ReadWrite);
    QVERIFY(h != InvalidHandle);
    m_backend->close(h);
    QCOMPARE(m_io->calls("close").size(), 1);
    hid::Attributes a;
    QVERIFY(!m_backend->attributes(h, a));
    QCOMPARE(int(m_backend->lastError()), EBADF);
    const std::uint8_t status[6] = {5, 0x82};
    QVERIFY(!m_backend->setFeature(h, status, sizeof status));
    QCOMPARE(int(m_backend->lastError()), EBADF);
    m_backend->close(h);  // twice: harmless, the node is closed once
    QCOMPARE(int(m_backend->lastError()), EBADF);
    QCOMPARE(m_io->calls("close").size(), 1);

    // A second open is another handle, never the dead one.
    const Handle again = openOrFail("hidraw1#0", Access::ReadWrite);
    QVERIFY(again != InvalidHandle && again != h);
    m_backend->close(again);
}

void TestHidraw::realSystemCalls()
{
    // The backend's own system calls: no node file, then a plain file that takes no ioctl.
    LinuxBackend backend(m_sys->sysfsRoot().toStdString(), m_sys->devRoot().toStdString());
    const std::string command = path("hidraw1#0").toStdString();
    QCOMPARE(backend.open(command, Access::Read), InvalidHandle);
    QCOMPARE(int(backend.lastError()), ENOENT);

    QVERIFY(m_sys->addDevFile("hidraw1"));
    const Handle h = backend.open(command, Access::ReadWrite);
    QVERIFY(h != InvalidHandle);
    std::uint8_t report[6] = {5, 0x82, 0, 0, 0, 0};
    QVERIFY(!backend.setFeature(h, report, sizeof report));
    QCOMPARE(int(backend.lastError()), ENOTTY);
    QCOMPARE(backend.getFeature(h, report, sizeof report), -1L);
    QCOMPARE(int(backend.lastError()), ENOTTY);
    backend.close(h);
}

void TestHidraw::setFeature_data()
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
    profile[1] = 0x03;
    QTest::newRow("status request") << "hidraw1#0" << rw << status << 6 << 0;
    QTest::newRow("profile write") << "hidraw1#1" << rw << profile << 1032 << 0;
    QTest::newRow("longer buffer: the report's own length goes") << "hidraw1#0" << rw << status + QByteArray(10, 0x11) << 6 << 0;
    QTest::newRow("report id of the other collection") << "hidraw1#0" << rw << profile << 0 << EINVAL;
    QTest::newRow("report id 0 where reports are numbered") << "hidraw1#0" << rw << fromHex("00 82 00 00 00 00") << 0 << EINVAL;
    QTest::newRow("buffer shorter than the report") << "hidraw1#0" << rw << status.left(5) << 0 << EINVAL;
    QTest::newRow("empty buffer") << "hidraw1#0" << rw << QByteArray() << 0 << EINVAL;
    QTest::newRow("collection without feature reports") << "hidraw2#1" << rw << fromHex("02 00 00 00 00") << 0 << EINVAL;
    QTest::newRow("read handle") << "hidraw1#0" << int(Access::Read) << status << 0 << EBADF;
    QTest::newRow("query handle") << "hidraw1#0" << int(Access::Query) << status << 0 << EBADF;
    QTest::newRow("descriptor broken") << "hidraw4#0" << rw << status << 0 << EINVAL;
}

void TestHidraw::setFeature()
{
    QFETCH(QByteArray, buffer);
    QFETCH(int, sent);

    const Handle h = openOrFail(fetched<QString>("interface"), Access(fetched<int>("access")));
    QVERIFY(h != InvalidHandle);
    const bool ok = m_backend->setFeature(h, u8(buffer), std::size_t(buffer.size()));
    const QList<FakeNodeIo::Call> ioctls = m_io->calls("ioctl");
    QCOMPARE(ok, sent != 0);
    QCOMPARE(ioctls.size(), sent ? 1 : 0);
    if (sent) {
        QCOMPARE(ioctls[0].request, static_cast<unsigned long>(HIDIOCSFEATURE(sent)));
        QCOMPARE(ioctls[0].bytes, buffer.left(sent));
    } else {
        QCOMPARE(int(m_backend->lastError()), fetched<int>("error"));
    }
    m_backend->close(h);
}

void TestHidraw::getFeature()
{
    QByteArray reply(1032, 0);
    reply[0] = 6;
    reply[1] = char(0x82);
    reply[1031] = 0x5A;
    m_io->featureReply = reply;
    for (Access access : {Access::Read, Access::ReadWrite}) {
        const Handle h = openOrFail("hidraw1#1", access);
        QVERIFY(h != InvalidHandle);
        std::vector<std::uint8_t> buffer(1032, 0);
        buffer[0] = 6;
        QCOMPARE(m_backend->getFeature(h, buffer.data(), buffer.size()), 1032L);
        QCOMPARE(bytesOf(buffer.data(), 1032), reply);
        QCOMPARE(m_io->calls("ioctl").last().request, static_cast<unsigned long>(HIDIOCGFEATURE(1032)));
        m_backend->close(h);
    }
    // Not through a query handle, not for an id of another collection.
    const Handle query = openOrFail("hidraw1#1", Access::Query);
    std::vector<std::uint8_t> buffer(1040, 0xEE);
    buffer[0] = 6;
    QCOMPARE(m_backend->getFeature(query, buffer.data(), 6), -1L);
    QCOMPARE(int(m_backend->lastError()), EBADF);
    const Handle command = openOrFail("hidraw1#0", Access::Read);
    QCOMPARE(m_backend->getFeature(command, buffer.data(), 1032), -1L);
    QCOMPARE(int(m_backend->lastError()), EINVAL);
    QCOMPARE(m_io->calls("ioctl").size(), 2);

    // A short reply: the rest of a buffer longer than the report is zeroed, all of it defined.
    std::fill(buffer.begin() + 1, buffer.end(), 0xEE);
    m_io->featureReply = fromHex("06 82 00 01 02");
    const Handle h = openOrFail("hidraw1#1", Access::Read);
    QCOMPARE(m_backend->getFeature(h, buffer.data(), buffer.size()), 5L);
    QCOMPARE(m_io->calls("ioctl").last().request, static_cast<unsigned long>(HIDIOCGFEATURE(1032)));
    QCOMPARE(bytesOf(buffer.data(), 5), fromHex("06 82 00 01 02"));
    QVERIFY(std::all_of(buffer.begin() + 5, buffer.end(), [](std::uint8_t b) { return b == 0; }));
    for (Handle open : {query, command, h})
        m_backend->close(open);
}

void TestHidraw::ioctlFailures()
{
    // Interrupted calls are repeated; device errors reach lastError(), which is per thread.
    m_io->ioctlErrors = {EINTR, EINTR};
    const Handle h = openOrFail("hidraw1#0", Access::ReadWrite);
    std::uint8_t status[6] = {5, 0x82};
    QVERIFY(m_backend->setFeature(h, status, sizeof status));
    QCOMPARE(m_io->calls("ioctl").size(), 3);

    m_io->ioctlErrors = {EPIPE, ENODEV};
    QVERIFY(!m_backend->setFeature(h, status, sizeof status));
    QCOMPARE(int(m_backend->lastError()), EPIPE);
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

void TestHidraw::inputReports()
{
    // The node hands out the reports of both collections; each handle sees only its own.
    m_io->inputReports = {fromHex("01 05 FB"), fromHex("02 0A 0B 0C 0D"), fromHex("01 01 01")};
    const Handle vendor = openOrFail("hidraw2#1", Access::Read);
    std::uint8_t buffer[7] = {};
    QCOMPARE(m_backend->readReport(vendor, buffer, 5), 5L);
    QCOMPARE(bytesOf(buffer, 5), fromHex("02 0A 0B 0C 0D"));
    QCOMPARE(m_io->calls("read").size(), 2);
    const Handle mouse = openOrFail("hidraw2#0", Access::Read);
    QCOMPARE(m_backend->readReport(mouse, buffer, 5), 3L);
    QCOMPARE(bytesOf(buffer, 3), fromHex("01 01 01"));

    // A buffer shorter than the collection's input report is refused before reading, and so is
    // a read where the collection has no input report (it would wait forever).
    QCOMPARE(m_backend->readReport(vendor, buffer, 4), -1L);
    QCOMPARE(int(m_backend->lastError()), EINVAL);
    const Handle data = openOrFail("hidraw1#1", Access::Read);
    std::vector<std::uint8_t> large(1032, 0);
    QCOMPARE(m_backend->readReport(data, large.data(), large.size()), -1L);
    QCOMPARE(int(m_backend->lastError()), EINVAL);
    QCOMPARE(m_io->calls("read").size(), 3);

    // Without report ids the node hands out the bare report; the caller gets id byte 0 first.
    m_io->inputReports = {fromHex("01 10 00 F0 FF 01")};
    const Handle pointer = openOrFail("hidraw0#0", Access::Read);
    std::memset(buffer, 0xEE, sizeof buffer);
    QCOMPARE(m_backend->readReport(pointer, buffer, sizeof buffer), 7L);
    QCOMPARE(bytesOf(buffer, 7), fromHex("00 01 10 00 F0 FF 01"));
    for (Handle open : {vendor, mouse, data, pointer})
        m_backend->close(open);
}

void TestHidraw::outputReports()
{
    const Handle h = openOrFail("hidraw2#1", Access::ReadWrite);
    const QByteArray report = fromHex("03 AA BB CC DD");  // longer than output report 3 (3 bytes)
    QVERIFY(m_backend->writeReport(h, u8(report), 5));
    QCOMPARE(m_io->calls("write").size(), 1);
    QCOMPARE(m_io->calls("write")[0].bytes, fromHex("03 AA BB"));

    const std::uint8_t input[5] = {2, 1, 2, 3, 4};  // an input report id
    QVERIFY(!m_backend->writeReport(h, input, sizeof input));
    QCOMPARE(int(m_backend->lastError()), EINVAL);
    const Handle reader = openOrFail("hidraw2#1", Access::Read);
    QVERIFY(!m_backend->writeReport(reader, u8(report), 5));
    QCOMPARE(int(m_backend->lastError()), EBADF);
    QCOMPARE(m_io->calls("write").size(), 1);
    m_backend->close(h);
    m_backend->close(reader);
}

void TestHidraw::concurrentUse()
{
    // The presence monitor scans while the engine talks to the mouse.
    m_io->featureReply = QByteArray(1032, 0);
    m_io->featureReply[0] = 6;
    std::atomic<int> failures{0};
    std::thread scanner([&] {
        for (int i = 0; i < 50; ++i) {
            std::vector<std::string> paths;
            if (!m_backend->enumerate(paths) || paths.size() != 8)
                ++failures;
            for (const std::string& p : paths) {
                const Handle h = m_backend->open(p, Access::Query);
                hid::Attributes a;
                if (h == InvalidHandle || !m_backend->attributes(h, a))
                    ++failures;
                m_backend->close(h);
            }
        }
    });
    for (int i = 0; i < 200; ++i) {
        const Handle h = m_backend->open(path("hidraw1#1").toStdString(), Access::ReadWrite);
        std::vector<std::uint8_t> buffer(1032, 0);
        buffer[0] = 6;
        if (h == InvalidHandle || !m_backend->setFeature(h, buffer.data(), buffer.size())
            || m_backend->getFeature(h, buffer.data(), buffer.size()) != 1032)
            ++failures;
        m_backend->close(h);
    }
    scanner.join();
    QCOMPARE(failures.load(), 0);
    QCOMPARE(m_io->openDescriptors(), 0);
}

QTEST_GUILESS_MAIN(TestHidraw)
#include "tst_hidraw.moc"
