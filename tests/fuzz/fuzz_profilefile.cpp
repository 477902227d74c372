// Fuzzes the readers of profile files: the program's own, and the ones users carry between
// machines. Whatever either accepts writes back into a file that reads back as the same content.
// The carried file is signed here (the input's SHA-256 appended), so the fuzzer reaches the
// checks behind the digest.
#include "fuzzcheck.h"
#include "profilefile.h"
#include "profilepackage.h"

#include <QCryptographicHash>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
    WholeStruct record, again;
    if (ProfileFile::decode(bytes, record))
        check(ProfileFile::decode(ProfileFile::encode(record), again) && again.settings == record.settings);
    bytes += QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    ProfilePackage::Content content, back;
    if (ProfilePackage::decode(bytes, content) != ProfilePackage::Check::Ok)
        return 0;
    check(ProfilePackage::decode(ProfilePackage::encode(content), back) == ProfilePackage::Check::Ok);
    check(back.record.settings == content.record.settings && back.picture == content.picture);
    return 0;
}
