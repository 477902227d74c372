#include "wholefile.h"

#include "loginfo.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// The scratch file a write fills beside its file: this prefix and six letters or digits
// (QTemporaryFile's XXXXXX).
constexpr char kScratchPrefix[] = ".zr540-save-";

// What a new file gets: read and write for its owner, read for everyone else.
constexpr QFileDevice::Permissions kNewFilePermissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                         | QFileDevice::ReadUser | QFileDevice::WriteUser
                                                         | QFileDevice::ReadGroup | QFileDevice::ReadOther;

}  // namespace

SaveStepHook saveStepHook = nullptr;

std::filesystem::path nativePath(const QString& path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

bool isScratchName(const QString& fileName, const char* prefix)
{
    const QLatin1String start(prefix);
    if (fileName.size() != start.size() + 6 || !fileName.startsWith(start))
        return false;
    for (int i = start.size(); i < fileName.size(); ++i) {
        const QChar c = fileName.at(i);
        if (c.unicode() > 0x7F || !c.isLetterOrNumber())
            return false;
    }
    return true;
}

// Not QSaveFile: the scratch file it leaves when killed between naming it and renaming it is called
// "<file>.XXXXXX", which nothing can tell from a user's file (a macro folder would list it as one
// more macro), and Qt 5's QSaveFile::commit ignores a failed last flush, so on a full disk it
// renamed a cut file into place and reported success.
bool writeWholeFile(const QString& path, const QByteArray& content)
{
    // A link is written through: the file it leads to is replaced, not the link.
    QFileInfo target(path);
    for (int depth = 0; target.isSymLink() && depth < 32; ++depth)
        target.setFile(target.symLinkTarget());
    const auto fail = [&path](const QString& why) {
        loginfo(QStringLiteral("cannot write %1: %2").arg(path, why));
        return false;
    };
    if (!QDir().mkpath(target.absolutePath())) {
        loginfo(QStringLiteral("cannot create the folder of %1").arg(path));
        return false;
    }
    if (target.exists() && !target.isWritable())
        return fail(QStringLiteral("the file is read-only"));
    const QFileDevice::Permissions permissions = target.exists() ? target.permissions() : kNewFilePermissions;

    // Removed with the object unless it took the file's name.
    QTemporaryFile scratch(target.absolutePath() + QLatin1Char('/') + QLatin1String(kScratchPrefix)
                           + QStringLiteral("XXXXXX"));
    if (!scratch.open())
        return fail(scratch.errorString());
    const QString file = target.absoluteFilePath();
    saveStep("write", file);
    // A full disk shows in flush() for anything smaller than the write buffer.
    if (scratch.write(content) != content.size() || !scratch.flush())
        return fail(scratch.errorString());
    saveStep("sync", file);
#ifdef Q_OS_UNIX
    // On the disk before it takes the name: a power cut must not leave an empty file either.
    if (::fsync(scratch.handle()) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
#endif
    scratch.close();
    if (!scratch.setPermissions(permissions))
        return fail(scratch.errorString());
    saveStep("rename", file);
    std::error_code error;
    std::filesystem::rename(nativePath(scratch.fileName()), nativePath(file), error);
    if (error)
        return fail(QString::fromStdString(error.message()));
    scratch.setAutoRemove(false);
    saveStep("renamed", file);
    return true;
}

void removeUnfinishedWrites(const QString& folder)
{
    QDirIterator it(folder, {QLatin1String(kScratchPrefix) + QLatin1Char('*')},
                    QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!isScratchName(it.fileName(), kScratchPrefix) || it.fileInfo().isSymLink())
            continue;
        if (QFile::remove(path))
            loginfo(QStringLiteral("removed the unfinished write %1").arg(path));
        else
            loginfo(QStringLiteral("cannot remove the unfinished write %1").arg(path));
    }
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
