#include "inifile.h"

#include "loginfo.h"
#include "wholefile.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QSettings>
#include <QTemporaryFile>

namespace {

const char* const kCodec = "UTF-8";

// A private copy of an ini file's bytes, removed with the object. Its name is unique, so the
// cache entry QSettings makes for it is never met again.
class ScratchIni {
public:
    explicit ScratchIni(const QByteArray& content)
        : m_file(QDir::tempPath() + QStringLiteral("/zr540-ini-XXXXXX.ini"))
    {
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
    if (QFileInfo::exists(path) && !readWholeFile(path, content)) {
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
    {
        QSettings settings(scratch.fileName(), QSettings::IniFormat);
        settings.setIniCodec(kCodec);
        edit(settings);
        settings.sync();
        if (settings.status() == QSettings::AccessError) {
            loginfo(QStringLiteral("cannot write a temporary copy of an ini file"));
            return false;
        }
    }
    QByteArray edited;
    if (!readWholeFile(scratch.fileName(), edited)) {
        loginfo(QStringLiteral("cannot read the temporary copy of an ini file"));
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
