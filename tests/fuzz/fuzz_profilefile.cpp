// Fuzzes the profile file reader: any content is either refused (too short) or read into a
// record that writes back into a file which reads back as the same record.
#include "profilefile.h"

#include <QByteArray>
#include <QtGlobal>
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
    WholeStruct record;
    if (!ProfileFile::decode(content, record))
        return 0;
    WholeStruct again;
    if (!ProfileFile::decode(ProfileFile::encode(record), again))
        __builtin_trap();
    if (again.settings != record.settings)
        __builtin_trap();
    return 0;
}
