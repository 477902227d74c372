#include "fakenodeio.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include <linux/hidraw.h>
#include <sys/ioctl.h>

FakeNodeIo::Call& FakeNodeIo::record(const QString& op, int fd)
{
    m_calls.append(Call{op, fd, QString(), 0, 0, QByteArray()});
    return m_calls.last();
}

int FakeNodeIo::open(const std::string& path, int flags)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Call& call = record("open", -1);
    call.path = QString::fromStdString(path);
    call.flags = flags;
    if (openError) {
        errno = std::exchange(openError, 0);
        return -1;
    }
    ++m_open;
    return m_nextFd++;
}

int FakeNodeIo::close(int fd)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    record("close", fd);
    --m_open;
    return 0;
}

int FakeNodeIo::ioctl(int fd, unsigned long request, void* argument)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::size_t size = _IOC_SIZE(request);
    Call& call = record("ioctl", fd);
    call.request = request;
    call.bytes = QByteArray(static_cast<const char*>(argument), int(size));
    if (!ioctlErrors.isEmpty()) {
        errno = ioctlErrors.takeFirst();
        return -1;
    }
    if (request == HIDIOCGFEATURE(size)) {
        const std::size_t n = std::min(size, std::size_t(featureReply.size()));
        std::memcpy(argument, featureReply.constData(), n);
        return int(n);
    }
    if (request == HIDIOCSFEATURE(size))
        return int(size);
    errno = ENOTTY;
    return -1;
}

ssize_t FakeNodeIo::read(int fd, void* buffer, std::size_t length)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    record("read", fd);
    if (inputReports.isEmpty()) {
        errno = EAGAIN;  // a real node would block here; the tests never let it
        return -1;
    }
    const QByteArray report = inputReports.takeFirst();
    const std::size_t n = std::min(length, std::size_t(report.size()));
    std::memcpy(buffer, report.constData(), n);
    return ssize_t(n);
}

ssize_t FakeNodeIo::write(int fd, const void* buffer, std::size_t length)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    record("write", fd).bytes = QByteArray(static_cast<const char*>(buffer), int(length));
    return ssize_t(length);
}

QList<FakeNodeIo::Call> FakeNodeIo::calls(const QString& op) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QList<Call> result;
    for (const Call& c : m_calls) {
        if (op.isNull() || c.op == op)
            result << c;
    }
    return result;
}

int FakeNodeIo::openDescriptors() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_open;
}
