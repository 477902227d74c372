// Fuzzes the client's reading of the account server's replies: any body is either refused (code
// -1, nothing parsed) or read with the integral code sent, and every field of "data" can be asked for.
#include "fuzzcheck.h"
#include "serverreply.h"

#include <QJsonValue>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > (1 << 16))
        return 0;
    const ServerReply reply = ServerReply::parse(QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(size)), 7);
    if (!reply.parsed) {
        check(reply.code == -1 && reply.root.isEmpty());
        return 0;
    }
    const QJsonValue code = reply.root.value(QLatin1String("code"));
    check(code.isDouble() ? code.toDouble() == reply.code : reply.code == 7);
    for (const char* key : {"nickname", "filePath", "version", "downloadUrl"})
        (void)reply.dataString(key).size();
    return 0;
}
