// The account client against the real account server on a loopback port: the request classes
// accepted and refused, the token stored by a login and sent afterwards, password change and
// recovery, a cloud round trip (upload, save record, download address, download, unpacking),
// and the version queries with the firmware download.
#include "apppaths.h"
#include "filedownloader.h"
#include "operatetoken.h"
#include "requestclasses.h"
#include "safearchive.h"
#include "serverprocess.h"
#include "uploadfile.h"
#include "wholefile.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString kNickname = QString::fromUtf8("测试用户");

QString u(const char* text) { return QString::fromUtf8(text); }

QByteArray fileBytes(const QString& path)
{
    QByteArray bytes;
    readWholeFile(path, bytes);
    return bytes;
}

QMap<QString, QByteArray> filesBelow(const QString& root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(root).relativeFilePath(path), fileBytes(path));
    }
    return files;
}

// One request of a fresh object of class `cls`: its operation `method` with `args`, and the
// arguments of its result signal.
QVariantList call(const QString& cls, const char* method, const QStringList& args)
{
    auto object = RequestClasses::make(cls);
    return RequestClasses::waitResult(object.get(), [&] { QVERIFY(RequestClasses::invoke(object.get(), method, args)); });
}

}  // namespace

class TestAccountClientServer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void refusedBeforeLogin_data();
    void refusedBeforeLogin();
    void accountLifecycle();
    void cloudRoundTrip();
    void versions_data();
    void versions();

private:
    QTemporaryDir m_work;
    std::unique_ptr<ServerProcess> m_server;
    std::unique_ptr<QTemporaryDir> m_root;
    QByteArray m_firmware;
};

void TestAccountClientServer::initTestCase()
{
    QVERIFY(m_work.isValid());
    for (int i = 0; i < 3000; ++i) m_firmware.append(char(i * 31 + 7));
    QVERIFY(writeWholeFile(m_work.path() + "/firmware.bin", m_firmware));
    m_server = std::make_unique<ServerProcess>(m_work.path() + "/server");
    QVERIFY2(m_server->start({"--software-version", "1.2.3.4", "--software-url", "https://example.com/zr540",
                              "--firmware-version", "7", "--firmware-file", m_work.path() + "/firmware.bin"}),
             m_server->output().constData());
    KVAccountManage::setDefaultBaseAddress(m_server->baseUrl());
}

void TestAccountClientServer::init()
{
    // Each test starts logged out, with its own settings file.
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    AppPaths::setDataRoot(m_root->path());
}

void TestAccountClientServer::cleanupTestCase()
{
    if (m_server)
        QCOMPARE(m_server->stop(), 0);
}

void TestAccountClientServer::refusedBeforeLogin_data()
{
    QTest::addColumn<QString>("cls");
    for (const char* cls : {"UpdatePasswdAccount", "UploadFile", "SaveConfigInfo", "GetDownLoadFilePath"})
        QTest::newRow(cls) << cls;
}

void TestAccountClientServer::refusedBeforeLogin()
{
    // The token sent is "NULL", which the server knows as nobody.
    QFETCH(QString, cls);
    QCOMPARE(OperateToken().GetToken(), QStringLiteral("NULL"));
    const QString folder = m_root->path() + "/ConfigFiles/LocalFile";
    QVERIFY(writeWholeFile(folder + "/Config1.txt", "profile"));
    auto object = RequestClasses::make(cls);
    const QVariantList result = RequestClasses::waitResult(object.get(), [&] {
        RequestClasses::sendUsual(object.get(), cls, folder);
    });
    QCOMPARE(result.value(0).toInt(), 11001);
    QCOMPARE(result.value(1).toString(), u("未登录或登录已失效，请重新登录"));
}

