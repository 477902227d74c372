// The account client as a server sees it and as it reads what a server sends: exact paths,
// bodies and headers of every request, the upload's multipart body, the downloader, and replies
// the real server never sends (not JSON, no "code", error statuses, the token header in another
// letter case, oversized bodies), all against a small local HTTP server; plus a port where
// nothing listens.
#include "apppaths.h"
#include "fakehttpserver.h"
#include "filedownloader.h"
#include "lastversion.h"
#include "logcapture.h"
#include "loginaccount.h"
#include "operatetoken.h"
#include "requestclasses.h"
#include "safearchive.h"
#include "testhelpers.h"
#include "uploadfile.h"
#include "wholefile.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

namespace {

const QString kNetwork = QStringLiteral("Network Error, please try again later");
const QString kServer = QStringLiteral("Server error, please try again later");

QJsonObject parseObject(const QByteArray& json)
{
    return QJsonDocument::fromJson(json).object();
}

}  // namespace

class TestAccountClientWire : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void jsonRequests_data();
    void jsonRequests();
    void refusedHereSendNothing();
    void replies_data();
    void replies();
    void loginStoresIdentity_data();
    void loginStoresIdentity();
    void tokenSentAfterLogin();
    void uploadWireFormat_data();
    void uploadWireFormat();
    void downloader_data();
    void downloader();
    void requestObjectInWorkerThread();

private:
    QString uploadFolder() const { return m_root->path() + "/ConfigFiles/LocalFile"; }

    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<FakeHttpServer> m_server;
    QString m_address;  // where the request objects are sent
};

void TestAccountClientWire::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    AppPaths::setDataRoot(m_root->path());
    m_server = std::make_unique<FakeHttpServer>();
    QVERIFY(m_server->listen());
    m_address = m_server->baseUrl();
    m_server->setJsonReply(QString::fromUtf8(R"({"code":0,"msg":"好","data":{"nickname":"好"}})").toUtf8());
    QVERIFY(writeWholeFile(uploadFolder() + "/Config1.txt", QByteArray(300, 'p')));
    QVERIFY(writeWholeFile(uploadFolder() + QString::fromUtf8("/子目录/宏.json"), "{\"a\":1}"));
}

void TestAccountClientWire::cleanup()
{
    m_server.reset();
    m_root.reset();
}

