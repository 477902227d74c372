#include "wholefile.h"

#include "loginfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

bool writeWholeFile(const QString& path, const QByteArray& content)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        loginfo(QStringLiteral("cannot create the folder of %1").arg(path));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        loginfo(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    if (file.write(content) != content.size() || !file.commit()) {
        loginfo(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        file.cancelWriting();
        return false;
    }
    return true;
}

namespace {

void refuse(const QString& path, const QString& why)
{
    loginfo(QStringLiteral("refusing to read %1: %2").arg(path, why));
}

QString tooLarge(qint64 limit) { return QStringLiteral("larger than %1 bytes").arg(limit); }

// A QByteArray holds less than 2 GiB.
constexpr qint64 kLargestLimit = qint64(1) << 30;

}  // namespace

#ifdef Q_OS_UNIX

bool readWholeFile(const QString& path, QByteArray& content, qint64 limit)
{
    limit = qBound<qint64>(0, limit, kLargestLimit);
    // Opened without blocking: a FIFO would otherwise wait for a writer for ever. What was
    // opened is checked, not the name, so nothing can be swapped in between.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status {};
    bool ok = ::fstat(fd, &status) == 0;
    if (ok && !S_ISREG(status.st_mode)) {
        refuse(path, QStringLiteral("not a regular file"));
        ok = false;
    } else if (ok && status.st_size > limit) {
        refuse(path, tooLarge(limit));
        ok = false;
    }
    QByteArray bytes;
    if (ok) {
        // The file may grow while it is read: never more than the limit.
        bytes.resize(int(status.st_size) + 1);
        qint64 total = 0;
        for (;;) {
            if (total == bytes.size()) {
                if (total > limit) {
                    refuse(path, tooLarge(limit));
                    ok = false;
                    break;
                }
                bytes.resize(int(qMin<qint64>(limit + 1, total * 2)));
            }
            const ssize_t n = ::read(fd, bytes.data() + total, std::size_t(bytes.size() - total));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                ok = n == 0;
                break;
            }
            total += n;
        }
        bytes.truncate(int(total));
    }
    ::close(fd);
    if (ok)
        content = bytes;
    return ok;
}

#else

bool readWholeFile(const QString& path, QByteArray& content, qint64 limit)
{
    limit = qBound<qint64>(0, limit, kLargestLimit);
    QFile file(path);
    if (!file.exists())
        return false;
    const QFileInfo info(path);  // follows links
    if (!info.isFile()) {
        refuse(path, QStringLiteral("not a regular file"));
        return false;
    }
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.size() > limit) {
        refuse(path, tooLarge(limit));
        return false;
    }
    QByteArray bytes = file.read(file.size() + 1);
    if (file.error() != QFileDevice::NoError)
        return false;
    if (bytes.size() > limit) {
        refuse(path, tooLarge(limit));
        return false;
    }
    content = bytes;
    return true;
}

#endif