void TestAccountClientServer::accountLifecycle()
{
    // Register, log in (the identity stored), change the password with the stored token, then
    // recover it by the code the server logs in place of a mail.
    const QString email = "life@example.com";
    auto registerAs = [](const QString& address, const QString& repetition) {
        return call("RegisterAccount", "KvPostRegisiterJson", {kNickname, address, "secret1", repetition});
    };
    auto login = [](const QString& address, const QString& password) {
        return call("LoginAccount", "KvPostLoginJson", {address, password});
    };
    QCOMPARE(registerAs(email, "secret1"), (QVariantList{0, u("注册成功")}));
    QCOMPARE(registerAs("other@example.com", "secret1").value(0).toInt(), 0);
    QCOMPARE(registerAs("LIFE@example.com", "secret1"), (QVariantList{10005, u("该邮箱已被注册")}));
    QCOMPARE(registerAs("x1@example.com", "secret2"), (QVariantList{10006, u("两次输入的密码不一致")}));
    QCOMPARE(login(email, "secret2"), (QVariantList{10003, u("密码错误")}));
    QCOMPARE(login("nobody@example.com", "secret1"), (QVariantList{10004, u("账号不存在")}));
    OperateToken store;
    QCOMPARE(store.GetToken(), QStringLiteral("NULL"));
    QCOMPARE(store.GetNickName(), QStringLiteral("NULL"));

    QCOMPARE(login(email, "secret1"), (QVariantList{0, kNickname}));
    QVERIFY2(QRegularExpression("^[0-9a-f]{64}$").match(store.GetToken()).hasMatch(), qPrintable(store.GetToken()));
    QCOMPARE(store.GetEmail(), email);
    QCOMPARE(store.GetNickName(), kNickname);
    QVERIFY(fileBytes(AppPaths::settingsFile()).contains(("nickName=" + kNickname).toUtf8()));

    QCOMPARE(call("UpdatePasswdAccount", "KvUpdatePasswdJson", {email, "secret1", "secret9"}), (QVariantList{0, u("密码修改成功")}));
    // The token is of this account only.
    QCOMPARE(call("UpdatePasswdAccount", "KvUpdatePasswdJson", {"other@example.com", "secret1", "secret9"}).value(0).toInt(), 11002);
    QCOMPARE(login(email, "secret1").value(0).toInt(), 10003);
    QCOMPARE(login(email, "secret9").value(0).toInt(), 0);

    const int from = m_server->output().size();
    QCOMPARE(call("FindPasswd", "KvFindPasswdJson", {email}).value(0).toInt(), 0);
    const QString code = m_server->waitForCode(email, from);
    QVERIFY(!code.isEmpty());
    const QString wrong = code == "000000" ? "111111" : "000000";
    QCOMPARE(call("ValidatePassword", "KvValidatePasswordJson", {email, wrong}), (QVariantList{20001, u("验证码错误")}));
    QCOMPARE(call("ValidatePassword", "KvValidatePasswordJson", {email, code}).value(0).toInt(), 0);
    QCOMPARE(call("NewPassword", "KvNewPasswordJson", {email, code, "secret5"}), (QVariantList{0, u("密码已重置，请重新登录")}));
    QCOMPARE(login(email, "secret9").value(0).toInt(), 10003);
    QCOMPARE(login(email, "secret5").value(0).toInt(), 0);
}

