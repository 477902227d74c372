// SafeArchive: unpacks a downloaded zip archive into one folder, and nowhere else.
//
// Archives come from the network, so every entry is checked before anything is written:
// absolute names, ".." or "." components, backslashes, drive letters and control characters
// are refused, as are links (a link entry followed by "link/file" would write outside the
// folder), encrypted entries, a file and a folder of the same name, and archives whose entry
// count or total size is beyond a sane limit (zip bombs). The sizes the archive declares are
// checked first; the bytes really inflated are counted again while streaming, since a crafted
// archive may declare less than it holds. The canonical path of every target must lie inside
// the folder, so a link already present in the folder cannot lead out of it either.
//
// Extraction is all or nothing: every path on each entry's way is checked against what the
// folder holds, entries are inflated into a private folder inside the target and only moved
// into place when every one of them came out whole. Should a move still fail, the files already
// replaced are put back. A refused or broken archive leaves the folder as it was. Files of the
// same name are replaced; other files stay. A crash mid-way leaves the private folders
// (".zr540-unpack-" and six letters or digits) behind; removeLeftovers clears them.
//
// QuaZip reads the archive; the walk over its entries and the checks are ours, because
// JlCompress::extractDir follows links out of the folder, reports success after skipping ".."
// and absolute entries, and has no limits.
#pragma once

#include <QString>
#include <QStringList>

class QIODevice;
class QuaZip;

// What an archive may hold at most: entries, and bytes once inflated.
struct ArchiveLimits {
    int maxEntries = 4096;
    qint64 maxTotalBytes = qint64(256) << 20;
};

class SafeArchive {
public:
    enum Result {
        Extracted = 0,
        CannotOpen,      // not a zip archive, or unreadable
        UnsafeName,      // absolute, "..", ".", backslash, drive letter, control character
        Link,            // a symbolic link entry
        Conflict,        // a file and a folder of one name, or a target that leads outside
        Encrypted,
        TooManyEntries,
        TooLarge,        // declared or inflated size beyond the limit, or beyond what was declared
        Corrupt,         // inflating failed, or the checksum does not match
        WriteFailed,     // the folder could not be written
    };

    using Limits = ArchiveLimits;

    // Unpacks the archive at `zipPath` (or read from `device`) into `folder`, creating the
    // folder when missing. `files` receives the absolute paths of the files written.
    static Result extract(const QString& zipPath, const QString& folder,
                          QStringList* files = nullptr, const Limits& limits = Limits());
    static Result extract(QIODevice* device, const QString& folder, QStringList* files = nullptr,
                          const Limits& limits = Limits());

    // The folders of an entry name below the target ("a/b/" gives a, b; "a/c.txt" gives a,
    // c.txt) when the name is safe; false otherwise.
    static bool splitEntryName(const QString& name, QStringList& parts, bool& isFolder);

    static const char* resultName(Result result);

    // Removes the private folders an extraction into `folder` left behind when it was cut short,
    // and nothing else; logs each one. Call it while no extraction into `folder` runs.
    static void removeLeftovers(const QString& folder);

private:
    static Result extractFrom(QuaZip& zip, const QString& folder, QStringList* files,
                              const Limits& limits);
};
