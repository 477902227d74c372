// Fuzzes the reading of profile files that users carry between machines. The input is signed
// here (its SHA-256 appended), so the fuzzer reaches the checks behind the digest; whatever is
// accepted writes back into a file that reads back as the same content.
#include "profilepackage.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QtGlobal>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
    bytes += QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    ProfilePackage::Content content;
    if (ProfilePackage::decode(bytes, content) != ProfilePackage::Check::Ok)
        return 0;
    ProfilePackage::Content again;
    if (ProfilePackage::decode(ProfilePackage::encode(content), again) != ProfilePackage::Check::Ok)
        __builtin_trap();
    if (again.record.settings != content.record.settings || again.picture != content.picture)
        __builtin_trap();
    return 0;
}
