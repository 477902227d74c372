// Cloud storage on the real server: uploads, save records, download addresses and downloads,
// users kept apart, refused uploads and names, size and storage limits, what the log may hold,
// versions and a restart.
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "apiclient.h"
#include "serverprocess.h"
#include "testhelpers.h"

class TestAccountServerCloud : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    firmware_ = randomArchive(3000);
    QFile fw(dir_.filePath("firmware.mtp"));
    QVERIFY(fw.open(QIODevice::WriteOnly) && fw.write(firmware_) == firmware_.size());
    fw.close();
    server_.reset(new ServerProcess(dir_.filePath("data")));
    QVERIFY2(server_->start({"--software-version", "1.0.2.7", "--software-url", "https://example.invalid/setup.exe",
                             "--firmware-version", "7", "--firmware-file", fw.fileName()}),
             server_->output().constData());
    api_.reset(new ApiClient(server_->port()));
  }

  void cleanupTestCase() {
    QCOMPARE(server_->stop(), 0);
    // A stored name is its own download permission: the log never holds one (32 hex digits).
    const QRegularExpressionMatch name = QRegularExpression("[0-9a-fA-F]{32}").match(QString::fromUtf8(server_->output()));
    QVERIFY2(!name.hasMatch(), qPrintable(name.captured(0)));
  }

  void uploadAndDownload_data() {
    QTest::addColumn<bool>("macros");
    QTest::addColumn<int>("size");
    QTest::newRow("profiles, 1 MiB") << false << (1 << 20);
    QTest::newRow("macros, smallest") << true << 22;
  }

  void uploadAndDownload() {
    QFETCH(bool, macros);
    const QString token = api_->newUser(QString("up-%1@x.cn").arg(macros));
    const QByteArray first = randomArchive(fetched<int>("size"));
    const int mark = server_->output().size();
    const ApiReply up = api_->upload(token, first, macros ? "MacroFiles.zip" : "LocalFile.zip");
    const QString name = up.dataString("filePath");
    QVERIFY2(QRegularExpression("^[0-9a-f]{32}\\.zip$").match(name).hasMatch(), up.describe().constData());
    QCOMPARE(api_->save(token, name, macros).code, 0);
    const QString url = api_->address(token, macros).dataString("filePath");
    QCOMPARE(url, server_->baseUrl() + "/v1/file/download/" + name);
    const ApiReply got = api_->get(url);
    QCOMPARE(got.body, first);
    QCOMPARE(got.contentType, std::string("application/zip"));
    // the log names the archive by one fingerprint, in the upload's line and in the download's
    const QString stored = QRegularExpression(" as (#[0-9a-f]{8}) ").match(QString::fromUtf8(server_->output().mid(mark))).captured(1);
    QVERIFY(!stored.isEmpty());
    QTRY_VERIFY(server_->output().mid(mark).contains("GET /v1/file/download/" + stored.toUtf8() + " -> 200"));
    QCOMPARE(api_->address(token, !macros).code, 30006);
    // a second upload replaces the first one for the download address, and frees it
    const QByteArray second = randomArchive(fetched<int>("size"));
    QVERIFY(!api_->uploadAndSave(token, second, macros).isEmpty());
    QCOMPARE(api_->download(token, macros), second);
    QCOMPARE(api_->get(url).status, 404);
    QVERIFY(!archiveFiles().contains(name));
  }

  void uploadRefused_data() {
    QTest::addColumn<QByteArray>("partHeaders");  // "%TOKEN%" is replaced by a valid token
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("code");
    const QByteArray zip = randomArchive(64), auth = "Authorization: %TOKEN%\r\n";
    auto disp = [](const QByteArray& name, const QByteArray& file) {
      return "Content-Disposition: form-data; name=\"" + name + "\"; filename=\"" + file + "\"\r\n";
    };
    const QByteArray local = disp("file", "LocalFile.zip");
    QTest::newRow("no token") << local << zip << 11001;
    QTest::newRow("no file part") << disp("other", "LocalFile.zip") + auth << zip << 30001;
    QTest::newRow("two file parts") << local + auth << zip << 10001;
    QTest::newRow("not closed") << local + auth << zip << 10001;
    QTest::newRow("parent folder") << disp("file", "../../accounts.sqlite3") + auth << zip << 30003;
    QTest::newRow("backslash") << disp("file", "..\\\\x.zip") + auth << zip << 30003;
    QTest::newRow("empty name") << disp("file", "") + auth << zip << 30003;
    QTest::newRow("broken utf-8 name") << disp("file", "Local\xff\xfe\xc0\xaf.zip") + auth << zip << 30003;
    QTest::newRow("not a zip") << local + auth << QByteArray("hello, this is not an archive") << 30004;
    QTest::newRow("just over 16 MiB") << local + auth << randomArchive(16 * 1024 * 1024 + 1) << 30002;
  }

  void uploadRefused() {
    static const QString token = api_->newUser("refused@x.cn");
    const QStringList before = archiveFiles();
    std::vector<PartSpec> parts{{fetched<QByteArray>("partHeaders").replace("%TOKEN%", token.toUtf8()), fetched<QByteArray>("content")}};
    if (QByteArray(QTest::currentDataTag()).startsWith("two")) parts.push_back(parts.front());
    const ApiReply r = api_->uploadParts(parts, !QByteArray(QTest::currentDataTag()).startsWith("not closed"));
    QVERIFY2(r.status == 200 && r.code == fetched<int>("code"), r.describe().constData());
    QCOMPARE(archiveFiles(), before);  // nothing stored
  }

  void sizeLimits() {
    const QString token = api_->newUser("large@x.cn");
    const QByteArray largest = randomArchive(16 * 1024 * 1024);
    QVERIFY(!api_->uploadAndSave(token, largest, false).isEmpty());
    QCOMPARE(api_->download(token, false), largest);
    const QStringList before = archiveFiles();
    QCOMPARE(api_->upload(token, randomArchive(20 * 1024 * 1024)).code, 30002);
    // not multipart at all: too large, or refused as it is
    QCOMPARE(api_->postRaw("/v1/file/upload", QByteArray(17 * 1024 * 1024, 'x'), "application/zip", token).code, 30002);
    QCOMPARE(api_->postRaw("/v1/file/upload", randomArchive(100), "application/zip", token).code, 10001);
    QCOMPARE(archiveFiles(), before);
  }

  void storageLimits() {
    QTemporaryDir dir;
    ServerProcess server(dir.filePath("data"));
    QVERIFY2(server.start({"--user-storage", "10000", "--config-types", "3", "--max-storage", "21000"}), server.output().constData());
    ApiClient api(server.port());
    const QString token = api.newUser("quota@x.cn");
    auto saveAs = [&](const QString& name, const char* configType) {
      return api.postJson("/v1/driver/config2/save", {{"filePath", name}, {"configContent", ""}, {"configType", configType}}, token).code;
    };
    const QString first = api.uploadAndSave(token, randomArchive(4000), false);
    QVERIFY(!first.isEmpty() && !api.uploadAndSave(token, randomArchive(3000), true).isEmpty());
    // a third configuration type fits, a fourth does not
    QCOMPARE(saveAs(api.upload(token, randomArchive(1000)).dataString("filePath"), "zr541"), 0);
    const QString loose = api.upload(token, randomArchive(1000)).dataString("filePath");
    QCOMPARE(saveAs(loose, "zr542"), 30010);
    // beside 8000 recorded bytes 2001 more do not fit; 2000 do, and the loose upload makes room
    QCOMPARE(api.upload(token, randomArchive(2001)).code, 30009);
    const QByteArray second = randomArchive(2000);
    const QString secondName = api.upload(token, second).dataString("filePath");
    QCOMPARE(api.get("/v1/file/download/" + loose).status, 404);
    // replacing a record frees the archive it named
    QCOMPARE(saveAs(secondName, "zr540"), 0);
    QCOMPARE(api.download(token, false), second);
    QCOMPARE(api.get("/v1/file/download/" + first).status, 404);
    // 6000 bytes are kept; 15000 more of other users fill the server exactly, and past that no
    // upload is stored, whoever sends it
    const QString other = api.newUser("quota-2@x.cn"), third = api.newUser("quota-3@x.cn");
    QVERIFY(!api.uploadAndSave(other, randomArchive(9000), false).isEmpty());
    QCOMPARE(api.upload(third, randomArchive(6001)).code, 30011);
    QCOMPARE(api.upload(third, randomArchive(6000)).code, 0);
    QCOMPARE(api.upload(token, randomArchive(1000)).code, 30011);
    QCOMPARE(QDir(dir.filePath("data/archives")).entryList(QDir::Files | QDir::Hidden).size(), 5);
    QCOMPARE(server.stop(), 0);
  }

  void saveRefused_data() {
    QTest::addColumn<bool>("macros");
    QTest::addColumn<QJsonObject>("body");  // "%OWN%" / "%OWN_UPPER%" / "%OTHER%" stand for stored names
    QTest::addColumn<int>("code");
    const QString unknown = "0123456789abcdef0123456789abcdef.zip";
    QTest::newRow("database") << false << QJsonObject{{"filePath", "../accounts.sqlite3"}, {"configType", "zr540"}} << 30005;
    QTest::newRow("url") << true << QJsonObject{{"filePath", "http://127.0.0.1/v1/file/download/" + unknown}} << 30005;
    QTest::newRow("upper case") << false << QJsonObject{{"filePath", "%OWN_UPPER%"}, {"configType", "zr540"}} << 30005;
    QTest::newRow("unknown") << true << QJsonObject{{"filePath", unknown}} << 30005;
    QTest::newRow("other user's") << false << QJsonObject{{"filePath", "%OTHER%"}, {"configType", "zr540"}} << 30005;
    QTest::newRow("no filePath") << true << QJsonObject{{"configContent", ""}} << 10002;
    QTest::newRow("filePath a number") << true << QJsonObject{{"filePath", 12}} << 10010;
    QTest::newRow("no configType") << false << QJsonObject{{"filePath", "%OWN%"}, {"configContent", ""}} << 10002;
    QTest::newRow("configType a path") << false << QJsonObject{{"filePath", "%OWN%"}, {"configType", "../../x"}} << 30007;
    QTest::newRow("configContent an object") << true << QJsonObject{{"filePath", "%OWN%"}, {"configContent", QJsonObject()}} << 10010;
  }

  void saveRefused() {
    QFETCH(QJsonObject, body);
    static const QString token = api_->newUser("saver@x.cn"), other = api_->newUser("saver-other@x.cn");
    static const QString own = api_->upload(token, randomArchive(40)).dataString("filePath");
    static const QString others = api_->upload(other, randomArchive(40)).dataString("filePath");
    if (body.value("filePath").isString())
      body["filePath"] = body.value("filePath").toString().replace("%OWN_UPPER%", own.toUpper()).replace("%OWN%", own).replace("%OTHER%", others);
    QCOMPARE(api_->postJson(fetched<bool>("macros") ? "/v1/driver/macro/config/save" : "/v1/driver/config2/save", body, token).code,
             fetched<int>("code"));
    for (const auto& user : {std::make_pair(token, false), {token, true}, {other, false}})
      QCOMPARE(api_->address(user.first, user.second).code, 30006);  // no record was made
  }

  void usersKeptApart() {
    const QString alice = api_->newUser("alice@x.cn"), bob = api_->newUser("bob@x.cn");
    const QByteArray aliceProfiles = randomArchive(500), aliceMacros = randomArchive(600), bobProfiles = randomArchive(500);
    const QString aliceName = api_->uploadAndSave(alice, aliceProfiles, false);
    QVERIFY(!aliceName.isEmpty() && !api_->uploadAndSave(alice, aliceMacros, true).isEmpty());
    QCOMPARE(api_->address(bob, false).code, 30006);
    QCOMPARE(api_->save(bob, aliceName, false).code, 30005);
    QVERIFY(!api_->uploadAndSave(bob, bobProfiles, false).isEmpty());
    QCOMPARE(api_->download(bob, false), bobProfiles);
    QCOMPARE(api_->download(alice, false), aliceProfiles);
    QCOMPARE(api_->download(alice, true), aliceMacros);
    QCOMPARE(api_->address(bob, true).code, 30006);
  }

  void downloadPathTricks_data() {
    QTest::addColumn<QString>("path");  // "%NAME%" stands for a stored name, "%BASE%" for the server
    QTest::newRow("parent") << "/v1/file/download/../accounts.sqlite3";
    QTest::newRow("encoded slash") << "/v1/file/download/..%2F..%2Faccounts.sqlite3";
    QTest::newRow("database by name") << "/v1/file/download/accounts.sqlite3";
    QTest::newRow("temporary file") << "/v1/file/download/.incoming-0123456789abcdef0123456789abcdef";
    QTest::newRow("unknown endpoint") << "/v1/file/list";
    QTest::newRow("double slash") << "//v1/file/download/%NAME%";
    QTest::newRow("dot segment") << "/v1/file/./download/%NAME%";
    QTest::newRow("absolute form") << "%BASE%/v1/file/download/%NAME%";
  }

  void downloadPathTricks() {
    static const QString name = api_->upload(api_->newUser("paths@x.cn"), randomArchive(40)).dataString("filePath");
    const QString path = fetched<QString>("path").replace("%NAME%", name).replace("%BASE%", server_->baseUrl());
    const int mark = server_->output().size();
    const ApiReply r = api_->postRaw(path.toStdString(), {}, {});  // the target as it stands
    QVERIFY2(r.isJson && (r.status == 404 || r.status == 400) && !r.body.startsWith("SQLite format"), r.describe().constData());
    QTRY_VERIFY(server_->output().mid(mark).contains(" GET "));
    QVERIFY(!server_->output().mid(mark).contains(name.left(32).toUtf8()));  // the name only as a fingerprint
  }

  void looseUploadsPruned() {
    const QString token = api_->newUser("prune@x.cn");
    const QByteArray saved = randomArchive(30);
    const QString savedName = api_->uploadAndSave(token, saved, true);
    QStringList loose;
    for (int i = 0; i < 10; ++i) loose << api_->upload(token, randomArchive(30)).dataString("filePath");
    // the recorded archive and the newest eight loose ones stay, the two oldest loose ones go
    QCOMPARE(api_->get("/v1/file/download/" + savedName).body, saved);
    for (int i = 0; i < 10; ++i) QCOMPARE(api_->get("/v1/file/download/" + loose[i]).status, i < 2 ? 404 : 200);
    QVERIFY(!archiveFiles().contains(loose[0]));
  }

  void versions_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("url");  // "%BASE%" stands for the server's address, where the firmware is
    QTest::newRow("software") << "zr540-software" << 0 << "1.0.2.7" << "https://example.invalid/setup.exe";
    QTest::newRow("firmware") << "zr540-firmware" << 0 << "7" << "%BASE%/v1/driver/firmware/download";
    QTest::newRow("letter case") << "ZR540-software" << 40001 << "" << "";
  }

  void versions() {
    const QString url = fetched<QString>("url").replace("%BASE%", server_->baseUrl());
    const ApiReply r = api_->postJson("/v1/driver/version", {{"versionType", fetched<QString>("type")}}, "NULL");
    QCOMPARE(r.code, fetched<int>("code"));
    QCOMPARE(r.dataString("version"), fetched<QString>("version"));
    QCOMPARE(r.dataString("downloadUrl"), url);
    if (url.startsWith(server_->baseUrl())) QCOMPARE(api_->get(url).body, firmware_);
  }

  void restartKeepsEverything() {
    const QString token = api_->newUser("restart@x.cn");
    const QByteArray profiles = randomArchive(4000), macros = randomArchive(5000);
    QVERIFY(!api_->uploadAndSave(token, profiles, false).isEmpty() && !api_->uploadAndSave(token, macros, true).isEmpty());
    QCOMPARE(server_->stop(), 0);
    QVERIFY2(server_->start(), server_->output().constData());
    api_.reset(new ApiClient(server_->port()));
    // the old token still works, the archives come back byte for byte from the new address
    QVERIFY(api_->address(token, false).dataString("filePath").startsWith(server_->baseUrl()));
    QCOMPARE(api_->download(token, false), profiles);
    QCOMPARE(api_->download(token, true), macros);
    QVERIFY(!api_->registerUser("restart@x.cn"));
    QVERIFY(!api_->login("alice@x.cn").isEmpty());  // users of the earlier tests are there too
  }

 private:
  QStringList archiveFiles() const { return QDir(dir_.filePath("data/archives")).entryList(QDir::Files | QDir::Hidden); }

  QTemporaryDir dir_;
  QByteArray firmware_;
  std::unique_ptr<ServerProcess> server_;
  std::unique_ptr<ApiClient> api_;
};

QTEST_GUILESS_MAIN(TestAccountServerCloud)
#include "tst_accountserver_cloud.moc"
