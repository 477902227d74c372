// The bytes of a local profile file ("Config<n>.txt"): the 234-byte settings area, then sixteen
// macro records. A record is FF FF, then either 00 00 (an empty slot) or the two header bytes
// and the items (first byte, second byte), the last item being 00 00.
//
// Reading keys on two pairs wherever they stand: 00 00 ends a record and FF FF is skipped. A
// record keeps at most the 511 items of a macro block, its end item included; files from
// elsewhere may hold more, which are dropped (and logged once, not item by item).
#pragma once

#include "wholestruct.h"

#include <QByteArray>
#include <QString>

namespace ProfileFile {

constexpr int EmptySize = WholeStruct::SettingsSize + WholeStruct::MacroSlots * 4;  // 298

// The macro section of a record (the "sumByte" of the log lines).
QByteArray encodeMacroSection(const WholeStruct& record);
QByteArray encode(const WholeStruct& record);

// Reads `content` into `record`: the settings area from its first 234 bytes, the macros from the
// rest. False, with `record` untouched, when the content is shorter than the settings area.
bool decode(const QByteArray& content, WholeStruct& record);

// Reads the file at `path` (a regular file of at most ReadLimit::ProfileFile bytes) into
// `record`. False, with `record` untouched, when it is missing, refused or too short.
bool read(const QString& path, WholeStruct& record);

}  // namespace ProfileFile
