// Lists the HID interfaces with their ids and lengths. The hidwindows_crosscompile test builds it
// with the MinGW-w64 cross compiler, so the Windows backend is compiled and linked on every CI run.
#include "hid_windows.h"

#include <cstdio>

int main()
{
    hid::WindowsBackend backend;
    std::vector<std::string> paths;
    if (!backend.enumerate(paths))
        return 1;
    for (const std::string& path : paths) {
        const hid::Handle handle = backend.open(path, hid::Access::Query);
        hid::Attributes a;
        hid::Caps c;
        if (backend.attributes(handle, a) && backend.caps(handle, c) == hid::CapsStatus::Ok)
            std::printf("%s %04X:%04X feature %u\n", path.c_str(), a.vendorId, a.productId, c.featureReportByteLength);
        backend.close(handle);
    }
    return 0;
}
