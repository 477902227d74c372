// The support page and the cloud page, offscreen, against the real account server on a loopback
// port (and a server that accepts connections and never answers). The pages stand alone: their
// warnings are read from their signals.
#include "apiclient.h"
#include "apppaths.h"
#include "cloudsyncwidget.h"
#include "filedownloader.h"
#include "guihelpers.h"
#include "logcapture.h"
#include "operatetoken.h"
#include "serverprocess.h"
#include "supportwidget.h"
#include "warningtypes.h"
#include "wholefile.h"

#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>
#include <quazip.h>
#include <quazipfile.h>
#include <memory>

using namespace Warning;

namespace {
bool writeFile(const QString& path, const QByteArray& bytes)
{
    return QDir().mkpath(QFileInfo(path).path()) && writeWholeFile(path, bytes);
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

class TestAccountPages : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl& url) { m_opened << url; }  // what the desktop would open

private slots:
    void initTestCase()
    {
        m_firmware = randomArchive(5000);
        QVERIFY(writeFile(m_dir.filePath("firmware.mtp"), m_firmware));
        m_server = std::make_unique<ServerProcess>(m_dir.filePath("data"));
        QVERIFY2(m_server->start({"--firmware-version", "7", "--firmware-file", m_dir.filePath("firmware.mtp")}),
                 m_server->output().constData());
        m_api = std::make_unique<ApiClient>(m_server->port());
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open");
    }
    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(m_server->stop(), 0);
    }
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        AppPaths::setDataRoot(m_root->path());
        m_opened.clear();
        m_silent.hangUp();
    }

    // What the page does with the server's answer to a firmware check. The updater "runs"
    // (Windows, the updater there), is "missing" (Windows, no updater) or is "elsewhere" (any
    // other system: it cannot run).
    void firmwareAnswer_data()
    {
        QTest::addColumn<QString>("serverVersion");
        QTest::addColumn<int>("mouseVersion");
        QTest::addColumn<QString>("path");  // below the server's address when it starts with "/"
        QTest::addColumn<QString>("updater");
        QTest::addColumn<QList<int>>("warnings");
        QTest::addColumn<bool>("written");
        QTest::addColumn<qint64>("cap");  // of the download; 0: the program's own
        const QString fw = QStringLiteral("/v1/driver/firmware/download");
        QTest::newRow("0 is 0 before the mouse reported") << "0" << 0 << fw << "runs" << QList<int>{FirmwareUpToDate} << false << qint64(0);
        QTest::newRow("older") << "3" << 4 << fw << "runs" << QList<int>{} << true << qint64(0);
        QTest::newRow("updater missing") << "5" << 4 << fw << "missing" << QList<int>{FirmwareUpdateFailed} << true << qint64(0);
        QTest::newRow("kept where the updater cannot run") << "5" << 4 << fw << "elsewhere" << QList<int>{FirmwareKeptForWindows} << true << qint64(0);
        QTest::newRow("download fails") << "5" << 4 << "/v1/file/download/none" << "runs" << QList<int>{FirmwareUpdateFailed} << false << qint64(0);
        QTest::newRow("larger than allowed") << "5" << 4 << fw << "runs" << QList<int>{FirmwareUpdateFailed} << false << qint64(4000);
        QTest::newRow("only web addresses are fetched") << "5" << 4 << "file:///etc/passwd" << "runs" << QList<int>{FirmwareUpdateFailed} << false << qint64(0);
    }
    void firmwareAnswer()
    {
        QFETCH(QString, path);
        QFETCH(QString, updater);
        QFETCH(bool, written);
        SupportWidget page;
        if (fetched<qint64>("cap"))
            page.downloader()->setMaxBytes(fetched<qint64>("cap"));  // the firmware is 5000 bytes
        page.setUpdaterRuns(updater != QLatin1String("elsewhere"));
        const QString updaterFile = page.updateFolder() + QStringLiteral("/ZR540UpdataOnce.exe");
        if (updater != QLatin1String("missing"))
            QVERIFY(writeFile(updaterFile, "updater"));
        page.setVersionNumber(fetched<int>("mouseVersion"));
        QSignalSpy closed(&page, &SupportWidget::sig_closeUpdateWidget);
        QSignalSpy shown(&page, &SupportWidget::sig_ShowWarningWidgetOnSupportWidget);
        page.slot_LastVersionRet(0, QString(), fetched<QString>("serverVersion"), path.startsWith('/') ? m_server->baseUrl() + path : path);
        QTRY_COMPARE(closed.count(), 1);
        QTRY_VERIFY(page.findChildren<QNetworkReply*>().isEmpty());  // nothing more can come
        QCOMPARE(closed.count(), 1);
        QCOMPARE(firstInts(shown), fetched<QList<int>>("warnings"));
        const QString file = page.updateFolder() + QStringLiteral("/UpdateCodeTool.mtp");
        QCOMPARE(fileContent(file), written ? m_firmware : QByteArray());
        const bool started = written && updater == QLatin1String("runs");
        QCOMPARE(m_opened, started ? QList<QUrl>{QUrl::fromLocalFile(updaterFile)} : QList<QUrl>{});
    }

    // One check at a time: the button is off until the answer.
    void firmwareCheckFromTheButton()
    {
        SupportWidget page;
        page.setAccountServer(m_server->baseUrl());
        page.setVersionNumber(7);
        QSignalSpy shown(&page, &SupportWidget::sig_ShowWarningWidgetOnSupportWidget);
        auto* button = childOf<QPushButton>(&page, "CheckUpdateButton");
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!button->isEnabled());
        QTRY_COMPARE(firstInts(shown), (QList<int>{UpdateProgress, FirmwareUpToDate}));
        QVERIFY(button->isEnabled());
    }

    void passwordChange_data()
    {
        QTest::addColumn<QString>("oldPassword");
        QTest::addColumn<QString>("again");
        QTest::addColumn<bool>("sent");
        QTest::addColumn<bool>("changed");
        QTest::newRow("repetition differs") << "secret-one" << "secret-2" << false << false;
        QTest::newRow("wrong old password") << "wrong-one" << "secret-two" << true << false;
        QTest::newRow("changed") << "secret-one" << "secret-two" << true << true;
    }
    void passwordChange()
    {
        QFETCH(bool, changed);
        logIn(QStringLiteral("pw"));
        auto page = cloudPage(m_server->baseUrl());
        auto* button = childOf<QPushButton>(page.get(), "ChangePasswordButton");
        auto* oldField = childOf<QLineEdit>(page.get(), "UserOldPasswordLineEdit");
        auto* label = childOf<QLabel>(page.get(), "changePasswordMessageLabel");
        page->show();
        oldField->setText(fetched<QString>("oldPassword"));
        childOf<QLineEdit>(page.get(), "UserNewPasswordLineEdit")->setText("secret-two");
        QVERIFY(!button->isVisible());  // until all three are filled
        childOf<QLineEdit>(page.get(), "UserAgainPasswordLineEdit")->setText(fetched<QString>("again"));
        QVERIFY(button->isVisible());
        QSignalSpy requests(page.get(), &CloudSyncWidget::sig_UpdatePassword);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(requests.count(), fetched<bool>("sent") ? 1 : 0);
        QTRY_VERIFY(label->text().isEmpty() == changed && oldField->text().isEmpty() == changed);
        QCOMPARE(m_api->login(OperateToken().GetEmail(), QStringLiteral("secret-two")).isEmpty(), !changed);
    }

    // Each upload failure is told once, and the buttons come back.
    void uploadFailures_data()
    {
        QTest::addColumn<bool>("loggedIn");
        QTest::addColumn<bool>("silent");
        QTest::newRow("logged out") << false << false;
        QTest::newRow("server never answers") << true << true;
    }
    void uploadFailures()
    {
        QFETCH(bool, silent);
        if (fetched<bool>("loggedIn"))
            logIn(QStringLiteral("upfail"));
        QVERIFY(writeFile(AppPaths::profileFile(1), "profile"));
        auto page = cloudPage(silent ? m_silent.url() : m_server->baseUrl());
        QSignalSpy shown(page.get(), &CloudSyncWidget::sig_ShowWarningDialogOnCloudSyncWidget);
        LogCapture log;
        page->slot_startToUploadConfigFiles();
        QTRY_VERIFY_WITH_TIMEOUT(!page->isTransferring(), 60000);
        if (silent) {  // the answer comes after the page gave up, and tells nothing more
            m_silent.hangUp();
            QTRY_VERIFY_WITH_TIMEOUT(!log.lines().filter(QStringLiteral("slot_upLoadResult")).isEmpty(), 60000);
        }
        QCOMPARE(firstInts(shown), QList<int>{UploadFailed});
        QVERIFY(childOf<QPushButton>(page.get(), "UploadButton")->isEnabled());
    }

    // A failed download leaves the profiles as they were and selects none; nothing is written
    // outside the folder.
    void downloadFailures_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QList<int>>("warnings");
        QTest::newRow("nothing saved yet") << "empty" << QList<int>{ProfileDownloadFailed};
        QTest::newRow("archive leads outside") << "hostile" << QList<int>{ProfileDownloadFailed, MacroDownloadFailed};
        // Refused as a failed download is, and the macro pass follows as it does then.
        QTest::newRow("answered with a file address") << "file:///etc/passwd" << QList<int>{ProfileDownloadFailed, MacroDownloadFailed};
    }
    void downloadFailures()
    {
        QFETCH(QString, kind);
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
            QVERIFY(!m_api->uploadAndSave(token, fileContent(zipPath), false).isEmpty());
        }
        QVERIFY(writeFile(AppPaths::profileFile(1), "mine"));
        const bool forged = kind.startsWith(QLatin1String("file:"));
        auto page = cloudPage(forged ? m_silent.url() : m_server->baseUrl());
        QSignalSpy shown(page.get(), &CloudSyncWidget::sig_ShowWarningDialogOnCloudSyncWidget);
        QSignalSpy selected(page.get(), &CloudSyncWidget::sig_LoadConfigFile);
        page->slot_startToDownLoadFiles();
        if (forged)  // the answer the silent server never gives
            QMetaObject::invokeMethod(page->transfer(), "slot_getDownLoadFilePathResult", Q_ARG(int, 0), Q_ARG(QString, QString()),
                                      Q_ARG(QString, kind));
        QTRY_VERIFY_WITH_TIMEOUT(!page->isTransferring(), 60000);
        QCOMPARE(firstInts(shown), fetched<QList<int>>("warnings"));
        QCOMPARE(selected.count(), 0);
        QCOMPARE(fileContent(AppPaths::profileFile(1)), QByteArray("mine"));
        QVERIFY(!QFile::exists(AppPaths::configFilesDir() + QStringLiteral("/outside.txt")));
    }

private:
    // A fresh user, logged in as far as the pages can tell.
    QString logIn(const QString& email)
    {
        const QString address = QStringLiteral("%1-%2@x.cn").arg(email).arg(++m_users);
        const QString token = m_api->newUser(address);
        OperateToken identity;
        identity.SetToken(token);
        identity.SetEmail(address);
        identity.SetNickName(QStringLiteral("测试"));
        return token;
    }
    std::unique_ptr<CloudSyncWidget> cloudPage(const QString& server)
    {
        auto page = std::make_unique<CloudSyncWidget>();
        page->setAccountServer(server);
        // The real server's steps never time out within a test's waits: a transfer with it ends by its answers.
        page->setTimeouts(server == m_silent.url() ? CloudTransfer::Timeouts{1000, 1000, 1000}
                                                   : CloudTransfer::Timeouts{600000, 600000, 600000});
        return page;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QTemporaryDir> m_root;
    QByteArray m_firmware;
    std::unique_ptr<ServerProcess> m_server;
    std::unique_ptr<ApiClient> m_api;
    QList<QUrl> m_opened;
    SilentServer m_silent;
    int m_users = 0;
};

QTEST_MAIN(TestAccountPages)
#include "tst_accountpages.moc"
