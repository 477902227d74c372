// CloudTransfer: keeps the two data folders (profiles and macros) on the account server, each as
// one zip archive: uploading replaces what the server holds, downloading unpacks the server's copy
// over the local folders. The cloud page shows what it does; it needs no window.
//
// The requests run in three worker threads (one per request object); the downloader works in the
// thread of this object. Nothing here waits: an upload and a download are chains of steps, each
// started by the answer to the one before. A step that gets no answer in time ends the chain with
// a failure message. One transfer at a time.
//
// Upload: profile archive, its save record, macro archive, its save record; Warning::UploadDone
// once both records are confirmed, Warning::UploadFailed once at the first failure.
// Download, in two passes (profiles, then macros): ask for the address, fetch the archive, unpack
// it with SafeArchive. Each pass ends with "installed" (Warning::ProfileDownloadDone,
// MacroDownloadDone) or "failed" (ProfileDownloadFailed, MacroDownloadFailed); an archive that
// unpacked asks for profile 1 to be loaded.
#pragma once

#include "workerthread.h"

#include <QObject>
#include <QString>
#include <memory>

class FileDownloader;
class GetDownLoadFilePath;
class QTimer;
class SaveConfigInfo;
class UploadFile;

class CloudTransfer : public QObject {
    Q_OBJECT
public:
    // How long a step may go without an answer or a byte, and the waits of a download pass.
    struct Timeouts {
        int requestMs = 30000;       // an upload or a save record
        int addressMs = 5000;        // a download address
        int downloadMs = 20000;      // silence during a download
    };

    explicit CloudTransfer(QObject* parent = nullptr);
    ~CloudTransfer() override;

    // The account server every request goes to (the window tells; none before).
    void setAccountServer(const QString& address);
    void setTimeouts(const Timeouts& timeouts) { m_timeouts = timeouts; }
    bool isTransferring() const { return m_transferring; }
    FileDownloader* downloader() const { return m_downloader; }

public slots:
    void startUpload();
    void startDownload();

signals:
    // The outcome of a step the user hears of (a warning number).
    void warning(int type);
    void loadConfigFile(int profile);
    void loadMacroFile();
    void transferringChanged(bool transferring);
    // Bytes so far and in all (-1 while unknown) of the archive on its way.
    void progress(qint64 done, qint64 total);

    // To the request objects, in their threads.
    void sig_UploadConfigFile(QString fileName, bool state);
    void sig_SaveConfig(QString fileName, QString mouseType, QString type);
    void sig_GetDownLoadFilePath(QString mouseType);
    void sig_StartDownload(QString path);

private slots:
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
    void startDownloadPass(bool macro);
    void endDownloadPass(bool unpacked);
    void saveDownloadedFile(const QString& subFolder);
    bool discondenseDownLoadFile(const QString& path);
    void setTransferring(bool transferring);
    void stepTimedOut();

    const QString mouseType = QStringLiteral("zr540");
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