void TestAccountClientWire::jsonRequests_data()
{
    QTest::addColumn<QString>("cls");
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("login") << "LoginAccount" << QByteArray("KvPostLoginJson") << QStringList{"a@b.cn", "pw1"}
                           << QByteArray("/v1/user/login") << QByteArray(R"({"email":"a@b.cn","password":"pw1"})");
    QTest::newRow("register") << "RegisterAccount" << QByteArray("KvPostRegisiterJson")
                              << QStringList{"小明", "a@b.cn", "pw1", "pw2"} << QByteArray("/v1/user/register")
                              << QByteArray(R"({"nickname":"小明","email":"a@b.cn","password":"pw1","rePassword":"pw2"})");
    QTest::newRow("change password") << "UpdatePasswdAccount" << QByteArray("KvUpdatePasswdJson")
                                     << QStringList{"a@b.cn", "old1", "new1"} << QByteArray("/v1/user/updatePassword")
                                     << QByteArray(R"({"email":"a@b.cn","password":"old1","rePassword":"new1"})");
    QTest::newRow("find password") << "FindPasswd" << QByteArray("KvFindPasswdJson") << QStringList{"a@b.cn"}
                                   << QByteArray("/v1/user/findPassword") << QByteArray(R"({"email":"a@b.cn"})");
    QTest::newRow("validate code") << "ValidatePassword" << QByteArray("KvValidatePasswordJson")
                                   << QStringList{"a@b.cn", "123456"} << QByteArray("/v1/user/validatePassword")
                                   << QByteArray(R"({"email":"a@b.cn","captcha":"123456"})");
    QTest::newRow("new password") << "NewPassword" << QByteArray("KvNewPasswordJson")
                                  << QStringList{"a@b.cn", "123456", "pw3"} << QByteArray("/v1/user/newPassword")
                                  << QByteArray(R"({"email":"a@b.cn","captcha":"123456","password":"pw3"})");
    QTest::newRow("save profile record") << "SaveConfigInfo" << QByteArray("KvSaveConfigInfoJson")
                                         << QStringList{"u1.zip", "zr540", "LocalConfig"} << QByteArray("/v1/driver/config2/save")
                                         << QByteArray(R"({"filePath":"u1.zip","configContent":"","configType":"zr540"})");
    QTest::newRow("save macro record") << "SaveConfigInfo" << QByteArray("KvSaveConfigInfoJson")
                                       << QStringList{"u2.zip", "", "MacroConfig"} << QByteArray("/v1/driver/macro/config/save")
                                       << QByteArray(R"({"filePath":"u2.zip","configContent":"","configType":""})");
    QTest::newRow("profile address") << "GetDownLoadFilePath" << QByteArray("KvDownLoadFilePathJson")
                                     << QStringList{"zr540"} << QByteArray("/v1/driver/config2/get")
                                     << QByteArray(R"({"configType":"zr540"})");
    QTest::newRow("macro address") << "GetDownLoadFilePath" << QByteArray("KvDownLoadFilePathJson")
                                   << QStringList{""} << QByteArray("/v1/driver/macro/config/get") << QByteArray("{}");
    QTest::newRow("firmware version") << "LastVersion" << QByteArray("KvLastFirmVersionJson") << QStringList{"zr540"}
                                      << QByteArray("/v1/driver/version") << QByteArray(R"({"versionType":"zr540-firmware"})");
    QTest::newRow("software version") << "LastVersion" << QByteArray("KvLastSoftwareVersionJson") << QStringList{"zr540"}
                                      << QByteArray("/v1/driver/version") << QByteArray(R"({"versionType":"zr540-software"})");
}

void TestAccountClientWire::jsonRequests()
{
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, body);

    auto object = RequestClasses::make(fetched<QString>("cls"), m_address);
    const QVariantList result = RequestClasses::waitResult(object.get(), [&] {
        QVERIFY(RequestClasses::invoke(object.get(), method.constData(), fetched<QStringList>("args")));
    });
    QCOMPARE(result.value(0).toInt(), 0);
    QCOMPARE(result.value(1).toString(), QString::fromUtf8("好"));

    QCOMPARE(m_server->requests().size(), 1);
    const RecordedRequest& request = m_server->requests().first();
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.target, fetched<QByteArray>("path"));
    QCOMPARE(request.headerValues("Content-Type"), QList<QByteArray>{"application/json"});
    // Nobody has logged in: the store's "NULL" is what is sent.
    QCOMPARE(request.headerValues("Authorization"), QList<QByteArray>{"NULL"});
    QCOMPARE(parseObject(request.body), parseObject(body));
    QVERIFY2(!request.body.contains('\n') && !request.body.contains(": ") && !request.body.contains(", "),
             request.body.constData());  // compact
    if (body == "{}")
        QCOMPARE(request.body, body);
}

void TestAccountClientWire::refusedHereSendNothing()
{
    // A save record of a type it does not know, and an upload of a folder that is not there: no
    // request; the save record gives no result signal, the upload a failure and a trace.
    for (const char* type : {"localconfig", "MacroConfig "}) {
        auto object = RequestClasses::make("SaveConfigInfo", m_address);
        auto spy = RequestClasses::spyOn(object.get());
        QVERIFY(RequestClasses::invoke(object.get(), "KvSaveConfigInfoJson", {"u1.zip", "zr540", type}));
        QVERIFY(!m_server->waitForRequests(1, 500));
        QCOMPARE(spy->count(), 0);
    }
    UploadFile upload(nullptr, m_address);
    auto spy = RequestClasses::spyOn(&upload);
    LogCapture log;
    upload.upLoadConfigFile(m_root->path() + "/absent", false);
    QVERIFY(!m_server->waitForRequests(1, 500));
    // The caller hears of it at once: an upload that never answers would leave it waiting.
    QCOMPARE(spy->count(), 1);
    QCOMPARE(spy->first().at(0).toInt(), -1);
    QVERIFY(log.contains("loginfo = compressDir file failed"));
}

