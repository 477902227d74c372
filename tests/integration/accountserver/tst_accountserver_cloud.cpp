// Cloud storage on the real server: uploads, save records, download addresses and downloads,
// users kept apart, refused uploads and names, size limits, versions and a restart.
#include <QDir>
#include <QJsonDocument>
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
  void sizeLimits();
  void storageLimits();
  void saveRefused_data();
  void saveRefused();
  void usersKeptApart();
  void downloadPathTricks_data();
  void downloadPathTricks();
  void looseUploadsPruned();
  void versions_data();
  void versions();
  void restartKeepsEverything();

 private:
  QStringList archiveFiles() const { return QDir(dir_.filePath("data/archives")).entryList(QDir::Files | QDir::Hidden); }

  QTemporaryDir dir_;
  QByteArray firmware_;
  ServerProcess* server_ = nullptr;
  ApiClient* api_ = nullptr;
};

void TestAccountServerCloud::initTestCase() {
  QVERIFY(dir_.isValid());
  firmware_ = randomArchive(3000);
  QFile fw(dir_.filePath("firmware.mtp"));
  QVERIFY(fw.open(QIODevice::WriteOnly) && fw.write(firmware_) == firmware_.size());
  fw.close();
  server_ = new ServerProcess(dir_.filePath("data"));
  QVERIFY2(server_->start({"--software-version", "1.0.2.7", "--software-url", "https://example.invalid/zr540/setup.exe",
                           "--firmware-version", "7", "--firmware-file", fw.fileName()}),
           server_->output().constData());
  api_ = new ApiClient(server_->port());
}

void TestAccountServerCloud::cleanupTestCase() {
  QCOMPARE(server_->stop(), 0);
  // A stored name is its own download permission: the log never holds one (32 hex digits).
  const QString log = QString::fromUtf8(server_->output());
  const QRegularExpressionMatch name = QRegularExpression("[0-9a-f]{32}").match(log);
  QVERIFY2(!name.hasMatch(), qPrintable(name.captured(0)));
  delete api_;
  delete server_;
}

void TestAccountServerCloud::uploadAndDownload_data() {
  QTest::addColumn<bool>("macros");
  QTest::addColumn<int>("size");
  QTest::newRow("profiles, 1 MiB") << false << (1 << 20);
  QTest::newRow("macros, smallest") << true << 22;
}

void TestAccountServerCloud::uploadAndDownload() {
  QFETCH(bool, macros);
  QFETCH(int, size);
  const QString token = api_->newUser(QString("up-%1@x.cn").arg(macros));
  QVERIFY(!token.isEmpty());
  const QByteArray first = randomArchive(size);
  const int mark = server_->output().size();
  const ApiReply up = api_->upload(token, first, macros ? "MacroFiles.zip" : "LocalFile.zip");
  QCOMPARE(up.code, 0);
  const QString name = up.dataString("filePath");
  QVERIFY2(QRegularExpression("^[0-9a-f]{32}\\.zip$").match(name).hasMatch(), qPrintable(name));
  QCOMPARE(api_->save(token, name, macros).code, 0);

  const QString url = api_->downloadAddress(token, macros);
  QVERIFY(url.startsWith(server_->baseUrl() + "/"));
  QVERIFY(url.endsWith(name));
  const ApiReply got = api_->get(url);
  QCOMPARE(got.status, 200);
  QCOMPARE(got.body, first);
  QCOMPARE(got.contentType, std::string("application/zip"));
  // the log names the archive by one fingerprint, in the upload's line and in the download's
  const QRegularExpressionMatch stored = QRegularExpression(" as (#[0-9a-f]{8}) ").match(QString::fromUtf8(server_->output().mid(mark)));
  QVERIFY(stored.hasMatch());
  QTRY_VERIFY(server_->output().mid(mark).contains("GET /v1/file/download/" + stored.captured(1).toUtf8() + " -> 200"));
  // the other kind of archive is still missing
  QCOMPARE(api_->address(token, !macros).code, 30006);

  // a second upload replaces the first one for the download address
  const QByteArray second = randomArchive(size);
  QVERIFY(!api_->uploadAndSave(token, second, macros).isEmpty());
  QCOMPARE(api_->download(token, macros), second);
  // and frees it
  QCOMPARE(api_->get(url).status, 404);
  QVERIFY(!archiveFiles().contains(name));
}

