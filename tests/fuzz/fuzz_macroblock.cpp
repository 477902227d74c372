// Fuzzes the macro block reply decoder with replies of every length: it never reads past the
// reply, and what it accepts holds 1 to 511 items without a 00 00 pair.
#include "fuzzcheck.h"
#include "usbdriver540.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 4096)
        return 0;
    const std::vector<std::uint8_t> reply(data, data + size);  // exact size, so ASan sees overruns
    MacroStruct block;
    if (!USBDriver_540::ParseMacroBlock(reply.data(), &block, static_cast<int>(reply.size())))
        return 0;
    check(!block.items.isEmpty() && block.items.size() <= MacroStruct::MaxItems);
    for (const MacroItem& item : block.items)
        check(item.first != 0 || item.second != 0);
    return 0;
}
