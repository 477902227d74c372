// The account client against the real account server on a loopback port: every request class
// accepted and refused, the token stored by a login and sent afterwards, password change and
// recovery, a cloud round trip (upload, save record, download address, download, unpacking),
// and the version queries with the firmware download.
#include "apppaths.h"
#include "filedownloader.h"
#include "findpasswd.h"
#include "getdownloadfilepath.h"
#include "lastversion.h"
#include "loginaccount.h"
#include "newpassword.h"
#include "operatetoken.h"
#include "registeraccount.h"
#include "requestclasses.h"
#include "safearchive.h"
#include "saveconfiginfo.h"
#include "serverprocess.h"
#include "updatepasswdaccount.h"
#include "uploadfile.h"
#include "validatepassword.h"
#include "wholefile.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString kNotLoggedIn = QString::fromUtf8("未登录或登录已失效，请重新登录");
const QString kNickname = QString::fromUtf8("测试用户");

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

}  // namespace

class TestAccountClientServer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void refusedBeforeLogin_data();
    void refusedBeforeLogin();
    void registerAccount_data();
    void registerAccount();
    void login_data();
    void login();
    void changePasswordWithTheStoredToken();
    void recoverPassword();
    void cloudRoundTrip();
    void versions_data();
    void versions();
    void firmwareDownload();

private:
    QString freshEmail() { return QStringLiteral("user%1@example.com").arg(++m_accounts); }
    QVariantList registerAccount(const QString& email, const QString& password);
    QVariantList loginAs(const QString& email, const QString& password);

    QTemporaryDir m_work;
    std::unique_ptr<ServerProcess> m_server;
    std::unique_ptr<QTemporaryDir> m_root;
    QByteArray m_firmware;
    int m_accounts = 0;
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

QVariantList TestAccountClientServer::registerAccount(const QString& email, const QString& password)
{
    RegisterAccount request;
    return RequestClasses::waitResult(&request, [&] {
        request.KvPostRegisiterJson(kNickname, email, password, password);
    });
}

QVariantList TestAccountClientServer::loginAs(const QString& email, const QString& password)
{
    LoginAccount request;
    return RequestClasses::waitResult(&request, [&] { request.KvPostLoginJson(email, password); });
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
    QCOMPARE(result.value(1).toString(), kNotLoggedIn);
}

void TestAccountClientServer::registerAccount_data()
{
    QTest::addColumn<QString>("nickname");
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("repetition");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("msg");
    QTest::newRow("accepted") << kNickname << "new@example.com" << "secret1" << "secret1" << 0
                              << QString::fromUtf8("注册成功");
    QTest::newRow("e-mail taken") << "n" << "TAKEN@example.com" << "secret1" << "secret1" << 10005
                                  << QString::fromUtf8("该邮箱已被注册");
    QTest::newRow("repetition differs") << "n" << "x1@example.com" << "secret1" << "secret2" << 10006
                                        << QString::fromUtf8("两次输入的密码不一致");
    QTest::newRow("not an e-mail") << "n" << "nobody" << "secret1" << "secret1" << 10007
                                   << QString::fromUtf8("邮箱格式不正确");
    QTest::newRow("short password") << "n" << "x2@example.com" << "abc" << "abc" << 10008
                                    << QString::fromUtf8("密码长度须为6到64个字符");
}

void TestAccountClientServer::registerAccount()
{
    QFETCH(QString, nickname);
    QFETCH(QString, email);
    QFETCH(QString, password);
    QFETCH(QString, repetition);
    QFETCH(int, code);
    QFETCH(QString, msg);
    static bool taken = false;
    if (!taken) {
        QCOMPARE(registerAccount("taken@example.com", "secret1").value(0).toInt(), 0);
        taken = true;
    }
    RegisterAccount request;
    const QVariantList result = RequestClasses::waitResult(&request, [&] {
        QVERIFY(RequestClasses::invoke(&request, "KvPostRegisiterJson", {nickname, email, password, repetition}));
    });
    QCOMPARE(result, (QVariantList{code, msg}));
}

void TestAccountClientServer::login_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("knownAccount");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("msg");
    QTest::newRow("accepted") << "secret1" << true << 0 << kNickname;
    QTest::newRow("wrong password") << "secret2" << true << 10003 << QString::fromUtf8("密码错误");
    QTest::newRow("unknown account") << "secret1" << false << 10004 << QString::fromUtf8("账号不存在");
}

