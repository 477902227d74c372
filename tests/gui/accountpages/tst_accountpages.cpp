// The support page and the cloud page, offscreen, against the real account server on a loopback
// port (and a server that accepts connections and never answers). The pages stand alone: their
// warnings are read from their signals.
#include "apiclient.h"
#include "apppaths.h"
#include "cloudsyncwidget.h"
#include "filedownloader.h"
#include "logcapture.h"
#include "operatetoken.h"
#include "serverprocess.h"
#include "supportwidget.h"

#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkReply>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <quazip.h>
#include <quazipfile.h>
#include <memory>

namespace {
QList<int> ints(const QSignalSpy& spy)
{
    QList<int> out;
    for (const QList<QVariant>& args : spy)
        out << args.at(0).toInt();
    return out;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Accepts connections and keeps them open without a word, until it hangs up: then the requests
// waiting there fail at once, and so do their retries (it listens elsewhere).
class SilentServer : public QTcpServer {
public:
    SilentServer() { listen(QHostAddress::LocalHost); }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }
    void hangUp()
    {
        close();
        while (QTcpSocket* client = nextPendingConnection())
            delete client;
        listen(QHostAddress::LocalHost);
    }
};
}  // namespace

// Takes the addresses the desktop would open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

class TestAccountPages : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void firmwareAnswer_data();
    void firmwareAnswer();
    void firmwareCheckFromTheButton();
    void passwordChange_data();
    void passwordChange();
    void uploadThenDownloadRestoresBothFolders();
    void uploadFailures_data();
    void uploadFailures();
    void downloadFailures_data();
    void downloadFailures();

private:
    // A fresh user, logged in as far as the pages can tell.
    QString logIn(const QString& email);
    std::unique_ptr<CloudSyncWidget> cloudPage(const QString& server);

    QTemporaryDir m_dir;
    std::unique_ptr<QTemporaryDir> m_root;
    QByteArray m_firmware;
    std::unique_ptr<ServerProcess> m_server;
    std::unique_ptr<ApiClient> m_api;
    UrlRecorder m_urls;
    SilentServer m_silent;
    int m_users = 0;
};

void TestAccountPages::initTestCase()
{
    m_firmware = randomArchive(5000);
    QVERIFY(writeFile(m_dir.filePath("firmware.mtp"), m_firmware));
    m_server = std::make_unique<ServerProcess>(m_dir.filePath("data"));
    QVERIFY2(m_server->start({"--firmware-version", "7", "--firmware-file", m_dir.filePath("firmware.mtp")}),
             m_server->output().constData());
    m_api = std::make_unique<ApiClient>(m_server->port());
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_urls, "open");
    QVERIFY(m_silent.isListening());
}

void TestAccountPages::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(m_server->stop(), 0);
}

void TestAccountPages::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    AppPaths::setDataRoot(m_root->path());
    m_urls.opened.clear();
    m_silent.hangUp();
}

QString TestAccountPages::logIn(const QString& email)
{
    const QString address = QStringLiteral("%1-%2@x.cn").arg(email).arg(++m_users);
    const QString token = m_api->newUser(address);
    OperateToken identity;
    identity.SetToken(token);
    identity.SetEmail(address);
    identity.SetNickName(QStringLiteral("测试"));
    return token;
}

std::unique_ptr<CloudSyncWidget> TestAccountPages::cloudPage(const QString& server)
{
    auto page = std::make_unique<CloudSyncWidget>();
    page->setAccountServer(server);
    // The real server's steps never time out within a test's waits: a transfer with it ends by its answers.
    page->setTimeouts(server == m_silent.url() ? CloudTransfer::Timeouts{1000, 1000, 1000}
                                               : CloudTransfer::Timeouts{600000, 600000, 600000});
    return page;
}

