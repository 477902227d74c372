// Accounts on the real server: register, login, tokens, password change and recovery, bad
// requests, the command line and a clean stop.
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include "apiclient.h"
#include "serverprocess.h"

class TestAccountServerAccounts : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();

  void registerRefused_data();
  void registerRefused();
  void registerAndLogin();
  void loginRefused_data();
  void loginRefused();
  void malformedBody_data();
  void malformedBody();
  void oversizeJsonBody();
  void tokenRequired_data();
  void tokenRequired();
  void updatePassword();
  void passwordRecovery();
  void recoveryCodeAttemptsLimited();
  void guessesLimited();
  void versionUnknownWhenNotConfigured();
  void expiry();
  void commandLineRefused_data();
  void commandLineRefused();

 private:
  QTemporaryDir dir_;
  ServerProcess* server_ = nullptr;
  ApiClient* api_ = nullptr;
};

void TestAccountServerAccounts::initTestCase() {
  QVERIFY(dir_.isValid());
  server_ = new ServerProcess(dir_.filePath("data"));
  QVERIFY2(server_->start(), server_->output().constData());
  api_ = new ApiClient(server_->port());
}

void TestAccountServerAccounts::cleanupTestCase() {
  QCOMPARE(server_->stop(), 0);
  const QByteArray log = server_->output();
  QVERIFY(log.contains("stopping on SIGTERM"));
  QVERIFY(log.contains("stopped"));
  // no password ever reaches the log
  QVERIFY(!log.contains("secret-one"));
  QVERIFY(!log.contains("Str0ng-new"));
  delete api_;
  delete server_;
}

void TestAccountServerAccounts::registerRefused_data() {
  QTest::addColumn<QByteArray>("body");
  QTest::addColumn<int>("code");
  const QByteArray nick = "\"nickname\":\"n\",";
  QTest::newRow("no nickname") << QByteArray(R"({"email":"r1@x.cn","password":"secret-one","rePassword":"secret-one"})") << 10002;
  QTest::newRow("email a number") << QByteArray(R"({"nickname":"n","email":5,"password":"secret-one","rePassword":"secret-one"})") << 10010;
  QTest::newRow("NUL in password") << QByteArray(R"({"nickname":"n","email":"r1@x.cn","password":"secret\u0000one","rePassword":"secret\u0000one"})") << 10010;
  QTest::newRow("repetition differs") << QByteArray(R"({"nickname":"n","email":"r1@x.cn","password":"secret-one","rePassword":"secret-two"})") << 10006;
  QTest::newRow("email with path") << QByteArray("{" + nick + R"("email":"../r1@x.cn/","password":"secret-one","rePassword":"secret-one"})") << 10007;
  QTest::newRow("empty nickname") << QByteArray(R"({"nickname":"","email":"r1@x.cn","password":"secret-one","rePassword":"secret-one"})") << 10009;
  QTest::newRow("nickname of 33") << QByteArray(R"({"nickname":")" + QString(33, QChar(0x4e2d)).toUtf8() + R"(","email":"r1@x.cn","password":"secret-one","rePassword":"secret-one"})") << 10009;
  QTest::newRow("nickname with newline") << QByteArray(R"({"nickname":"a\nb","email":"r1@x.cn","password":"secret-one","rePassword":"secret-one"})") << 10009;
  QTest::newRow("password of 5") << QByteArray("{" + nick + R"("email":"r1@x.cn","password":"abcde","rePassword":"abcde"})") << 10008;
  const QByteArray p65(65, 'p');
  QTest::newRow("password of 65") << QByteArray("{" + nick + R"("email":"r1@x.cn","password":")" + p65 + R"(","rePassword":")" + p65 + "\"}") << 10008;
}

void TestAccountServerAccounts::registerRefused() {
  QFETCH(QByteArray, body);
  QFETCH(int, code);
  const ApiReply r = api_->postRaw("/v1/user/register", body, "application/json");
  QVERIFY2(r.isJson, r.describe().constData());
  QCOMPARE(r.status, 200);
  QCOMPARE(r.code, code);
  QVERIFY(!r.msg.isEmpty());
  // nothing was stored: the address has no account
  const ApiReply login = api_->postJson("/v1/user/login", {{"email", "r1@x.cn"}, {"password", "secret-one"}});
  QCOMPARE(login.code, 10004);
}

