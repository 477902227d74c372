// Files the program writes are written whole to a scratch file beside them and renamed into place,
// so a crash or a full disk mid-write never leaves a truncated or empty file behind: the file holds
// the old content or the new. A crash may leave the scratch file (".zr540-save-" and six letters or
// digits); the next start removes it. Reading never creates a file.
//
// Files the program reads come from users and from the cloud, so reading is bounded: only
// regular files are read (a link counts when it leads to one), never a FIFO, a device or a
// folder, and never more than the cap of the file's kind. Refusals are logged.
#pragma once

#include <QByteArray>
#include <QString>

#include <filesystem>

// The most a file of each kind may hold, each far above what the program itself writes.
namespace ReadLimit {
// A profile file: 234 settings bytes and sixteen records of at most 511 items, 16 650 bytes.
constexpr qint64 ProfileFile = qint64(1) << 20;
// A macro file: some 130 bytes of JSON per event; a macro block takes at most 511 items, so a
// usable macro stays below 100 KiB.
constexpr qint64 MacroFile = qint64(4) << 20;
// An ini file: a few dozen keys.
constexpr qint64 IniFile = qint64(1) << 20;
// A picture: the saved 128 × 32 drawing is some 16 KiB; an imported BMP may be 2048 × 2048 in
// 32 bits.
constexpr qint64 Picture = (qint64(16) << 20) + 1024;
// Files the program made itself and reads back (tests, tools).
constexpr qint64 Own = qint64(256) << 20;
}  // namespace ReadLimit

// Writes `content` as the whole new content of `path`, creating its folder when missing; the file
// keeps its permissions. False (and the old file untouched) when anything failed, logged.
bool writeWholeFile(const QString& path, const QByteArray& content);

// The steps of a write that replaces a file, each with the file's path: "write" before the content
// goes to the scratch file, "sync" before it is flushed to the disk, "rename" and "renamed" around
// the rename. An archive's unpacking reports each move into place the same way, an ini edit its
// private copy ("copy"). The program sets no hook; the crash test stops a save at each step.
using SaveStepHook = void (*)(const char* step, const QString& path);
extern SaveStepHook saveStepHook;
inline void saveStep(const char* step, const QString& path)
{
    if (saveStepHook)
        saveStepHook(step, path);
}

// Removes the scratch files that writes cut short by a crash left in `folder` and below, and
// nothing else; logs each one. Call it at start-up, before anything is written.
void removeUnfinishedWrites(const QString& folder);

// A name made by QTemporaryFile or QTemporaryDir from `prefix` + "XXXXXX": what a clean-up after
// a crash may remove, and nothing else.
bool isScratchName(const QString& fileName, const char* prefix);

// A path as the standard library's file functions take it.
std::filesystem::path nativePath(const QString& path);

// The whole content of `path`; false when it does not exist, cannot be read, is no regular file
// or holds more than `limit` bytes (the last two are logged).
bool readWholeFile(const QString& path, QByteArray& content, qint64 limit = ReadLimit::Own);
