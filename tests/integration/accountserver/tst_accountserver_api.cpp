// The real server over HTTP: accounts, tokens and cloud storage, refused requests of every kind,
// the limits, what the log may hold, versions and a clean stop.
#include <QtTest>

#include "apiclient.h"
#include "testhelpers.h"

namespace {

// Requests refused, one kind of fault each. %T%: a live token of ref@x.cn; %OWN%: a name it stored
// (%UPPER%: in upper case); %OTHER%: one another user stored; %BIG%, %DEEP%: bodies too long here.
struct Refusal {
  const char *tag, *path, *body, *token;
  int code;
};
const char* const kSave = "/v1/driver/config2/save";
const char* const kMacroSave = "/v1/driver/macro/config/save";
const char* const kUpload = "/v1/file/upload";
// A part of a multipart body (%ZIP% stands for a small archive, %HUGE% for one just over 16 MiB).
#define PART(name, file, headers) "--zr540-test-boundary\r\nContent-Disposition: form-data; name=\"" name "\"; filename=\"" file "\"\r\n" headers "\r\n"
#define AUTH "Authorization: %T%\r\n"
#define END "\r\n--zr540-test-boundary--\r\n"
const Refusal kRefusals[] = {
    {"register: no nickname", "/v1/user/register", R"({"email":"r1@x.cn","password":"secret-one","rePassword":"secret-one"})", "", 10002},
    {"register: repetition differs", "/v1/user/register", R"({"nickname":"n","email":"r1@x.cn","password":"secret-one","rePassword":"secret-two"})", "", 10006},
    {"register: email with path", "/v1/user/register", R"({"nickname":"n","email":"../r1@x.cn/","password":"secret-one","rePassword":"secret-one"})", "", 10007},
    {"register: nickname of 33", "/v1/user/register", R"({"nickname":"中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中","email":"r1@x.cn","password":"secret-one","rePassword":"secret-one"})", "", 10009},
    {"register: nickname with newline", "/v1/user/register", R"({"nickname":"a\nb","email":"r1@x.cn","password":"secret-one","rePassword":"secret-one"})", "", 10009},
    {"register: password of 5", "/v1/user/register", R"({"nickname":"n","email":"r1@x.cn","password":"abcde","rePassword":"abcde"})", "", 10008},
    {"register: password of 65", "/v1/user/register", R"({"nickname":"n","email":"r1@x.cn","password":"ppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppp","rePassword":"ppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppppp"})", "", 10008},
    {"register: body over 64 KiB", "/v1/user/register", "%BIG%", "", 50002},
    {"logout: body over 64 KiB", "/v1/user/logout", "%BIG%", "%T%", 50002},
    {"login: unknown account", "/v1/user/login", R"({"email":"nobody@x.cn","password":"secret-one"})", "", 10004},
    {"login: password case", "/v1/user/login", R"({"email":"ref@x.cn","password":"SECRET-ONE"})", "", 10003},
    {"login: password a number", "/v1/user/login", R"({"email":"ref@x.cn","password":123456})", "", 10010},
    {"not JSON", "/v1/user/register", "email=a@b.cn&password=x", "", 10001},
    {"an array", "/v1/user/findPassword", R"(["email","a@b.cn"])", "", 10001},
    {"deep nesting", kMacroSave, "%DEEP%", "%T%", 10001},
    {"token: no header", "/v1/user/updatePassword", R"({"email":"ref@x.cn","password":"secret-one","rePassword":"secret-new"})", "", 11001},
    {"token: NULL", kSave, R"({"filePath":"%OWN%","configType":"zr540"})", "NULL", 11001},
    {"token: upper case", "/v1/driver/config2/get", R"({"configType":"zr540"})", "%UPPER%", 11001},
    {"token: real plus one", "/v1/user/logout", "{}", "%T%0", 11001},
    {"save: the database", kSave, R"({"filePath":"../accounts.sqlite3","configType":"zr540"})", "%T%", 30005},
    {"save: upper case", kSave, R"({"filePath":"%UPPER%","configType":"zr540"})", "%T%", 30005},
    {"save: another user's", kSave, R"({"filePath":"%OTHER%","configType":"zr540"})", "%T%", 30005},
    {"save: no filePath", kMacroSave, R"({"configContent":""})", "%T%", 10002},
    {"save: no configType", kSave, R"({"filePath":"%OWN%","configContent":""})", "%T%", 10002},
    {"save: configType a path", kSave, R"({"filePath":"%OWN%","configType":"../../x"})", "%T%", 30007},
    {"upload: no token", kUpload, PART("file", "LocalFile.zip", "") "%ZIP%" END, "", 11001},
    {"upload: no file part", kUpload, PART("other", "LocalFile.zip", AUTH) "%ZIP%" END, "", 30001},
    {"upload: two file parts", kUpload, PART("file", "LocalFile.zip", AUTH) "%ZIP%\r\n" PART("file", "LocalFile.zip", AUTH) "%ZIP%" END, "", 10001},
    {"upload: not closed", kUpload, PART("file", "LocalFile.zip", AUTH) "%ZIP%\r\n", "", 10001},
    {"upload: parent folder", kUpload, PART("file", "../../accounts.sqlite3", AUTH) "%ZIP%" END, "", 30003},
    {"upload: backslash", kUpload, PART("file", "..\\\\x.zip", AUTH) "%ZIP%" END, "", 30003},
    {"upload: broken UTF-8 name", kUpload, PART("file", "Local\xff\xfe\xc0\xaf.zip", AUTH) "%ZIP%" END, "", 30003},
    {"upload: not a zip", kUpload, PART("file", "LocalFile.zip", AUTH) "hello, this is not an archive" END, "", 30004},
    {"upload: just over 16 MiB", kUpload, PART("file", "LocalFile.zip", AUTH) "%HUGE%" END, "", 30002},
    {"upload: not multipart", kUpload, "%ZIP%", "%T%", 10001},
};

// Asks for a password code for `email` as given: the code the server logs, empty when refused.
QString requestCode(ServerProcess& server, ApiClient& api, const QString& email) {
  const int mark = server.output().size();
  const bool sent = api.postJson("/v1/user/findPassword", {{"email", email}}).code == 0;
  return sent ? server.waitForCode(email.toLower(), mark) : QString();
}

}  // namespace

