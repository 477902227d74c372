#include "fakesysfs.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace {

QString hex(unsigned value, int digits) { return QString("%1").arg(value, digits, 16, QChar('0')).toUpper(); }

}  // namespace

FakeSysfs::FakeSysfs()
{
    if (m_dir.isValid()) {
        mkpath(sysfsRoot() + "/class/hidraw");
        mkpath(devRoot());
    }
}

bool FakeSysfs::mkpath(const QString& path)
{
    if (QDir().mkpath(path))
        return true;
    m_error = "cannot make " + path;
    return false;
}

bool FakeSysfs::write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
        return true;
    m_error = "cannot write " + path;
    return false;
}

bool FakeSysfs::symlink(const QString& target, const QString& link)
{
    if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) == 0)
        return true;
    m_error = "cannot link " + link + ": " + QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

bool FakeSysfs::addNode(const QString& node, const QString& hidDeviceDir, const QByteArray* uevent,
                        const QByteArray* descriptor)
{
    // <hid device>/hidraw/<node>/device -> ../.. ; class/hidraw/<node> -> ../../<that folder>
    const QString hid = sysfsRoot() + "/" + hidDeviceDir;
    const QString nodeDir = hid + "/hidraw/" + node;
    if (!mkpath(nodeDir) || !symlink("../..", nodeDir + "/device")
        || !symlink("../../" + hidDeviceDir + "/hidraw/" + node, sysfsRoot() + "/class/hidraw/" + node))
        return false;
    if (uevent && !write(hid + "/uevent", *uevent))
        return false;
    if (descriptor && !write(hid + "/report_descriptor", *descriptor))
        return false;
    return true;
}

bool FakeSysfs::addUsbNode(const UsbNode& n)
{
    const QString usbDevice = "devices/pci0000:00/0000:00:14.0/usb1/" + n.usbDevice;
    const QString usbDir = sysfsRoot() + "/" + usbDevice;
    if (!mkpath(usbDir) || !write(usbDir + "/idVendor", hex(n.vendorId, 4).toLower().toUtf8() + "\n")
        || !write(usbDir + "/idProduct", hex(n.productId, 4).toLower().toUtf8() + "\n"))
        return false;
    if (n.withRelease && !write(usbDir + "/bcdDevice", hex(n.release, 4).toUtf8() + "\n"))
        return false;
    if (n.withProduct && !write(usbDir + "/product", n.product.toUtf8() + "\n"))
        return false;

    const QString hidDevice = QString("%1/%2:1.%3/0003:%4:%5.%6")
                                  .arg(usbDevice, n.usbDevice)
                                  .arg(n.interfaceNumber)
                                  .arg(hex(n.vendorId, 4), hex(n.productId, 4), hex(unsigned(m_sequence++), 4));
    const QByteArray uevent = QString("DRIVER=hid-generic\nHID_ID=0003:%1:%2\nHID_NAME=Maker %3\n"
                                      "HID_PHYS=usb-0000:00:14.0-1/input%4\nHID_UNIQ=\n"
                                      "MODALIAS=hid:b0003g0001v%1p%2\n")
                                  .arg(hex(n.vendorId, 8), hex(n.productId, 8), n.product)
                                  .arg(n.interfaceNumber)
                                  .toUtf8();
    return addNode(n.node, hidDevice, n.withUevent ? &uevent : nullptr, n.withDescriptor ? &n.descriptor : nullptr);
}

bool FakeSysfs::addBluetoothNode(const QString& node, std::uint16_t vendorId, std::uint16_t productId,
                                 const QString& name, const QByteArray& descriptor)
{
    const QString hidDevice = QString("devices/virtual/misc/uhid/0005:%1:%2.%3")
                                  .arg(hex(vendorId, 4), hex(productId, 4), hex(unsigned(m_sequence++), 4));
    const QByteArray uevent =
        QString("DRIVER=hid-generic\nHID_ID=0005:%1:%2\nHID_NAME=%3\nHID_UNIQ=00:11:22:33:44:55\n")
            .arg(hex(vendorId, 8), hex(productId, 8), name)
            .toUtf8();
    return addNode(node, hidDevice, &uevent, &descriptor);
}

bool FakeSysfs::addNodeWithUevent(const QString& node, const QByteArray& uevent, const QByteArray& descriptor)
{
    const QString hidDevice = QString("devices/virtual/misc/uhid/0003:0000:0000.%1").arg(hex(unsigned(m_sequence++), 4));
    return addNode(node, hidDevice, &uevent, &descriptor);
}

bool FakeSysfs::addClassEntry(const QString& name) { return mkpath(sysfsRoot() + "/class/hidraw/" + name); }

bool FakeSysfs::addDevFile(const QString& node) { return write(devRoot() + "/" + node, QByteArray()); }
