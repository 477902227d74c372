// The account client on the wire, against a small local HTTP server: every request as sent,
// replies the real server never sends, and no server. (Uploads and downloads go through the
// window and the account pages to the real server.)
#include "apppaths.h"
#include "findpasswd.h"
#include "getdownloadfilepath.h"
#include "lastversion.h"
#include "loginaccount.h"
#include "logoutaccount.h"
#include "newpassword.h"
#include "operatetoken.h"
#include "registeraccount.h"
#include "saveconfiginfo.h"
#include "testhelpers.h"
#include "updatepasswdaccount.h"
#include "uploadfile.h"
#include "validatepassword.h"
#include "wholefile.h"

#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

// A small HTTP/1.1 server on a loopback port: it records every request as it arrived and answers
// each with the reply the test set, also what the real server never sends (not JSON, a header
// name in another letter case, error statuses), then closes the connection.
struct RecordedRequest {
    QByteArray method, target, head, body;  // head: the header lines as sent
    QList<QByteArray> headerValues(const QByteArray& name) const {  // letter case aside
        QList<QByteArray> values;
        for (const QByteArray& line : head.split('\n'))
            if (line.left(line.indexOf(':')).toLower() == name.toLower())
                values.append(line.mid(line.indexOf(':') + 1).trimmed());
        return values;
    }
};

struct FakeHttpServer : QTcpServer {
    struct {
        int status = 200;
        QByteArray headers;  // whole lines
        QByteArray body;
    } reply;
    QList<RecordedRequest> requests;

    FakeHttpServer() {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onData(socket); });
        });
    }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }

    void onData(QTcpSocket* socket) {
        const QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
        socket->setProperty("buffer", buffer);
        const int end = buffer.indexOf("\r\n\r\n"), lineEnd = buffer.indexOf("\r\n");
        const QList<QByteArray> line = buffer.left(lineEnd).split(' ');
        RecordedRequest request{line.value(0), line.value(1), buffer.mid(lineEnd + 2, end - lineEnd - 2), {}};
        const int length = request.headerValues("Content-Length").value(0).toInt();
        if (end < 0 || buffer.size() - (end + 4) < length)
            return;  // the request is still coming
        request.body = buffer.mid(end + 4, length);
        requests.append(request);
        socket->write("HTTP/1.1 " + QByteArray::number(reply.status) + " Canned\r\n" + reply.headers + "Content-Length: " +
                      QByteArray::number(reply.body.size()) + "\r\nConnection: close\r\n\r\n" + reply.body);
        socket->disconnectFromHost();
    }
};

const QString kNetwork = QStringLiteral("Network Error, please try again later");
const QString kServer = QStringLiteral("Server error, please try again later");

// Each operation of every request class as the server sees it; the first of a class is its usual one.
template <class T> KVAccountManage* create(const QString& address) { return new T(nullptr, address); }

