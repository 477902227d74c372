// Cloud storage on the real server: uploads, save records, download addresses and downloads,
// users kept apart, refused uploads and names, versions, a restart, and the client's own way of
// sending (Qt's multipart with the token on the part).
#include <QDir>
#include <QEventLoop>
#include <QHttpMultiPart>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QtTest>

#include "apiclient.h"
#include "serverprocess.h"

class TestAccountServerCloud : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();

  void uploadAndDownload_data();
  void uploadAndDownload();
  void nothingSavedYet();
  void uploadRefused_data();
  void uploadRefused();
  void largestArchive();
  void farOversizeUpload();
  void saveRefused_data();
  void saveRefused();
  void usersKeptApart();
  void downloadPathTricks_data();
  void downloadPathTricks();
  void looseUploadsPruned();
  void versions_data();
  void versions();
  void firmwareDownload();
  void asTheClientSends();
  void restartKeepsEverything();

 private:
  QStringList archiveFiles() const;
  QString newUser(const QString& email);

  QTemporaryDir dir_;
  QByteArray firmware_;
  ServerProcess* server_ = nullptr;
  ApiClient* api_ = nullptr;
};

void TestAccountServerCloud::initTestCase() {
  QVERIFY(dir_.isValid());
  firmware_ = randomArchive(3000);
  QFile fw(dir_.filePath("firmware.mtp"));
  QVERIFY(fw.open(QIODevice::WriteOnly));
  fw.write(firmware_);
  fw.close();
  server_ = new ServerProcess(dir_.filePath("data"));
  QVERIFY2(server_->start({"--software-version", "1.0.2.7", "--software-url", "https://example.invalid/zr540/setup.exe",
                           "--firmware-version", "7", "--firmware-file", fw.fileName()}),
           server_->output().constData());
  api_ = new ApiClient(server_->port());
}

void TestAccountServerCloud::cleanupTestCase() {
  QCOMPARE(server_->stop(), 0);
  delete api_;
  delete server_;
}

QStringList TestAccountServerCloud::archiveFiles() const {
  return QDir(dir_.filePath("data/archives")).entryList(QDir::Files | QDir::Hidden);
}

QString TestAccountServerCloud::newUser(const QString& email) {
  if (!api_->registerUser(email, "secret-one")) return QString();
  return api_->login(email, "secret-one");
}

void TestAccountServerCloud::uploadAndDownload_data() {
  QTest::addColumn<bool>("macros");
  QTest::addColumn<int>("size");
  QTest::newRow("profiles, small") << false << 100;
  QTest::newRow("profiles, 1 MiB") << false << (1 << 20);
  QTest::newRow("macros, small") << true << 22;
  QTest::newRow("macros, 300 KiB") << true << 300 * 1024;
}

void TestAccountServerCloud::uploadAndDownload() {
  QFETCH(bool, macros);
  QFETCH(int, size);
  const QString token = newUser(QString("up-%1-%2@x.cn").arg(macros).arg(size));
  QVERIFY(!token.isEmpty());
  const QByteArray first = randomArchive(size);
  const ApiReply up = api_->upload(token, first, macros ? "MacroFiles.zip" : "LocalFile.zip");
  QCOMPARE(up.code, 0);
  const QString name = up.dataString("filePath");
  QVERIFY2(QRegularExpression("^[0-9a-f]{32}\\.zip$").match(name).hasMatch(), qPrintable(name));
  const ApiReply save = macros
      ? api_->postJson("/v1/driver/macro/config/save", {{"filePath", name}, {"configContent", ""}, {"configType", ""}}, token)
      : api_->postJson("/v1/driver/config2/save", {{"filePath", name}, {"configContent", ""}, {"configType", "zr540"}}, token);
  QCOMPARE(save.code, 0);

  const QString url = api_->downloadAddress(token, macros);
  QVERIFY(url.startsWith(server_->baseUrl() + "/"));
  QVERIFY(url.endsWith(name));
  ApiReply got = api_->get(url);
  QCOMPARE(got.status, 200);
  QCOMPARE(got.body, first);
  QCOMPARE(got.contentType, std::string("application/zip"));

  // the other kind of archive is still missing
  const ApiReply other = macros ? api_->postJson("/v1/driver/config2/get", {{"configType", "zr540"}}, token)
                                : api_->postJson("/v1/driver/macro/config/get", QJsonObject(), token);
  QCOMPARE(other.code, 30006);

  // a second upload replaces the first one for the download address
  const QByteArray second = randomArchive(size);
  QVERIFY(!api_->uploadAndSave(token, second, macros).isEmpty());
  got = api_->get(api_->downloadAddress(token, macros));
  QCOMPARE(got.body, second);
}

