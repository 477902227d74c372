#include "safearchive.h"

#include "loginfo.h"
#include "wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIODevice>
#include <QSet>
#include <QTemporaryDir>
#include <QVector>

#include <quazip.h>
#include <quazipfile.h>
#include <quazipfileinfo.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

// The private folder an extraction inflates into, inside the target folder: this prefix and
// six letters or digits (QTemporaryDir's XXXXXX).
constexpr char kStagingPrefix[] = ".zr540-unpack-";

// Unix file type bits in the high half of the external attributes (not every platform's
// <sys/stat.h> has S_IFLNK).
constexpr quint32 kTypeMask = 0170000;
constexpr quint32 kTypeLink = 0120000;

struct Entry {
    QString relative;  // '/'-separated, checked
    bool isFolder = false;
    quint64 declaredSize = 0;
};

bool isLink(const QuaZipFileInfo64& info)
{
    return ((info.externalAttr >> 16) & kTypeMask) == kTypeLink;
}

// True when `path`, or the nearest of its ancestors that exists, resolves inside `root` (a
// canonical path). Catches links that are already in the folder.
bool staysInside(const QString& root, const QString& path)
{
    QString probe = path;
    while (!QFileInfo::exists(probe) && !QFileInfo(probe).isSymLink()) {
        const QString parent = QFileInfo(probe).absolutePath();
        if (parent == probe)
            return false;
        probe = parent;
    }
    const QString canonical = QFileInfo(probe).canonicalFilePath();
    if (canonical.isEmpty())
        return false;  // a dangling link
    return canonical == root || canonical.startsWith(root + QLatin1Char('/'));
}

// Moves a finished file into place, replacing a file of the same name in one step.
bool moveInto(const QString& from, const QString& to)
{
    saveStep("rename", to);
    std::error_code error;
    std::filesystem::rename(nativePath(from), nativePath(to), error);
    if (error) {
        loginfo(QStringLiteral("cannot move %1 to %2: %3")
                    .arg(from, to, QString::fromStdString(error.message())));
        return false;
    }
    saveStep("renamed", to);
    return true;
}

// Keeps the file (or link) at `path` under the name `copy` without touching it: a hard link,
// or a copy where the file system has none.
bool keepCopy(const QString& path, const QString& copy)
{
    std::error_code error;
    std::filesystem::create_hard_link(nativePath(path), nativePath(copy), error);
    if (!error)
        return true;
    std::filesystem::copy(nativePath(path), nativePath(copy), std::filesystem::copy_options::copy_symlinks, error);
    if (!error)
        return true;
    loginfo(QStringLiteral("cannot keep a copy of %1: %2").arg(path, QString::fromStdString(error.message())));
    return false;
}

// Streams the current entry of `zip` into `target`, counting what really comes out.
SafeArchive::Result inflateEntry(QuaZip& zip, const Entry& entry, const QString& target,
                                 qint64& total, qint64 maxTotal)
{
    QuaZipFile in(&zip);
    if (!in.open(QIODevice::ReadOnly))
        return SafeArchive::Corrupt;
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        loginfo(QStringLiteral("cannot write %1: %2").arg(target, out.errorString()));
        return SafeArchive::WriteFailed;
    }
    char buffer[64 * 1024];
    quint64 written = 0;
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0)
            return SafeArchive::Corrupt;
        if (n == 0)
            break;
        written += quint64(n);
        total += n;
        if (written > entry.declaredSize || total > maxTotal)
            return SafeArchive::TooLarge;
        if (out.write(buffer, n) != n) {
            loginfo(QStringLiteral("cannot write %1: %2").arg(target, out.errorString()));
            return SafeArchive::WriteFailed;
        }
    }
    in.close();
    if (in.getZipError() != UNZ_OK || written != entry.declaredSize)
        return SafeArchive::Corrupt;  // checksum or length differ from the directory
    if (!out.flush()) {
        loginfo(QStringLiteral("cannot write %1: %2").arg(target, out.errorString()));
        return SafeArchive::WriteFailed;
    }
    return SafeArchive::Extracted;
}

}  // namespace

