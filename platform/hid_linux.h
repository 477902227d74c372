// LinuxBackend: the HID seam over hidraw.
//
// One hidraw node covers a whole USB interface, which may hold several top-level collections;
// Windows lists each collection as an interface of its own, and so do we. An interface path is
// the node's path, '#', and the 0-based index of the collection in the node's report
// descriptor:
//
//   /dev/hidraw3#0    first top-level collection of /dev/hidraw3
//   /dev/hidraw3#1    second one
//
// A node whose report descriptor is missing or does not parse is listed as one interface "#0":
// its attributes and product string can be read, but it has no caps (as a device whose
// preparsed data cannot be had on Windows) and no transfer goes through it.
//
// Querying (attributes, product string, caps) reads sysfs only and opens no node, so it works
// without access rights to the node, like a Windows query handle. Read and read/write opens open
// the node O_RDONLY / O_RDWR; the udev rule installed with the program grants them to the user
// at the seat.
//
// Transfers keep to the collection of the handle, as Windows does: a feature, output or input
// report whose report id does not belong to the collection is refused (EINVAL), and a report
// goes out with its own length from the descriptor, even when the caller's buffer is longer
// (the collection's longest report). lastError() is the errno of the calling thread's last
// failure.
#pragma once

#include "hid.h"
#include "hid_linux_sysfs.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <sys/types.h>

namespace hid {

class LinuxBackend final : public Backend {
public:
    // The system calls made on a node (/dev/hidrawN). Tests replace them to play a device;
    // each returns what the system call returns and leaves errno set on failure.
    class NodeIo {
    public:
        virtual ~NodeIo() = default;
        virtual int open(const std::string& path, int flags);
        virtual int close(int fd);
        virtual int ioctl(int fd, unsigned long request, void* argument);
        virtual ssize_t read(int fd, void* buffer, std::size_t length);
        virtual ssize_t write(int fd, const void* buffer, std::size_t length);
    };

    // The biggest report hidraw moves in one go (HID_MAX_BUFFER_SIZE).
    static constexpr std::size_t MaxTransfer = 16384;

    explicit LinuxBackend(std::string sysfsRoot = "/sys", std::string devRoot = "/dev",
                          std::shared_ptr<NodeIo> io = nullptr);
    ~LinuxBackend() override;

    bool enumerate(std::vector<std::string>& paths) override;
    Handle open(const std::string& path, Access access) override;
    void close(Handle handle) override;
    bool attributes(Handle handle, Attributes& out) override;
    bool productString(Handle handle, std::string& utf8Out) override;
    CapsStatus caps(Handle handle, Caps& out) override;
    bool featureValueCaps(Handle handle, std::vector<ValueCaps>& out) override;
    bool setFeature(Handle handle, const std::uint8_t* buffer, std::size_t length) override;
    long getFeature(Handle handle, std::uint8_t* buffer, std::size_t length) override;
    bool writeReport(Handle handle, const std::uint8_t* buffer, std::size_t length) override;
    long readReport(Handle handle, std::uint8_t* buffer, std::size_t length) override;
    std::uint32_t lastError() const override;

    // Splits an interface path into node name and collection index; false when `path` is not
    // one of ours.
    bool parsePath(const std::string& path, std::string& node, std::size_t& collection) const;

private:
    struct Interface;

    std::shared_ptr<Interface> find(Handle handle) const;
    std::shared_ptr<Interface> findForTransfer(Handle handle, Access needed) const;
    static std::size_t reportLength(const Interface& itf, const std::uint8_t* buffer, std::size_t length,
                                    std::uint16_t ReportLengths::*kind);

    const std::string m_sysfsRoot;
    const std::string m_devRoot;
    const std::shared_ptr<NodeIo> m_io;

    mutable std::mutex m_mutex;
    std::map<Handle, std::shared_ptr<Interface>> m_open;
    Handle m_nextHandle = 1;
};

}  // namespace hid
