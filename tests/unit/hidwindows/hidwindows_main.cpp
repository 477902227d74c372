// Lists the HID interfaces with what the seam tells of each. The hidwindows_crosscompile test
// builds it with the MinGW-w64 cross compiler, so the Windows backend is compiled and linked
// against hid and setupapi on every CI run; on Windows it is a handy look at what the program sees.
#include "hid_windows.h"

#include <cstdio>

int main()
{
    hid::WindowsBackend backend;
    std::vector<std::string> paths;
    if (!backend.enumerate(paths)) {
        std::printf("cannot list the HID interfaces: error %u\n", unsigned(backend.lastError()));
        return 1;
    }
    for (const std::string& path : paths) {
        std::printf("%s\n", path.c_str());
        const hid::Handle handle = backend.open(path, hid::Access::Query);
        if (handle == hid::InvalidHandle) {
            std::printf("  cannot open: error %u\n", unsigned(backend.lastError()));
            continue;
        }
        hid::Attributes attributes;
        std::string product;
        hid::Caps caps;
        std::vector<hid::ValueCaps> valueCaps;
        if (backend.attributes(handle, attributes))
            std::printf("  %04X:%04X release %04X\n", attributes.vendorId, attributes.productId,
                        attributes.versionNumber);
        if (backend.productString(handle, product))
            std::printf("  \"%s\"\n", product.c_str());
        if (backend.caps(handle, caps) == hid::CapsStatus::Ok)
            std::printf("  usage %04X:%04X input %u output %u feature %u\n", caps.usagePage, caps.usage,
                        caps.inputReportByteLength, caps.outputReportByteLength, caps.featureReportByteLength);
        if (backend.featureValueCaps(handle, valueCaps)) {
            for (const hid::ValueCaps& v : valueCaps)
                std::printf("  feature value: usage %04X:%04X report id %u count %u\n", v.usagePage, v.usage,
                            v.reportId, v.reportCount);
        }
        backend.close(handle);
    }
    return 0;
}