void TestAccountServerCloud::nothingSavedYet() {
  const QString token = newUser("empty@x.cn");
  QVERIFY(!token.isEmpty());
  ApiReply r = api_->postJson("/v1/driver/config2/get", {{"configType", "zr540"}}, token);
  QCOMPARE(r.code, 30006);
  QCOMPARE(r.msg, QStringLiteral("云端暂无保存的设置"));
  QVERIFY(r.dataString("filePath").isEmpty());
  r = api_->postJson("/v1/driver/macro/config/get", QJsonObject(), token);
  QCOMPARE(r.code, 30006);
  // a saved profile archive of one model is not one of another
  QVERIFY(!api_->uploadAndSave(token, randomArchive(50), false).isEmpty());
  QCOMPARE(api_->postJson("/v1/driver/config2/get", {{"configType", "zr541"}}, token).code, 30006);
  QCOMPARE(api_->postJson("/v1/driver/config2/get", {{"configType", "../zr540"}}, token).code, 30007);
  QCOMPARE(api_->postJson("/v1/driver/config2/get", QJsonObject(), token).code, 10002);
}

void TestAccountServerCloud::uploadRefused_data() {
  QTest::addColumn<QByteArray>("partHeaders");  // "%TOKEN%" is replaced by a valid token
  QTest::addColumn<QByteArray>("content");
  QTest::addColumn<bool>("secondPart");
  QTest::addColumn<bool>("closed");
  QTest::addColumn<int>("code");
  const QByteArray zip = randomArchive(64);
  const QByteArray auth = "Authorization: %TOKEN%\r\n";
  auto disp = [](const QByteArray& name, const QByteArray& file) {
    return "Content-Disposition: form-data; name=\"" + name + "\"; filename=\"" + file + "\"\r\n";
  };
  QTest::newRow("no token") << disp("file", "LocalFile.zip") << zip << false << true << 11001;
  QTest::newRow("token NULL") << disp("file", "LocalFile.zip") + "Authorization: NULL\r\n" << zip << false << true << 11001;
  QTest::newRow("no file part") << disp("other", "LocalFile.zip") + auth << zip << false << true << 30001;
  QTest::newRow("two file parts") << disp("file", "LocalFile.zip") + auth << zip << true << true << 10001;
  QTest::newRow("not closed") << disp("file", "LocalFile.zip") + auth << zip << false << false << 10001;
  QTest::newRow("parent folder") << disp("file", "../../accounts.sqlite3") + auth << zip << false << true << 30003;
  QTest::newRow("absolute path") << disp("file", "/etc/passwd") + auth << zip << false << true << 30003;
  QTest::newRow("backslash") << disp("file", "..\\\\x.zip") + auth << zip << false << true << 30003;
  QTest::newRow("drive letter") << disp("file", "C:x.zip") + auth << zip << false << true << 30003;
  QTest::newRow("empty name") << disp("file", "") + auth << zip << false << true << 30003;
  QTest::newRow("not a zip") << disp("file", "LocalFile.zip") + auth << QByteArray("hello, this is not an archive") << false << true << 30004;
  QTest::newRow("empty file") << disp("file", "LocalFile.zip") + auth << QByteArray() << false << true << 30004;
  QTest::newRow("just over 16 MiB") << disp("file", "LocalFile.zip") + auth << randomArchive(16 * 1024 * 1024 + 1) << false << true << 30002;
}

void TestAccountServerCloud::uploadRefused() {
  QFETCH(QByteArray, partHeaders);
  QFETCH(QByteArray, content);
  QFETCH(bool, secondPart);
  QFETCH(bool, closed);
  QFETCH(int, code);
  static const QString token = newUser("refused@x.cn");
  QVERIFY(!token.isEmpty());
  partHeaders.replace("%TOKEN%", token.toUtf8());
  const QStringList before = archiveFiles();
  std::vector<PartSpec> parts{{partHeaders, content}};
  if (secondPart) parts.push_back(parts.front());
  const ApiReply r = api_->uploadParts(parts, closed);
  QVERIFY2(r.isJson, r.describe().constData());
  QCOMPARE(r.status, 200);
  QCOMPARE(r.code, code);
  QVERIFY(r.dataString("filePath").isEmpty());
  QCOMPARE(archiveFiles(), before);  // nothing stored
}