bool SafeArchive::splitEntryName(const QString& name, QStringList& parts, bool& isFolder)
{
    parts.clear();
    isFolder = name.endsWith(QLatin1Char('/'));
    const QString path = isFolder ? name.left(name.size() - 1) : name;
    if (path.isEmpty())
        return false;
    for (const QChar c : path) {
        // Backslashes are separators on Windows, ':' names a drive or a stream there.
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QLatin1Char('\\') ||
            c == QLatin1Char(':'))
            return false;
    }
    parts = path.split(QLatin1Char('/'));  // a leading '/' gives an empty first part
    for (const QString& part : parts) {
        // Windows drops trailing dots and spaces, so ".. " would become "..".
        if (part.isEmpty() || part.endsWith(QLatin1Char('.')) || part.endsWith(QLatin1Char(' ')))
            return false;
    }
    return true;
}

SafeArchive::Result SafeArchive::extract(const QString& zipPath, const QString& folder,
                                         QStringList* files, const Limits& limits)
{
    QuaZip zip(zipPath);
    return extractFrom(zip, folder, files, limits);
}

SafeArchive::Result SafeArchive::extract(QIODevice* device, const QString& folder,
                                         QStringList* files, const Limits& limits)
{
    QuaZip zip(device);
    return extractFrom(zip, folder, files, limits);
}