void TestAccountServerAccounts::registerAndLogin() {
  const QString nickname = QStringLiteral("张三 Zhang");
  const ApiReply reg = api_->postJson("/v1/user/register", {{"nickname", nickname}, {"email", "zhang@x.cn"},
                                                            {"password", "secret-one"}, {"rePassword", "secret-one"}});
  QCOMPARE(reg.code, 0);
  QVERIFY(reg.authorization.isEmpty());  // registering does not log in

  // the same address in other letter case is the same account
  const ApiReply again = api_->postJson("/v1/user/register", {{"nickname", "x"}, {"email", "ZHANG@x.cn"},
                                                              {"password", "other-one"}, {"rePassword", "other-one"}});
  QCOMPARE(again.code, 10005);
  QCOMPARE(again.msg, QStringLiteral("该邮箱已被注册"));

  const ApiReply login = api_->postJson("/v1/user/login", {{"email", "zhang@x.cn"}, {"password", "secret-one"}});
  QCOMPARE(login.code, 0);
  QCOMPARE(login.dataString("nickname"), nickname);
  QVERIFY2(QRegularExpression("^[0-9a-f]{64}$").match(login.authorization).hasMatch(), qPrintable(login.authorization));
  // a second login gives another token, and both work
  const QString second = api_->login("Zhang@X.cn", "secret-one");
  QVERIFY(!second.isEmpty());
  QVERIFY(second != login.authorization);
  for (const QString& token : {login.authorization, second}) {
    QCOMPARE(api_->address(token, true).code, 30006);
  }
}

void TestAccountServerAccounts::loginRefused_data() {
  QTest::addColumn<QJsonObject>("body");
  QTest::addColumn<int>("code");
  QTest::addColumn<QString>("msg");
  QTest::newRow("unknown account") << QJsonObject{{"email", "nobody@x.cn"}, {"password", "secret-one"}} << 10004 << "账号不存在";
  QTest::newRow("wrong password") << QJsonObject{{"email", "login@x.cn"}, {"password", "secret-two"}} << 10003 << "密码错误";
  QTest::newRow("password case") << QJsonObject{{"email", "login@x.cn"}, {"password", "SECRET-ONE"}} << 10003 << "密码错误";
  QTest::newRow("no password") << QJsonObject{{"email", "login@x.cn"}} << 10002 << "缺少参数：password";
  QTest::newRow("password a number") << QJsonObject{{"email", "login@x.cn"}, {"password", 123456}} << 10010 << "参数格式错误：password";
}

void TestAccountServerAccounts::loginRefused() {
  QFETCH(QJsonObject, body);
  QFETCH(int, code);
  QFETCH(QString, msg);
  static bool registered = api_->registerUser("login@x.cn", "secret-one");
  QVERIFY(registered);
  const ApiReply r = api_->postJson("/v1/user/login", body);
  QCOMPARE(r.code, code);
  QCOMPARE(r.msg, msg);
  QVERIFY(r.authorization.isEmpty());
}

void TestAccountServerAccounts::malformedBody_data() {
  // Every JSON endpoint reads its body the same way: one kind of broken body on each.
  QTest::addColumn<QString>("path");
  QTest::addColumn<QByteArray>("body");
  QTest::newRow("empty") << "/v1/user/login" << QByteArray();
  QTest::newRow("not json") << "/v1/user/register" << QByteArray("email=a@b.cn&password=x");
  QTest::newRow("truncated") << "/v1/user/updatePassword" << QByteArray(R"({"email":"a@b.cn","pass)");
  QTest::newRow("array") << "/v1/user/findPassword" << QByteArray(R"(["email","a@b.cn"])");
  QTest::newRow("string") << "/v1/user/validatePassword" << QByteArray(R"("email")");
  QTest::newRow("trailing junk") << "/v1/user/newPassword" << QByteArray(R"({"email":"a@b.cn"} x)");
  QTest::newRow("broken utf-8") << "/v1/driver/config2/save" << QByteArray("{\"email\":\"\xff\xfe@b.cn\"}");
  QTest::newRow("deep nesting") << "/v1/driver/macro/config/save" << QByteArray(5000, '[');
  QTest::newRow("null") << "/v1/driver/version" << QByteArray("null");
}