void TestAccountServerCloud::nothingSavedYet() {
  const QString token = api_->newUser("empty@x.cn");
  QVERIFY(!token.isEmpty());
  const ApiReply r = api_->address(token, false);
  QCOMPARE(r.code, 30006);
  QCOMPARE(r.msg, QStringLiteral("云端暂无保存的设置"));
  QVERIFY(r.dataString("filePath").isEmpty());
  QCOMPARE(api_->address(token, true).code, 30006);
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
  const QByteArray local = disp("file", "LocalFile.zip");
  QTest::newRow("no token") << local << zip << false << true << 11001;
  QTest::newRow("token NULL") << local + "Authorization: NULL\r\n" << zip << false << true << 11001;
  QTest::newRow("no file part") << disp("other", "LocalFile.zip") + auth << zip << false << true << 30001;
  QTest::newRow("two file parts") << local + auth << zip << true << true << 10001;
  QTest::newRow("not closed") << local + auth << zip << false << false << 10001;
  QTest::newRow("parent folder") << disp("file", "../../accounts.sqlite3") + auth << zip << false << true << 30003;
  QTest::newRow("absolute path") << disp("file", "/etc/passwd") + auth << zip << false << true << 30003;
  QTest::newRow("backslash") << disp("file", "..\\\\x.zip") + auth << zip << false << true << 30003;
  QTest::newRow("empty name") << disp("file", "") + auth << zip << false << true << 30003;
  QTest::newRow("not a zip") << local + auth << QByteArray("hello, this is not an archive") << false << true << 30004;
  QTest::newRow("empty file") << local + auth << QByteArray() << false << true << 30004;
  QTest::newRow("just over 16 MiB") << local + auth << randomArchive(16 * 1024 * 1024 + 1) << false << true << 30002;
}