// What the page does with the server's answer to a firmware check. The update folder does not
// exist before the rows that download. The updater "runs" (Windows, the updater there), is
// "missing" (Windows, no updater) or is "elsewhere" (any other system: it cannot run).
void TestAccountPages::firmwareAnswer_data()
{
    QTest::addColumn<QString>("serverVersion");
    QTest::addColumn<int>("mouseVersion");
    QTest::addColumn<QString>("path");  // below the server's address when it starts with "/"
    QTest::addColumn<QString>("updater");
    QTest::addColumn<QList<int>>("warnings");
    QTest::addColumn<bool>("written");
    QTest::addColumn<qint64>("cap");  // of the download; 0: the program's own

    const QString firmware = QStringLiteral("/v1/driver/firmware/download");
    QTest::newRow("0 is 0 before the mouse reported") << "0" << 0 << firmware << "runs" << QList<int>{9} << false << qint64(0);
    QTest::newRow("no number counts as 0") << "v5" << 0 << firmware << "runs" << QList<int>{9} << false << qint64(0);
    QTest::newRow("newer") << "5" << 4 << firmware << "runs" << QList<int>{} << true << qint64(0);
    QTest::newRow("older") << "3" << 4 << firmware << "runs" << QList<int>{} << true << qint64(0);
    QTest::newRow("updater missing") << "5" << 4 << firmware << "missing" << QList<int>{7} << true << qint64(0);
    QTest::newRow("kept where the updater cannot run") << "5" << 4 << firmware << "elsewhere" << QList<int>{20} << true << qint64(0);
    QTest::newRow("download fails") << "5" << 4 << "/v1/file/download/none" << "runs" << QList<int>{7} << false << qint64(0);
    QTest::newRow("larger than allowed") << "5" << 4 << firmware << "runs" << QList<int>{7} << false << qint64(4000);
    // Only web addresses are fetched.
    for (const char* address : {"file:///etc/passwd", "data:application/octet-stream;base64,AAAA", "UpdateCodeTool.mtp", ""})
        QTest::addRow("address \"%s\"", address) << "5" << 4 << address << "runs" << QList<int>{7} << false << qint64(0);
}

void TestAccountPages::firmwareAnswer()
{
    QFETCH(QString, serverVersion);
    QFETCH(int, mouseVersion);
    QFETCH(QString, path);
    QFETCH(QString, updater);
    QFETCH(QList<int>, warnings);
    QFETCH(bool, written);
    QFETCH(qint64, cap);

    SupportWidget page;
    if (cap)
        page.downloader()->setMaxBytes(cap);  // the firmware is 5000 bytes
    page.setUpdaterRuns(updater != QLatin1String("elsewhere"));
    const QString updaterFile = page.updateFolder() + QStringLiteral("/ZR540UpdataOnce.exe");
    if (updater != QLatin1String("missing"))
        QVERIFY(writeFile(updaterFile, "updater"));
    page.setVersionNumber(mouseVersion);
    QSignalSpy closed(&page, &SupportWidget::sig_closeUpdateWidget);
    QSignalSpy shown(&page, &SupportWidget::sig_ShowWarningWidgetOnSupportWidget);

    page.slot_LastVersionRet(0, QString(), serverVersion, path.startsWith('/') ? m_server->baseUrl() + path : path);
    QTRY_COMPARE(closed.count(), 1);
    QTRY_VERIFY(page.findChildren<QNetworkReply*>().isEmpty());  // nothing more can come
    QCOMPARE(closed.count(), 1);
    QCOMPARE(ints(shown), warnings);
    const QString file = page.updateFolder() + QStringLiteral("/UpdateCodeTool.mtp");
    QCOMPARE(QFile::exists(file), written);
    if (written)
        QCOMPARE(readFile(file), m_firmware);
    const bool started = written && updater == QLatin1String("runs");
    QCOMPARE(m_urls.opened, started ? QList<QUrl>{QUrl::fromLocalFile(updaterFile)} : QList<QUrl>{});
}

void TestAccountPages::firmwareCheckFromTheButton()
{
    SupportWidget page;
    page.setAccountServer(m_server->baseUrl());
    page.setSoftwareVersion(QStringLiteral("0.9.001540.0424"));
    page.setVersionNumber(7);
    QCOMPARE(page.findChild<QLabel*>(QStringLiteral("VersionLabel"))->text(), QStringLiteral("固件版本:V7.0.0"));
    QCOMPARE(page.findChild<QLabel*>(QStringLiteral("SoftVareLabel"))->text(),
             QStringLiteral("驱动版本:V0.9.001540.0424"));
    QSignalSpy shown(&page, &SupportWidget::sig_ShowWarningWidgetOnSupportWidget);
    auto* button = page.findChild<QPushButton*>(QStringLiteral("CheckUpdateButton"));
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(!button->isEnabled());  // one check at a time
    QTRY_COMPARE(ints(shown), (QList<int>{10, 9}));
    QVERIFY(button->isEnabled());

    // The same check against a server that never answers the version request.
    page.setAccountServer(m_silent.url());
    shown.clear();
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(m_silent.hasPendingConnections());  // the request is there
    QCOMPARE(ints(shown), QList<int>{10});  // the overlay stays; the user may close it
}

