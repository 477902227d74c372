#include "apiclient.h"

#include <httplib.h>

#include <QJsonDocument>
#include <QRandomGenerator>
#include <QUrl>

const std::string ApiClient::kBoundary = "zr540-test-boundary";

namespace {

ApiReply toReply(const httplib::Result& r) {
  ApiReply out;
  if (!r) {
    out.transportError = httplib::to_string(r.error());
    return out;
  }
  out.transportOk = true;
  out.status = r->status;
  out.body = QByteArray(r->body.data(), static_cast<int>(r->body.size()));
  out.contentType = r->get_header_value("Content-Type");
  if (r->has_header("Authorization")) out.authorization = QString::fromStdString(r->get_header_value("Authorization"));
  QJsonParseError err{};
  const QJsonDocument doc = QJsonDocument::fromJson(out.body, &err);
  if (err.error == QJsonParseError::NoError && doc.isObject()) {
    const QJsonObject o = doc.object();
    const QJsonValue code = o.value("code");
    const QJsonValue msg = o.value("msg");
    if (code.isDouble() && msg.isString() && o.value("data").isObject()) {
      out.isJson = true;
      out.code = code.toInt();
      out.msg = msg.toString();
      out.data = o.value("data").toObject();
    }
  }
  return out;
}

httplib::Client makeClient(quint16 port) {
  httplib::Client c("127.0.0.1", port);
  c.set_connection_timeout(10, 0);
  c.set_read_timeout(60, 0);
  c.set_write_timeout(60, 0);
  return c;
}

}  // namespace

QByteArray ApiReply::describe() const {
  if (!transportOk) return QByteArray("no reply: ") + QByteArray::fromStdString(transportError);
  return QByteArray("HTTP ") + QByteArray::number(status) + " " + body.left(300);
}

ApiClient::ApiClient(quint16 port) : port_(port) {}

ApiReply ApiClient::postRaw(const std::string& path, const QByteArray& body,
                            const std::string& contentType, const QString& token) {
  httplib::Client c = makeClient(port_);
  httplib::Headers headers;
  if (!token.isEmpty()) headers.emplace("Authorization", token.toStdString());
  return toReply(c.Post(path.c_str(), headers, body.constData(), static_cast<std::size_t>(body.size()),
                        contentType.c_str()));
}

ApiReply ApiClient::postJson(const std::string& path, const QJsonObject& body, const QString& token) {
  return postRaw(path, QJsonDocument(body).toJson(QJsonDocument::Compact), "application/json", token);
}

ApiReply ApiClient::uploadParts(const std::vector<PartSpec>& parts, bool closed) {
  QByteArray body;
  const QByteArray b = QByteArray::fromStdString(kBoundary);
  for (const PartSpec& p : parts) {
    body += "--" + b + "\r\n" + p.headers + "\r\n" + p.content + "\r\n";
  }
  if (closed) body += "--" + b + "--\r\n";
  return postRaw("/v1/file/upload", body, "multipart/form-data; boundary=\"" + kBoundary + "\"");
}

ApiReply ApiClient::upload(const QString& token, const QByteArray& bytes, const QString& fileName) {
  PartSpec part;
  part.headers = "Content-Disposition: form-data; name=\"file\"; filename=\"" + fileName.toUtf8() +
                 "\"\r\nAuthorization: " + token.toUtf8() + "\r\n";
  part.content = bytes;
  return uploadParts({part});
}

ApiReply ApiClient::get(const QString& pathOrUrl) {
  const QUrl url(pathOrUrl);
  std::string path = pathOrUrl.toStdString();
  if (url.isValid() && !url.scheme().isEmpty()) {
    if (url.port() != port_) return ApiReply{};  // not this server
    path = url.path(QUrl::FullyEncoded).toStdString();
  }
  httplib::Client c = makeClient(port_);
  return toReply(c.Get(path.c_str()));
}

bool ApiClient::registerUser(const QString& email, const QString& password, const QString& nickname) {
  const ApiReply r = postJson("/v1/user/register", {{"nickname", nickname}, {"email", email},
                                                    {"password", password}, {"rePassword", password}});
  return r.isJson && r.code == 0;
}

QString ApiClient::login(const QString& email, const QString& password) {
  const ApiReply r = postJson("/v1/user/login", {{"email", email}, {"password", password}});
  return r.isJson && r.code == 0 ? r.authorization : QString();
}

ApiReply ApiClient::save(const QString& token, const QString& filePath, bool macros) {
  return macros ? postJson("/v1/driver/macro/config/save", {{"filePath", filePath}, {"configContent", ""}, {"configType", ""}}, token)
                : postJson("/v1/driver/config2/save", {{"filePath", filePath}, {"configContent", ""}, {"configType", "zr540"}}, token);
}

ApiReply ApiClient::address(const QString& token, bool macros) {
  return macros ? postJson("/v1/driver/macro/config/get", QJsonObject(), token)
                : postJson("/v1/driver/config2/get", {{"configType", "zr540"}}, token);
}

QString ApiClient::newUser(const QString& email) {
  return registerUser(email, "secret-one") ? login(email, "secret-one") : QString();
}

QString ApiClient::uploadAndSave(const QString& token, const QByteArray& bytes, bool macros) {
  const ApiReply up = upload(token, bytes, macros ? "MacroFiles.zip" : "LocalFile.zip");
  if (!up.isJson || up.code != 0) return QString();
  const QString name = up.dataString("filePath");
  const ApiReply saved = save(token, name, macros);
  return saved.isJson && saved.code == 0 ? name : QString();
}

QString ApiClient::downloadAddress(const QString& token, bool macros) {
  const ApiReply r = address(token, macros);
  return r.isJson && r.code == 0 ? r.dataString("filePath") : QString();
}

QByteArray ApiClient::download(const QString& token, bool macros) { return get(downloadAddress(token, macros)).body; }

QByteArray randomArchive(int size) {
  QByteArray bytes(qMax(size, 22), '\0');
  QRandomGenerator* rng = QRandomGenerator::global();
  for (int i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(rng->bounded(256));
  bytes[0] = 'P';
  bytes[1] = 'K';
  bytes[2] = 3;
  bytes[3] = 4;
  return bytes;
}