void TestAccountClientWire::replies_data()
{
    QTest::addColumn<QString>("cls");
    QTest::addColumn<int>("status");  // 0: a port where nothing listens
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QVariantList>("expected");

    // No server: every class reports the network error (register in words of its own).
    for (const QString& cls : RequestClasses::names()) {
        QVariantList expected{-1, cls == "RegisterAccount" ? QStringLiteral("Network Error") : kNetwork};
        for (int i = 0; i < RequestClasses::extraCount(cls); ++i)
            expected << QString();
        QTest::newRow(qPrintable(cls + ": no server")) << cls << 0 << QByteArray() << expected;
    }

    // Each class reads "code" and its own data fields: a login without a result code is
    // refused, anything else without one counts as done.
    const QByteArray noCode = R"({"msg":"无代码","data":{"filePath":"p","version":"7","downloadUrl":"u","nickname":"n"}})";
    for (const QString& cls : RequestClasses::names()) {
        QVariantList expected{cls == "LoginAccount" ? 10 : 0, QString::fromUtf8("无代码")};
        const QStringList fields = RequestClasses::extraCount(cls) == 1 ? QStringList{"p"} : QStringList{"7", "u"};
        for (int i = 0; i < RequestClasses::extraCount(cls); ++i)
            expected << fields[i];
        QTest::newRow(qPrintable(cls + ": no code")) << cls << 200 << noCode << expected;
    }
    // What every class reads alike, each on one class.
    QTest::newRow("not JSON") << "LoginAccount" << 200 << QByteArray("<html>oops</html>") << QVariantList{-1, kServer};
    QTest::newRow("JSON but no object") << "UploadFile" << 200 << QByteArray("[0, \"msg\"]") << QVariantList{-1, kServer, ""};
    QTest::newRow("HTTP 500") << "LastVersion" << 500 << QByteArray(R"({"code":0,"msg":"ok"})")
                              << QVariantList{-1, kNetwork, "", ""};
    QTest::newRow("code as text counts as missing, login") << "LoginAccount" << 200
        << QByteArray(R"({"code":"0","msg":"m","data":{"nickname":"n"}})") << QVariantList{10, "m"};
    QTest::newRow("code as text counts as missing, other") << "FindPasswd" << 200
        << QByteArray(R"({"code":"12","msg":"m"})") << QVariantList{0, "m"};
    QTest::newRow("fractional code") << "FindPasswd" << 200 << QByteArray(R"({"code":0.5,"msg":"m"})")
                                     << QVariantList{-1, kServer};
    QTest::newRow("code beyond int") << "SaveConfigInfo" << 200 << QByteArray(R"({"code":1e12,"msg":"m"})")
                                     << QVariantList{-1, kServer};
    QTest::newRow("negative code passes through") << "NewPassword" << 200 << QByteArray(R"({"code":-7,"msg":"m"})")
                                                  << QVariantList{-7, "m"};
    QTest::newRow("refusal passes through") << "ValidatePassword" << 200
        << QString::fromUtf8(R"({"code":20001,"msg":"验证码错误","data":{}})").toUtf8()
        << QVariantList{20001, QString::fromUtf8("验证码错误")};
    QTest::newRow("login refused shows msg") << "LoginAccount" << 200
        << QString::fromUtf8(R"({"code":10003,"msg":"密码错误","data":{"nickname":"n"}})").toUtf8()
        << QVariantList{10003, QString::fromUtf8("密码错误")};
    QTest::newRow("login accepted shows the nickname") << "LoginAccount" << 200
        << QString::fromUtf8(R"({"code":0,"msg":"登录成功","data":{"nickname":"小明"}})").toUtf8()
        << QVariantList{0, QString::fromUtf8("小明")};
    QTest::newRow("fields read on refusal too") << "GetDownLoadFilePath" << 200
        << QByteArray(R"({"code":30006,"msg":"none","data":{"filePath":"http://h/f.zip"}})")
        << QVariantList{30006, "none", "http://h/f.zip"};
    QTest::newRow("version fields") << "LastVersion" << 200
        << QByteArray(R"({"code":0,"msg":"ok","data":{"version":"1.0.0.5","downloadUrl":"https://h/s"}})")
        << QVariantList{0, "ok", "1.0.0.5", "https://h/s"};
    QTest::newRow("data not an object") << "UploadFile" << 200
        << QByteArray(R"({"code":0,"msg":"ok","data":"stored.zip"})") << QVariantList{0, "ok", ""};
    QTest::newRow("fields of another type") << "LastVersion" << 200
        << QByteArray(R"({"code":0,"msg":"ok","data":{"version":7,"downloadUrl":null}})")
        << QVariantList{0, "ok", "", ""};
    QTest::newRow("404 with a JSON body") << "SaveConfigInfo" << 404
        << QByteArray(R"({"code":50003,"msg":"no such path"})") << QVariantList{-1, kNetwork};
    QTest::newRow("reply over 1 MiB") << "FindPasswd" << 200
        << QByteArray(R"({"code":0,"msg":")") + QByteArray(2 << 20, 'a') + "\"}" << QVariantList{-1, kNetwork};
}

void TestAccountClientWire::replies()
{
    QFETCH(QString, cls);
    QFETCH(int, status);
    m_server->setReply(CannedReply{status, {}, fetched<QByteArray>("body")});
    if (status == 0) {
        const quint16 port = FakeHttpServer::closedPort();
        QVERIFY(port != 0);
        m_address = QStringLiteral("http://127.0.0.1:%1").arg(port);
    }

    auto object = RequestClasses::make(cls, m_address);
    const QVariantList result = RequestClasses::waitResult(object.get(), [&] {
        RequestClasses::sendUsual(object.get(), cls, uploadFolder());
    });
    QCOMPARE(result, fetched<QVariantList>("expected"));
    QCOMPARE(OperateToken().GetToken(), QStringLiteral("NULL"));  // no header, nothing stored
}

void TestAccountClientWire::loginStoresIdentity_data()
{
    QTest::addColumn<QByteArray>("headerName");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("stored");
    const QByteArray accepted = QString::fromUtf8(R"({"code":0,"msg":"登录成功","data":{"nickname":"小明"}})").toUtf8();
    QTest::newRow("accepted, header as sent") << QByteArray("Authorization") << accepted << true;
    QTest::newRow("header in lower case") << QByteArray("authorization") << accepted << false;
    QTest::newRow("no header") << QByteArray() << accepted << false;
    QTest::newRow("refused, with a header") << QByteArray("Authorization")
        << QByteArray(R"({"code":10003,"msg":"wrong","data":{}})") << false;
    QTest::newRow("no code, with a header") << QByteArray("Authorization")
        << QByteArray(R"({"msg":"m","data":{"nickname":"n"}})") << false;
    QTest::newRow("not JSON, with a header") << QByteArray("Authorization") << QByteArray("<html/>") << false;
}

void TestAccountClientWire::loginStoresIdentity()
{
    QFETCH(QByteArray, headerName);
    const QByteArray token(64, 'e');
    HeaderList headers;
    if (!headerName.isEmpty())
        headers.append({headerName, token});
    m_server->setJsonReply(fetched<QByteArray>("body"), headers);

    LoginAccount login(nullptr, m_address);
    const QVariantList result = RequestClasses::waitResult(&login, [&] {
        login.KvPostLoginJson(QString::fromUtf8("玩家@example.com"), "secret1");
    });
    QVERIFY(!result.isEmpty());

    OperateToken store;
    if (fetched<bool>("stored")) {
        QCOMPARE(result, (QVariantList{0, QString::fromUtf8("小明")}));
        QCOMPARE(store.GetToken(), QString::fromLatin1(token));
        QCOMPARE(store.GetEmail(), QString::fromUtf8("玩家@example.com"));
        QCOMPARE(store.GetNickName(), QString::fromUtf8("小明"));
        QVERIFY(fileContent(AppPaths::settingsFile()).contains(QString::fromUtf8("nickName=小明").toUtf8()));
    } else {
        QCOMPARE(store.GetToken(), QStringLiteral("NULL"));
        QCOMPARE(store.GetEmail(), QStringLiteral("NULL"));
        QCOMPARE(store.GetNickName(), QStringLiteral("NULL"));
    }
}

void TestAccountClientWire::tokenSentAfterLogin()
{
    const QByteArray token = "0123456789abcdef0123456789abcdef";
    m_server->setJsonReply(R"({"code":0,"msg":"ok","data":{"nickname":"n"}})", {{"Authorization", token}});
    LoginAccount login(nullptr, m_address);
    QVERIFY(!RequestClasses::waitResult(&login, [&] { login.KvPostLoginJson("a@b.cn", "secret1"); }).isEmpty());
    // A request object made before the login sends the new token too.
    auto early = RequestClasses::make("FindPasswd", m_address);

    m_server->clearRequests();
    QVERIFY(!RequestClasses::waitResult(early.get(), [&] { RequestClasses::invoke(early.get(), "KvFindPasswdJson", {"a@b.cn"}); }).isEmpty());
    QCOMPARE(m_server->requests().value(0).headerValues("Authorization"), QList<QByteArray>{token});

    m_server->clearRequests();
    UploadFile upload(nullptr, m_address);
    QVERIFY(!RequestClasses::waitResult(&upload, [&] { upload.upLoadConfigFile(uploadFolder(), true); }).isEmpty());
    const RecordedRequest request = m_server->requests().value(0);
    QList<MultipartPart> parts;
    QVERIFY(parseMultipart(request.header("Content-Type"), request.body, parts));
    QCOMPARE(parts.size(), 1);
    QList<QByteArray> partTokens;
    for (const auto& header : parts[0].headers)
        if (header.first == "Authorization") partTokens << header.second;
    QCOMPARE(partTokens, QList<QByteArray>{token});
}

void TestAccountClientWire::uploadWireFormat_data()
{
    QTest::addColumn<bool>("macros");
    QTest::addColumn<QByteArray>("disposition");
    QTest::newRow("profiles") << false << QByteArray(R"(form-data; name="file"; filename="LocalFile.zip")");
    QTest::newRow("macros") << true << QByteArray(R"(form-data; name="file"; filename="MacroFiles.zip")");
}

void TestAccountClientWire::uploadWireFormat()
{
    m_server->setJsonReply(QString::fromUtf8(R"({"code":0,"msg":"上传成功","data":{"filePath":"stored-1.zip"}})").toUtf8());
    // An archive left from an earlier upload is replaced, not appended to.
    QVERIFY(writeWholeFile(uploadFolder() + ".zip", QByteArray(5000, 'x')));

    UploadFile upload(nullptr, m_address);
    LogCapture log;
    const QVariantList result = RequestClasses::waitResult(&upload, [&] {
        upload.upLoadConfigFile(uploadFolder(), fetched<bool>("macros"));
    });
    QCOMPARE(result, (QVariantList{0, QString::fromUtf8("上传成功"), "stored-1.zip"}));
    QVERIFY(!log.lines().filter("loginfo = OnUploadProgress").isEmpty());

    QCOMPARE(m_server->requests().size(), 1);
    const RecordedRequest request = m_server->requests().first();
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.target, QByteArray("/v1/file/upload"));
    QVERIFY(request.headerValues("Authorization").isEmpty());
    QVERIFY2(request.header("Content-Type").startsWith("multipart/form-data; boundary="),
             request.header("Content-Type").constData());

    QList<MultipartPart> parts;
    QVERIFY(parseMultipart(request.header("Content-Type"), request.body, parts));
    QCOMPARE(parts.size(), 1);
    const MultipartPart& part = parts.first();
    QStringList names;
    for (const auto& header : part.headers) names << QString::fromLatin1(header.first).toLower();
    names.sort();
    QCOMPARE(names, (QStringList{"authorization", "content-disposition"}));
    RecordedRequest partHeaders;
    partHeaders.headers = part.headers;
    QCOMPARE(partHeaders.header("Content-Disposition"), fetched<QByteArray>("disposition"));
    QCOMPARE(partHeaders.header("Authorization"), QByteArray("NULL"));

    // The part holds the archive's bytes as written beside the folder, and the archive holds
    // the folder.
    QCOMPARE(part.content, fileContent(uploadFolder() + ".zip"));
    const QString unpacked = m_root->path() + "/unpacked";
    QStringList files;
    QCOMPARE(SafeArchive::extract(uploadFolder() + ".zip", unpacked, &files), SafeArchive::Extracted);
    QCOMPARE(files.size(), 2);
    QCOMPARE(fileContent(unpacked + "/Config1.txt"), QByteArray(300, 'p'));
    QCOMPARE(fileContent(unpacked + QString::fromUtf8("/子目录/宏.json")), QByteArray("{\"a\":1}"));
}

void TestAccountClientWire::downloader_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("ok");
    QByteArray binary;
    for (int i = 0; i < 70000; ++i) binary.append(char(i * 7));
    QTest::newRow("archive") << 200 << binary << true;
    QTest::newRow("empty file") << 200 << QByteArray() << true;
    QTest::newRow("not found") << 404 << QByteArray(R"({"code":30008,"msg":"missing"})") << false;
}