void TestAccountServerAccounts::malformedBody() {
  QFETCH(QString, path);
  QFETCH(QByteArray, body);
  const ApiReply r = api_->postRaw(path.toStdString(), body, "application/json");
  QVERIFY2(r.isJson, r.describe().constData());
  QCOMPARE(r.status, 200);
  QCOMPARE(r.code, 10001);
  QCOMPARE(r.msg, QStringLiteral("请求格式错误"));
}

void TestAccountServerAccounts::oversizeJsonBody() {
  QJsonObject body{{"email", "big@x.cn"}, {"password", "secret-one"}, {"rePassword", "secret-one"},
                   {"nickname", QString(70 * 1024, 'n')}};
  const ApiReply r = api_->postJson("/v1/user/register", body);
  QVERIFY2(r.isJson, r.describe().constData());
  QCOMPARE(r.code, 50002);
  QCOMPARE(api_->postJson("/v1/user/login", {{"email", "big@x.cn"}, {"password", "secret-one"}}).code, 10004);
  // the server goes on serving
  QCOMPARE(api_->postJson("/v1/driver/version", {{"versionType", "nothing"}}).code, 40001);
}

void TestAccountServerAccounts::tokenRequired_data() {
  // One kind of bad token on each endpoint that needs one.
  QTest::addColumn<QString>("path");
  QTest::addColumn<QJsonObject>("body");
  QTest::addColumn<QString>("token");  // "%REAL%" stands for a token of the account
  const QJsonObject password{{"email", "tok@x.cn"}, {"password", "secret-one"}, {"rePassword", "secret-new"}};
  const QString zip = "0123456789abcdef0123456789abcdef.zip";
  QTest::newRow("no header") << "/v1/user/updatePassword" << password << QString();
  QTest::newRow("NULL") << "/v1/driver/config2/save" << QJsonObject{{"filePath", zip}, {"configContent", ""}, {"configType", "zr540"}} << "NULL";
  QTest::newRow("unknown") << "/v1/driver/macro/config/save" << QJsonObject{{"filePath", zip}, {"configContent", ""}, {"configType", ""}} << QString(64, 'a');
  QTest::newRow("too short") << "/v1/driver/config2/get" << QJsonObject{{"configType", "zr540"}} << "0123456789";
  QTest::newRow("upper case") << "/v1/user/updatePassword" << password << "%REAL_UPPER%";
  QTest::newRow("real plus one") << "/v1/driver/macro/config/get" << QJsonObject() << "%REAL%0";
}

void TestAccountServerAccounts::tokenRequired() {
  QFETCH(QString, path);
  QFETCH(QJsonObject, body);
  QFETCH(QString, token);
  static bool registered = api_->registerUser("tok@x.cn", "secret-one");
  QVERIFY(registered);
  const QString real = api_->login("tok@x.cn", "secret-one");
  QVERIFY(!real.isEmpty());
  token.replace("%REAL_UPPER%", real.toUpper()).replace("%REAL%", real);
  const ApiReply r = api_->postJson(path.toStdString(), body, token);
  QCOMPARE(r.code, 11001);
  QCOMPARE(r.msg, QStringLiteral("未登录或登录已失效，请重新登录"));
  // the password was not changed by a refused request
  QVERIFY(!api_->login("tok@x.cn", "secret-one").isEmpty());
}

