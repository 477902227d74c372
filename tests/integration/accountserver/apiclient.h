// Talks to the account server as the utility does: JSON posts with the token in the
// "Authorization" request header, uploads with the token on the file part, plain GETs of the
// download addresses. Synchronous (cpp-httplib's client), so load tests can run it on threads.
// On Linux every 127.x.y.z address is the loopback: a client may connect from any of them, so
// that one test plays many client addresses.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <climits>
#include <string>
#include <vector>

struct ApiReply {
  bool transportOk = false;  // an HTTP reply arrived
  int status = 0;
  bool isJson = false;  // one JSON object with an integer "code", a string "msg" and an object "data"
  int code = INT_MIN;
  QJsonObject data;
  QByteArray body;
  QString authorization;  // the "Authorization" reply header, if any
  std::string contentType;

  QString dataString(const char* key) const { return data.value(QLatin1String(key)).toString(); }
  QByteArray describe() const;  // for test messages
};

// A part of a hand-made multipart body: header lines, each ending in \r\n, and content.
struct PartSpec {
  QByteArray headers;
  QByteArray content;
};

class ApiClient {
 public:
  explicit ApiClient(quint16 port, const std::string& source = std::string());

  // POST path with a JSON body; token empty: no Authorization header at all.
  ApiReply postJson(const std::string& path, const QJsonObject& body, const QString& token = QString());
  ApiReply postRaw(const std::string& path, const QByteArray& body, const std::string& contentType,
                   const QString& token = QString());
  // The client's upload: one part "file" with the file name and the token as a part header.
  ApiReply upload(const QString& token, const QByteArray& bytes, const QByteArray& fileName = "LocalFile.zip");
  // A hand-made multipart body with the quoted boundary "zr540-test-boundary".
  ApiReply uploadParts(const std::vector<PartSpec>& parts, bool closed = true);
  // GET of a path, or of an absolute URL of this server.
  ApiReply get(const QString& pathOrUrl);
  // The save record and download address of the profile (configType "zr540") or macro archive.
  ApiReply save(const QString& token, const QString& filePath, bool macros);
  ApiReply address(const QString& token, bool macros);

  // Steps many tests take: false or an empty string on failure.
  bool registerUser(const QString& email, const QString& password = QStringLiteral("secret-one"),
                    const QString& nickname = QStringLiteral("测试"));
  QString login(const QString& email, const QString& password = QStringLiteral("secret-one"));
  QString newUser(const QString& email) { return registerUser(email) ? login(email) : QString(); }
  QString uploadAndSave(const QString& token, const QByteArray& bytes, bool macros);
  QByteArray download(const QString& token, bool macros);  // from the current download address

 private:
  quint16 port_;
  std::string source_;
};

// "PK\3\4" and `size - 4` random bytes: passes the server's zip check, differs every call.
QByteArray randomArchive(int size);

// A raw connection to 127.0.0.1:port from `source`; -1 when that cannot be.
int connectFrom(const char* source, quint16 port);
// Whether the other end has closed the connection (or broken it) by now; waits at most `ms`.
bool closedByPeer(int fd, int ms = 0);
