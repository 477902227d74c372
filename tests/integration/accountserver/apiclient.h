// Talks to the account server as the utility does: JSON posts with the token in the
// "Authorization" request header, uploads with the token on the file part, plain GETs of the
// download addresses. Synchronous (cpp-httplib's client), so load tests can run it on threads.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <climits>
#include <string>
#include <vector>

struct ApiReply {
  bool transportOk = false;  // an HTTP reply arrived
  std::string transportError;  // otherwise, why not
  int status = 0;            // HTTP status
  bool isJson = false;       // the body is one JSON object with an integer "code" and a string "msg"
  int code = INT_MIN;
  QString msg;
  QJsonObject data;
  QByteArray body;
  QString authorization;     // the "Authorization" reply header, if any
  std::string contentType;

  QString dataString(const char* key) const { return data.value(QLatin1String(key)).toString(); }
  // For test messages.
  QByteArray describe() const;
};

// A part of a hand-made multipart body.
struct PartSpec {
  QByteArray headers;  // header lines, each ending in \r\n
  QByteArray content;
};

class ApiClient {
 public:
  explicit ApiClient(quint16 port);

  // POST path with a JSON body; token empty: no Authorization header at all.
  ApiReply postJson(const std::string& path, const QJsonObject& body, const QString& token = QString());
  ApiReply postRaw(const std::string& path, const QByteArray& body, const std::string& contentType,
                   const QString& token = QString());
  // The client's upload: one part "file" with the file name and the token as a part header.
  ApiReply upload(const QString& token, const QByteArray& bytes,
                  const QString& fileName = QStringLiteral("LocalFile.zip"));
  // A hand-made multipart body with the quoted boundary "zr540-test-boundary".
  ApiReply uploadParts(const std::vector<PartSpec>& parts, bool closed = true);
  // GET of a path, or of an absolute URL of this server.
  ApiReply get(const QString& pathOrUrl);

  // The save record and download address requests of the profile (configType "zr540") or the
  // macro archive, as the utility sends them.
  ApiReply save(const QString& token, const QString& filePath, bool macros);
  ApiReply address(const QString& token, bool macros);

  // Steps that many tests take; each QVERIFY-free: false or an empty string on failure.
  bool registerUser(const QString& email, const QString& password, const QString& nickname = QStringLiteral("测试"));
  QString login(const QString& email, const QString& password);
  // register and login with the password "secret-one"
  QString newUser(const QString& email);
  QString uploadAndSave(const QString& token, const QByteArray& bytes, bool macros);
  QString downloadAddress(const QString& token, bool macros);
  // GET of the current download address
  QByteArray download(const QString& token, bool macros);

  static const std::string kBoundary;

 private:
  quint16 port_;
};

// "PK\3\4" and `size - 4` random bytes: passes the server's zip check, differs every call.
QByteArray randomArchive(int size);
