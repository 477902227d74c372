// A device behind the hidraw node calls, for the transfer tests: it answers get-feature with a
// set reply, hands out queued input reports one per read, fails calls on request, and records
// every call.
#pragma once

#include "hid_linux.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <mutex>

class FakeNodeIo final : public hid::LinuxBackend::NodeIo {
public:
    struct Call {
        QString op;  // "open", "close", "ioctl", "read", "write"
        int fd = -1;
        QString path;
        int flags = 0;
        unsigned long request = 0;
        QByteArray bytes;  // what went to the device (set-feature, write)
    };

    int open(const std::string& path, int flags) override;
    int close(int fd) override;
    int ioctl(int fd, unsigned long request, void* argument) override;
    ssize_t read(int fd, void* buffer, std::size_t length) override;
    ssize_t write(int fd, const void* buffer, std::size_t length) override;

    // Set up before the backend is used. Errors are errno values, used up one per call of that
    // kind.
    int openError = 0;
    QList<int> ioctlErrors;
    QByteArray featureReply;         // what get-feature delivers
    QList<QByteArray> inputReports;  // what the reads deliver, one each

    QList<Call> calls(const QString& op = QString()) const;
    int openDescriptors() const;

private:
    Call& record(const QString& op, int fd);  // with m_mutex held

    mutable std::mutex m_mutex;
    QList<Call> m_calls;
    int m_nextFd = 40;
    int m_open = 0;
};
