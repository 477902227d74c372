// KVAccountManage: the base of every request to the account server.
//
// It knows the server's base address (given by whoever makes the object), builds the endpoint addresses, attaches the stored login
// token and posts the request. Each request object owns its network manager (a child, so it
// moves with the object into a worker thread) and handles only the replies of its own requests:
// the manager's finished() is forwarded as sigFinished(), which each subclass connects to its
// own slots_onSigFinished().
//
// Every reply is one JSON object {"code", "msg", "data"}; code 0 is success. The subclasses
// report each reply with exactly one result signal whose first two arguments are the code and
// a message; -1 is a failure on this side (no network, a reply that is not a JSON object).
#pragma once

#include "operatetoken.h"
#include "serverreply.h"

#include <QByteArray>
#include <QJsonObject>
#include <QNetworkReply>
#include <QObject>
#include <QString>

class QNetworkAccessManager;

class KVAccountManage : public QObject {
    Q_OBJECT
public:
    // The numbers that select an endpoint; only the paths travel.
    enum RequestKind {
        KindLogin = 0,
        KindRegister = 1,
        KindUpdatePassword = 2,
        KindFindPassword = 3,
        KindValidatePassword = 4,
        KindNewPassword = 5,
        KindUpload = 6,
        KindMacroConfigSave = 7,
        KindLocalConfigSave = 8,
        KindLocalConfigGet = 9,
        KindMacroConfigGet = 10,
        KindVersion = 11,
        KindLogout = 12,
    };

    explicit KVAccountManage(QObject* parent, const QString& baseAddress);

    // Base address + path of the kind; an empty string for an unknown kind.
    QString requestUrl(int kind) const;
    QString baseAddress() const { return m_baseAddress; }
    // Points the object at another server. Call it before the first request, from the thread
    // that then sends the requests (a queued request signal orders the two).
    void setBaseAddress(const QString& address) { m_baseAddress = address; }

    // Replies larger than this are cut off and count as a network failure: every reply of the
    // account server is a small JSON object.
    static constexpr qint64 kMaxReplyBytes = 1 << 20;

    using ServerReply = ::ServerReply;
    // A reply read as far as every request class reads it. The reply is scheduled for deletion;
    // it stays valid until control returns to the event loop. `codeWhenMissing` is what a reply
    // without a numeric "code" counts as.
    static ServerReply readReply(QNetworkReply* reply, int codeWhenMissing);
    // The message to report: the network-error text (the usual one unless given), the
    // server-error text, otherwise the server's "msg".
    static QString messageOf(const ServerReply& reply, const QString& networkMessage = QString());

signals:
    void sigFinished(QNetworkReply* reply);

protected:
    // POST of `body` as application/json with the stored token as "Authorization", or with
    // `token` when one is given.
    QNetworkReply* postJson(RequestKind kind, const QByteArray& body, const QString& token = QString());
    // Multipart upload of the archive at zipPath, announced as LocalFile.zip or MacroFiles.zip.
    // Null (and a trace) when the archive cannot be opened.
    QNetworkReply* upLoadLocalFileZip(const QString& zipPath);
    QNetworkReply* upLoadMacroFilesZip(const QString& zipPath);


    static QByteArray compactJson(const QJsonObject& object);

    OperateToken m_token;

private:
    QNetworkReply* upLoadZip(const QString& zipPath, const QString& announcedName);
    void capReplySize(QNetworkReply* reply);

    QNetworkAccessManager* manager();
    QNetworkAccessManager* m_manager = nullptr;
    QString m_baseAddress;
};
