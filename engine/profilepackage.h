// The profile file a user carries from one machine to another ("zr540ctl export", the window's
// profile menu): one local profile (its settings area and its sixteen macro records, as the
// local profile file keeps them) and the OLED picture, in one file:
//
//   "ZR540PRF"        8 bytes
//   version           2 bytes, big-endian (1)
//   reserved          2 bytes, 0
//   profile length    4 bytes, big-endian
//   picture length    4 bytes, big-endian (0: the file carries no picture)
//   profile           the local profile file's bytes
//   picture           the saved drawing, a 128 × 32 BMP
//   SHA-256           32 bytes over everything before it
//
// A file is checked whole before anything of it is used: size, mark, version, lengths, digest,
// the profile's content and the picture's. It is no archive: nothing in it names a path.
#pragma once

#include "wholestruct.h"

#include <QByteArray>
#include <QString>

namespace ProfilePackage {

constexpr int Version = 1;
constexpr int MaxProfileBytes = WholeStruct::SettingsSize + WholeStruct::MacroSlots * (4 + MacroStruct::MaxItems * 2);
constexpr int MaxPictureBytes = 64 * 1024;
constexpr int HeaderBytes = 20;
constexpr int DigestBytes = 32;
constexpr qint64 MaxFileBytes = HeaderBytes + MaxProfileBytes + MaxPictureBytes + DigestBytes;

struct Content {
    WholeStruct record = WholeStruct::initial();
    QByteArray picture;  // the BMP file's bytes; empty when there is none
};

enum class Check { Ok, Unreadable, TooLarge, NotAProfileFile, OtherVersion, Truncated, Altered, Damaged };

// What went wrong, in one short English phrase (for the command line and the log).
QString describe(Check check);

QByteArray encode(const Content& content);
// Checks `bytes` whole; `content` is only written when the answer is Ok.
Check decode(const QByteArray& bytes, Content& content);

// Local profile `number` (the factory profile when it was never saved) and the saved picture, as
// they are in the data folder. False when neither profile file is usable.
bool collect(int number, Content& content);
// Reads and checks the file at `path`.
Check readFile(const QString& path, Content& content);
// Writes the export of profile `number` to `path` in one atomic write. False on failure.
bool exportTo(int number, const QString& path);
// Puts `content` into the data folder as local profile `number` (and the saved picture when it
// carries one), each file written whole. False when a write failed.
bool install(const Content& content, int number);

}  // namespace ProfilePackage