SafeArchive::Result SafeArchive::extractFrom(QuaZip& zip, const QString& folder,
                                             QStringList* filesOut, const Limits& limits)
{
    if (filesOut)
        filesOut->clear();
    if (!zip.open(QuaZip::mdUnzip))
        return CannotOpen;
    const int declaredCount = zip.getEntriesCount();
    if (declaredCount < 0)
        return CannotOpen;
    if (declaredCount > limits.maxEntries)
        return TooManyEntries;

    // First pass: check every entry; nothing is written yet.
    QVector<Entry> entries;
    QHash<QString, bool> kinds;  // relative path -> is a folder (given or implied)
    quint64 declaredTotal = 0;
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        if (entries.size() >= limits.maxEntries)
            return TooManyEntries;
        QuaZipFileInfo64 info;
        if (!zip.getCurrentFileInfo(&info))
            return CannotOpen;
        if (isLink(info))
            return Link;
        Entry entry;
        QStringList parts;
        if (!splitEntryName(info.name, parts, entry.isFolder))
            return UnsafeName;
        if (info.isEncrypted())
            return Encrypted;
        if (!entry.isFolder) {
            if (info.uncompressedSize > quint64(limits.maxTotalBytes))
                return TooLarge;
            declaredTotal += info.uncompressedSize;
            if (declaredTotal > quint64(limits.maxTotalBytes))
                return TooLarge;
            entry.declaredSize = info.uncompressedSize;
        }
        entry.relative = parts.join(QLatin1Char('/'));
        for (int i = 0; i < parts.size(); ++i) {
            const QString path = QStringList(parts.mid(0, i + 1)).join(QLatin1Char('/'));
            const bool folderHere = i + 1 < parts.size() || entry.isFolder;
            const auto known = kinds.constFind(path);
            if (known != kinds.constEnd() && *known != folderHere)
                return Conflict;
            kinds.insert(path, folderHere);
        }
        entries.append(entry);
    }
    if (zip.getZipError() != UNZ_OK)
        return CannotOpen;

    if (!QDir().mkpath(folder)) {
        loginfo(QStringLiteral("cannot create %1").arg(folder));
        return WriteFailed;
    }
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty())
        return WriteFailed;
    // Every path on the way of every entry, not only its own: "a/b.txt" cannot be placed while
    // "a" is a file, and finding that out halfway would leave the entries before it replaced.
    QStringList missingFolders;
    for (auto it = kinds.constBegin(); it != kinds.constEnd(); ++it) {
        const QString target = root + QLatin1Char('/') + it.key();
        if (!staysInside(root, target))
            return Conflict;
        const QFileInfo present(target);
        if (present.exists() && present.isDir() != it.value())
            return Conflict;  // a folder cannot be replaced by a file, nor the reverse
        if (!present.exists() && it.value())
            missingFolders.append(target);
    }

    // Second pass: inflate into a private folder inside the target, counting real bytes.
    QTemporaryDir staging(root + QLatin1Char('/') + QLatin1String(kStagingPrefix) + QStringLiteral("XXXXXX"));
    if (!staging.isValid()) {
        loginfo(QStringLiteral("cannot create a folder in %1").arg(root));
        return WriteFailed;
    }
    qint64 total = 0;
    int index = 0;
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile(), ++index) {
        if (index >= entries.size())
            return Corrupt;
        const Entry& entry = entries[index];
        const QString staged = staging.path() + QLatin1Char('/') + entry.relative;
        if (entry.isFolder) {
            if (!QDir().mkpath(staged))
                return WriteFailed;
            continue;
        }
        if (!QDir().mkpath(QFileInfo(staged).absolutePath()))
            return WriteFailed;
        const Result inflated = inflateEntry(zip, entry, staged, total, limits.maxTotalBytes);
        if (inflated != Extracted)
            return inflated;
    }
    if (zip.getZipError() != UNZ_OK || index != entries.size())
        return Corrupt;

    // Every entry came out whole. The files they replace are kept (hard links in a second
    // private folder) until every move is done, so a move that still fails can be undone.
    QVector<const Entry*> files;
    QSet<QString> seen;
    for (const Entry& entry : entries) {
        if (!entry.isFolder && !seen.contains(entry.relative)) {
            seen.insert(entry.relative);  // a name given twice: the staged file holds the last one
            files.append(&entry);
        }
    }
    QTemporaryDir keptFolder(root + QLatin1Char('/') + QLatin1String(kStagingPrefix) + QStringLiteral("XXXXXX"));
    if (!keptFolder.isValid()) {
        loginfo(QStringLiteral("cannot create a folder in %1").arg(root));
        return WriteFailed;
    }
    const QString kept = keptFolder.path();
    QVector<bool> replaces(files.size(), false);
    for (int i = 0; i < files.size(); ++i) {
        const QString target = root + QLatin1Char('/') + files[i]->relative;
        if (!QFileInfo(target).exists() && !QFileInfo(target).isSymLink())
            continue;
        if (!keepCopy(target, kept + QLatin1Char('/') + QString::number(i)))
            return WriteFailed;
        replaces[i] = true;
    }

    std::sort(missingFolders.begin(), missingFolders.end());  // a folder before what it holds
    int done = 0;
    bool failed = false;
    for (const QString& missing : qAsConst(missingFolders)) {
        if (!QDir().mkpath(missing)) {
            loginfo(QStringLiteral("cannot create %1").arg(missing));
            failed = true;
            break;
        }
    }
    for (; !failed && done < files.size(); ++done) {
        const QString target = root + QLatin1Char('/') + files[done]->relative;
        if (!moveInto(staging.path() + QLatin1Char('/') + files[done]->relative, target)) {
            failed = true;
            break;
        }
        if (filesOut)
            filesOut->append(target);
    }
    if (!failed)
        return Extracted;

    // Undo: the replaced files come back, new ones go, and so do the folders made for them.
    for (int i = done - 1; i >= 0; --i) {
        const QString target = root + QLatin1Char('/') + files[i]->relative;
        if (replaces[i])
            moveInto(kept + QLatin1Char('/') + QString::number(i), target);
        else
            QFile::remove(target);
    }
    for (auto it = missingFolders.crbegin(); it != missingFolders.crend(); ++it)
        QDir().rmdir(*it);
    if (filesOut)
        filesOut->clear();
    return WriteFailed;
}

void SafeArchive::removeLeftovers(const QString& folder)
{
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QFileInfo& entry : entries) {
        if (!isScratchName(entry.fileName(), kStagingPrefix) || entry.isSymLink())
            continue;
        if (QDir(entry.filePath()).removeRecursively())
            loginfo(QStringLiteral("removed the unfinished extraction %1").arg(entry.filePath()));
        else
            loginfo(QStringLiteral("cannot remove the unfinished extraction %1").arg(entry.filePath()));
    }
}

const char* SafeArchive::resultName(Result result)
{
    switch (result) {
    case Extracted: return "extracted";
    case CannotOpen: return "not a readable zip archive";
    case UnsafeName: return "unsafe entry name";
    case Link: return "link entry";
    case Conflict: return "entry conflicts with another or leads outside";
    case Encrypted: return "encrypted entry";
    case TooManyEntries: return "too many entries";
    case TooLarge: return "too large";
    case Corrupt: return "corrupt entry";
    case WriteFailed: return "cannot write the folder";
    }
    return "unknown";
}