void TestAccountClientWire::downloader()
{
    QFETCH(QByteArray, body);
    m_server->setReply(CannedReply{fetched<int>("status"), {{"Content-Type", "application/zip"}}, body});

    FileDownloader downloader;
    QSignalSpy spy(&downloader, &FileDownloader::downloaded);
    // The address is used as given, query and escapes included.
    downloader.startDownload(m_server->baseUrl() + "/v1/file/download/a%20b.zip?x=1&y=%E4%B8%AD");
    QVERIFY(spy.wait(10000));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(m_server->requests().value(0).method, QByteArray("GET"));
    QCOMPARE(m_server->requests().value(0).target, QByteArray("/v1/file/download/a%20b.zip?x=1&y=%E4%B8%AD"));
    QCOMPARE(downloader.downloadedData(), body);
    QCOMPARE(downloader.lastDownloadOk(), fetched<bool>("ok"));

    const QString saved = m_root->path() + "/Update/UpdateCodeTool.mtp";
    QVERIFY(writeWholeFile(saved, "older and longer content"));
    QVERIFY(downloader.saveTo(saved));
    QCOMPARE(fileContent(saved), body);
}

void TestAccountClientWire::requestObjectInWorkerThread()
{
    // The way the pages use it: the object lives in a worker thread and is reached by queued
    // calls; its result comes back to this thread.
    m_server->setJsonReply(R"({"code":0,"msg":"ok","data":{"version":"9","downloadUrl":"http://h/fw"}})");
    QThread thread;
    auto* query = new LastVersion(nullptr, m_address);
    query->moveToThread(&thread);
    thread.start();
    QSignalSpy spy(query, &LastVersion::sigLastVersionRet);
    QVERIFY(QMetaObject::invokeMethod(query, "KvLastFirmVersionJson", Qt::QueuedConnection,
                                      Q_ARG(QString, "zr540")));
    QVERIFY(spy.wait(10000));
    QCOMPARE(spy.first(), (QVariantList{0, "ok", "9", "http://h/fw"}));
    QCOMPARE(parseObject(m_server->requests().value(0).body), parseObject(R"({"versionType":"zr540-firmware"})"));
    thread.quit();
    QVERIFY(thread.wait(10000));
    delete query;
}

QTEST_GUILESS_MAIN(TestAccountClientWire)
#include "tst_accountclient_wire.moc"
