// Ini files read and written through QSettings without trusting its process-wide cache.
//
// QSettings keeps every file it parsed in a cache shared by the whole process and trusts that
// cache while size and modification time are unchanged: a file replaced within the same clock
// tick (another store object, another thread, a log-out that deletes the file) is read stale,
// and the values of a write that failed stay in the cache as if they had been saved. So
// QSettings never sees the real file here: it parses or edits a private copy of the file's
// bytes, each copy under a name of its own, and the real file is only read whole and replaced
// whole (temporary file and rename). Text codec "UTF-8" throughout.
//
// The copies live in the temporary folder for one call and are removed on every way out of it;
// copies a crashed run left behind are removed when the next run first uses an ini file. The
// real file is read only when it is a regular file of at most ReadLimit::IniFile bytes.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QSettings;

namespace IniFile {

// Runs `read` on the settings held by `content` (the bytes of an ini file). False when the
// private copy could not be made; `read` is then not called.
bool parse(const QByteArray& content, const std::function<void(const QSettings&)>& read);

// Runs `edit` on the settings held by `content` and puts the edited file's bytes back into
// `content`. False, and `content` untouched, when anything failed.
bool edit(QByteArray& content, const std::function<void(QSettings&)>& edit);

// Runs `read` on the file at `path`; an absent file reads as an empty one. Never creates the
// file. False when the file exists but cannot be read, or when parsing failed.
bool read(const QString& path, const std::function<void(const QSettings&)>& read);

// Reads the file (absent: empty), runs `edit` on it and replaces the file whole, creating its
// folder when missing. Edits of the same process are serialised, so two of them never lose one
// another's keys. False, and the old file untouched, when anything failed.
bool update(const QString& path, const std::function<void(QSettings&)>& edit);

}  // namespace IniFile
