// Fuzzes the profile file reader: any content is either refused (too short) or read into a
// record that writes back into a file which reads back as the same record.
#include "fuzzcheck.h"
#include "profilefile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    WholeStruct record, again;
    if (!ProfileFile::decode(QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(size)), record))
        return 0;
    check(ProfileFile::decode(ProfileFile::encode(record), again) && again.settings == record.settings);
    return 0;
}
