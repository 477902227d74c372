// Fuzzes the macro encoder on macro files as users share them: whatever the file says, the block
// ends with exactly one end item, holds no FF FF pair and no 00 00 or FF FF repeat count (a
// profile file could not keep them), and a block that fits comes back unchanged from a profile
// file (a macro without events loses its end item there, which the mouse does not notice).
#include "macroencoder.h"
#include "operatemacrofile.h"
#include "profilefile.h"

#include <QByteArray>
#include <QtGlobal>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<int>(size));
    QJsonObject root;
    if (OperateMacroFile::parse(content, root) != OperateMacroFile::Parse::Object)
        return 0;
    OperateMacroFile file;
    MacroStruct block;
    const bool fits = MacroEncoder::encode(file.contentOf(root), block);

    const MacroItem end{0, 0}, lost{0xFF, 0xFF};
    if (block.items.isEmpty() || !(block.items.last() == end) || block.items.count(end) != 1 || block.items.contains(lost))
        __builtin_trap();
    if ((block.header0 == 0 && block.header1 == 0) || (block.header0 == 0xFF && block.header1 == 0xFF))
        __builtin_trap();
    if (fits != (block.items.size() <= MacroStruct::MaxItems))
        __builtin_trap();
    if (fits) {
        WholeStruct record;
        record.macros[0] = block;
        WholeStruct again;
        // A macro without events comes back without its end item too; the mouse gets the same.
        QList<MacroItem> events = block.items, eventsAgain;
        events.removeLast();
        if (!ProfileFile::decode(ProfileFile::encode(record), again))
            __builtin_trap();
        eventsAgain = again.macros[0].items;
        if (!eventsAgain.isEmpty())
            eventsAgain.removeLast();
        if (eventsAgain != events || again.macros[0].header0 != block.header0 || again.macros[0].header1 != block.header1)
            __builtin_trap();
    }
    return 0;
}
