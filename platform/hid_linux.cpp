#include "hid_linux.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace hid {
namespace {

// Per thread and shared by every backend object because errno is: lastError() mirrors it.
thread_local std::uint32_t t_lastError = 0;

// The report length travels in the size field of the ioctl number, which holds 14 bits.
constexpr std::size_t MaxIoctlLength = _IOC_SIZEMASK;

bool fail(int error)
{
    t_lastError = std::uint32_t(error);
    return false;
}

long failLong(int error)
{
    t_lastError = std::uint32_t(error);
    return -1;
}

}  // namespace

struct LinuxBackend::Interface {
    std::shared_ptr<NodeIo> io;
    int fd = -1;
    Access access = Access::Query;
    hidraw::NodeInfo node;
    std::size_t index = 0;

    bool hasCollection() const { return node.descriptorError == 0; }
    const TopLevelCollection& collection() const { return node.descriptor.collections()[index]; }

    ~Interface()
    {
        if (fd >= 0)
            io->close(fd);
    }
};

int LinuxBackend::NodeIo::open(const std::string& path, int flags) { return ::open(path.c_str(), flags); }
int LinuxBackend::NodeIo::close(int fd) { return ::close(fd); }
int LinuxBackend::NodeIo::ioctl(int fd, unsigned long request, void* argument) { return ::ioctl(fd, request, argument); }
ssize_t LinuxBackend::NodeIo::read(int fd, void* buffer, std::size_t length) { return ::read(fd, buffer, length); }
ssize_t LinuxBackend::NodeIo::write(int fd, const void* buffer, std::size_t length)
{
    return ::write(fd, buffer, length);
}

LinuxBackend::LinuxBackend(std::string sysfsRoot, std::string devRoot, std::shared_ptr<NodeIo> io)
    : m_sysfsRoot(std::move(sysfsRoot)),
      m_devRoot(std::move(devRoot)),
      m_io(io ? std::move(io) : std::make_shared<NodeIo>())
{
}

LinuxBackend::~LinuxBackend() = default;

bool LinuxBackend::enumerate(std::vector<std::string>& paths)
{
    paths.clear();
    std::vector<std::string> names;
    int error = 0;
    if (!hidraw::listNodes(m_sysfsRoot, names, error))
        return fail(error);
    for (const std::string& name : names) {
        hidraw::NodeInfo info;
        if (!hidraw::readNode(m_sysfsRoot, name, info, error))
            continue;  // unplugged while we looked
        const std::size_t count = info.descriptorError == 0 ? info.descriptor.collections().size() : 1;
        for (std::size_t k = 0; k < count; ++k)
            paths.push_back(m_devRoot + "/" + name + "#" + std::to_string(k));
    }
    return true;
}

