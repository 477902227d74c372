#include "serverreply.h"

#include <QJsonDocument>
#include <QJsonValue>

#include <cmath>
#include <limits>

namespace {
// "code" as the server sent it: true with the value for an integral number in int range.
bool integralCode(const QJsonValue& value, int& code)
{
    const double number = value.toDouble();
    if (std::floor(number) != number || number < std::numeric_limits<int>::min() ||
        number > std::numeric_limits<int>::max())
        return false;
    code = static_cast<int>(number);
    return true;
}
}  // namespace

QString ServerReply::dataString(const char* key) const
{
    return root.value(QLatin1String("data")).toObject().value(QLatin1String(key)).toString();
}

ServerReply ServerReply::parse(const QByteArray& body, int codeWhenMissing)
{
    ServerReply result;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    // Anything but one JSON object is not a reply of the server.
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return result;
    const QJsonObject root = document.object();

    const QJsonValue code = root.value(QLatin1String("code"));
    if (!code.isDouble()) {
        result.code = codeWhenMissing;
    } else if (!integralCode(code, result.code)) {
        // A code of 1.5 or 1e12 is no result code; reading it as 0 would turn it into success.
        result.code = -1;
        return result;
    }
    result.parsed = true;
    result.root = root;
    return result;
}
