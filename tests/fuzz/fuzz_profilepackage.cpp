// Fuzzes the reading of profile files that users carry between machines. The input is signed
// here (its SHA-256 appended), so the fuzzer reaches the checks behind the digest; whatever is
// accepted writes back into a file that reads back as the same content.
#include "fuzzcheck.h"
#include "profilepackage.h"

#include <QCryptographicHash>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
    bytes += QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    ProfilePackage::Content content, again;
    if (ProfilePackage::decode(bytes, content) != ProfilePackage::Check::Ok)
        return 0;
    check(ProfilePackage::decode(ProfilePackage::encode(content), again) == ProfilePackage::Check::Ok);
    check(again.record.settings == content.record.settings && again.picture == content.picture);
    return 0;
}
