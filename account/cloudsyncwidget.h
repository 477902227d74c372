// CloudSyncWidget: the cloud page of a logged-in user. It shows the nickname, changes the password,
// and keeps the two data folders (profiles and macros) on the account server, each as one zip
// archive: uploading replaces what the server holds, downloading unpacks the server's copy over
// the local folders.
//
// The requests run in four worker threads (one per request object); the downloader works in the
// GUI thread. Nothing here waits: an upload and a download are chains of steps, each started by
// the answer to the one before. A step that gets no answer in time ends the chain with a failure
// message, and every transfer ends with its buttons enabled again. One transfer at a time: the
// buttons are disabled while one runs.
//
// Upload: profile archive, its save record, macro archive, its save record; Warning::UploadDone
// once both records are confirmed, Warning::UploadFailed once at the first failure.
// Download, in two passes (profiles, then macros): ask for the address, fetch the archive, unpack
// it with SafeArchive. Each pass ends with "installed" (Warning::ProfileDownloadDone,
// MacroDownloadDone) or "failed" (ProfileDownloadFailed, MacroDownloadFailed); an archive that
// unpacked makes the window select profile 1.
#pragma once

#include "workerthread.h"

#include <QString>
#include <QWidget>
#include <memory>

class FileDownloader;
class GetDownLoadFilePath;
class QTimer;
class SaveConfigInfo;
class UpdatePasswdAccount;
class UploadFile;

namespace Ui {
class CloudSyncWidget;
}

class CloudSyncWidget : public QWidget {
    Q_OBJECT
public:
    // How long a step may go without an answer or a byte, and the waits of a download pass.
    struct Timeouts {
        int requestMs = 30000;       // an upload or a save record
        int addressMs = 5000;        // a download address
        int downloadMs = 20000;      // silence during a download
    };

    explicit CloudSyncWidget(QWidget* parent = nullptr);
    ~CloudSyncWidget() override;

    // The account server every request goes to (the window tells; none before).
    void setAccountServer(const QString& address);
    void setTimeouts(const Timeouts& timeouts) { m_timeouts = timeouts; }
    bool isTransferring() const { return m_transferring; }
    FileDownloader* downloader() const { return m_downloader; }

signals:
    void sig_ShowWarningDialogOnCloudSyncWidget(int type);
    void sig_LoadConfigFile(int i);
    void sig_loadMacroFile();
    void sig_UpdatePassword(QString email, QString passwd, QString rePasswd);
    void sig_UploadConfigFile(QString fileName, bool state);
    void sig_SaveConfig(QString fileName, QString mouseType, QString type);
    void sig_GetDownLoadFilePath(QString mouseType);
    void sig_StartDownload(QString path);

public slots:
    void setUserNameLineEdit(QString text);
    void slot_startToUploadConfigFiles();
    void slot_startToDownLoadFiles();

private slots:
    void on_UploadButton_clicked();
    void on_DownloadButton_clicked();
    void on_ChangePasswordButton_clicked();
    void checkPasswordIsDone();
    void slot_changePasswordResult(int rCode, QString rMsg);
    void slot_upLoadResult(int rCode, QString rMsg, QString filePath);
    void slot_saveConfigResult(int rCode, QString rMsg);
    void slot_getDownLoadFilePathResult(int rCode, QString rMsg, QString path);
    void slot_saveFile();

private:
    enum class Step { Idle, Upload, WaitAddress, WaitDownload };

    void upLoadConfigLocalFileToServer();
    void uploadFailed(const QString& trace);
    void requestSent();
    void answerArrived();
    void downloadFiles();
    void startDownloadPass(bool macro);
    void endDownloadPass(bool unpacked);
    void saveDownloadedFile(const QString& subFolder);
    bool discondenseDownLoadFile(const QString& path);
    void setTransferring(bool transferring);
    void showProgress(qint64 done, qint64 total);
    void stepTimedOut();

    Ui::CloudSyncWidget* ui;
    const QString mouseType = QStringLiteral("zr540");
    std::unique_ptr<WorkerThread<UpdatePasswdAccount>> m_passwordRequest;
    std::unique_ptr<WorkerThread<SaveConfigInfo>> m_saveRequest;
    std::unique_ptr<WorkerThread<UploadFile>> m_uploadRequest;
    std::unique_ptr<WorkerThread<GetDownLoadFilePath>> m_addressRequest;
    FileDownloader* m_downloader = nullptr;
    QTimer* m_watchdog = nullptr;
    Timeouts m_timeouts;

    bool uploadPhase = false;    // false: the next upload is the profile folder
    bool saveConfirmed = false;  // one of the two save records is confirmed
    bool downloadIsMacro = false;
    int pathReady = 0;           // 0 waiting for an address, 1 got one, 2 refused
    int downloadReady = 0;       // 1 once the download's bytes arrived
    QString downloadPath;

    bool m_transferring = false;
    bool m_uploadFailed = false;  // this upload already said it failed
    int m_pending = 0;            // upload requests without an answer yet
    Step m_step = Step::Idle;
};