void TestAccountClientServer::login()
{
    QFETCH(QString, password);
    QFETCH(bool, knownAccount);
    QFETCH(int, code);
    QFETCH(QString, msg);
    const QString email = freshEmail();
    if (knownAccount)
        QCOMPARE(registerAccount(email, "secret1").value(0).toInt(), 0);

    QCOMPARE(loginAs(email, password), (QVariantList{code, msg}));
    OperateToken store;
    if (code != 0) {
        QCOMPARE(store.GetToken(), QStringLiteral("NULL"));
        QCOMPARE(store.GetNickName(), QStringLiteral("NULL"));
        return;
    }
    QVERIFY2(QRegularExpression("^[0-9a-f]{64}$").match(store.GetToken()).hasMatch(), qPrintable(store.GetToken()));
    QCOMPARE(store.GetEmail(), email);
    QCOMPARE(store.GetNickName(), kNickname);
    QVERIFY(fileBytes(AppPaths::settingsFile()).contains(("nickName=" + kNickname).toUtf8()));
}

void TestAccountClientServer::changePasswordWithTheStoredToken()
{
    const QString email = freshEmail();
    QCOMPARE(registerAccount(email, "secret1").value(0).toInt(), 0);
    QCOMPARE(loginAs(email, "secret1").value(0).toInt(), 0);

    UpdatePasswdAccount change;
    QCOMPARE(RequestClasses::waitResult(&change, [&] { change.KvUpdatePasswdJson(email, "secret1", "secret9"); }),
             (QVariantList{0, QString::fromUtf8("密码修改成功")}));
    // The token is of this account only.
    QCOMPARE(RequestClasses::waitResult(&change, [&] {
                 change.KvUpdatePasswdJson("taken@example.com", "secret1", "secret9");
             }).value(0).toInt(),
             11002);
    QCOMPARE(loginAs(email, "secret1").value(0).toInt(), 10003);
    QCOMPARE(loginAs(email, "secret9").value(0).toInt(), 0);
}

void TestAccountClientServer::recoverPassword()
{
    const QString email = freshEmail();
    QCOMPARE(registerAccount(email, "secret1").value(0).toInt(), 0);
    const int from = m_server->output().size();

    FindPasswd find;
    QCOMPARE(RequestClasses::waitResult(&find, [&] { find.KvFindPasswdJson(email); }).value(0).toInt(), 0);
    const QString code = m_server->waitForCode(email, from);
    QVERIFY(!code.isEmpty());
    const QString wrong = code == "000000" ? "111111" : "000000";

    ValidatePassword validate;
    QCOMPARE(RequestClasses::waitResult(&validate, [&] { validate.KvValidatePasswordJson(email, wrong); }),
             (QVariantList{20001, QString::fromUtf8("验证码错误")}));
    QCOMPARE(RequestClasses::waitResult(&validate, [&] { validate.KvValidatePasswordJson(email, code); }).value(0).toInt(), 0);

    NewPassword reset;
    QCOMPARE(RequestClasses::waitResult(&reset, [&] { reset.KvNewPasswordJson(email, code, "secret5"); }),
             (QVariantList{0, QString::fromUtf8("密码已重置，请重新登录")}));
    QCOMPARE(loginAs(email, "secret1").value(0).toInt(), 10003);
    QCOMPARE(loginAs(email, "secret5").value(0).toInt(), 0);
}

void TestAccountClientServer::cloudRoundTrip()
{
    const QString email = freshEmail();
    QCOMPARE(registerAccount(email, "secret1").value(0).toInt(), 0);
    QCOMPARE(loginAs(email, "secret1").value(0).toInt(), 0);

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

        SaveConfigInfo save;
        QCOMPARE(RequestClasses::waitResult(&save, [&] {
                     save.KvSaveConfigInfoJson(stored, kind.mouseType, kind.recordType);
                 }),
                 (QVariantList{0, QString::fromUtf8("保存成功")}));

        GetDownLoadFilePath address;
        const QVariantList located = RequestClasses::waitResult(&address, [&] {
            address.KvDownLoadFilePathJson(kind.mouseType);
        });
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
    LastVersion query;
    const QVariantList result = RequestClasses::waitResult(&query, [&] {
        if (firmware)
            query.KvLastFirmVersionJson(versionType);
        else
            query.KvLastSoftwareVersionJson(versionType);
    });
    QCOMPARE(result, expected);
}

void TestAccountClientServer::firmwareDownload()
{
    FileDownloader downloader;
    QSignalSpy done(&downloader, &FileDownloader::downloaded);
    downloader.startDownload(m_server->baseUrl() + "/v1/driver/firmware/download");
    QVERIFY(done.wait(15000));
    QVERIFY(downloader.lastDownloadOk());
    QCOMPARE(downloader.downloadedData(), m_firmware);
}

QTEST_GUILESS_MAIN(TestAccountClientServer)
#include "tst_accountclient_server.moc"
