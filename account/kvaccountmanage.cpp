#include "kvaccountmanage.h"

#include "loginfo.h"

#include <QFile>
#include <QHttpMultiPart>
#include <QHttpPart>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <array>

namespace {

const std::array<const char*, 13> kPaths = {
    "/v1/user/login",
    "/v1/user/register",
    "/v1/user/updatePassword",
    "/v1/user/findPassword",
    "/v1/user/validatePassword",
    "/v1/user/newPassword",
    "/v1/file/upload",
    "/v1/driver/macro/config/save",
    "/v1/driver/config2/save",
    "/v1/driver/config2/get",
    "/v1/driver/macro/config/get",
    "/v1/driver/version",
    "/v1/user/logout",
};

}  // namespace

KVAccountManage::KVAccountManage(QObject* parent, const QString& baseAddress)
    : QObject(parent),
      m_token(this),
      m_baseAddress(baseAddress)
{
}

// Made at the first request, in the thread the requests are sent from: a network manager is slow
// to make, and most request objects of a session never send anything.
QNetworkAccessManager* KVAccountManage::manager()
{
    if (!m_manager) {
        m_manager = new QNetworkAccessManager(this);
        connect(m_manager, &QNetworkAccessManager::finished, this, &KVAccountManage::sigFinished);
    }
    return m_manager;
}

QString KVAccountManage::requestUrl(int kind) const
{
    if (kind < 0 || kind >= int(kPaths.size()))
        return QString();
    return m_baseAddress + QLatin1String(kPaths[std::size_t(kind)]);
}

QByteArray KVAccountManage::compactJson(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QNetworkReply* KVAccountManage::postJson(RequestKind kind, const QByteArray& body, const QString& token)
{
    QNetworkRequest request(QUrl(requestUrl(kind), QUrl::TolerantMode));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    // Before any login the store answers "NULL", and that is what is sent.
    request.setRawHeader("Authorization", (token.isEmpty() ? m_token.GetToken() : token).toUtf8());
    QNetworkReply* reply = manager()->post(request, body);
    capReplySize(reply);
    return reply;
}

QNetworkReply* KVAccountManage::upLoadLocalFileZip(const QString& zipPath)
{
    return upLoadZip(zipPath, QStringLiteral("LocalFile.zip"));
}

QNetworkReply* KVAccountManage::upLoadMacroFilesZip(const QString& zipPath)
{
    return upLoadZip(zipPath, QStringLiteral("MacroFiles.zip"));
}

QNetworkReply* KVAccountManage::upLoadZip(const QString& zipPath, const QString& announcedName)
{
    auto* multiPart = new QHttpMultiPart(QHttpMultiPart::FormDataType);
    auto* file = new QFile(zipPath, multiPart);
    if (!file->open(QIODevice::ReadOnly)) {
        loginfo(QStringLiteral("upload: cannot open %1: %2").arg(zipPath, file->errorString()));
        delete multiPart;
        return nullptr;
    }

    // The server takes the token from the file part; the request itself carries none.
    QHttpPart part;
    part.setHeader(QNetworkRequest::ContentDispositionHeader,
                   QStringLiteral("form-data; name=\"file\"; filename=\"%1\"").arg(announcedName));
    part.setRawHeader("Authorization", m_token.GetToken().toUtf8());
    part.setBodyDevice(file);
    multiPart->append(part);

    QNetworkRequest request(QUrl(requestUrl(KindUpload), QUrl::TolerantMode));
    QNetworkReply* reply = manager()->post(request, multiPart);
    multiPart->setParent(reply);  // the body and its file live as long as the reply
    capReplySize(reply);
    return reply;
}

void KVAccountManage::capReplySize(QNetworkReply* reply)
{
    // Dropped as soon as the announced length or the bytes received pass the limit.
    auto dropWhenTooLarge = [reply] {
        const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
        if (announced > kMaxReplyBytes || reply->bytesAvailable() > kMaxReplyBytes) {
            loginfo(QStringLiteral("reply of %1 too large, dropped").arg(reply->url().toString()));
            reply->abort();
        }
    };
    connect(reply, &QNetworkReply::metaDataChanged, reply, dropWhenTooLarge);
    connect(reply, &QNetworkReply::readyRead, reply, dropWhenTooLarge);
}

KVAccountManage::ServerReply KVAccountManage::readReply(QNetworkReply* reply, int codeWhenMissing)
{
    ServerReply result;
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        loginfo(QStringLiteral("%1: %2").arg(reply->url().toString(), reply->errorString()));
        result.networkError = true;
        return result;
    }
    if (reply->bytesAvailable() > kMaxReplyBytes) {
        // All of it arrived before it could be dropped.
        loginfo(QStringLiteral("reply of %1 too large, dropped").arg(reply->url().toString()));
        result.networkError = true;
        return result;
    }

    return ServerReply::parse(reply->readAll(), codeWhenMissing);
}

QString KVAccountManage::messageOf(const ServerReply& reply, const QString& networkMessage)
{
    if (reply.networkError)
        return networkMessage.isEmpty() ? tr("Network Error, please try again later") : networkMessage;
    if (!reply.parsed)
        return tr("Server error, please try again later");
    return reply.root.value(QLatin1String("msg")).toString();
}
