// Accounts on the real server: register, login, log-out, tokens, password change and recovery,
// bad requests, the limits on guesses, registrations and tokens, the command line and a clean stop.
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include "apiclient.h"
#include "serverprocess.h"
#include "testhelpers.h"

class TestAccountServerAccounts : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    server_.reset(new ServerProcess(dir_.filePath("data")));
    QVERIFY2(server_->start(), server_->output().constData());
    api_.reset(new ApiClient(server_->port()));
  }

  void cleanupTestCase() {
    QCOMPARE(server_->stop(), 0);
    const QByteArray log = server_->output();
    QVERIFY(log.contains("stopping on SIGTERM") && log.contains("stopped"));
    QVERIFY(!log.contains("secret-one") && !log.contains("Str0ng-new"));  // no password reaches the log
  }

  void registerRefused_data() {
    QTest::addColumn<QByteArray>("fields");  // besides a valid "email" unless given
    QTest::addColumn<int>("code");
    QTest::newRow("no nickname") << QByteArray("\"password\":\"secret-one\",\"rePassword\":\"secret-one\"") << 10002;
    QTest::newRow("NUL in password") << QByteArray("\"nickname\":\"n\",\"password\":\"a\\u0000bcdef\",\"rePassword\":\"a\\u0000bcdef\"") << 10010;
    QTest::newRow("repetition differs") << QByteArray("\"nickname\":\"n\",\"password\":\"secret-one\",\"rePassword\":\"secret-two\"") << 10006;
    QTest::newRow("email with path") << QByteArray("\"nickname\":\"n\",\"email\":\"../r1@x.cn/\",\"password\":\"secret-one\",\"rePassword\":\"secret-one\"") << 10007;
    QTest::newRow("nickname of 33") << QByteArray("\"nickname\":\"" + QString(33, QChar(0x4e2d)).toUtf8() + "\",\"password\":\"secret-one\",\"rePassword\":\"secret-one\"") << 10009;
    QTest::newRow("nickname with newline") << QByteArray("\"nickname\":\"a\\nb\",\"password\":\"secret-one\",\"rePassword\":\"secret-one\"") << 10009;
    QTest::newRow("password of 5") << QByteArray("\"nickname\":\"n\",\"password\":\"abcde\",\"rePassword\":\"abcde\"") << 10008;
    QTest::newRow("password of 65") << QByteArray("\"nickname\":\"n\",\"password\":\"" + QByteArray(65, 'p') + "\",\"rePassword\":\"" + QByteArray(65, 'p') + "\"") << 10008;
  }

  void registerRefused() {
    QFETCH(QByteArray, fields);
    const QByteArray body = "{" + fields + (fields.contains("\"email\"") ? "" : ",\"email\":\"r1@x.cn\"") + "}";
    QCOMPARE(api_->postRaw("/v1/user/register", body, "application/json").code, fetched<int>("code"));
    QCOMPARE(api_->postJson("/v1/user/login", {{"email", "r1@x.cn"}, {"password", "secret-one"}}).code, 10004);
  }

  void registerAndLogin() {
    const ApiReply reg = api_->postJson("/v1/user/register", {{"nickname", "张三 Zhang"}, {"email", "zhang@x.cn"},
                                                              {"password", "secret-one"}, {"rePassword", "secret-one"}});
    QCOMPARE(reg.code, 0);
    QVERIFY(reg.authorization.isEmpty());  // registering does not log in
    QVERIFY(!api_->registerUser("ZHANG@x.cn", "other-one"));  // letter case makes no other account
    const ApiReply login = api_->postJson("/v1/user/login", {{"email", "zhang@x.cn"}, {"password", "secret-one"}});
    QCOMPARE(login.dataString("nickname"), QStringLiteral("张三 Zhang"));
    QVERIFY2(QRegularExpression("^[0-9a-f]{64}$").match(login.authorization).hasMatch(), qPrintable(login.authorization));
    const QString second = api_->login("Zhang@X.cn");
    QVERIFY(!second.isEmpty() && second != login.authorization);
    for (const QString& token : {login.authorization, second}) QCOMPARE(api_->address(token, true).code, 30006);
  }

  void loginRefused_data() {
    QTest::addColumn<QJsonObject>("body");
    QTest::addColumn<int>("code");
    QTest::newRow("unknown account") << QJsonObject{{"email", "nobody@x.cn"}, {"password", "secret-one"}} << 10004;
    QTest::newRow("password case") << QJsonObject{{"email", "login@x.cn"}, {"password", "SECRET-ONE"}} << 10003;
    QTest::newRow("no password") << QJsonObject{{"email", "login@x.cn"}} << 10002;
    QTest::newRow("password a number") << QJsonObject{{"email", "login@x.cn"}, {"password", 123456}} << 10010;
  }

  void loginRefused() {
    static const bool registered = api_->registerUser("login@x.cn");
    QVERIFY(registered);
    const ApiReply r = api_->postJson("/v1/user/login", fetched<QJsonObject>("body"));
    QCOMPARE(r.code, fetched<int>("code"));
    QVERIFY(r.authorization.isEmpty());
  }

  void malformedBody_data() {
    // Every JSON endpoint reads its body the same way: one kind of broken body on each.
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("empty") << "/v1/user/login" << QByteArray();
    QTest::newRow("not json") << "/v1/user/register" << QByteArray("email=a@b.cn&password=x");
    QTest::newRow("array") << "/v1/user/findPassword" << QByteArray("[\"email\",\"a@b.cn\"]");
    QTest::newRow("trailing junk") << "/v1/user/newPassword" << QByteArray("{\"email\":\"a@b.cn\"} x");
    QTest::newRow("broken utf-8") << "/v1/driver/config2/save" << QByteArray("{\"email\":\"\xff\xfe@b.cn\"}");
    QTest::newRow("deep nesting") << "/v1/driver/macro/config/save" << QByteArray(5000, '[');
  }

  void malformedBody() {
    const ApiReply r = api_->postRaw(fetched<QString>("path").toStdString(), fetched<QByteArray>("body"), "application/json");
    QVERIFY2(r.status == 200 && r.code == 10001, r.describe().constData());
  }

  void oversizeJsonBody() {
    const ApiReply r = api_->postJson("/v1/user/register", {{"email", "big@x.cn"}, {"password", "secret-one"},
                                                            {"rePassword", "secret-one"}, {"nickname", QString(70 * 1024, 'n')}});
    QVERIFY2(r.code == 50002, r.describe().constData());
    QCOMPARE(api_->postJson("/v1/user/login", {{"email", "big@x.cn"}, {"password", "secret-one"}}).code, 10004);
  }

  void tokenRequired_data() {
    // One kind of bad token on each endpoint that needs one; "%REAL%" stands for a live token.
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("token");
    QTest::newRow("no header") << "/v1/user/updatePassword" << QString();
    QTest::newRow("NULL") << "/v1/driver/config2/save" << "NULL";
    QTest::newRow("unknown") << "/v1/driver/macro/config/save" << QString(64, 'a');
    QTest::newRow("upper case") << "/v1/driver/config2/get" << "%UPPER%";
    QTest::newRow("real plus one") << "/v1/user/logout" << "%REAL%0";
  }

  void tokenRequired() {
    static const QString real = api_->newUser("tok@x.cn");
    QVERIFY(!real.isEmpty());
    const QString token = fetched<QString>("token").replace("%UPPER%", real.toUpper()).replace("%REAL%", real);
    const QJsonObject body{{"email", "tok@x.cn"}, {"password", "secret-one"}, {"rePassword", "secret-new"},
                           {"filePath", "0123456789abcdef0123456789abcdef.zip"}, {"configType", "zr540"}};
    QCOMPARE(api_->postJson(fetched<QString>("path").toStdString(), body, token).code, 11001);
    QVERIFY(!api_->login("tok@x.cn").isEmpty());  // the password is unchanged
    QCOMPARE(api_->address(real, false).code, 30006);  // and the real token still works
  }

  void logout() {
    QVERIFY(api_->registerUser("out@x.cn"));
    const QString token = api_->login("out@x.cn"), other = api_->login("out@x.cn");
    QCOMPARE(api_->postJson("/v1/user/logout", {}, token).code, 0);
    QCOMPARE(api_->address(token, true).code, 11001);
    QCOMPARE(api_->postJson("/v1/user/logout", {}, token).code, 11001);
    QCOMPARE(api_->address(other, true).code, 30006);  // the account's other logins go on
  }

  void updatePassword() {
    QVERIFY(api_->registerUser("pw@x.cn") && api_->registerUser("pw-other@x.cn"));
    const QString token = api_->login("pw@x.cn"), elsewhere = api_->login("pw@x.cn");
    auto change = [&](const char* email, const char* old, const char* now) {
      return api_->postJson("/v1/user/updatePassword", {{"email", email}, {"password", old}, {"rePassword", now}}, token).code;
    };
    QCOMPARE(change("pw@x.cn", "secret-bad", "Str0ng-new"), 10003);
    QCOMPARE(change("pw-other@x.cn", "secret-one", "Str0ng-new"), 11002);
    QCOMPARE(change("pw@x.cn", "secret-one", "short"), 10008);
    QVERIFY(!api_->login("pw@x.cn").isEmpty());
    QCOMPARE(change("PW@x.cn", "secret-one", "Str0ng-new"), 0);
    QVERIFY(api_->login("pw@x.cn").isEmpty());
    QVERIFY(!api_->login("pw@x.cn", "Str0ng-new").isEmpty());
    // the computer that changed it stays logged in, the other one is logged out
    QCOMPARE(api_->address(token, true).code, 30006);
    QCOMPARE(api_->address(elsewhere, true).code, 11001);
    QVERIFY(!api_->login("pw-other@x.cn").isEmpty());
  }

  void passwordRecovery() {
    QVERIFY(api_->registerUser("lost@x.cn"));
    const QString oldToken = api_->login("lost@x.cn");
    auto post = [&](const char* path, const QJsonObject& body) { return api_->postJson(path, body).code; };
    QCOMPARE(post("/v1/user/findPassword", {{"email", "nobody@x.cn"}}), 10004);
    QCOMPARE(post("/v1/user/validatePassword", {{"email", "lost@x.cn"}, {"captcha", "123456"}}), 20002);
    int mark = server_->output().size();
    QCOMPARE(post("/v1/user/findPassword", {{"email", "lost@x.cn"}}), 0);
    const QString first = server_->waitForCode("lost@x.cn", mark);
    mark = server_->output().size();
    QCOMPARE(post("/v1/user/findPassword", {{"email", "LOST@x.cn"}}), 0);  // replaces the code
    const QString code = server_->waitForCode("lost@x.cn", mark);
    QVERIFY(!first.isEmpty() && !code.isEmpty());
    if (code != first) QCOMPARE(post("/v1/user/validatePassword", {{"email", "lost@x.cn"}, {"captcha", first}}), 20001);
    const QString wrong = code == "000000" ? "000001" : "000000";
    QCOMPARE(post("/v1/user/validatePassword", {{"email", "lost@x.cn"}, {"captcha", code}}), 0);
    QCOMPARE(post("/v1/user/validatePassword", {{"email", "lost@x.cn"}, {"captcha", code}}), 0);  // not used up
    // a refused new password leaves the code usable
    QCOMPARE(post("/v1/user/newPassword", {{"email", "lost@x.cn"}, {"captcha", code}, {"password", "abc"}}), 10008);
    QCOMPARE(post("/v1/user/newPassword", {{"email", "lost@x.cn"}, {"captcha", wrong}, {"password", "Str0ng-new"}}), 20001);
    QCOMPARE(post("/v1/user/newPassword", {{"email", "lost@x.cn"}, {"captcha", code}, {"password", "Str0ng-new"}}), 0);
    QVERIFY(!api_->login("lost@x.cn", "Str0ng-new").isEmpty());
    QVERIFY(api_->login("lost@x.cn").isEmpty());
    // the code works once, and the old sessions are over
    QCOMPARE(post("/v1/user/newPassword", {{"email", "lost@x.cn"}, {"captcha", code}, {"password", "another-1"}}), 20002);
    QCOMPARE(api_->address(oldToken, true).code, 11001);
  }

  void recoveryCodeAttemptsLimited() {
    QVERIFY(api_->registerUser("guess@x.cn"));
    const int mark = server_->output().size();
    QCOMPARE(api_->postJson("/v1/user/findPassword", {{"email", "guess@x.cn"}}).code, 0);
    const QString code = server_->waitForCode("guess@x.cn", mark);
    const QString wrong = code == "999999" ? "999998" : "999999";
    for (int expected : {20001, 20001, 20001, 20001, 20003})
      QCOMPARE(api_->postJson("/v1/user/validatePassword", {{"email", "guess@x.cn"}, {"captcha", wrong}}).code, expected);
    // the right code no longer helps
    QCOMPARE(api_->postJson("/v1/user/newPassword", {{"email", "guess@x.cn"}, {"captcha", code}, {"password", "Str0ng-new"}}).code, 20002);
  }

  void limits() {
    // Small counts in a long window: what goes over a limit stays refused for the rest of the test.
    QTemporaryDir dir;
    ServerProcess server(dir.filePath("data"));
    QVERIFY2(server.start({"--code-requests", "2/3600", "--code-failures", "3/3600", "--login-failures", "3/3600",
                           "--address-failures", "8/3600", "--registrations", "2/3600", "--tokens-per-account", "2"}),
             server.output().constData());
    ApiClient api(server.port()), elsewhere(server.port(), "127.0.0.2");
    // Two accounts from an address; one more is refused, also after one that made none.
    QVERIFY(api.registerUser("limit@x.cn") && !api.registerUser("limit@x.cn"));
    QVERIFY(api.registerUser("limit2@x.cn"));
    QCOMPARE(api.postJson("/v1/user/register", {{"nickname", "n"}, {"email", "limit3@x.cn"}, {"password", "secret-one"},
                                                {"rePassword", "secret-one"}}).code, 10012);
    QVERIFY2(elsewhere.registerUser("limit3@x.cn"), "another address registers");
    // Of three logins the oldest token is revoked.
    const QString tokens[] = {api.login("limit3@x.cn"), api.login("limit3@x.cn"), api.login("limit3@x.cn")};
    for (int i = 0; i < 3; ++i) QCOMPARE(api.address(tokens[i], true).code, i == 0 ? 11001 : 30006);

    // Wrong codes count for the account whatever code they were meant for: a new code does not
    // start the count again, and past it even the right code is refused.
    auto validate = [&](const QString& captcha) {
      return api.postJson("/v1/user/validatePassword", {{"email", "limit@x.cn"}, {"captcha", captcha}}).code;
    };
    QCOMPARE(api.postJson("/v1/user/findPassword", {{"email", "limit@x.cn"}}).code, 0);
    QCOMPARE(validate("x00000"), 20001);
    QCOMPARE(validate("x00001"), 20001);
    int mark = server.output().size();
    QCOMPARE(api.postJson("/v1/user/findPassword", {{"email", "limit@x.cn"}}).code, 0);
    const QString code = server.waitForCode("limit@x.cn", mark);
    QCOMPARE(validate("x00002"), 20001);
    QCOMPARE(validate(code), 20006);
    mark = server.output().size();
    QCOMPARE(api.postJson("/v1/user/findPassword", {{"email", "limit@x.cn"}}).code, 20005);  // two codes were sent

    // Wrong passwords lock the account, against the right password too.
    auto login = [&](const char* email, const char* password) {
      return api.postJson("/v1/user/login", {{"email", email}, {"password", password}}).code;
    };
    for (int i = 0; i < 3; ++i) QCOMPARE(login("limit@x.cn", "wrong-one"), 10003);
    QCOMPARE(login("limit@x.cn", "secret-one"), 10011);
    // This address has guessed wrong 6 times of its 8: two more at another account, and that
    // account is refused to it as well, not to another address.
    QCOMPARE(login("limit2@x.cn", "wrong-one"), 10003);
    QCOMPARE(login("limit2@x.cn", "wrong-one"), 10003);
    QCOMPARE(login("limit2@x.cn", "secret-one"), 10011);
    QVERIFY(!elsewhere.login("limit2@x.cn").isEmpty());
    QVERIFY(!server.output().mid(mark).contains("verification code for"));
    QCOMPARE(server.stop(), 0);
  }

  void expiry() {
    QTemporaryDir dir;
    ServerProcess server(dir.filePath("data"));
    // Windows of the server's clock, waited out below; the lock's 3 s leave a slow machine room for the logins.
    QVERIFY2(server.start({"--code-ttl", "1", "--token-ttl", "1", "--login-failures", "2/3"}), server.output().constData());
    ApiClient api(server.port());
    const QString token = api.newUser("ttl@x.cn");
    for (int i = 0; i < 2; ++i) QVERIFY(api.login("ttl@x.cn", "wrong-one").isEmpty());
    QVERIFY(api.login("ttl@x.cn").isEmpty());  // locked
    QCOMPARE(api.postJson("/v1/user/findPassword", {{"email", "ttl@x.cn"}}).code, 0);
    const QString code = server.waitForCode("ttl@x.cn", 0);
    QThread::msleep(3200);
    QCOMPARE(api.postJson("/v1/user/validatePassword", {{"email", "ttl@x.cn"}, {"captcha", code}}).code, 20002);
    QCOMPARE(api.address(token, true).code, 11001);
    QVERIFY(!api.login("ttl@x.cn").isEmpty());
    QCOMPARE(server.stop(), 0);
  }

  void versionUnknownWhenNotConfigured() {
    for (const char* type : {"zr540-software", "zr540-firmware"})
      QCOMPARE(api_->postJson("/v1/driver/version", {{"versionType", type}}, "NULL").code, 40002);
    QCOMPARE(api_->get("/v1/driver/firmware/download").status, 404);
  }

  void commandLineRefused_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    const QString data = dir_.filePath("cli");
    QTest::newRow("no data folder") << QStringList{"--port", "0"} << "--data DIR is required";
    QTest::newRow("port too large") << QStringList{"--data", data, "--port", "65536"} << "--port must be";
    QTest::newRow("firmware version alone") << QStringList{"--data", data, "--firmware-version", "5"} << "go together";
    QTest::newRow("unknown option") << QStringList{"--data", data, "--colour", "red"} << "unknown option";
    QTest::newRow("value missing") << QStringList{"--data"} << "needs a value";
    QTest::newRow("limit without its time") << QStringList{"--data", data, "--registrations", "10"} << "--registrations must be N/SECONDS";
    QTest::newRow("no storage") << QStringList{"--data", data, "--max-storage", "0"} << "--max-storage";
  }

  void commandLineRefused() {
    QByteArray output;
    QCOMPARE(ServerProcess::runToEnd(fetched<QStringList>("args"), &output), 2);
    QVERIFY2(output.contains(fetched<QString>("message").toUtf8()), output.constData());
    QVERIFY(!QFileInfo::exists(dir_.filePath("cli")));
  }

 private:
  QTemporaryDir dir_;
  std::unique_ptr<ServerProcess> server_;
  std::unique_ptr<ApiClient> api_;
};

QTEST_GUILESS_MAIN(TestAccountServerAccounts)
#include "tst_accountserver_accounts.moc"
