// Fuzzes the macro file reader: any bytes either parse into an object whose events come out as
// nodes, or are refused; nothing crashes, overflows or reads out of bounds. The nodes are also
// written back and read again, which must give the same nodes.
#include "operatemacrofile.h"

#include <QByteArray>
#include <QtGlobal>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstdint>

// The parsers trace every step; the fuzzer runs millions of inputs, so the trace is dropped.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<int>(size));
    OperateMacroFile file;
    QJsonObject root;
    if (OperateMacroFile::parse(content, root) != OperateMacroFile::Parse::Object)
        return 0;
    const QList<MacroNode> nodes = file.nodesOf(root);
    QJsonArray events;
    for (const MacroNode& n : nodes) {
        events.append(QJsonObject{{file.TimeLapse, n.TimeLapse}, {file.ValueType, n.ValueType},
                                  {file.MouseValue, n.MouseValue}, {file.KeyValue, n.KeyValue},
                                  {file.CoordinateX, n.CoordinateX}, {file.CoordinateY, n.CoordinateY},
                                  {file.State, n.State}, {file.Text, n.Text}});
    }
    QJsonObject again;
    const QByteArray written = QJsonDocument(QJsonObject{{file.Macro, events}}).toJson(QJsonDocument::Compact);
    if (OperateMacroFile::parse(written, again) != OperateMacroFile::Parse::Object || !(file.nodesOf(again) == nodes))
        __builtin_trap();
    return 0;
}