void TestAccountServerCloud::largestArchive() {
  const QString token = newUser("large@x.cn");
  const QByteArray bytes = randomArchive(16 * 1024 * 1024);
  const QString name = api_->uploadAndSave(token, bytes, false);
  QVERIFY(!name.isEmpty());
  QCOMPARE(api_->get(api_->downloadAddress(token, false)).body, bytes);
}

void TestAccountServerCloud::farOversizeUpload() {
  const QString token = newUser("huge@x.cn");
  const QStringList before = archiveFiles();
  const ApiReply r = api_->upload(token, randomArchive(20 * 1024 * 1024));
  QVERIFY2(r.isJson, r.describe().constData());
  QCOMPARE(r.code, 30002);
  QCOMPARE(archiveFiles(), before);
  // not multipart at all, and still too large
  const ApiReply raw = api_->postRaw("/v1/file/upload", QByteArray(17 * 1024 * 1024, 'x'), "application/zip", token);
  QCOMPARE(raw.code, 30002);
  QCOMPARE(api_->postRaw("/v1/file/upload", randomArchive(100), "application/zip", token).code, 10001);
  QCOMPARE(archiveFiles(), before);
  QVERIFY(!api_->uploadAndSave(token, randomArchive(100), true).isEmpty());
}

void TestAccountServerCloud::saveRefused_data() {
  QTest::addColumn<QString>("path");
  QTest::addColumn<QJsonObject>("body");  // "%OWN%" / "%OTHER%" stand for stored names
  QTest::addColumn<int>("code");
  const QString profiles = "/v1/driver/config2/save";
  const QString macros = "/v1/driver/macro/config/save";
  const QList<QPair<QString, QString>> tricks = {
      {"database", "../accounts.sqlite3"}, {"absolute", "/etc/passwd"},
      {"url", "http://127.0.0.1/v1/file/download/0123456789abcdef0123456789abcdef.zip"},
      {"upper case", "%OWN_UPPER%"}, {"folder prefix", "archives/%OWN%"}, {"unknown", "0123456789abcdef0123456789abcdef.zip"},
      {"other user's", "%OTHER%"}, {"empty", ""}};
  for (const auto& t : tricks) {
    QTest::newRow(qPrintable("profiles " + t.first)) << profiles << QJsonObject{{"filePath", t.second}, {"configContent", ""}, {"configType", "zr540"}} << 30005;
    QTest::newRow(qPrintable("macros " + t.first)) << macros << QJsonObject{{"filePath", t.second}, {"configContent", ""}, {"configType", ""}} << 30005;
  }
  QTest::newRow("no filePath") << profiles << QJsonObject{{"configContent", ""}, {"configType", "zr540"}} << 10002;
  QTest::newRow("macros no filePath") << macros << QJsonObject{{"configContent", ""}} << 10002;
  QTest::newRow("filePath a number") << macros << QJsonObject{{"filePath", 12}} << 10010;
  QTest::newRow("no configType") << profiles << QJsonObject{{"filePath", "%OWN%"}, {"configContent", ""}} << 10002;
  QTest::newRow("empty configType") << profiles << QJsonObject{{"filePath", "%OWN%"}, {"configType", ""}} << 30007;
  QTest::newRow("configType a path") << profiles << QJsonObject{{"filePath", "%OWN%"}, {"configType", "../../x"}} << 30007;
  QTest::newRow("configType a number") << profiles << QJsonObject{{"filePath", "%OWN%"}, {"configType", 540}} << 10010;
  QTest::newRow("configContent an object") << macros << QJsonObject{{"filePath", "%OWN%"}, {"configContent", QJsonObject()}} << 10010;
}

