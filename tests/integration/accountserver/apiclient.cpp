#include "apiclient.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QtTest>

namespace {

const QByteArray kBoundary = "zr540-test-boundary";

ApiReply toReply(const httplib::Result& r) {
  ApiReply out;
  if (!r) return out;
  out.transportOk = true;
  out.status = r->status;
  out.body = QByteArray(r->body.data(), static_cast<int>(r->body.size()));
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

ApiReply ApiClient::upload(const QString& token, const QByteArray& bytes, const QByteArray& fileName) {
  const QByteArray body = "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" + fileName +
                          "\"\r\nAuthorization: " + token.toUtf8() + "\r\n\r\n" + bytes + "\r\n--" + kBoundary + "--\r\n";
  return postRaw("/v1/file/upload", body, "multipart/form-data; boundary=\"" + kBoundary.toStdString() + "\"");
}

ApiReply ApiClient::get(const QString& pathOrUrl) {
  const QUrl url(pathOrUrl);
  if (!url.scheme().isEmpty() && url.port() != port_) return ApiReply{};  // not this server
  return postRaw((url.scheme().isEmpty() ? pathOrUrl : url.path(QUrl::FullyEncoded)).toStdString(), {}, {});
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

QByteArray ServerProcess::output() const {
  QFile f(dataDir_ + ".log");
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool ServerProcess::start(const QStringList& extraArgs) {
  const int from = output().size();  // a restart appends to the same file
  // Tests register many accounts from one address; those of the limit give their own.
  proc_.start(QStringLiteral(ZR540_ACCOUNT_SERVER_EXE), QStringList{"--port", "0", "--data", dataDir_, "--pwhash-ops", "1", "--pwhash-mem", "8192",
                                     "--registrations", "1000/60"} + extraArgs);
  const QRegularExpression listening("^listening on 127\\.0\\.0\\.1:(\\d+)$", QRegularExpression::MultilineOption);
  port_ = 0;
  static_cast<void>(QTest::qWaitFor([&] {
    port_ = static_cast<quint16>(listening.match(QString::fromUtf8(output().mid(from))).captured(1).toUInt());
    return port_ != 0 || proc_.waitForFinished(20) || proc_.state() == QProcess::NotRunning;
  }, 60000));
  return port_ != 0;
}

int ServerProcess::stop() {
  if (proc_.state() == QProcess::NotRunning) return -1;
  proc_.terminate();
  if (!proc_.waitForFinished(20000)) return kill(), -1;
  return proc_.exitStatus() == QProcess::NormalExit ? proc_.exitCode() : -1;
}

bool ServerProcess::kill() {
  if (proc_.state() == QProcess::NotRunning) return false;
  proc_.kill();
  return proc_.waitForFinished(5000);
}

QString ServerProcess::waitForCode(const QString& email, int from) const {
  const QRegularExpression line("verification code for <" + QRegularExpression::escape(email) + ">: (\\d{6}) ");
  QString found;
  static_cast<void>(QTest::qWaitFor([&] {
    for (auto it = line.globalMatch(QString::fromUtf8(output().mid(from))); it.hasNext();) found = it.next().captured(1);
    return !found.isEmpty();
  }, 30000));
  return found;
}
