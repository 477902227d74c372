// Fuzzes the macro encoder on macro files as users share them: whatever the file says, the block
// ends with exactly one end item, holds no FF FF pair and no 00 00 or FF FF repeat count (a
// profile file could not keep them), and a block that fits comes back unchanged from a profile
// file (a macro without events loses its end item there, which the mouse does not notice).
#include "fuzzcheck.h"
#include "macroencoder.h"
#include "operatemacrofile.h"
#include "profilefile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QJsonObject root;
    if (OperateMacroFile::parse(QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(size)), root) != OperateMacroFile::Parse::Object)
        return 0;
    MacroStruct block;
    const bool fits = MacroEncoder::encode(OperateMacroFile().contentOf(root), block);
    const MacroItem end{0, 0}, lost{0xFF, 0xFF};
    check(!block.items.isEmpty() && block.items.last() == end && block.items.count(end) == 1 && !block.items.contains(lost));
    check(!(block.header0 == 0 && block.header1 == 0) && !(block.header0 == 0xFF && block.header1 == 0xFF));
    check(fits == (block.items.size() <= MacroStruct::MaxItems));
    if (!fits)
        return 0;
    WholeStruct record, again;
    record.macros[0] = block;
    check(ProfileFile::decode(ProfileFile::encode(record), again));
    const MacroStruct& back = again.macros[0];
    // The events, without the end item that a macro without events comes back without.
    check(back.items.mid(0, back.items.size() - 1) == block.items.mid(0, block.items.size() - 1));
    check(back.header0 == block.header0 && back.header1 == block.header1);
    return 0;
}