bool LinuxBackend::parsePath(const std::string& path, std::string& node, std::size_t& collection) const
{
    const std::string prefix = m_devRoot + "/";
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0)
        return false;
    const std::size_t hash = path.find('#', prefix.size());
    if (hash == std::string::npos)
        return false;
    const std::string name = path.substr(prefix.size(), hash - prefix.size());
    const std::string index = path.substr(hash + 1);
    // Only the spelling enumerate() produces: decimal, no sign, no leading zero.
    if (!hidraw::isNodeName(name) || index.empty() || index.size() > 6 || (index.size() > 1 && index[0] == '0')
        || !std::all_of(index.begin(), index.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    node = name;
    collection = std::strtoul(index.c_str(), nullptr, 10);
    return true;
}

Handle LinuxBackend::open(const std::string& path, Access access)
{
    std::string name;
    std::size_t index = 0;
    if (!parsePath(path, name, index)) {
        fail(ENOENT);
        return InvalidHandle;
    }
    auto itf = std::make_shared<Interface>();
    itf->io = m_io;
    itf->access = access;
    int error = 0;
    if (!hidraw::readNode(m_sysfsRoot, name, itf->node, error)) {
        fail(error);
        return InvalidHandle;
    }
    const std::size_t count = itf->hasCollection() ? itf->node.descriptor.collections().size() : 1;
    if (index >= count) {
        fail(ENOENT);
        return InvalidHandle;
    }
    itf->index = index;
    if (access != Access::Query) {
        const int flags = (access == Access::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC;
        itf->fd = m_io->open(m_devRoot + "/" + name, flags);
        if (itf->fd < 0) {
            fail(errno);
            return InvalidHandle;
        }
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    const Handle handle = m_nextHandle++;
    m_open.emplace(handle, std::move(itf));
    return handle;
}

void LinuxBackend::close(Handle handle)
{
    std::shared_ptr<Interface> itf;  // released after the lock, closing the node if it was the last user
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_open.find(handle);
    if (it == m_open.end()) {
        fail(EBADF);
        return;
    }
    itf = std::move(it->second);
    m_open.erase(it);
}

std::shared_ptr<LinuxBackend::Interface> LinuxBackend::find(Handle handle) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_open.find(handle);
    if (it == m_open.end()) {
        fail(EBADF);
        return nullptr;
    }
    return it->second;
}

std::shared_ptr<LinuxBackend::Interface> LinuxBackend::findForTransfer(Handle handle, Access needed) const
{
    std::shared_ptr<Interface> itf = find(handle);
    if (!itf)
        return nullptr;
    const bool allowed = needed == Access::Read ? itf->access != Access::Query : itf->access == Access::ReadWrite;
    if (!allowed) {
        fail(EBADF);
        return nullptr;
    }
    if (!itf->hasCollection()) {
        fail(itf->node.descriptorError);
        return nullptr;
    }
    return itf;
}

bool LinuxBackend::attributes(Handle handle, Attributes& out)
{
    const std::shared_ptr<Interface> itf = find(handle);
    if (!itf)
        return false;
    if (itf->node.idsError != 0)
        return fail(itf->node.idsError);
    out = itf->node.attributes;
    return true;
}

bool LinuxBackend::productString(Handle handle, std::string& utf8Out)
{
    const std::shared_ptr<Interface> itf = find(handle);
    if (!itf)
        return false;
    if (itf->node.productError != 0)
        return fail(itf->node.productError);
    utf8Out = itf->node.product;
    return true;
}

CapsStatus LinuxBackend::caps(Handle handle, Caps& out)
{
    const std::shared_ptr<Interface> itf = find(handle);
    if (!itf)
        return CapsStatus::NoPreparsedData;
    if (!itf->hasCollection()) {
        fail(itf->node.descriptorError);
        return CapsStatus::NoPreparsedData;
    }
    out = itf->collection().caps;
    return CapsStatus::Ok;
}

bool LinuxBackend::featureValueCaps(Handle handle, std::vector<ValueCaps>& out)
{
    const std::shared_ptr<Interface> itf = find(handle);
    if (!itf)
        return false;
    if (!itf->hasCollection())
        return fail(itf->node.descriptorError);
    out = itf->collection().featureValueCaps;
    return true;
}

// The length of the report whose id is buffer[0], of the kind asked for, in the handle's own
// collection; 0 (and the reason in the last error) when the caller's buffer cannot carry it.
std::size_t LinuxBackend::reportLength(const Interface& itf, const std::uint8_t* buffer, std::size_t length,
                                       std::uint16_t ReportLengths::*kind)
{
    const ReportLengths* report = buffer && length > 0 ? itf.collection().report(buffer[0]) : nullptr;
    int error = 0;
    if (!report || report->*kind == 0 || length < report->*kind)
        error = EINVAL;
    else if (report->*kind > MaxIoctlLength)
        error = EMSGSIZE;
    if (error) {
        fail(error);
        return 0;
    }
    return report->*kind;
}

bool LinuxBackend::setFeature(Handle handle, const std::uint8_t* buffer, std::size_t length)
{
    const std::shared_ptr<Interface> itf = findForTransfer(handle, Access::ReadWrite);
    if (!itf)
        return false;
    const std::size_t size = reportLength(*itf, buffer, length, &ReportLengths::feature);
    if (size == 0)
        return false;
    // The ioctl takes a mutable buffer; the caller's stays untouched.
    std::vector<std::uint8_t> copy(buffer, buffer + size);
    int result;
    do {
        result = itf->io->ioctl(itf->fd, HIDIOCSFEATURE(size), copy.data());
    } while (result < 0 && errno == EINTR);
    if (result < 0)
        return fail(errno);
    if (std::size_t(result) != size)
        return fail(EIO);
    return true;
}

long LinuxBackend::getFeature(Handle handle, std::uint8_t* buffer, std::size_t length)
{
    const std::shared_ptr<Interface> itf = findForTransfer(handle, Access::Read);
    if (!itf)
        return -1;
    const std::size_t size = reportLength(*itf, buffer, length, &ReportLengths::feature);
    if (size == 0)
        return -1;
    int result;
    do {
        result = itf->io->ioctl(itf->fd, HIDIOCGFEATURE(size), buffer);
    } while (result < 0 && errno == EINTR);
    if (result < 0)
        return failLong(errno);
    if (std::size_t(result) > size)
        return failLong(EIO);
    // Whatever the device left out reads as zero, not as the caller's old bytes.
    std::memset(buffer + result, 0, length - std::size_t(result));
    return result;
}

bool LinuxBackend::writeReport(Handle handle, const std::uint8_t* buffer, std::size_t length)
{
    const std::shared_ptr<Interface> itf = findForTransfer(handle, Access::ReadWrite);
    if (!itf)
        return false;
    const std::size_t size = reportLength(*itf, buffer, length, &ReportLengths::output);
    if (size == 0)
        return false;
    ssize_t written;
    do {
        written = itf->io->write(itf->fd, buffer, size);
    } while (written < 0 && errno == EINTR);
    if (written < 0)
        return fail(errno);
    if (std::size_t(written) != size)
        return fail(EIO);
    return true;
}

long LinuxBackend::readReport(Handle handle, std::uint8_t* buffer, std::size_t length)
{
    const std::shared_ptr<Interface> itf = findForTransfer(handle, Access::Read);
    if (!itf)
        return -1;
    const TopLevelCollection& collection = itf->collection();
    // A collection without input reports would wait forever.
    if (!buffer || collection.caps.inputReportByteLength == 0 || length < collection.caps.inputReportByteLength)
        return failLong(EINVAL);
    const bool numbered = itf->node.descriptor.usesReportIds();
    std::vector<std::uint8_t> data(MaxTransfer);
    for (;;) {
        const ssize_t got = itf->io->read(itf->fd, data.data(), data.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return failLong(errno);
        }
        if (got == 0)
            return failLong(EIO);
        const std::size_t size = std::min(std::size_t(got), data.size());
        if (!numbered) {
            // The node hands out the report alone; the caller expects the id byte (0) first.
            buffer[0] = 0;
            const std::size_t n = std::min(size, length - 1);
            std::memcpy(buffer + 1, data.data(), n);
            return long(n + 1);
        }
        // The node hands out the reports of all its collections; keep to ours.
        const ReportLengths* report = collection.report(data[0]);
        if (!report || report->input == 0)
            continue;
        const std::size_t n = std::min(size, length);
        std::memcpy(buffer, data.data(), n);
        return long(n);
    }
}

std::uint32_t LinuxBackend::lastError() const { return t_lastError; }

std::shared_ptr<Backend> createPlatformBackend() { return std::make_shared<LinuxBackend>(); }

}  // namespace hid
