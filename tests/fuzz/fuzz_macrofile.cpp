// Fuzzes the macro file reader and the macro encoder on macro files as users share them. Any bytes
// either parse into an object or are refused; the object's nodes, written back and read again,
// are the same nodes. Whatever the file says, its block ends with exactly one end item, holds no
// FF FF pair and no 00 00 or FF FF repeat count (a profile file could not keep them), and a block
// that fits comes back unchanged from a profile file.
#include "fuzzcheck.h"
#include "macroencoder.h"
#include "operatemacrofile.h"
#include "profilefile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    OperateMacroFile file;
    QJsonObject root, again;
    if (OperateMacroFile::parse(QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(size)), root) != OperateMacroFile::Parse::Object)
        return 0;
    const QList<MacroNode> nodes = file.nodesOf(root);
    QJsonArray events;
    for (const MacroNode& n : nodes) {
        events.append(QJsonObject{{file.TimeLapse, n.TimeLapse}, {file.ValueType, n.ValueType},
                                  {file.MouseValue, n.MouseValue}, {file.KeyValue, n.KeyValue},
                                  {file.CoordinateX, n.CoordinateX}, {file.CoordinateY, n.CoordinateY},
                                  {file.State, n.State}, {file.Text, n.Text}});
    }
    const QByteArray written = QJsonDocument(QJsonObject{{file.Macro, events}}).toJson(QJsonDocument::Compact);
    check(OperateMacroFile::parse(written, again) == OperateMacroFile::Parse::Object && file.nodesOf(again) == nodes);

    MacroStruct block;
    const bool fits = MacroEncoder::encode(file.contentOf(root), block);
    const MacroItem end{0, 0}, lost{0xFF, 0xFF};
    check(!block.items.isEmpty() && block.items.last() == end && block.items.count(end) == 1 && !block.items.contains(lost));
    check(!(block.header0 == 0 && block.header1 == 0) && !(block.header0 == 0xFF && block.header1 == 0xFF));
    check(fits == (block.items.size() <= MacroStruct::MaxItems));
    if (!fits)
        return 0;
    WholeStruct record, back;
    record.macros[0] = block;
    check(ProfileFile::decode(ProfileFile::encode(record), back));
    const MacroStruct& stored = back.macros[0];
    // The events: a macro without events comes back without its end item, which the mouse does not notice.
    check(stored.items.mid(0, stored.items.size() - 1) == block.items.mid(0, block.items.size() - 1));
    check(stored.header0 == block.header0 && stored.header1 == block.header1);
    return 0;
}