void TestAccountServerCloud::saveRefused() {
  QFETCH(QString, path);
  QFETCH(QJsonObject, body);
  QFETCH(int, code);
  static const QString token = newUser("saver@x.cn");
  static const QString other = newUser("saver-other@x.cn");
  static const QString own = api_->upload(token, randomArchive(40)).dataString("filePath");
  static const QString others = api_->upload(other, randomArchive(40)).dataString("filePath");
  QVERIFY(!own.isEmpty() && !others.isEmpty());
  QString filePath = body.value("filePath").toString();
  filePath.replace("%OWN_UPPER%", own.toUpper()).replace("%OWN%", own).replace("%OTHER%", others);
  if (body.value("filePath").isString()) body["filePath"] = filePath;

  const ApiReply r = api_->postJson(path.toStdString(), body, token);
  QCOMPARE(r.code, code);
  // no record was made for either user
  QCOMPARE(api_->postJson("/v1/driver/config2/get", {{"configType", "zr540"}}, token).code, 30006);
  QCOMPARE(api_->postJson("/v1/driver/macro/config/get", QJsonObject(), token).code, 30006);
  QCOMPARE(api_->postJson("/v1/driver/macro/config/get", QJsonObject(), other).code, 30006);
}

void TestAccountServerCloud::usersKeptApart() {
  const QString alice = newUser("alice@x.cn");
  const QString bob = newUser("bob@x.cn");
  QVERIFY(!alice.isEmpty() && !bob.isEmpty());
  const QByteArray aliceProfiles = randomArchive(500), aliceMacros = randomArchive(600);
  const QString aliceName = api_->uploadAndSave(alice, aliceProfiles, false);
  QVERIFY(!aliceName.isEmpty());
  QVERIFY(!api_->uploadAndSave(alice, aliceMacros, true).isEmpty());

  // bob sees nothing of alice's, and cannot record her archive as his
  QCOMPARE(api_->postJson("/v1/driver/config2/get", {{"configType", "zr540"}}, bob).code, 30006);
  QCOMPARE(api_->postJson("/v1/driver/macro/config/get", QJsonObject(), bob).code, 30006);
  QCOMPARE(api_->postJson("/v1/driver/config2/save", {{"filePath", aliceName}, {"configContent", ""}, {"configType", "zr540"}}, bob).code, 30005);
  QCOMPARE(api_->postJson("/v1/user/updatePassword", {{"email", "alice@x.cn"}, {"password", "secret-one"}, {"rePassword", "taken-over"}}, bob).code, 11002);

  const QByteArray bobProfiles = randomArchive(500);
  QVERIFY(!api_->uploadAndSave(bob, bobProfiles, false).isEmpty());
  QCOMPARE(api_->get(api_->downloadAddress(bob, false)).body, bobProfiles);
  QCOMPARE(api_->get(api_->downloadAddress(alice, false)).body, aliceProfiles);
  QCOMPARE(api_->get(api_->downloadAddress(alice, true)).body, aliceMacros);
  QCOMPARE(api_->postJson("/v1/driver/macro/config/get", QJsonObject(), bob).code, 30006);
  QVERIFY(!api_->login("alice@x.cn", "secret-one").isEmpty());
}

void TestAccountServerCloud::downloadPathTricks_data() {
  QTest::addColumn<QString>("path");
  QTest::newRow("parent") << "/v1/file/download/../accounts.sqlite3";
  QTest::newRow("encoded parent") << "/v1/file/download/%2e%2e%2faccounts.sqlite3";
  QTest::newRow("encoded slash") << "/v1/file/download/..%2F..%2Faccounts.sqlite3";
  QTest::newRow("database by name") << "/v1/file/download/accounts.sqlite3";
  QTest::newRow("unknown name") << "/v1/file/download/0123456789abcdef0123456789abcdef.zip";
  QTest::newRow("empty") << "/v1/file/download/";
  QTest::newRow("temporary file") << "/v1/file/download/.incoming-0123456789abcdef0123456789abcdef";
  QTest::newRow("unknown endpoint") << "/v1/file/list";
}

void TestAccountServerCloud::downloadPathTricks() {
  QFETCH(QString, path);
  const ApiReply r = api_->get(path);
  QVERIFY(r.transportOk);
  QVERIFY2(r.status == 404 || r.status == 400, r.describe().constData());
  QVERIFY(!r.body.startsWith("SQLite format"));
  QVERIFY2(r.isJson && (r.code == 30008 || r.code == 50003 || r.code == 10001), r.describe().constData());
}

