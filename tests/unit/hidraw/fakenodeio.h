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
        QString path;
        int fd = -1;
        int flags = 0;
        unsigned long request = 0;
        QByteArray bytes;  // what went to the device (set-feature, write)
    };

    int open(const std::string& path, int flags) override;
    int close(int fd) override;
    int ioctl(int fd, unsigned long request, void* argument) override;
    ssize_t read(int fd, void* buffer, std::size_t length) override;
    ssize_t write(int fd, const void* buffer, std::size_t length) override;

    // Set-up. Errors are errno values, used up one per call of that kind.
    void failOpen(int error);
    void failIoctls(QList<int> errors);
    void setFeatureReply(const QByteArray& reply);   // what get-feature delivers
    void queueInputReport(const QByteArray& report); // what the next read delivers

    QList<Call> calls() const;
    QList<Call> calls(const QString& op) const;
    int openDescriptors() const;

private:
    mutable std::mutex m_mutex;
    QList<Call> m_calls;
    QList<int> m_ioctlErrors;
    int m_openError = 0;
    QByteArray m_featureReply;
    QList<QByteArray> m_inputReports;
    int m_nextFd = 40;
    int m_open = 0;
};
