// Fuzzes the macro file reader: any bytes either parse into an object whose events come out as
// nodes, or are refused; nothing crashes, overflows or reads out of bounds. The nodes are also
// written back and read again, which must give the same nodes.
#include "fuzzcheck.h"
#include "operatemacrofile.h"

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
    return 0;
}