void TestAccountServerCloud::looseUploadsPruned() {
  const QString token = newUser("prune@x.cn");
  const QByteArray saved = randomArchive(30);
  const QString savedName = api_->uploadAndSave(token, saved, true);
  QVERIFY(!savedName.isEmpty());
  QStringList loose;
  for (int i = 0; i < 10; ++i) {
    const ApiReply r = api_->upload(token, randomArchive(30));
    QCOMPARE(r.code, 0);
    loose << r.dataString("filePath");
  }
  // the recorded archive and the newest eight loose ones stay, the two oldest loose ones go
  QCOMPARE(api_->get("/v1/file/download/" + savedName).body, saved);
  QCOMPARE(api_->get("/v1/file/download/" + loose[0]).status, 404);
  QCOMPARE(api_->get("/v1/file/download/" + loose[1]).status, 404);
  for (int i = 2; i < 10; ++i) QCOMPARE(api_->get("/v1/file/download/" + loose[i]).status, 200);
  QVERIFY(!archiveFiles().contains(loose[0]));
  QVERIFY(archiveFiles().contains(loose[9]));
}

void TestAccountServerCloud::versions_data() {
  QTest::addColumn<QJsonObject>("body");
  QTest::addColumn<int>("code");
  QTest::addColumn<QString>("version");
  QTest::addColumn<QString>("url");  // "%BASE%" stands for the server's address
  QTest::newRow("software") << QJsonObject{{"versionType", "zr540-software"}} << 0 << "1.0.2.7" << "https://example.invalid/zr540/setup.exe";
  QTest::newRow("firmware") << QJsonObject{{"versionType", "zr540-firmware"}} << 0 << "7" << "%BASE%/v1/driver/firmware/download";
  QTest::newRow("other model") << QJsonObject{{"versionType", "zr541-firmware"}} << 40001 << "" << "";
  QTest::newRow("model only") << QJsonObject{{"versionType", "zr540"}} << 40001 << "" << "";
  QTest::newRow("letter case") << QJsonObject{{"versionType", "ZR540-software"}} << 40001 << "" << "";
  QTest::newRow("missing") << QJsonObject{} << 10002 << "" << "";
  QTest::newRow("a number") << QJsonObject{{"versionType", 540}} << 10010 << "" << "";
}

void TestAccountServerCloud::versions() {
  QFETCH(QJsonObject, body);
  QFETCH(int, code);
  QFETCH(QString, version);
  QFETCH(QString, url);
  url.replace("%BASE%", server_->baseUrl());
  // asked before anybody logged in: the client sends "NULL"
  const ApiReply r = api_->postJson("/v1/driver/version", body, "NULL");
  QCOMPARE(r.code, code);
  QCOMPARE(r.dataString("version"), version);
  QCOMPARE(r.dataString("downloadUrl"), url);
}

void TestAccountServerCloud::firmwareDownload() {
  const ApiReply v = api_->postJson("/v1/driver/version", {{"versionType", "zr540-firmware"}});
  const ApiReply file = api_->get(v.dataString("downloadUrl"));
  QCOMPARE(file.status, 200);
  QCOMPARE(file.body, firmware_);
}

namespace {

// One request through Qt's network stack, waited for with a local event loop.
QNetworkReply* wait(QNetworkReply* reply) {
  QEventLoop loop;
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(30000, &loop, &QEventLoop::quit);
  if (!reply->isFinished()) loop.exec();
  return reply;
}

QJsonObject bodyOf(QNetworkReply* reply) { return QJsonDocument::fromJson(reply->readAll()).object(); }

QNetworkRequest jsonRequest(const QString& url, const QByteArray& token) {
  QNetworkRequest req{QUrl(url)};
  req.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
  req.setRawHeader("Authorization", token);
  return req;
}

}  // namespace

