#include "apiclient.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QJsonDocument>
#include <QRandomGenerator>
#include <QUrl>

namespace {

const QByteArray kBoundary = "zr540-test-boundary";

ApiReply toReply(const httplib::Result& r) {
  ApiReply out;
  if (!r) return out;
  out.transportOk = true;
  out.status = r->status;
  out.body = QByteArray(r->body.data(), static_cast<int>(r->body.size()));
  out.contentType = r->get_header_value("Content-Type");
  out.authorization = QString::fromStdString(r->get_header_value("Authorization"));
  const QJsonObject o = QJsonDocument::fromJson(out.body).object();
  out.isJson = o.value("code").isDouble() && o.value("msg").isString() && o.value("data").isObject();
  if (out.isJson) {
    out.code = o.value("code").toInt();
    out.data = o.value("data").toObject();
  }
  return out;
}

}  // namespace

QByteArray ApiReply::describe() const {
  return transportOk ? "HTTP " + QByteArray::number(status) + " " + body.left(300) : QByteArray("no reply");
}

ApiClient::ApiClient(quint16 port, const std::string& source) : port_(port), source_(source) {}

ApiReply ApiClient::postRaw(const std::string& path, const QByteArray& body, const std::string& contentType,
                            const QString& token) {
  httplib::Client c("127.0.0.1", port_);
  c.set_read_timeout(60, 0);
  c.set_write_timeout(60, 0);
  if (!source_.empty()) c.set_interface(source_);
  httplib::Headers headers;
  if (!token.isEmpty()) headers.emplace("Authorization", token.toStdString());
  if (contentType.empty()) return toReply(c.Get(path.c_str(), headers));
  return toReply(c.Post(path.c_str(), headers, body.constData(), static_cast<std::size_t>(body.size()),
                        contentType.c_str()));
}

ApiReply ApiClient::postJson(const std::string& path, const QJsonObject& body, const QString& token) {
  return postRaw(path, QJsonDocument(body).toJson(QJsonDocument::Compact), "application/json", token);
}

ApiReply ApiClient::uploadParts(const std::vector<PartSpec>& parts, bool closed) {
  QByteArray body;
  for (const PartSpec& p : parts) body += "--" + kBoundary + "\r\n" + p.headers + "\r\n" + p.content + "\r\n";
  if (closed) body += "--" + kBoundary + "--\r\n";
  return postRaw("/v1/file/upload", body, "multipart/form-data; boundary=\"" + kBoundary.toStdString() + "\"");
}

ApiReply ApiClient::upload(const QString& token, const QByteArray& bytes, const QByteArray& fileName) {
  return uploadParts({{"Content-Disposition: form-data; name=\"file\"; filename=\"" + fileName +
                           "\"\r\nAuthorization: " + token.toUtf8() + "\r\n",
                       bytes}});
}

ApiReply ApiClient::get(const QString& pathOrUrl) {
  const QUrl url(pathOrUrl);
  if (!url.scheme().isEmpty() && url.port() != port_) return ApiReply{};  // not this server
  return postRaw((url.scheme().isEmpty() ? pathOrUrl : url.path(QUrl::FullyEncoded)).toStdString(), {}, {});
}

ApiReply ApiClient::save(const QString& token, const QString& filePath, bool macros) {
  return postJson(macros ? "/v1/driver/macro/config/save" : "/v1/driver/config2/save",
                  {{"filePath", filePath}, {"configContent", ""}, {"configType", macros ? "" : "zr540"}}, token);
}

ApiReply ApiClient::address(const QString& token, bool macros) {
  return macros ? postJson("/v1/driver/macro/config/get", QJsonObject(), token)
                : postJson("/v1/driver/config2/get", {{"configType", "zr540"}}, token);
}

bool ApiClient::registerUser(const QString& email, const QString& password, const QString& nickname) {
  return postJson("/v1/user/register", {{"nickname", nickname}, {"email", email}, {"password", password},
                                        {"rePassword", password}}).code == 0;
}

QString ApiClient::login(const QString& email, const QString& password) {
  const ApiReply r = postJson("/v1/user/login", {{"email", email}, {"password", password}});
  return r.code == 0 ? r.authorization : QString();
}

QString ApiClient::uploadAndSave(const QString& token, const QByteArray& bytes, bool macros) {
  const ApiReply up = upload(token, bytes, macros ? "MacroFiles.zip" : "LocalFile.zip");
  const QString name = up.dataString("filePath");
  return up.code == 0 && save(token, name, macros).code == 0 ? name : QString();
}

QByteArray ApiClient::download(const QString& token, bool macros) {
  return get(address(token, macros).dataString("filePath")).body;
}

QByteArray randomArchive(int size) {
  QByteArray bytes(qMax(size, 22), '\0');
  for (char& c : bytes) c = static_cast<char>(QRandomGenerator::global()->bounded(256));
  return bytes.replace(0, 4, "PK\3\4", 4);
}

int connectFrom(const char* source, quint16 port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in from{}, to{};
  from.sin_family = to.sin_family = AF_INET;
  to.sin_port = htons(port);
  if (fd < 0 || inet_pton(AF_INET, source, &from.sin_addr) != 1 || inet_pton(AF_INET, "127.0.0.1", &to.sin_addr) != 1 ||
      ::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
      ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    if (fd >= 0) ::close(fd);
    return -1;
  }
  return fd;
}

bool closedByPeer(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  char buf[4096];
  while (::poll(&p, 1, ms) > 0) {  // a reply is read past; the end or an error is a close
    const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
    if (n <= 0) return n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
  }
  return false;
}