void TestAccountPages::passwordChange_data()
{
    QTest::addColumn<QString>("oldPassword");
    QTest::addColumn<QString>("newPassword");
    QTest::addColumn<QString>("again");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<bool>("cleared");

    QTest::newRow("repetition differs") << "secret-one" << "secret-two" << "secret-2" << "两次输入的密码不一致" << false
                                        << false;
    QTest::newRow("wrong old password") << "wrong-one" << "secret-two" << "secret-two" << "密码错误" << true << false;
    QTest::newRow("changed") << "secret-one" << "secret-two" << "secret-two" << "" << true << true;
}

void TestAccountPages::passwordChange()
{
    QFETCH(QString, oldPassword);
    QFETCH(QString, newPassword);
    QFETCH(QString, again);
    QFETCH(QString, message);
    QFETCH(bool, sent);
    QFETCH(bool, cleared);

    logIn(QStringLiteral("pw"));
    auto page = cloudPage(m_server->baseUrl());
    auto* button = page->findChild<QPushButton*>(QStringLiteral("ChangePasswordButton"));
    const QList<QLineEdit*> fields{page->findChild<QLineEdit*>(QStringLiteral("UserOldPasswordLineEdit")),
                                   page->findChild<QLineEdit*>(QStringLiteral("UserNewPasswordLineEdit")),
                                   page->findChild<QLineEdit*>(QStringLiteral("UserAgainPasswordLineEdit"))};
    auto* label = page->findChild<QLabel*>(QStringLiteral("changePasswordMessageLabel"));
    page->show();
    fields[0]->setText(oldPassword);
    fields[1]->setText(newPassword);
    QVERIFY(!button->isVisible());  // until all three are filled
    fields[2]->setText(again);
    QVERIFY(button->isVisible());
    QSignalSpy requests(page.get(), &CloudSyncWidget::sig_UpdatePassword);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(requests.count(), sent ? 1 : 0);
    QTRY_COMPARE(label->text(), message);
    QCOMPARE(fields[0]->text().isEmpty(), cleared);
    const QString email = OperateToken().GetEmail();
    QCOMPARE(m_api->login(email, QStringLiteral("secret-two")).isEmpty(), !cleared);
}

// Upload both folders, spoil them, download: both come back, profile 1 is selected and the macro
// list reloaded; each step said so once.
void TestAccountPages::uploadThenDownloadRestoresBothFolders()
{
    logIn(QStringLiteral("sync"));
    const QString profile = AppPaths::profileFile(1);
    const QString macro = AppPaths::macroFilesDir() + QStringLiteral("/默认/宏1.txt");
    QVERIFY(writeFile(profile, "profile one"));
    QVERIFY(writeFile(macro, "macro one"));
    auto page = cloudPage(m_server->baseUrl());
    QSignalSpy shown(page.get(), &CloudSyncWidget::sig_ShowWarningDialogOnCloudSyncWidget);
    QSignalSpy selected(page.get(), &CloudSyncWidget::sig_LoadConfigFile);
    QSignalSpy macrosReloaded(page.get(), &CloudSyncWidget::sig_loadMacroFile);
    auto* upload = page->findChild<QPushButton*>(QStringLiteral("UploadButton"));

    QTest::mouseClick(upload, Qt::LeftButton);
    QCOMPARE(ints(shown), QList<int>{2});  // the confirmation comes first
    page->slot_startToUploadConfigFiles();
    QVERIFY(!upload->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!page->isTransferring(), 60000);  // with every answer in
    QCOMPARE(ints(shown), (QList<int>{2, 13}));
    QVERIFY(upload->isEnabled());

    QVERIFY(writeFile(profile, "spoilt"));
    QVERIFY(QFile::remove(macro));
    shown.clear();
    page->slot_startToDownLoadFiles();
    QTRY_VERIFY_WITH_TIMEOUT(!page->isTransferring(), 60000);
    QCOMPARE(ints(shown), (QList<int>{17, 18}));
    QCOMPARE(ints(selected), (QList<int>{1, 1}));
    QCOMPARE(macrosReloaded.count(), 1);
    QCOMPARE(readFile(profile), QByteArray("profile one"));
    QCOMPARE(readFile(macro), QByteArray("macro one"));
}