class TestAccountServerApi : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(server_.start({"--software-version", "1.0.2.7", "--software-url", "https://example.invalid/setup.exe"}));
    api_.reset(new ApiClient(server_.port()));
  }

  void cleanupTestCase() {
    QCOMPARE(server_.stop(), 0);
    const QByteArray log = server_.output();
    QVERIFY(!log.contains("secret-one") && !log.contains("Str0ng-new"));  // no password reaches the log
    // A stored name is its own download permission: the log never holds one (32 hex digits).
    const QRegularExpressionMatch name = QRegularExpression("[0-9a-fA-F]{32}").match(QString::fromUtf8(log));
    QVERIFY2(!name.hasMatch(), qPrintable(name.captured(0)));
  }

  void refused_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kRefusals)); ++i) QTest::newRow(kRefusals[i].tag) << i;
  }

  void refused() {
    const Refusal& row = kRefusals[fetched<int>("row")];
    static const QString token = api_->newUser("ref@x.cn"), other = api_->newUser("ref-other@x.cn");
    static const QString own = api_->upload(token, randomArchive(40)).dataString("filePath");
    static const QString others = api_->upload(other, randomArchive(40)).dataString("filePath");
    const QStringList before = archiveFiles();
    QByteArray body = QByteArray(row.body).replace("%OWN%", own.toUtf8()).replace("%UPPER%", own.toUpper().toUtf8()).replace("%OTHER%", others.toUtf8());
    body.replace("%T%", token.toUtf8()).replace("%ZIP%", randomArchive(64));
    if (body.contains("%HUGE%")) body.replace("%HUGE%", randomArchive(16 * 1024 * 1024 + 1));
    if (body == "%BIG%") body = "{\"email\":\"r1@x.cn\",\"password\":\"secret-one\",\"rePassword\":\"secret-one\",\"nickname\":\"" + QByteArray(70 * 1024, 'n') + "\"}";
    if (body == "%DEEP%") body = QByteArray(5000, '[');
    const std::string type = body.startsWith("--") ? "multipart/form-data; boundary=\"zr540-test-boundary\"" : "application/json";
    const ApiReply r = api_->postRaw(row.path, body, type, QString(row.token).replace("%UPPER%", token.toUpper()).replace("%T%", token));
    QVERIFY2(r.status == 200 && r.code == row.code && r.authorization.isEmpty(), r.describe().constData());
    // Nothing changed: no account was made, no password changed, no record saved, no token ended.
    QCOMPARE(api_->postJson("/v1/user/login", {{"email", "r1@x.cn"}, {"password", "secret-one"}}).code, 10004);
    QCOMPARE(api_->postJson("/v1/user/logout", {}, api_->login("ref@x.cn")).code, 0);  // a token kept would push the oldest out
    for (const QString& user : {token, other})
      for (bool macros : {false, true}) QCOMPARE(api_->address(user, macros).code, 30006);
    QCOMPARE(archiveFiles(), before);
  }

  void registerLoginLogout() {
    const ApiReply reg = api_->postJson("/v1/user/register", {{"nickname", "张三 Zhang"}, {"email", "zhang@x.cn"},
                                                              {"password", "secret-one"}, {"rePassword", "secret-one"}});
    QVERIFY(reg.code == 0 && reg.authorization.isEmpty());  // registering does not log in
    QVERIFY(!api_->registerUser("ZHANG@x.cn", "other-one"));  // letter case makes no other account
    const ApiReply login = api_->postJson("/v1/user/login", {{"email", "zhang@x.cn"}, {"password", "secret-one"}});
    const QString second = api_->login("Zhang@X.cn");
    QVERIFY(!second.isEmpty() && second != login.authorization);
    // a log-out ends its own token, and only that
    QCOMPARE(api_->postJson("/v1/user/logout", {}, login.authorization).code, 0);
    QCOMPARE(api_->address(login.authorization, true).code, 11001);
    QCOMPARE(api_->address(second, true).code, 30006);
  }

  void updatePassword() {
    QVERIFY(api_->registerUser("pw@x.cn") && api_->registerUser("pw-other@x.cn"));
    const QString token = api_->login("pw@x.cn"), elsewhere = api_->login("pw@x.cn");
    auto change = [&](const char* email, const char* old, const char* now) { return api_->postJson("/v1/user/updatePassword", {{"email", email}, {"password", old}, {"rePassword", now}}, token).code; };
    QCOMPARE(change("pw@x.cn", "secret-bad", "Str0ng-new"), 10003);
    QCOMPARE(change("pw-other@x.cn", "secret-one", "Str0ng-new"), 11002);
    QCOMPARE(change("pw@x.cn", "secret-one", "short"), 10008);
    QCOMPARE(change("PW@x.cn", "secret-one", "Str0ng-new"), 0);
    QVERIFY(api_->login("pw@x.cn").isEmpty() && !api_->login("pw@x.cn", "Str0ng-new").isEmpty());
    // the computer that changed it stays logged in, the other one is logged out
    QCOMPARE(api_->address(token, true).code, 30006);
    QCOMPARE(api_->address(elsewhere, true).code, 11001);
    QVERIFY(!api_->login("pw-other@x.cn").isEmpty());
  }

  void passwordRecovery() {
    const QString oldToken = api_->newUser("lost@x.cn");
    auto post = [&](const char* path, const QString& captcha, const char* password = "") { return api_->postJson(path, {{"email", "lost@x.cn"}, {"captcha", captcha}, {"password", password}}).code; };
    QCOMPARE(api_->postJson("/v1/user/findPassword", {{"email", "nobody@x.cn"}}).code, 10004);
    QCOMPARE(post("/v1/user/validatePassword", "123456"), 20002);
    const QString first = requestCode(server_, *api_, "lost@x.cn");
    const QString code = requestCode(server_, *api_, "LOST@x.cn");  // replaces the first
    const QString wrong = code == "000000" ? "000001" : "000000";
    QVERIFY(!first.isEmpty() && !code.isEmpty());
    if (code != first) QCOMPARE(post("/v1/user/validatePassword", first), 20001);
    QCOMPARE(post("/v1/user/validatePassword", code), 0);  // not used up: the code works below
    QCOMPARE(post("/v1/user/newPassword", code, "abc"), 10008);  // a refused password leaves the code usable
    QCOMPARE(post("/v1/user/newPassword", wrong, "Str0ng-new"), 20001);
    QCOMPARE(post("/v1/user/newPassword", code, "Str0ng-new"), 0);
    QVERIFY(!api_->login("lost@x.cn", "Str0ng-new").isEmpty() && api_->login("lost@x.cn").isEmpty());
    // the code works once, and the old sessions are over
    QCOMPARE(post("/v1/user/newPassword", code, "another-1"), 20002);
    QCOMPARE(api_->address(oldToken, true).code, 11001);
    // the fifth wrong try voids a code, and the right one no longer helps
    const QString last = requestCode(server_, *api_, "lost@x.cn"), miss = last == "999999" ? "999998" : "999999";
    QVERIFY(!last.isEmpty());
    for (int expected : {20001, 20001, 20001, 20001, 20003}) QCOMPARE(post("/v1/user/validatePassword", miss), expected);
    QCOMPARE(post("/v1/user/newPassword", last, "Str0ng-two"), 20002);
  }

  void limits() {
    // Small counts in a long window: what goes over a limit stays refused for the rest of the test.
    QTemporaryDir dir;
    ServerProcess server(dir.filePath("data"));
    QVERIFY(server.start({"--code-requests", "2/3600", "--code-failures", "3/3600", "--login-failures", "3/3600",
                          "--address-failures", "8/3600", "--registrations", "2/3600", "--tokens-per-account", "2"}));
    ApiClient api(server.port()), elsewhere(server.port(), "127.0.0.2");
    // Two accounts from an address; one more is refused, also after one that made none.
    QVERIFY(api.registerUser("limit@x.cn") && !api.registerUser("limit@x.cn") && api.registerUser("limit2@x.cn"));
    QCOMPARE(api.postJson("/v1/user/register", {{"nickname", "n"}, {"email", "limit3@x.cn"}, {"password", "secret-one"}, {"rePassword", "secret-one"}}).code, 10012);
    QVERIFY2(elsewhere.registerUser("limit3@x.cn"), "another address registers");
    // Of three logins the oldest token is revoked.
    const QString tokens[] = {api.login("limit3@x.cn"), api.login("limit3@x.cn"), api.login("limit3@x.cn")};
    for (int i = 0; i < 3; ++i) QCOMPARE(api.address(tokens[i], true).code, i == 0 ? 11001 : 30006);

    // Wrong codes count for the account whatever code they were meant for: a new code does not
    // start the count again, and past it even the right code is refused.
    auto validate = [&](const QString& captcha) { return api.postJson("/v1/user/validatePassword", {{"email", "limit@x.cn"}, {"captcha", captcha}}).code; };
    QCOMPARE(api.postJson("/v1/user/findPassword", {{"email", "limit@x.cn"}}).code, 0);
    QCOMPARE(validate("x00000"), 20001);
    QCOMPARE(validate("x00001"), 20001);
    const QString code = requestCode(server, api, "limit@x.cn");
    QVERIFY(!code.isEmpty());
    QCOMPARE(validate("x00002"), 20001);
    QCOMPARE(validate(code), 20006);
    const int mark = server.output().size();
    QCOMPARE(api.postJson("/v1/user/findPassword", {{"email", "limit@x.cn"}}).code, 20005);  // two codes were sent

    // Wrong passwords lock the account, against the right password too.
    auto login = [&](const char* email, const char* password) { return api.postJson("/v1/user/login", {{"email", email}, {"password", password}}).code; };
    for (int i = 0; i < 3; ++i) QCOMPARE(login("limit@x.cn", "wrong-one"), 10003);
    QCOMPARE(login("limit@x.cn", "secret-one"), 10011);
    // This address has guessed wrong 6 times of its 8: two more at another account, and that
    // account is refused to it as well, not to another address.
    for (int i = 0; i < 2; ++i) QCOMPARE(login("limit2@x.cn", "wrong-one"), 10003);
    QCOMPARE(login("limit2@x.cn", "secret-one"), 10011);
    QVERIFY(!elsewhere.login("limit2@x.cn").isEmpty());
    QCOMPARE(api.postJson("/v1/driver/version", {{"versionType", "zr540-firmware"}}).code, 40002);  // none given
    QVERIFY(!server.output().mid(mark).contains("verification code for"));
    QCOMPARE(server.stop(), 0);
  }

  void expiry() {
    QTemporaryDir dir;
    ServerProcess server(dir.filePath("data"));
    QVERIFY(server.start({"--code-ttl", "1", "--token-ttl", "1"}));
    ApiClient api(server.port());
    const QString token = api.newUser("ttl@x.cn");
    const QString code = requestCode(server, api, "ttl@x.cn");
    QVERIFY(!code.isEmpty());
    // Both end a second after they were given; the waits are guards only.
    QTRY_COMPARE_WITH_TIMEOUT(api.address(token, true).code, 11001, 30000);
    const QJsonObject validation{{"email", "ttl@x.cn"}, {"captcha", code}};
    QTRY_COMPARE_WITH_TIMEOUT(api.postJson("/v1/user/validatePassword", validation).code, 20002, 30000);
    QCOMPARE(server.stop(), 0);
  }

  void uploadAndDownloadAndSizes() {
    const QString token = api_->newUser("up@x.cn");
    const QByteArray archive = randomArchive(22);
    const ApiReply up = api_->upload(token, archive, "MacroFiles.zip");
    const QString name = up.dataString("filePath");
    QVERIFY2(QRegularExpression("^[0-9a-f]{32}\\.zip$").match(name).hasMatch(), up.describe().constData());
    QCOMPARE(api_->save(token, name, true).code, 0);
    const QString url = api_->address(token, true).dataString("filePath");
    QCOMPARE(url, server_.baseUrl() + "/v1/file/download/" + name);
    QCOMPARE(api_->get(url).body, archive);
    QCOMPARE(api_->address(token, false).code, 30006);
    // The recorded archive and the newest eight loose ones stay, the two oldest loose ones go.
    QStringList loose;
    for (int i = 0; i < 10; ++i) loose << api_->upload(token, randomArchive(30)).dataString("filePath");
    QCOMPARE(api_->get(url).body, archive);
    for (int i = 0; i < 10; ++i) QCOMPARE(api_->get("/v1/file/download/" + loose[i]).status, i < 2 ? 404 : 200);
    QVERIFY(!archiveFiles().contains(loose[0]));
    // The largest archive is stored; a larger one, or one not multipart at all, is not.
    const QByteArray largest = randomArchive(16 * 1024 * 1024);
    QVERIFY(!api_->uploadAndSave(token, largest, false).isEmpty());
    QCOMPARE(api_->download(token, false), largest);
    const QStringList before = archiveFiles();
    QCOMPARE(api_->upload(token, randomArchive(20 * 1024 * 1024)).code, 30002);
    QCOMPARE(api_->postRaw("/v1/file/upload", QByteArray(17 * 1024 * 1024, 'x'), "application/zip", token).code, 30002);
    QCOMPARE(archiveFiles(), before);
  }

  void storageLimits() {
    QTemporaryDir dir;
    ServerProcess server(dir.filePath("data"));
    QVERIFY(server.start({"--user-storage", "10000", "--config-types", "3", "--max-storage", "21000"}));
    ApiClient api(server.port());
    const QString token = api.newUser("quota@x.cn"), other = api.newUser("quota-2@x.cn"), third = api.newUser("quota-3@x.cn");
    auto saveAs = [&](const QString& name, const char* type) { return api.postJson("/v1/driver/config2/save", {{"filePath", name}, {"configType", type}}, token).code; };
    const QString first = api.uploadAndSave(token, randomArchive(4000), false);
    QVERIFY(!first.isEmpty() && !api.uploadAndSave(token, randomArchive(3000), true).isEmpty());
    // a third configuration type fits, a fourth does not
    QCOMPARE(saveAs(api.upload(token, randomArchive(1000)).dataString("filePath"), "zr541"), 0);
    const QString loose = api.upload(token, randomArchive(1000)).dataString("filePath");
    QCOMPARE(saveAs(loose, "zr542"), 30010);
    // beside 8000 recorded bytes 2001 more do not fit; 2000 do, and the loose upload makes room
    QCOMPARE(api.upload(token, randomArchive(2001)).code, 30009);
    const QByteArray second = randomArchive(2000);
    QCOMPARE(saveAs(api.upload(token, second).dataString("filePath"), "zr540"), 0);  // and frees the archive it replaces
    QCOMPARE(api.get("/v1/file/download/" + loose).status, 404);
    QCOMPARE(api.download(token, false), second);
    QCOMPARE(api.get("/v1/file/download/" + first).status, 404);
    // 6000 bytes are kept; 15000 more of other users fill the server exactly, and past that no
    // upload is stored, whoever sends it
    QVERIFY(!api.uploadAndSave(other, randomArchive(9000), false).isEmpty());
    QCOMPARE(api.upload(third, randomArchive(6001)).code, 30011);
    QCOMPARE(api.upload(third, randomArchive(6000)).code, 0);
    QCOMPARE(api.upload(token, randomArchive(1000)).code, 30011);
    QCOMPARE(QDir(dir.filePath("data/archives")).entryList(QDir::Files | QDir::Hidden).size(), 5);
    QCOMPARE(server.stop(), 0);
  }

  void downloadPathTricks_data() {
    QTest::addColumn<QString>("path");  // "%NAME%" stands for a stored name, "%BASE%" for the server
    QTest::newRow("encoded slash") << "/v1/file/download/..%2F..%2Faccounts.sqlite3";
    QTest::newRow("temporary file") << "/v1/file/download/.incoming-0123456789abcdef0123456789abcdef";
    QTest::newRow("double slash") << "//v1/file/download/%NAME%";
    QTest::newRow("dot segment") << "/v1/file/./download/%NAME%";
    QTest::newRow("absolute form") << "%BASE%/v1/file/download/%NAME%";
  }

  void downloadPathTricks() {
    static const QString name = api_->upload(api_->newUser("paths@x.cn"), randomArchive(40)).dataString("filePath");
    const QString path = fetched<QString>("path").replace("%NAME%", name).replace("%BASE%", server_.baseUrl());
    const ApiReply r = api_->postRaw(path.toStdString(), {}, {});  // the target as it stands
    QVERIFY2(r.isJson && (r.status == 404 || r.status == 400) && !r.body.startsWith("SQLite format"), r.describe().constData());
  }

  void versions() {  // the firmware's: through the support page
    // asked before anybody logged in: the client sends "NULL"
    const ApiReply r = api_->postJson("/v1/driver/version", {{"versionType", "zr540-software"}}, "NULL");
    QCOMPARE(r.dataString("version") + " " + r.dataString("downloadUrl"), QStringLiteral("1.0.2.7 https://example.invalid/setup.exe"));
    QCOMPARE(api_->postJson("/v1/driver/version", {{"versionType", "ZR540-software"}}, "NULL").code, 40001);
  }

 private:
  QStringList archiveFiles() const { return QDir(dir_.filePath("data/archives")).entryList(QDir::Files | QDir::Hidden); }

  QTemporaryDir dir_;
  ServerProcess server_{dir_.filePath("data")};
  std::unique_ptr<ApiClient> api_;
};

QTEST_GUILESS_MAIN(TestAccountServerApi)
#include "tst_accountserver_api.moc"
