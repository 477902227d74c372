#include "inifile.h"

#include "loginfo.h"
#include "wholefile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryFile>

#include <mutex>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#endif

namespace {

const char* const kCodec = "UTF-8";

// Scratch copies are named "zr540-ini-<process id>-XXXXXX.ini" in the temporary folder; QSettings
// adds "<name>.lock" and its own temporary files beside them while it writes.
QString scratchPrefix(qint64 pid) { return QStringLiteral("zr540-ini-%1-").arg(pid); }

bool processIsGone(qint64 pid, const QFileInfo& file)
{
#ifdef Q_OS_UNIX
    Q_UNUSED(file)
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
#else
    // No cheap look at other processes: a copy lives for milliseconds, so an old one is stale.
    Q_UNUSED(pid)
    return file.lastModified().secsTo(QDateTime::currentDateTime()) > 3600;
#endif
}

// Copies left by a process that crashed while it held them. Run once, before this process makes
// its first copy, so copies under its own id are stale too (an earlier process had that id).
void removeStaleScratchCopies()
{
    static const QRegularExpression name(QStringLiteral("^zr540-ini-(\\d+)-"));
    const qint64 self = QCoreApplication::applicationPid();
    const QFileInfoList entries = QDir(QDir::tempPath())
                                      .entryInfoList({QStringLiteral("zr540-ini-*")},
                                                     QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QFileInfo& entry : entries) {
        const QRegularExpressionMatch match = name.match(entry.fileName());
        if (!match.hasMatch())
            continue;
        const qint64 pid = match.captured(1).toLongLong();
        if ((pid == self || processIsGone(pid, entry)) && QFile::remove(entry.filePath()))
            loginfo(QStringLiteral("removed the stale ini copy %1").arg(entry.filePath()));
    }
}

// A private copy of an ini file's bytes, removed with the object. Its name is unique, so the
// cache entry QSettings makes for it is never met again.
class ScratchIni {
public:
    explicit ScratchIni(const QByteArray& content)
        : m_file(QDir::tempPath() + QLatin1Char('/') + scratchPrefix(QCoreApplication::applicationPid())
                 + QStringLiteral("XXXXXX.ini"))
    {
        static std::once_flag cleaned;
        std::call_once(cleaned, removeStaleScratchCopies);
        m_valid = m_file.open() && m_file.write(content) == content.size() && m_file.flush();
        m_file.close();
    }
    bool isValid() const { return m_valid; }
    QString fileName() const { return m_file.fileName(); }

private:
    QTemporaryFile m_file;
    bool m_valid = false;
};

QMutex& updateMutex()
{
    static QMutex mutex;
    return mutex;
}

// The current bytes of `path`; empty for a file that is not there. False when it is there but
// cannot be read: rewriting it would drop every key it holds.
bool readExisting(const QString& path, QByteArray& content)
{
    content.clear();
    if (QFileInfo::exists(path) && !readWholeFile(path, content, ReadLimit::IniFile)) {
        loginfo(QStringLiteral("cannot read %1").arg(path));
        return false;
    }
    return true;
}

}  // namespace

bool IniFile::parse(const QByteArray& content, const std::function<void(const QSettings&)>& read)
{
    const ScratchIni scratch(content);
    if (!scratch.isValid()) {
        loginfo(QStringLiteral("cannot write a temporary copy of an ini file"));
        return false;
    }
    QSettings settings(scratch.fileName(), QSettings::IniFormat);
    settings.setIniCodec(kCodec);
    read(settings);
    return true;
}

bool IniFile::edit(QByteArray& content, const std::function<void(QSettings&)>& edit)
{
    const ScratchIni scratch(content);
    if (!scratch.isValid()) {
        loginfo(QStringLiteral("cannot write a temporary copy of an ini file"));
        return false;
    }
    QVariantMap expected;  // what the edit left
    {
        QSettings settings(scratch.fileName(), QSettings::IniFormat);
        settings.setIniCodec(kCodec);
        edit(settings);
        settings.sync();
        saveStep("copy", scratch.fileName());
        if (settings.status() == QSettings::AccessError) {
            loginfo(QStringLiteral("cannot write a temporary copy of an ini file"));
            return false;
        }
        for (const QString& key : settings.allKeys())
            expected.insert(key, settings.value(key));
    }
    QByteArray edited;
    if (!readWholeFile(scratch.fileName(), edited, ReadLimit::IniFile)) {
        loginfo(QStringLiteral("cannot read the temporary copy of an ini file"));
        return false;
    }
    // QSettings writes through Qt 5's QSaveFile, whose commit ignores a failed last flush: on a full
    // disk it reports a cut copy as written. So the copy must read back as what the edit left.
    QVariantMap written;
    const bool parsed = parse(edited, [&written](const QSettings& settings) {
        for (const QString& key : settings.allKeys())
            written.insert(key, settings.value(key));
    });
    if (!parsed || written != expected) {
        loginfo(QStringLiteral("cannot write a temporary copy of an ini file"));
        return false;
    }
    content = edited;
    return true;
}

bool IniFile::read(const QString& path, const std::function<void(const QSettings&)>& read)
{
    QByteArray content;
    return readExisting(path, content) && parse(content, read);
}

bool IniFile::update(const QString& path, const std::function<void(QSettings&)>& edit)
{
    QMutexLocker lock(&updateMutex());
    QByteArray content;
    if (!readExisting(path, content) || !IniFile::edit(content, edit))
        return false;
    // Creates the folder when missing; the old file stays whole when anything fails.
    return writeWholeFile(path, content);
}
