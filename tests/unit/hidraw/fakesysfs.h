// A sysfs and /dev of our own making in a temporary folder, laid out as the kernel lays out a
// hidraw node (class entry and `device` as symbolic links, the HID device below its USB
// interface below its USB device), so the backend walks it exactly as it walks /sys.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>

class FakeSysfs {
public:
    struct UsbNode {
        QString node;          // "hidraw1"
        QString usbDevice;     // "1-1": nodes of one USB device share it
        int interfaceNumber = 0;
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
        std::uint16_t release = 0;
        QString product;
        QByteArray descriptor;
        bool withUevent = true;
        bool withDescriptor = true;
        bool withProduct = true;
        bool withRelease = true;
    };

    FakeSysfs();
    bool isValid() const { return m_dir.isValid(); }
    QString sysfsRoot() const { return m_dir.path() + "/sys"; }
    QString devRoot() const { return m_dir.path() + "/dev"; }

    // Each returns false (and says why in error()) when the tree could not be written.
    bool addUsbNode(const UsbNode& node);
    // A node of another bus (Bluetooth): no USB device above it, its name only in HID_NAME.
    bool addBluetoothNode(const QString& node, std::uint16_t vendorId, std::uint16_t productId, const QString& name,
                          const QByteArray& descriptor);
    // A node whose uevent says what `uevent` says.
    bool addNodeWithUevent(const QString& node, const QByteArray& uevent, const QByteArray& descriptor);
    // Something in the hidraw class folder that is no node (a file or folder of another name).
    bool addClassEntry(const QString& name);
    // A plain file in place of the device node /dev/<node>.
    bool addDevFile(const QString& node);

    QString error() const { return m_error; }

private:
    bool addNode(const QString& node, const QString& hidDeviceDir, const QByteArray* uevent,
                 const QByteArray* descriptor);
    bool write(const QString& path, const QByteArray& bytes);
    bool mkpath(const QString& path);
    bool symlink(const QString& target, const QString& link);

    QTemporaryDir m_dir;
    int m_sequence = 1;
    QString m_error;
};