void TestAccountServerAccounts::updatePassword() {
  QVERIFY(api_->registerUser("pw@x.cn", "secret-one"));
  QVERIFY(api_->registerUser("pw-other@x.cn", "secret-one"));
  const QString token = api_->login("pw@x.cn", "secret-one");
  const QString elsewhere = api_->login("pw@x.cn", "secret-one");
  QVERIFY(!token.isEmpty() && !elsewhere.isEmpty());
  const std::string path = "/v1/user/updatePassword";

  // wrong old password: 10003, as the cloud page expects
  ApiReply r = api_->postJson(path, {{"email", "pw@x.cn"}, {"password", "secret-bad"}, {"rePassword", "Str0ng-new"}}, token);
  QCOMPARE(r.code, 10003);
  // another account's address with this account's token
  r = api_->postJson(path, {{"email", "pw-other@x.cn"}, {"password", "secret-one"}, {"rePassword", "Str0ng-new"}}, token);
  QCOMPARE(r.code, 11002);
  // a new password that register would refuse
  r = api_->postJson(path, {{"email", "pw@x.cn"}, {"password", "secret-one"}, {"rePassword", "short"}}, token);
  QCOMPARE(r.code, 10008);
  // none of that changed anything
  QVERIFY(!api_->login("pw@x.cn", "secret-one").isEmpty());

  r = api_->postJson(path, {{"email", "PW@x.cn"}, {"password", "secret-one"}, {"rePassword", "Str0ng-new"}}, token);
  QCOMPARE(r.code, 0);
  QCOMPARE(api_->postJson("/v1/user/login", {{"email", "pw@x.cn"}, {"password", "secret-one"}}).code, 10003);
  QVERIFY(!api_->login("pw@x.cn", "Str0ng-new").isEmpty());
  // the computer that changed it stays logged in, the other one is logged out
  QCOMPARE(api_->address(token, true).code, 30006);
  QCOMPARE(api_->address(elsewhere, true).code, 11001);
  // the other account is untouched
  QVERIFY(!api_->login("pw-other@x.cn", "secret-one").isEmpty());
}

void TestAccountServerAccounts::passwordRecovery() {
  QVERIFY(api_->registerUser("lost@x.cn", "secret-one"));
  const QString oldToken = api_->login("lost@x.cn", "secret-one");
  QVERIFY(!oldToken.isEmpty());

  QCOMPARE(api_->postJson("/v1/user/findPassword", {{"email", "nobody@x.cn"}}).code, 10004);
  QCOMPARE(api_->postJson("/v1/user/validatePassword", {{"email", "lost@x.cn"}, {"captcha", "123456"}}).code, 20002);

  int mark = server_->output().size();
  ApiReply r = api_->postJson("/v1/user/findPassword", {{"email", "lost@x.cn"}});
  QCOMPARE(r.code, 0);
  const QString first = server_->waitForCode("lost@x.cn", mark);
  QVERIFY(!first.isEmpty());
  // a new request replaces the code
  mark = server_->output().size();
  QCOMPARE(api_->postJson("/v1/user/findPassword", {{"email", "LOST@x.cn"}}).code, 0);
  const QString code = server_->waitForCode("lost@x.cn", mark);
  QVERIFY(!code.isEmpty());
  if (code != first) {
    QCOMPARE(api_->postJson("/v1/user/validatePassword", {{"email", "lost@x.cn"}, {"captcha", first}}).code, 20001);
  }
  const QString wrong = code == "000000" ? "000001" : "000000";
  QCOMPARE(api_->postJson("/v1/user/validatePassword", {{"email", "lost@x.cn"}, {"captcha", wrong}}).code, 20001);
  QCOMPARE(api_->postJson("/v1/user/validatePassword", {{"email", "lost@x.cn"}, {"captcha", code}}).code, 0);
  // validating does not use the code up
  QCOMPARE(api_->postJson("/v1/user/validatePassword", {{"email", "lost@x.cn"}, {"captcha", code}}).code, 0);

  // a refused new password leaves the code usable
  QCOMPARE(api_->postJson("/v1/user/newPassword", {{"email", "lost@x.cn"}, {"captcha", code}, {"password", "abc"}}).code, 10008);
  QCOMPARE(api_->postJson("/v1/user/newPassword", {{"email", "lost@x.cn"}, {"captcha", wrong}, {"password", "Str0ng-new"}}).code, 20001);
  QCOMPARE(api_->postJson("/v1/user/login", {{"email", "lost@x.cn"}, {"password", "Str0ng-new"}}).code, 10003);
  r = api_->postJson("/v1/user/newPassword", {{"email", "lost@x.cn"}, {"captcha", code}, {"password", "Str0ng-new"}});
  QCOMPARE(r.code, 0);
  QVERIFY(!api_->login("lost@x.cn", "Str0ng-new").isEmpty());
  QCOMPARE(api_->postJson("/v1/user/login", {{"email", "lost@x.cn"}, {"password", "secret-one"}}).code, 10003);
  // the code works once, and the old sessions are over
  QCOMPARE(api_->postJson("/v1/user/newPassword", {{"email", "lost@x.cn"}, {"captcha", code}, {"password", "another-1"}}).code, 20002);
  QCOMPARE(api_->address(oldToken, true).code, 11001);
}