void TestAccountServerCloud::uploadRefused() {
  QFETCH(QByteArray, partHeaders);
  QFETCH(QByteArray, content);
  QFETCH(bool, secondPart);
  QFETCH(bool, closed);
  QFETCH(int, code);
  static const QString token = api_->newUser("refused@x.cn");
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

void TestAccountServerCloud::sizeLimits() {
  const QString token = api_->newUser("large@x.cn");
  const QByteArray largest = randomArchive(16 * 1024 * 1024);
  QVERIFY(!api_->uploadAndSave(token, largest, false).isEmpty());
  QCOMPARE(api_->download(token, false), largest);

  const QStringList before = archiveFiles();
  const ApiReply r = api_->upload(token, randomArchive(20 * 1024 * 1024));
  QVERIFY2(r.isJson, r.describe().constData());
  QCOMPARE(r.code, 30002);
  // not multipart at all: too large, or refused as it is
  QCOMPARE(api_->postRaw("/v1/file/upload", QByteArray(17 * 1024 * 1024, 'x'), "application/zip", token).code, 30002);
  QCOMPARE(api_->postRaw("/v1/file/upload", randomArchive(100), "application/zip", token).code, 10001);
  QCOMPARE(archiveFiles(), before);
  QVERIFY(!api_->uploadAndSave(token, randomArchive(100), true).isEmpty());
}

void TestAccountServerCloud::storageLimits() {
  QTemporaryDir dir;
  ServerProcess server(dir.filePath("data"));
  QVERIFY2(server.start({"--user-storage", "10000", "--config-types", "3"}), server.output().constData());
  ApiClient api(server.port());
  const QString token = api.newUser("quota@x.cn");
  auto saveAs = [&](const QString& name, const char* configType) {
    return api.postJson("/v1/driver/config2/save", {{"filePath", name}, {"configContent", ""}, {"configType", configType}}, token);
  };
  const QString first = api.uploadAndSave(token, randomArchive(4000), false);
  QVERIFY(!first.isEmpty());
  QVERIFY(!api.uploadAndSave(token, randomArchive(3000), true).isEmpty());
  // a third configuration type fits, a fourth does not
  QCOMPARE(saveAs(api.upload(token, randomArchive(1000)).dataString("filePath"), "zr541").code, 0);
  const QString loose = api.upload(token, randomArchive(1000)).dataString("filePath");
  const ApiReply fourth = saveAs(loose, "zr542");
  QCOMPARE(fourth.code, 30010);
  QCOMPARE(fourth.msg, QStringLiteral("云端保存的配置类型已达上限"));
  // beside 8000 recorded bytes 2001 more do not fit; 2000 do, and the loose upload makes room
  const ApiReply full = api.upload(token, randomArchive(2001));
  QCOMPARE(full.code, 30009);
  QCOMPARE(full.msg, QStringLiteral("云端存储空间已满"));
  const QByteArray second = randomArchive(2000);
  const QString secondName = api.upload(token, second).dataString("filePath");
  QVERIFY(!secondName.isEmpty());
  QCOMPARE(api.get("/v1/file/download/" + loose).status, 404);
  // replacing a record frees the archive it named
  QCOMPARE(saveAs(secondName, "zr540").code, 0);
  QCOMPARE(api.download(token, false), second);
  QCOMPARE(api.get("/v1/file/download/" + first).status, 404);
  QCOMPARE(QDir(dir.filePath("data/archives")).entryList(QDir::Files | QDir::Hidden).size(), 3);
  QCOMPARE(server.stop(), 0);
}

void TestAccountServerCloud::saveRefused_data() {
  QTest::addColumn<bool>("macros");
  QTest::addColumn<QJsonObject>("body");  // "%OWN%" / "%OWN_UPPER%" / "%OTHER%" stand for stored names
  QTest::addColumn<int>("code");
  const QList<QPair<QString, QString>> tricks = {
      {"database", "../accounts.sqlite3"}, {"absolute", "/etc/passwd"},
      {"url", "http://127.0.0.1/v1/file/download/0123456789abcdef0123456789abcdef.zip"},
      {"upper case", "%OWN_UPPER%"}, {"folder prefix", "archives/%OWN%"}, {"unknown", "0123456789abcdef0123456789abcdef.zip"},
      {"other user's", "%OTHER%"}, {"empty", ""}};
  bool macros = false;
  for (const auto& t : tricks) {
    QTest::newRow(qPrintable(t.first)) << macros << QJsonObject{{"filePath", t.second}, {"configContent", ""}, {"configType", macros ? "" : "zr540"}} << 30005;
    macros = !macros;
  }
  QTest::newRow("no filePath") << false << QJsonObject{{"configContent", ""}, {"configType", "zr540"}} << 10002;
  QTest::newRow("macros no filePath") << true << QJsonObject{{"configContent", ""}} << 10002;
  QTest::newRow("filePath a number") << true << QJsonObject{{"filePath", 12}} << 10010;
  QTest::newRow("no configType") << false << QJsonObject{{"filePath", "%OWN%"}, {"configContent", ""}} << 10002;
  QTest::newRow("empty configType") << false << QJsonObject{{"filePath", "%OWN%"}, {"configType", ""}} << 30007;
  QTest::newRow("configType a path") << false << QJsonObject{{"filePath", "%OWN%"}, {"configType", "../../x"}} << 30007;
  QTest::newRow("configType a number") << false << QJsonObject{{"filePath", "%OWN%"}, {"configType", 540}} << 10010;
  QTest::newRow("configContent an object") << true << QJsonObject{{"filePath", "%OWN%"}, {"configContent", QJsonObject()}} << 10010;
}

void TestAccountServerCloud::saveRefused() {
  QFETCH(bool, macros);
  QFETCH(QJsonObject, body);
  QFETCH(int, code);
  static const QString token = api_->newUser("saver@x.cn");
  static const QString other = api_->newUser("saver-other@x.cn");
  static const QString own = api_->upload(token, randomArchive(40)).dataString("filePath");
  static const QString others = api_->upload(other, randomArchive(40)).dataString("filePath");
  QVERIFY(!own.isEmpty() && !others.isEmpty());
  if (body.value("filePath").isString()) {
    body["filePath"] = body.value("filePath").toString().replace("%OWN_UPPER%", own.toUpper()).replace("%OWN%", own).replace("%OTHER%", others);
  }
  QCOMPARE(api_->postJson(macros ? "/v1/driver/macro/config/save" : "/v1/driver/config2/save", body, token).code, code);
  // no record was made for either user
  QCOMPARE(api_->address(token, false).code, 30006);
  QCOMPARE(api_->address(token, true).code, 30006);
  QCOMPARE(api_->address(other, true).code, 30006);
}

void TestAccountServerCloud::usersKeptApart() {
  const QString alice = api_->newUser("alice@x.cn");
  const QString bob = api_->newUser("bob@x.cn");
  QVERIFY(!alice.isEmpty() && !bob.isEmpty());
  const QByteArray aliceProfiles = randomArchive(500), aliceMacros = randomArchive(600);
  const QString aliceName = api_->uploadAndSave(alice, aliceProfiles, false);
  QVERIFY(!aliceName.isEmpty());
  QVERIFY(!api_->uploadAndSave(alice, aliceMacros, true).isEmpty());

  // bob sees nothing of alice's, and cannot record her archive as his
  QCOMPARE(api_->address(bob, false).code, 30006);
  QCOMPARE(api_->address(bob, true).code, 30006);
  QCOMPARE(api_->save(bob, aliceName, false).code, 30005);

  const QByteArray bobProfiles = randomArchive(500);
  QVERIFY(!api_->uploadAndSave(bob, bobProfiles, false).isEmpty());
  QCOMPARE(api_->download(bob, false), bobProfiles);
  QCOMPARE(api_->download(alice, false), aliceProfiles);
  QCOMPARE(api_->download(alice, true), aliceMacros);
  QCOMPARE(api_->address(bob, true).code, 30006);
  QVERIFY(!api_->login("alice@x.cn", "secret-one").isEmpty());
}

void TestAccountServerCloud::downloadPathTricks_data() {
  QTest::addColumn<QString>("path");
  QTest::newRow("parent") << "/v1/file/download/../accounts.sqlite3";
  QTest::newRow("encoded parent") << "/v1/file/download/%2e%2e%2faccounts.sqlite3";
  QTest::newRow("encoded slash") << "/v1/file/download/..%2F..%2Faccounts.sqlite3";
  QTest::newRow("database by name") << "/v1/file/download/accounts.sqlite3";
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
  const QString token = api_->newUser("prune@x.cn");
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
  for (int i = 0; i < 10; ++i) QCOMPARE(api_->get("/v1/file/download/" + loose[i]).status, i < 2 ? 404 : 200);
  QVERIFY(!archiveFiles().contains(loose[0]));
  QVERIFY(archiveFiles().contains(loose[9]));
}

void TestAccountServerCloud::versions_data() {
  QTest::addColumn<QJsonObject>("body");
  QTest::addColumn<int>("code");
  QTest::addColumn<QString>("version");
  QTest::addColumn<QString>("url");  // "%BASE%" stands for the server's address, where the firmware is
  QTest::newRow("software") << QJsonObject{{"versionType", "zr540-software"}} << 0 << "1.0.2.7" << "https://example.invalid/zr540/setup.exe";
  QTest::newRow("firmware") << QJsonObject{{"versionType", "zr540-firmware"}} << 0 << "7" << "%BASE%/v1/driver/firmware/download";
  QTest::newRow("other model") << QJsonObject{{"versionType", "zr541-firmware"}} << 40001 << "" << "";
  QTest::newRow("letter case") << QJsonObject{{"versionType", "ZR540-software"}} << 40001 << "" << "";
  QTest::newRow("missing") << QJsonObject{} << 10002 << "" << "";
  QTest::newRow("a number") << QJsonObject{{"versionType", 540}} << 10010 << "" << "";
}

void TestAccountServerCloud::versions() {
  QFETCH(QJsonObject, body);
  QFETCH(int, code);
  QFETCH(QString, version);
  QFETCH(QString, url);
  const bool firmware = url.startsWith("%BASE%");
  url.replace("%BASE%", server_->baseUrl());
  // asked before anybody logged in: the client sends "NULL"
  const ApiReply r = api_->postJson("/v1/driver/version", body, "NULL");
  QCOMPARE(r.code, code);
  QCOMPARE(r.dataString("version"), version);
  QCOMPARE(r.dataString("downloadUrl"), url);
  if (firmware) {
    const ApiReply file = api_->get(url);
    QCOMPARE(file.status, 200);
    QCOMPARE(file.body, firmware_);
  }
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
  QVERIFY(api_->downloadAddress(token, false).startsWith(server_->baseUrl()));
  QCOMPARE(api_->download(token, false), profiles);
  QCOMPARE(api_->download(token, true), macros);
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