void TestAccountPages::uploadFailures_data()
{
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("profilesThere");

    QTest::newRow("logged out") << false << false << true;
    QTest::newRow("no profile folder to zip") << true << false << false;
    QTest::newRow("server never answers") << true << true << true;
}

// Each failure is told once, and the buttons come back.
void TestAccountPages::uploadFailures()
{
    QFETCH(bool, loggedIn);
    QFETCH(bool, silent);
    QFETCH(bool, profilesThere);

    if (loggedIn)
        logIn(QStringLiteral("upfail"));
    if (profilesThere)
        QVERIFY(writeFile(AppPaths::profileFile(1), "profile"));
    QVERIFY(writeFile(AppPaths::macroFilesDir() + QStringLiteral("/默认/m.txt"), "macro"));
    auto page = cloudPage(silent ? m_silent.url() : m_server->baseUrl());
    QSignalSpy shown(page.get(), &CloudSyncWidget::sig_ShowWarningDialogOnCloudSyncWidget);
    LogCapture log;
    page->slot_startToUploadConfigFiles();
    QTRY_VERIFY_WITH_TIMEOUT(!page->isTransferring(), 60000);
    if (silent) {  // the answer comes after the page gave up, and tells nothing more
        m_silent.hangUp();
        QTRY_VERIFY_WITH_TIMEOUT(!log.lines().filter(QStringLiteral("slot_upLoadResult")).isEmpty(), 60000);
    }
    QCOMPARE(ints(shown), QList<int>{12});
    QVERIFY(page->findChild<QPushButton*>(QStringLiteral("UploadButton"))->isEnabled());
}

void TestAccountPages::downloadFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QList<int>>("warnings");

    QTest::newRow("nothing saved yet") << "empty" << QList<int>{14};
    QTest::newRow("server never answers") << "silent" << QList<int>{14};
    QTest::newRow("archive leads outside") << "hostile" << QList<int>{14, 15};
    // Refused as a failed download is, and the macro pass follows as it does then.
    QTest::newRow("answered with a file address") << "file:///etc/passwd" << QList<int>{14, 15};
}

void TestAccountPages::downloadFailures()
{
    QFETCH(QString, kind);
    QFETCH(QList<int>, warnings);

    const QString token = logIn(QStringLiteral("downfail"));
    if (kind == QLatin1String("hostile")) {
        const QString zipPath = m_dir.filePath("hostile.zip");
        QuaZip zip(zipPath);
        QVERIFY(zip.open(QuaZip::mdCreate));
        for (const char* name : {"Config1.txt", "../outside.txt"}) {
            QuaZipFile entry(&zip);
            QVERIFY(entry.open(QIODevice::WriteOnly, QuaZipNewInfo(QString::fromLatin1(name))));
            entry.write("hostile");
        }
        zip.close();
        QVERIFY(!m_api->uploadAndSave(token, readFile(zipPath), false).isEmpty());
    }
    QVERIFY(writeFile(AppPaths::profileFile(1), "mine"));
    const bool forged = kind.startsWith(QLatin1String("file:"));
    auto page = cloudPage(kind == QLatin1String("silent") || forged ? m_silent.url() : m_server->baseUrl());
    QSignalSpy shown(page.get(), &CloudSyncWidget::sig_ShowWarningDialogOnCloudSyncWidget);
    QSignalSpy selected(page.get(), &CloudSyncWidget::sig_LoadConfigFile);
    page->slot_startToDownLoadFiles();
    if (forged)  // the answer the silent server never gives
        QMetaObject::invokeMethod(page->transfer(), "slot_getDownLoadFilePathResult", Q_ARG(int, 0), Q_ARG(QString, QString()),
                                  Q_ARG(QString, kind));
    QTRY_VERIFY_WITH_TIMEOUT(!page->isTransferring(), 60000);
    QCOMPARE(ints(shown), warnings);
    QCOMPARE(selected.count(), 0);
    QCOMPARE(readFile(AppPaths::profileFile(1)), QByteArray("mine"));
    QVERIFY(!QFile::exists(AppPaths::configFilesDir() + QStringLiteral("/outside.txt")));
}

QTEST_MAIN(TestAccountPages)
#include "tst_accountpages.moc"