struct Operation {
    KVAccountManage* (*make)(const QString& address);
    const char *cls, *method;
    QStringList args;
    const char *path, *body, *token;  // nobody has logged in: the store's "NULL" is sent
};
const Operation kOperations[] = {
    {create<LoginAccount>, "LoginAccount", "KvPostLoginJson", {"a@b.cn", "pw1"}, "/v1/user/login", R"({"email":"a@b.cn","password":"pw1"})", "NULL"},
    {create<RegisterAccount>, "RegisterAccount", "KvPostRegisiterJson", {"小明", "a@b.cn", "pw1", "pw2"}, "/v1/user/register", R"({"nickname":"小明","email":"a@b.cn","password":"pw1","rePassword":"pw2"})", "NULL"},
    {create<UpdatePasswdAccount>, "UpdatePasswdAccount", "KvUpdatePasswdJson", {"a@b.cn", "old1", "new1"}, "/v1/user/updatePassword", R"({"email":"a@b.cn","password":"old1","rePassword":"new1"})", "NULL"},
    {create<FindPasswd>, "FindPasswd", "KvFindPasswdJson", {"a@b.cn"}, "/v1/user/findPassword", R"({"email":"a@b.cn"})", "NULL"},
    {create<ValidatePassword>, "ValidatePassword", "KvValidatePasswordJson", {"a@b.cn", "123456"}, "/v1/user/validatePassword", R"({"email":"a@b.cn","captcha":"123456"})", "NULL"},
    {create<NewPassword>, "NewPassword", "KvNewPasswordJson", {"a@b.cn", "123456", "pw3"}, "/v1/user/newPassword", R"({"email":"a@b.cn","captcha":"123456","password":"pw3"})", "NULL"},
    {create<SaveConfigInfo>, "SaveConfigInfo", "KvSaveConfigInfoJson", {"u1.zip", "zr540", "LocalConfig"}, "/v1/driver/config2/save", R"({"filePath":"u1.zip","configContent":"","configType":"zr540"})", "NULL"},
    {create<SaveConfigInfo>, "SaveConfigInfo", "KvSaveConfigInfoJson", {"u2.zip", "", "MacroConfig"}, "/v1/driver/macro/config/save", R"({"filePath":"u2.zip","configContent":"","configType":""})", "NULL"},
    {create<GetDownLoadFilePath>, "GetDownLoadFilePath", "KvDownLoadFilePathJson", {"zr540"}, "/v1/driver/config2/get", R"({"configType":"zr540"})", "NULL"},
    {create<GetDownLoadFilePath>, "GetDownLoadFilePath", "KvDownLoadFilePathJson", {""}, "/v1/driver/macro/config/get", "{}", "NULL"},
    {create<LastVersion>, "LastVersion", "KvLastFirmVersionJson", {"zr540"}, "/v1/driver/version", R"({"versionType":"zr540-firmware"})", "NULL"},
    {create<LastVersion>, "LastVersion", "KvLastSoftwareVersionJson", {"zr540"}, "/v1/driver/version", R"({"versionType":"zr540-software"})", "NULL"},
    {create<LogoutAccount>, "LogoutAccount", "KvLogoutJson", {"9f00"}, "/v1/user/logout", "{}", "9f00"},  // the token given, not the stored one
    {create<UploadFile>, "UploadFile", nullptr, {}, "/v1/file/upload", "", "NULL"},  // no JSON: replies only
};

// The object's one result signal; code and message come first.
QMetaMethod resultSignal(const QObject* object) {
    const QMetaObject* meta = object->metaObject();
    int signal = meta->methodOffset();
    while (meta->method(signal).methodType() != QMetaMethod::Signal)
        ++signal;
    return meta->method(signal);
}

// Calls a Kv operation through the meta-object system, the way pages reach objects in worker threads.
bool invoke(QObject* object, const char* method, const QStringList& a) {
    QGenericArgument args[4];
    for (int i = 0; i < a.size() && i < 4; ++i)
        args[i] = Q_ARG(QString, a[i]);
    return QMetaObject::invokeMethod(object, method, args[0], args[1], args[2], args[3]);
}

// Calls `send`, waits for the object's one result signal and gives its arguments: empty when
// none came, a one-element note when more than one came.
QVariantList waitResult(QObject* object, const std::function<void()>& send) {
    QSignalSpy spy(object, (QByteArray::number(QSIGNAL_CODE) + resultSignal(object).methodSignature()).constData());
    send();
    if (spy.isEmpty() && !spy.wait(15000))
        return {};
    // Every reply handled and gone: nothing more can come, and a second signal would be a fault.
    if (!QTest::qWaitFor([object] { return object->findChildren<QNetworkReply*>().isEmpty(); }, 15000))
        return {QStringLiteral("a reply never ended")};
    return spy.count() == 1 ? spy.takeFirst() : QVariantList{QStringLiteral("signals: %1").arg(spy.count())};
}

}  // namespace