void TestAccountServerCloud::asTheClientSends() {
  QVERIFY(api_->registerUser("qt@x.cn", "secret-one", QStringLiteral("李四")));
  QNetworkAccessManager nam;
  const QString base = server_->baseUrl();

  // login: the token comes in a reply header spelt exactly "Authorization"
  std::unique_ptr<QNetworkReply> login(wait(nam.post(jsonRequest(base + "/v1/user/login", "NULL"),
                                                     QByteArray(R"({"email":"qt@x.cn","password":"secret-one"})"))));
  QCOMPARE(login->error(), QNetworkReply::NoError);
  QVERIFY(login->rawHeaderList().contains("Authorization"));
  const QByteArray token = login->rawHeader("Authorization");
  QCOMPARE(token.size(), 64);
  const QJsonObject loginBody = bodyOf(login.get());
  QCOMPARE(loginBody.value("code").toInt(-1), 0);
  QCOMPARE(loginBody.value("data").toObject().value("nickname").toString(), QStringLiteral("李四"));

  // upload: Qt's multipart, the token on the part and not on the request
  const QByteArray archive = randomArchive(70000);
  auto* multi = new QHttpMultiPart(QHttpMultiPart::FormDataType);
  QHttpPart part;
  part.setHeader(QNetworkRequest::ContentDispositionHeader, QVariant("form-data; name=\"file\"; filename=\"MacroFiles.zip\""));
  part.setRawHeader("Authorization", token);
  part.setBody(archive);
  multi->append(part);
  QNetworkRequest upReq{QUrl(base + "/v1/file/upload")};
  std::unique_ptr<QNetworkReply> up(wait(nam.post(upReq, multi)));
  multi->setParent(up.get());
  QCOMPARE(up->error(), QNetworkReply::NoError);
  const QJsonObject upBody = bodyOf(up.get());
  QCOMPARE(upBody.value("code").toInt(-1), 0);
  const QString filePath = upBody.value("data").toObject().value("filePath").toString();
  QVERIFY(!filePath.isEmpty());

  std::unique_ptr<QNetworkReply> save(wait(nam.post(jsonRequest(base + "/v1/driver/macro/config/save", token),
      QJsonDocument(QJsonObject{{"filePath", filePath}, {"configContent", ""}, {"configType", ""}}).toJson(QJsonDocument::Compact))));
  QCOMPARE(bodyOf(save.get()).value("code").toInt(-1), 0);
  std::unique_ptr<QNetworkReply> where(wait(nam.post(jsonRequest(base + "/v1/driver/macro/config/get", token), "{}")));
  const QString url = bodyOf(where.get()).value("data").toObject().value("filePath").toString();
  // the download is a plain GET without any token
  std::unique_ptr<QNetworkReply> file(wait(nam.get(QNetworkRequest{QUrl(url)})));
  QCOMPARE(file->error(), QNetworkReply::NoError);
  QCOMPARE(file->readAll(), archive);
}

void TestAccountServerCloud::restartKeepsEverything() {
  QVERIFY(api_->registerUser("restart@x.cn", "secret-one", QStringLiteral("王五")));
  const QString token = api_->login("restart@x.cn", "secret-one");
  const QByteArray profiles = randomArchive(4000), macros = randomArchive(5000);
  QVERIFY(!api_->uploadAndSave(token, profiles, false).isEmpty());
  QVERIFY(!api_->uploadAndSave(token, macros, true).isEmpty());

  QCOMPARE(server_->stop(), 0);
  QVERIFY2(server_->start({"--firmware-version", "7", "--firmware-file", dir_.filePath("firmware.mtp")}),
           server_->output().constData());
  delete api_;
  api_ = new ApiClient(server_->port());

  // the old token still works, the archives come back byte for byte from the new address
  const QString url = api_->downloadAddress(token, false);
  QVERIFY(url.startsWith(server_->baseUrl()));
  QCOMPARE(api_->get(url).body, profiles);
  QCOMPARE(api_->get(api_->downloadAddress(token, true)).body, macros);
  const ApiReply login = api_->postJson("/v1/user/login", {{"email", "restart@x.cn"}, {"password", "secret-one"}});
  QCOMPARE(login.code, 0);
  QCOMPARE(login.dataString("nickname"), QStringLiteral("王五"));
  QCOMPARE(api_->postJson("/v1/user/register", {{"nickname", "x"}, {"email", "restart@x.cn"},
                                                {"password", "secret-one"}, {"rePassword", "secret-one"}}).code, 10005);
  // users of the earlier tests are there too
  QVERIFY(!api_->login("alice@x.cn", "secret-one").isEmpty());
}

QTEST_GUILESS_MAIN(TestAccountServerCloud)
#include "tst_accountserver_cloud.moc"
