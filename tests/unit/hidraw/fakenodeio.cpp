#include "fakenodeio.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <linux/hidraw.h>
#include <sys/ioctl.h>

int FakeNodeIo::open(const std::string& path, int flags)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Call call;
    call.op = "open";
    call.path = QString::fromStdString(path);
    call.flags = flags;
    m_calls << call;
    if (m_openError) {
        errno = m_openError;
        m_openError = 0;
        return -1;
    }
    ++m_open;
    return m_nextFd++;
}

int FakeNodeIo::close(int fd)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Call call;
    call.op = "close";
    call.fd = fd;
    m_calls << call;
    --m_open;
    return 0;
}

int FakeNodeIo::ioctl(int fd, unsigned long request, void* argument)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::size_t size = _IOC_SIZE(request);
    Call call;
    call.op = "ioctl";
    call.fd = fd;
    call.request = request;
    call.bytes = QByteArray(static_cast<const char*>(argument), int(size));
    m_calls << call;
    if (!m_ioctlErrors.isEmpty()) {
        errno = m_ioctlErrors.takeFirst();
        return -1;
    }
    if (request == HIDIOCGFEATURE(size)) {
        const std::size_t n = std::min(size, std::size_t(m_featureReply.size()));
        std::memcpy(argument, m_featureReply.constData(), n);
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
    Call call;
    call.op = "read";
    call.fd = fd;
    m_calls << call;
    if (m_inputReports.isEmpty()) {
        errno = EAGAIN;  // a real node would block here; the tests never let it
        return -1;
    }
    const QByteArray report = m_inputReports.takeFirst();
    const std::size_t n = std::min(length, std::size_t(report.size()));
    std::memcpy(buffer, report.constData(), n);
    return ssize_t(n);
}

ssize_t FakeNodeIo::write(int fd, const void* buffer, std::size_t length)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Call call;
    call.op = "write";
    call.fd = fd;
    call.bytes = QByteArray(static_cast<const char*>(buffer), int(length));
    m_calls << call;
    return ssize_t(length);
}

void FakeNodeIo::failOpen(int error)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_openError = error;
}

void FakeNodeIo::failIoctls(QList<int> errors)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ioctlErrors = std::move(errors);
}

void FakeNodeIo::setFeatureReply(const QByteArray& reply)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_featureReply = reply;
}

void FakeNodeIo::queueInputReport(const QByteArray& report)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_inputReports << report;
}

QList<FakeNodeIo::Call> FakeNodeIo::calls() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
}

QList<FakeNodeIo::Call> FakeNodeIo::calls(const QString& op) const
{
    QList<Call> result;
    for (const Call& c : calls()) {
        if (c.op == op)
            result << c;
    }
    return result;
}

int FakeNodeIo::openDescriptors() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_open;
}
