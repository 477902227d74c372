// What the hidraw backend stands on, of our own making. FakeSysfs: a sysfs and /dev in a
// temporary folder, laid out as the kernel lays out a hidraw node (class entry and `device` as
// symbolic links, the HID device below its USB interface below its USB device). FakeNodeIo: a
// device behind the node calls that answers get-feature with a set reply, hands out queued input
// reports one per read, fails calls on request, and records every call (from one thread).
#pragma once

#include "hid_linux.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

class FakeSysfs {
public:
    struct UsbNode {
        QString node;       // "hidraw1"
        QString usbDevice;  // "1-1": nodes of one USB device share it
        int interfaceNumber = 0;
        std::uint16_t vendorId = 0, productId = 0, release = 0;
        QString product;
        QByteArray descriptor;
        bool withUevent = true, withProduct = true;  // an empty descriptor: no file
    };

    FakeSysfs() { m_ok = m_dir.isValid() && QDir().mkpath(sysfsRoot() + "/class/hidraw") && QDir().mkpath(devRoot()); }
    bool isValid() const { return m_ok; }
    QString sysfsRoot() const { return m_dir.path() + "/sys"; }
    QString devRoot() const { return m_dir.path() + "/dev"; }

    bool addUsbNode(const UsbNode& n)
    {
        const QString usbDevice = "devices/pci0000:00/0000:00:14.0/usb1/" + n.usbDevice, usbDir = sysfsRoot() + "/" + usbDevice;
        put(usbDir + "/bcdDevice", hex(n.release, 4).toUtf8() + "\n");
        if (n.withProduct)
            put(usbDir + "/product", n.product.toUtf8() + "\n");
        const QString hidDevice = QString("%1/%2:1.%3/0003:%4:%5.%6")
                                      .arg(usbDevice, n.usbDevice)
                                      .arg(n.interfaceNumber)
                                      .arg(hex(n.vendorId, 4), hex(n.productId, 4), hex(unsigned(m_sequence++), 4));
        const QByteArray uevent = QString("DRIVER=hid-generic\nHID_ID=0003:%1:%2\nHID_NAME=Maker %3\n")
                                      .arg(hex(n.vendorId, 8), hex(n.productId, 8), n.product)
                                      .toUtf8();
        return addNode(n.node, hidDevice, n.withUevent ? &uevent : nullptr,
                       n.descriptor.isEmpty() ? nullptr : &n.descriptor);
    }
    // A node with no USB device above it (Bluetooth, say) whose uevent says what `uevent` says.
    bool addNodeWithUevent(const QString& node, const QByteArray& uevent, const QByteArray& descriptor)
    {
        return addNode(node, QString("devices/virtual/misc/uhid/0003:0000:0000.%1").arg(hex(unsigned(m_sequence++), 4)),
                       &uevent, &descriptor);
    }
    // Something in the hidraw class folder that is no node.
    bool addClassEntry(const QString& name) { return QDir().mkpath(sysfsRoot() + "/class/hidraw/" + name); }

private:
    static QString hex(unsigned value, int digits) { return QString("%1").arg(value, digits, 16, QChar('0')).toUpper(); }
    void put(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        m_ok = m_ok && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    void link(const QString& target, const QString& link)
    {
        m_ok = m_ok && ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) == 0;
    }
    // <hid device>/hidraw/<node>/device -> ../.. ; class/hidraw/<node> -> ../../<that folder>
    bool addNode(const QString& node, const QString& hidDeviceDir, const QByteArray* uevent, const QByteArray* descriptor)
    {
        const QString hid = sysfsRoot() + "/" + hidDeviceDir, nodeDir = hid + "/hidraw/" + node;
        m_ok = m_ok && QDir().mkpath(nodeDir);
        link("../..", nodeDir + "/device");
        link("../../" + hidDeviceDir + "/hidraw/" + node, sysfsRoot() + "/class/hidraw/" + node);
        if (uevent)
            put(hid + "/uevent", *uevent);
        if (descriptor)
            put(hid + "/report_descriptor", *descriptor);
        return m_ok;
    }

    QTemporaryDir m_dir;
    int m_sequence = 1;
    bool m_ok = false;
};

class FakeNodeIo final : public hid::LinuxBackend::NodeIo {
public:
    struct Call {
        QString op;  // "open", "close", "ioctl", "read", "write"
        QString path;
        int flags = 0;
        unsigned long request = 0;
        QByteArray bytes;  // what went to the device (set-feature, write)
    };

    // Set up before use. Errors are errno values, used up one per call of that kind.
    int openError = 0;
    QList<int> ioctlErrors;
    QByteArray featureReply;         // what get-feature delivers
    QList<QByteArray> inputReports;  // what the reads deliver, one each

    int open(const std::string& path, int flags) override
    {
        m_calls.append({"open", QString::fromStdString(path), flags, 0, {}});
        if (openError) {
            errno = std::exchange(openError, 0);
            return -1;
        }
        return 40 + m_calls.size();
    }
    int close(int) override
    {
        m_calls.append({"close", {}, 0, 0, {}});
        return 0;
    }
    int ioctl(int, unsigned long request, void* argument) override
    {
        const std::size_t size = _IOC_SIZE(request);
        m_calls.append({"ioctl", {}, 0, request, QByteArray(static_cast<const char*>(argument), int(size))});
        if (!ioctlErrors.isEmpty()) {
            errno = ioctlErrors.takeFirst();
            return -1;
        }
        if (request == HIDIOCGFEATURE(size))
            return copyOut(featureReply, argument, size);
        return int(size);  // HIDIOCSFEATURE: the only other call the backend makes
    }
    ssize_t read(int, void* buffer, std::size_t length) override
    {
        m_calls.append({"read", {}, 0, 0, {}});
        if (inputReports.isEmpty()) {
            errno = EAGAIN;  // a real node would block here; the tests never let it
            return -1;
        }
        return copyOut(inputReports.takeFirst(), buffer, length);
    }
    ssize_t write(int, const void* buffer, std::size_t length) override
    {
        m_calls.append({"write", {}, 0, 0, QByteArray(static_cast<const char*>(buffer), int(length))});
        return ssize_t(length);
    }

    QList<Call> calls(const QString& op = QString()) const
    {
        QList<Call> result;
        std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(result),
                     [&](const Call& c) { return op.isNull() || c.op == op; });
        return result;
    }
private:
    static int copyOut(const QByteArray& bytes, void* to, std::size_t room)
    {
        const std::size_t n = std::min(room, std::size_t(bytes.size()));
        std::memcpy(to, bytes.constData(), n);
        return int(n);
    }

    QList<Call> m_calls;
};