void TestAccountServerAccounts::recoveryCodeAttemptsLimited() {
  QVERIFY(api_->registerUser("guess@x.cn", "secret-one"));
  const int mark = server_->output().size();
  QCOMPARE(api_->postJson("/v1/user/findPassword", {{"email", "guess@x.cn"}}).code, 0);
  const QString code = server_->waitForCode("guess@x.cn", mark);
  QVERIFY(!code.isEmpty());
  const QString wrong = code == "999999" ? "999998" : "999999";
  for (int i = 0; i < 4; ++i) {
    QCOMPARE(api_->postJson("/v1/user/validatePassword", {{"email", "guess@x.cn"}, {"captcha", wrong}}).code, 20001);
  }
  QCOMPARE(api_->postJson("/v1/user/validatePassword", {{"email", "guess@x.cn"}, {"captcha", wrong}}).code, 20003);
  // the right code no longer helps
  QCOMPARE(api_->postJson("/v1/user/newPassword", {{"email", "guess@x.cn"}, {"captcha", code}, {"password", "Str0ng-new"}}).code, 20002);
  QVERIFY(!api_->login("guess@x.cn", "secret-one").isEmpty());
}

void TestAccountServerAccounts::guessesLimited() {
  // Small counts in a long window: what goes over a limit stays refused for the rest of the test.
  QTemporaryDir dir;
  ServerProcess server(dir.filePath("data"));
  QVERIFY2(server.start({"--code-requests", "2/3600", "--code-failures", "3/3600", "--login-failures", "3/3600",
                         "--address-failures", "8/3600"}),
           server.output().constData());
  ApiClient api(server.port());
  QVERIFY(api.registerUser("limit@x.cn", "secret-one"));
  QVERIFY(api.registerUser("limit2@x.cn", "secret-one"));
  auto validate = [&](const QString& captcha) {
    return api.postJson("/v1/user/validatePassword", {{"email", "limit@x.cn"}, {"captcha", captcha}});
  };
  auto login = [&](const QString& email, const QString& password) {
    return api.postJson("/v1/user/login", {{"email", email}, {"password", password}});
  };

  // Wrong codes count for the account whatever code they were meant for: a new code does not
  // start the count again, and past it even the right code is refused.
  QCOMPARE(api.postJson("/v1/user/findPassword", {{"email", "limit@x.cn"}}).code, 0);
  QCOMPARE(validate("x00000").code, 20001);
  QCOMPARE(validate("x00001").code, 20001);
  int mark = server.output().size();
  QCOMPARE(api.postJson("/v1/user/findPassword", {{"email", "limit@x.cn"}}).code, 0);
  const QString code = server.waitForCode("limit@x.cn", mark);
  QVERIFY(!code.isEmpty());
  QCOMPARE(validate("x00002").code, 20001);
  ApiReply r = validate(code);
  QCOMPARE(r.code, 20006);
  QCOMPARE(r.msg, QStringLiteral("验证码错误次数过多，请稍后再试"));
  QCOMPARE(api.postJson("/v1/user/newPassword", {{"email", "limit@x.cn"}, {"captcha", code}, {"password", "Str0ng-new"}}).code, 20006);
  // two codes were sent; a third is not
  mark = server.output().size();
  r = api.postJson("/v1/user/findPassword", {{"email", "limit@x.cn"}});
  QCOMPARE(r.code, 20005);
  QCOMPARE(r.msg, QStringLiteral("验证码发送次数过多，请稍后再试"));

  // Wrong passwords lock the account, against the right password too.
  for (int i = 0; i < 3; ++i) QCOMPARE(login("limit@x.cn", "wrong-one").code, 10003);
  r = login("limit@x.cn", "secret-one");
  QCOMPARE(r.code, 10011);
  QCOMPARE(r.msg, QStringLiteral("密码错误次数过多，请稍后再试"));
  QVERIFY(r.authorization.isEmpty());
  // This address has guessed wrong 6 times of its 8: two more at another account, and that
  // account is refused to it as well.
  QCOMPARE(login("limit2@x.cn", "wrong-one").code, 10003);
  QCOMPARE(login("limit2@x.cn", "wrong-one").code, 10003);
  QCOMPARE(login("limit2@x.cn", "secret-one").code, 10011);
  QVERIFY(!server.output().mid(mark).contains("verification code for"));
  QCOMPARE(server.stop(), 0);
}

