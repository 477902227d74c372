// ServerReply: one reply of the account server, read as far as every request class reads it.
// Every reply is one JSON object {"code", "msg", "data"}; code 0 is success. Qt Core only, so the
// fuzzer takes the same code the program runs.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

struct ServerReply {
    bool networkError = false;  // no HTTP reply, or an error status
    bool parsed = false;        // one JSON object whose "code", when a number, is an int
    int code = -1;
    QJsonObject root;

    // A string of "data", empty when missing or not a string.
    QString dataString(const char* key) const;
    // The body of a reply that arrived without a network error. `codeWhenMissing` is what a
    // reply without a numeric "code" counts as.
    static ServerReply parse(const QByteArray& body, int codeWhenMissing);
};