void TestAccountClientServer::cloudRoundTrip()
{
    QCOMPARE(call("RegisterAccount", "KvPostRegisiterJson", {kNickname, "cloud@example.com", "secret1", "secret1"}).value(0).toInt(), 0);
    QCOMPARE(call("LoginAccount", "KvPostLoginJson", {"cloud@example.com", "secret1"}).value(0).toInt(), 0);

    const QString profiles = AppPaths::localFileDir();
    const QString macros = AppPaths::macroFilesDir();
    for (int n = 1; n <= 5; ++n)
        QVERIFY(writeWholeFile(AppPaths::profileFile(n), QByteArray(234, char('0' + n))));
    QVERIFY(writeWholeFile(macros + QString::fromUtf8("/连点宏/连点宏.json"), "{\"macro\":[1,2,3]}"));
    QVERIFY(writeWholeFile(macros + "/Empty Title/x.json", "{}"));

    struct Kind { QString folder; bool macro; QString mouseType; QString recordType; };
    for (const Kind& kind : {Kind{profiles, false, "zr540", "LocalConfig"}, Kind{macros, true, "", "MacroConfig"}}) {
        const QMap<QString, QByteArray> original = filesBelow(kind.folder);
        UploadFile upload;
        const QVariantList uploaded = RequestClasses::waitResult(&upload, [&] {
            upload.upLoadConfigFile(kind.folder, kind.macro);
        });
        QCOMPARE(uploaded.value(0).toInt(), 0);
        QCOMPARE(uploaded.value(1).toString(), QString::fromUtf8("上传成功"));
        const QString stored = uploaded.value(2).toString();
        QVERIFY(!stored.isEmpty());

        QCOMPARE(call("SaveConfigInfo", "KvSaveConfigInfoJson", {stored, kind.mouseType, kind.recordType}),
                 (QVariantList{0, QString::fromUtf8("保存成功")}));
        const QVariantList located = call("GetDownLoadFilePath", "KvDownLoadFilePathJson", {kind.mouseType});
        QCOMPARE(located.value(0).toInt(), 0);
        const QString url = located.value(2).toString();
        QVERIFY2(url.startsWith(m_server->baseUrl() + "/"), qPrintable(url));

        FileDownloader downloader;
        QSignalSpy done(&downloader, &FileDownloader::downloaded);
        downloader.startDownload(url);
        QVERIFY(done.wait(15000));
        QVERIFY(downloader.lastDownloadOk());
        QCOMPARE(downloader.downloadedData(), fileBytes(kind.folder + ".zip"));

        // Another computer: the folder as it was uploaded, with an older file replaced.
        const QString elsewhere = m_root->path() + "/elsewhere/" + QFileInfo(kind.folder).fileName();
        QVERIFY(writeWholeFile(elsewhere + "/keep.txt", "kept"));
        QVERIFY(writeWholeFile(elsewhere + "/" + original.firstKey(), "older"));
        QVERIFY(downloader.saveTo(elsewhere + ".zip"));
        QStringList files;
        QCOMPARE(SafeArchive::extract(elsewhere + ".zip", elsewhere, &files), SafeArchive::Extracted);
        QCOMPARE(files.size(), original.size());
        QMap<QString, QByteArray> expected = original;
        expected.insert("keep.txt", "kept");
        QCOMPARE(filesBelow(elsewhere), expected);
    }
}

void TestAccountClientServer::versions_data()
{
    QTest::addColumn<bool>("firmware");
    QTest::addColumn<QString>("versionType");
    QTest::addColumn<QVariantList>("expected");
    const QString ok = QString::fromUtf8("获取成功");
    QTest::newRow("firmware") << true << "zr540"
                              << QVariantList{0, ok, "7", m_server->baseUrl() + "/v1/driver/firmware/download"};
    QTest::newRow("software") << false << "zr540" << QVariantList{0, ok, "1.2.3.4", "https://example.com/zr540"};
    QTest::newRow("other model") << false << "zr541"
                                 << QVariantList{40001, QString::fromUtf8("不支持的版本类型"), "", ""};
}

void TestAccountClientServer::versions()
{
    QFETCH(bool, firmware);
    QFETCH(QString, versionType);
    QFETCH(QVariantList, expected);
    const QVariantList result =
        call("LastVersion", firmware ? "KvLastFirmVersionJson" : "KvLastSoftwareVersionJson", {versionType});
    QCOMPARE(result, expected);
    if (!firmware || result.value(0).toInt() != 0)
        return;
    FileDownloader downloader;
    QSignalSpy done(&downloader, &FileDownloader::downloaded);
    downloader.startDownload(result.value(3).toString());
    QVERIFY(done.wait(15000));
    QVERIFY(downloader.lastDownloadOk());
    QCOMPARE(downloader.downloadedData(), m_firmware);
}

QTEST_GUILESS_MAIN(TestAccountClientServer)
#include "tst_accountclient_server.moc"