void TestAccountServerAccounts::versionUnknownWhenNotConfigured() {
  // this server was started without version settings
  for (const char* type : {"zr540-software", "zr540-firmware"}) {
    const ApiReply r = api_->postJson("/v1/driver/version", {{"versionType", type}}, "NULL");
    QCOMPARE(r.code, 40002);
    QVERIFY(r.dataString("version").isEmpty());
  }
  QCOMPARE(api_->get("/v1/driver/firmware/download").status, 404);
}

void TestAccountServerAccounts::expiry() {
  QTemporaryDir dir;
  ServerProcess server(dir.filePath("data"));
  // Windows of the server's clock, waited out below; the lock's 3 s leave a slow machine room for the logins.
  QVERIFY2(server.start({"--code-ttl", "1", "--token-ttl", "1", "--login-failures", "2/3"}), server.output().constData());
  ApiClient api(server.port());
  QVERIFY(api.registerUser("ttl@x.cn", "secret-one"));
  const QString token = api.login("ttl@x.cn", "secret-one");
  QVERIFY(!token.isEmpty());
  // two wrong passwords lock the account
  for (int i = 0; i < 2; ++i) QCOMPARE(api.postJson("/v1/user/login", {{"email", "ttl@x.cn"}, {"password", "wrong-one"}}).code, 10003);
  QCOMPARE(api.postJson("/v1/user/login", {{"email", "ttl@x.cn"}, {"password", "secret-one"}}).code, 10011);
  QCOMPARE(api.postJson("/v1/user/findPassword", {{"email", "ttl@x.cn"}}).code, 0);
  const QString code = server.waitForCode("ttl@x.cn", 0);
  QVERIFY(!code.isEmpty());
  QThread::msleep(3200);
  QCOMPARE(api.postJson("/v1/user/validatePassword", {{"email", "ttl@x.cn"}, {"captcha", code}}).code, 20002);
  QCOMPARE(api.address(token, true).code, 11001);
  QVERIFY(!api.login("ttl@x.cn", "secret-one").isEmpty());
  QCOMPARE(server.stop(), 0);
}

void TestAccountServerAccounts::commandLineRefused_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<QString>("message");
  const QString data = dir_.filePath("cli");
  QTest::newRow("no data folder") << QStringList{"--port", "0"} << "--data DIR is required";
  QTest::newRow("port too large") << QStringList{"--data", data, "--port", "65536"} << "--port must be";
  QTest::newRow("port not a number") << QStringList{"--data", data, "--port", "80a"} << "--port must be";
  QTest::newRow("firmware version not a number") << QStringList{"--data", data, "--firmware-version", "v5", "--firmware-file", ServerProcess::program()} << "--firmware-version must be";
  QTest::newRow("firmware file missing") << QStringList{"--data", data, "--firmware-version", "5", "--firmware-file", data + "/none.bin"} << "--firmware-file is not";
  QTest::newRow("firmware version alone") << QStringList{"--data", data, "--firmware-version", "5"} << "go together";
  QTest::newRow("software url alone") << QStringList{"--data", data, "--software-url", "http://x.invalid/"} << "go together";
  QTest::newRow("unknown option") << QStringList{"--data", data, "--colour", "red"} << "unknown option";
  QTest::newRow("value missing") << QStringList{"--data"} << "needs a value";
  QTest::newRow("hash memory too small") << QStringList{"--data", data, "--pwhash-mem", "100"} << "--pwhash-mem";
  QTest::newRow("limit without its time") << QStringList{"--data", data, "--login-failures", "10"} << "--login-failures must be N/SECONDS";
  QTest::newRow("no connections") << QStringList{"--data", data, "--connections-per-address", "0"} << "--connections-per-address must be";
}

void TestAccountServerAccounts::commandLineRefused() {
  QFETCH(QStringList, args);
  QFETCH(QString, message);
  QByteArray output;
  QCOMPARE(ServerProcess::runToEnd(args, &output), 2);
  QVERIFY2(output.contains(message.toUtf8()), output.constData());
  QVERIFY(!QFileInfo::exists(dir_.filePath("cli")));
}

QTEST_GUILESS_MAIN(TestAccountServerAccounts)
#include "tst_accountserver_accounts.moc"
