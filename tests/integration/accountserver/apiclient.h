// Talks to the account server as the utility does (JSON posts with the token in the
// "Authorization" header, uploads with the token on the file part, plain GETs of the download
// addresses), synchronously, so load tests can run it on threads; and starts the real server.
// Every 127.x.y.z address is the loopback: a client may connect from any, so one test plays many.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <climits>
#include <string>

struct ApiReply {
  bool transportOk = false;  // an HTTP reply arrived
  bool isJson = false;  // one JSON object with an integer "code", a string "msg" and an object "data"
  int status = 0, code = INT_MIN;
  QJsonObject data;
  QByteArray body;
  QString authorization;  // the "Authorization" reply header, if any

  QString dataString(const char* key) const { return data.value(QLatin1String(key)).toString(); }
  QByteArray describe() const { return transportOk ? "HTTP " + QByteArray::number(status) + " " + body.left(300) : "no reply"; }
};

class ApiClient {
 public:
  explicit ApiClient(quint16 port, const std::string& source = std::string()) : port_(port), source_(source) {}

  // A POST (a GET when contentType is empty); token empty: no Authorization header at all.
  ApiReply postRaw(const std::string& path, const QByteArray& body, const std::string& contentType,
                   const QString& token = QString());
  ApiReply postJson(const std::string& path, const QJsonObject& body, const QString& token = QString());
  ApiReply upload(const QString& token, const QByteArray& bytes, const QByteArray& fileName = "LocalFile.zip");
  ApiReply get(const QString& pathOrUrl);  // a path, or an absolute URL of this server
  QString downloadUrl(const QString& name) const { return QString("http://127.0.0.1:%1/v1/file/download/").arg(port_) + name; }
  // The save record and download address of the profile (configType "zr540") or macro archive.
  ApiReply save(const QString& token, const QString& filePath, bool macros) {
    return postJson(macros ? "/v1/driver/macro/config/save" : "/v1/driver/config2/save",
                    {{"filePath", filePath}, {"configContent", ""}, {"configType", macros ? "" : "zr540"}}, token);
  }
  ApiReply address(const QString& token, bool macros) {
    return postJson(macros ? "/v1/driver/macro/config/get" : "/v1/driver/config2/get", macros ? QJsonObject() : QJsonObject{{"configType", "zr540"}}, token);
  }

  // Steps many tests take: false or an empty string on failure.
  bool registerUser(const QString& email, const QString& password = "secret-one", const QString& nickname = "测试") {
    return postJson("/v1/user/register", {{"nickname", nickname}, {"email", email}, {"password", password}, {"rePassword", password}}).code == 0;
  }
  QString login(const QString& email, const QString& password = "secret-one") {
    const ApiReply r = postJson("/v1/user/login", {{"email", email}, {"password", password}});
    return r.code == 0 ? r.authorization : QString();
  }
  QString newUser(const QString& email) { return registerUser(email) ? login(email) : QString(); }
  QString uploadAndSave(const QString& token, const QByteArray& bytes, bool macros) {
    const QString name = upload(token, bytes, macros ? "MacroFiles.zip" : "LocalFile.zip").dataString("filePath");
    return !name.isEmpty() && save(token, name, macros).code == 0 ? name : QString();
  }
  QByteArray download(const QString& token, bool macros) { return get(address(token, macros).dataString("filePath")).body; }

 private:
  quint16 port_;
  std::string source_;
};

// "PK\3\4" and random bytes: passes the server's zip check, differs every call.
QByteArray randomArchive(int size);
// A raw connection to 127.0.0.1:port from `source`; -1 when that cannot be.
int connectFrom(const char* source, quint16 port);
// Whether the other end has closed the connection (or broken it), waiting at most `ms`.
bool closedByPeer(int fd, int ms = 0);

// The real zr540-account-server on a free port, with a cheap password hash and its output (the
// "listening on" line and the log) in the file <data folder>.log: a server whose log pipe a busy
// test does not read would stop.
class ServerProcess {
 public:
  explicit ServerProcess(const QString& dataDir) : dataDir_(dataDir) {
    proc_.setProcessChannelMode(QProcess::MergedChannels);
    proc_.setStandardOutputFile(dataDir + ".log", QIODevice::Append);
  }
  ~ServerProcess() { kill(); }

  bool start(const QStringList& extraArgs = {});  // waits for "listening on 127.0.0.1:<port>"
  int stop();  // SIGTERM: the exit code, or -1 when it crashed or did not stop
  bool kill();  // SIGKILL, as a crash: true when it was running and is gone
  quint16 port() const { return port_; }
  QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }
  QByteArray output() const;  // everything it printed so far
  QString waitForCode(const QString& email, int from) const;  // the newest code logged after `from`

 private:
  QString dataDir_;
  QProcess proc_;
  quint16 port_ = 0;
};