class TestAccountClientWire : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_root = std::make_unique<QTemporaryDir>();
        AppPaths::setDataRoot(m_root->path());
        m_server = std::make_unique<FakeHttpServer>();
        m_server->reply = {200, {}, QString::fromUtf8(R"({"code":0,"msg":"好","data":{"nickname":"好"}})").toUtf8()};
        QVERIFY(writeWholeFile(uploadFolder() + "/Config1.txt", QByteArray(300, 'p')));
    }

    void jsonRequests_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(kOperations)); ++i)
            if (kOperations[i].method)
                QTest::newRow(qPrintable(QString(kOperations[i].method) + " " + kOperations[i].path)) << i;
    }

    void jsonRequests() {
        const Operation& op = kOperations[fetched<int>("row")];
        std::unique_ptr<KVAccountManage> object(op.make(m_server->baseUrl()));
        const QVariantList result = waitResult(object.get(), [&] { QVERIFY(invoke(object.get(), op.method, op.args)); });
        QCOMPARE(result.mid(0, 2), (QVariantList{0, QString::fromUtf8("好")}));
        QCOMPARE(m_server->requests.size(), 1);
        const RecordedRequest& request = m_server->requests.first();
        QCOMPARE(request.method + " " + request.target, "POST " + QByteArray(op.path));
        QCOMPARE(request.headerValues("Content-Type"), QList<QByteArray>{"application/json"});
        QCOMPARE(request.headerValues("Authorization"), QList<QByteArray>{op.token});
        QCOMPARE(QJsonDocument::fromJson(request.body), QJsonDocument::fromJson(QString::fromUtf8(op.body).toUtf8()));
    }

    void uploadOfNoFolderFailsAtOnce() {  // without a request: a reply would be there until it ended
        UploadFile upload(nullptr, m_server->baseUrl());
        QSignalSpy uploaded(&upload, &UploadFile::sigUploadFileRet);
        upload.upLoadConfigFile(m_root->path() + "/absent", false);
        QVERIFY(uploaded.count() == 1 && uploaded.first().at(0).toInt() == -1);
        QVERIFY(upload.findChildren<QNetworkReply*>().isEmpty());
    }

    void replies_data() {
        QTest::addColumn<QString>("cls");
        QTest::addColumn<int>("status");  // 0: a port where nothing listens
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QVariantList>("expected");
        // Without a server; with a reply without "code" (a login without one is refused, anything
        // else counts as done), reading the class's own data fields.
        const QByteArray noCode = R"({"msg":"m","data":{"filePath":"p","version":"7","downloadUrl":"u","nickname":"n"}})";
        QTest::newRow("no server") << "LastVersion" << 0 << QByteArray() << QVariantList{-1, kNetwork, "", ""};
        QTest::newRow("no server, register") << "RegisterAccount" << 0 << QByteArray() << QVariantList{-1, "Network Error"};
        QTest::newRow("no server, upload") << "UploadFile" << 0 << QByteArray() << QVariantList{-1, kNetwork, ""};
        QTest::newRow("no code, login") << "LoginAccount" << 200 << noCode << QVariantList{10, "m"};
        QTest::newRow("no code, file path") << "GetDownLoadFilePath" << 200 << noCode << QVariantList{0, "m", "p"};
        QTest::newRow("no code, version") << "LastVersion" << 200 << noCode << QVariantList{0, "m", "7", "u"};
        QTest::newRow("no code, upload") << "UploadFile" << 200 << noCode << QVariantList{0, "m", "p"};
        // What every class reads alike, each on one class.
        QTest::newRow("not JSON") << "LoginAccount" << 200 << QByteArray("<html>oops</html>") << QVariantList{-1, kServer};
        QTest::newRow("HTTP error status") << "LastVersion" << 500 << QByteArray(R"({"code":0,"msg":"ok"})") << QVariantList{-1, kNetwork, "", ""};
        QTest::newRow("code as text, login") << "LoginAccount" << 200 << QByteArray(R"({"code":"0","msg":"m","data":{"nickname":"n"}})") << QVariantList{10, "m"};
        QTest::newRow("fractional code") << "FindPasswd" << 200 << QByteArray(R"({"code":0.5,"msg":"m"})") << QVariantList{-1, kServer};
        QTest::newRow("code beyond int") << "SaveConfigInfo" << 200 << QByteArray(R"({"code":1e12,"msg":"m"})") << QVariantList{-1, kServer};
        QTest::newRow("login accepted shows the nickname") << "LoginAccount" << 200 << QByteArray(R"({"code":0,"msg":"ok","data":{"nickname":"n"}})") << QVariantList{0, "n"};
        QTest::newRow("fields read on refusal too") << "GetDownLoadFilePath" << 200 << QByteArray(R"({"code":30006,"msg":"none","data":{"filePath":"f"}})") << QVariantList{30006, "none", "f"};
        QTest::newRow("fields of another type") << "LastVersion" << 200 << QByteArray(R"({"code":0,"msg":"ok","data":{"version":7,"downloadUrl":null}})") << QVariantList{0, "ok", "", ""};
        QTest::newRow("reply over 1 MiB") << "FindPasswd" << 200 << QByteArray(R"({"code":0,"msg":")") + QByteArray(2 << 20, 'a') + "\"}" << QVariantList{-1, kNetwork};
    }

    void replies() {
        QFETCH(QString, cls);
        m_server->reply = {fetched<int>("status"), {}, fetched<QByteArray>("body")};
        QString address = m_server->baseUrl();
        if (fetched<int>("status") == 0) {
            QTcpServer probe;  // a port that was free a moment ago
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            address = QStringLiteral("http://127.0.0.1:%1").arg(probe.serverPort());
        }
        const Operation* op = std::find_if(std::begin(kOperations), std::end(kOperations), [&](const Operation& o) { return cls == o.cls; });
        std::unique_ptr<KVAccountManage> object(op->make(address));
        QCOMPARE(waitResult(object.get(), [&] {
            cls == "UploadFile" ? static_cast<UploadFile*>(object.get())->upLoadConfigFile(uploadFolder(), false) : void(invoke(object.get(), op->method, op->args));
        }), fetched<QVariantList>("expected"));
    }

    void loginStoresIdentity_data() {
        QTest::addColumn<QByteArray>("headerName");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("stored");
        const QByteArray accepted = QString::fromUtf8(R"({"code":0,"msg":"登录成功","data":{"nickname":"小明"}})").toUtf8();
        QTest::newRow("accepted, header as sent") << QByteArray("Authorization") << accepted << true;
        QTest::newRow("header in lower case") << QByteArray("authorization") << accepted << false;
        QTest::newRow("refused, with a header") << QByteArray("Authorization") << QByteArray(R"({"code":10003,"msg":"wrong","data":{}})") << false;
    }

    void loginStoresIdentity() {
        const QByteArray header = fetched<QByteArray>("headerName") + ": " + QByteArray(64, 'e') + "\r\n";
        m_server->reply = {200, header, fetched<QByteArray>("body")};
        LoginAccount login(nullptr, m_server->baseUrl());
        QVERIFY(!waitResult(&login, [&] { login.KvPostLoginJson(QString::fromUtf8("玩家@example.com"), "secret1"); }).isEmpty());
        const bool stored = fetched<bool>("stored");
        OperateToken store;
        QCOMPARE((QStringList{store.GetToken(), store.GetEmail(), store.GetNickName()}),
                 (stored ? QStringList{QString(64, 'e'), QString::fromUtf8("玩家@example.com"), QString::fromUtf8("小明")} : QStringList{"NULL", "NULL", "NULL"}));
        QCOMPARE(fileContent(AppPaths::settingsFile()).contains(QString::fromUtf8("nickName=小明").toUtf8()), stored);
    }

private:
    QString uploadFolder() const { return m_root->path() + "/ConfigFiles/LocalFile"; }

    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<FakeHttpServer> m_server;
};

QTEST_GUILESS_MAIN(TestAccountClientWire)
#include "tst_accountclient_wire.moc"
