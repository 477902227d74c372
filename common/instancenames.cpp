#include "instancenames.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLockFile>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// Who runs the program: the user id where there is one, otherwise a digest of the user name.
QString userTag()
{
#ifdef Q_OS_UNIX
    return QString::number(::getuid());
#else
    QString user = qEnvironmentVariable("USERNAME");
    if (user.isEmpty())
        user = qEnvironmentVariable("USER");
    return QString::fromLatin1(QCryptographicHash::hash(user.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
#endif
}

// The key as part of a file or pipe name.
QString safeKey(const QString& key)
{
    QString out;
    out.reserve(key.size());
    for (const QChar c : key) {
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            || c == QLatin1Char('-') || c == QLatin1Char('_');
        out += plain ? c : QLatin1Char('_');
    }
    return out;
}

}  // namespace

QString InstanceNames::serverName(const QString& key) { return QStringLiteral("%1-%2").arg(safeKey(key), userTag()); }

QString InstanceNames::lockFilePath(const QString& key)
{
    return QDir(QDir::tempPath()).filePath(serverName(key) + QStringLiteral(".lock"));
}

bool InstanceNames::isHeld(const QString& key)
{
    QLockFile lock(lockFilePath(key));
    lock.setStaleLockTime(0);  // only a dead owner makes the lock stale, never its age
    if (lock.tryLock(0)) {
        lock.unlock();
        return false;
    }
    return lock.error() == QLockFile::LockFailedError;
}
