#include "cloudtransfer.h"

#include "apppaths.h"
#include "filedownloader.h"
#include "getdownloadfilepath.h"
#include "loginfo.h"
#include "safearchive.h"
#include "saveconfiginfo.h"
#include "uploadfile.h"
#include "warningtypes.h"

#include <QTimer>

namespace {
const QString LocalFile = QStringLiteral("/LocalFile");
const QString MacroFiles = QStringLiteral("/MacroFiles");
}  // namespace

CloudTransfer::CloudTransfer(QObject* parent)
    : QObject(parent),
      m_saveRequest(std::make_unique<WorkerThread<SaveConfigInfo>>(new SaveConfigInfo(nullptr, QString()))),
      m_uploadRequest(std::make_unique<WorkerThread<UploadFile>>(new UploadFile(nullptr, QString()))),
      m_addressRequest(std::make_unique<WorkerThread<GetDownLoadFilePath>>(new GetDownLoadFilePath(nullptr, QString()))),
      m_downloader(new FileDownloader(this)), m_watchdog(new QTimer(this))
{
    connect(this, &CloudTransfer::sig_SaveConfig, m_saveRequest->get(), &SaveConfigInfo::KvSaveConfigInfoJson);
    connect(m_saveRequest->get(), &SaveConfigInfo::sigSaveConfRet, this, &CloudTransfer::slot_saveConfigResult);
    connect(this, &CloudTransfer::sig_UploadConfigFile, m_uploadRequest->get(), &UploadFile::upLoadConfigFile);
    connect(m_uploadRequest->get(), &UploadFile::sigUploadFileRet, this, &CloudTransfer::slot_upLoadResult);
    connect(m_uploadRequest->get(), &UploadFile::sigUploadProgress, this, [this](qint64 sent, qint64 total) {
        if (m_step == Step::Upload) {
            m_watchdog->start(m_timeouts.requestMs);  // bytes are moving: not silent
            emit progress(sent, total);
        }
    });
    connect(this, &CloudTransfer::sig_GetDownLoadFilePath, m_addressRequest->get(),
            &GetDownLoadFilePath::KvDownLoadFilePathJson);
    connect(m_addressRequest->get(), &GetDownLoadFilePath::sigDownLoadFilePathRet, this,
            &CloudTransfer::slot_getDownLoadFilePathResult);
    connect(this, &CloudTransfer::sig_StartDownload, m_downloader, &FileDownloader::startDownload);
    connect(m_downloader, &FileDownloader::downloaded, this, &CloudTransfer::slot_saveFile);
    connect(m_downloader, &FileDownloader::progress, this, &CloudTransfer::progress);

    m_watchdog->setSingleShot(true);
    connect(m_watchdog, &QTimer::timeout, this, &CloudTransfer::stepTimedOut);

    // An unpacking that a crash cut short leaves its staging folder behind.
    SafeArchive::removeLeftovers(AppPaths::localFileDir());
    SafeArchive::removeLeftovers(AppPaths::macroFilesDir());
}

CloudTransfer::~CloudTransfer() = default;

void CloudTransfer::setAccountServer(const QString& address)
{
    m_saveRequest->get()->setBaseAddress(address);
    m_uploadRequest->get()->setBaseAddress(address);
    m_addressRequest->get()->setBaseAddress(address);
}

void CloudTransfer::setTransferring(bool transferring)
{
    m_transferring = transferring;
    if (!transferring) {
        m_watchdog->stop();
        m_step = Step::Idle;
    }
    emit transferringChanged(transferring);
}

// --- upload ---------------------------------------------------------------------------------

void CloudTransfer::startUpload()
{
    if (m_transferring) {
        loginfo(QStringLiteral("slot_startToUploadConfigFiles: a transfer is running"));
        return;
    }
    setTransferring(true);
    m_step = Step::Upload;
    uploadPhase = false;
    saveConfirmed = false;
    m_uploadFailed = false;
    m_pending = 0;
    upLoadConfigLocalFileToServer();
}

void CloudTransfer::requestSent()
{
    ++m_pending;
    m_watchdog->start(m_timeouts.requestMs);
}

void CloudTransfer::answerArrived()
{
    m_pending = qMax(0, m_pending - 1);
    if (m_pending == 0)
        m_watchdog->stop();
}

void CloudTransfer::upLoadConfigLocalFileToServer()
{
    const QString root = AppPaths::configFilesDir();
    requestSent();
    if (!uploadPhase) {
        loginfo(QStringLiteral("upLoadConfigLocalFileToServer  LocalFile"));
        uploadPhase = true;
        emit sig_UploadConfigFile(root + LocalFile, false);
    } else {
        loginfo(QStringLiteral("upLoadConfigLocalFileToServer  MacroFiles"));
        uploadPhase = false;
        emit sig_UploadConfigFile(root + MacroFiles, true);
    }
}

// The state goes back to its start; the first failure of an upload is the one the user hears of.
void CloudTransfer::uploadFailed(const QString& trace)
{
    loginfo(trace);
    uploadPhase = false;
    saveConfirmed = false;
    const bool first = !m_uploadFailed;
    m_uploadFailed = true;
    if (m_pending == 0)
        setTransferring(false);
    if (first)
        emit warning(Warning::UploadFailed);
}

void CloudTransfer::slot_upLoadResult(int rCode, QString rMsg, QString filePath)
{
    loginfo(QStringLiteral("slot_upLoadResult %1 %2").arg(rCode).arg(rMsg));
    if (m_step != Step::Upload)
        return;  // an answer that came after its upload had timed out
    answerArrived();
    if (rCode != 0) {
        uploadFailed(QStringLiteral("slot_upLoadResult: the upload failed"));
        return;
    }
    requestSent();
    if (uploadPhase) {
        // The profile archive is stored: record it, then send the macro folder.
        emit sig_SaveConfig(filePath, mouseType, QStringLiteral("LocalConfig"));
        upLoadConfigLocalFileToServer();
    } else {
        emit sig_SaveConfig(filePath, QString(), QStringLiteral("MacroConfig"));
    }
}

void CloudTransfer::slot_saveConfigResult(int rCode, QString rMsg)
{
    loginfo(QStringLiteral("slot_saveConfigResult %1 %2").arg(rCode).arg(rMsg));
    if (m_step != Step::Upload)
        return;
    answerArrived();
    if (rCode != 0) {
        uploadFailed(QStringLiteral("slot_saveConfigResult: the save record failed"));
        return;
    }
    const bool bothConfirmed = saveConfirmed;
    saveConfirmed = !saveConfirmed;
    if (m_pending == 0)
        setTransferring(false);
    if (bothConfirmed && !m_uploadFailed)
        emit warning(Warning::UploadDone);
}

// --- download -------------------------------------------------------------------------------

void CloudTransfer::startDownload()
{
    loginfo(QStringLiteral("slot_startToDownLoadFiles"));
    if (m_transferring) {
        loginfo(QStringLiteral("downloadFiles: a transfer is running"));
        return;
    }
    setTransferring(true);
    m_downloader->setTransferTimeoutMs(m_timeouts.downloadMs);
    startDownloadPass(false);
}

void CloudTransfer::startDownloadPass(bool macro)
{
    downloadIsMacro = macro;
    pathReady = 0;
    downloadReady = 0;
    m_step = Step::WaitAddress;
    m_watchdog->start(m_timeouts.addressMs);
    emit sig_GetDownLoadFilePath(macro ? QString() : mouseType);
}

void CloudTransfer::slot_getDownLoadFilePathResult(int rCode, QString rMsg, QString path)
{
    loginfo(QStringLiteral("slot_getDownLoadFilePathResult %1 %2 %3").arg(rCode).arg(rMsg, path));
    if (m_step != Step::WaitAddress)
        return;
    m_watchdog->stop();
    if (rCode != 0) {
        loginfo(QStringLiteral("slot_getDownLoadFilePathResult fail ") + path);
        pathReady = 2;
        endDownloadPass(false);
        return;
    }
    downloadPath = path;
    pathReady = 1;
    m_step = Step::WaitDownload;
    emit sig_StartDownload(downloadPath);  // the downloader ends a silent download itself
}

void CloudTransfer::stepTimedOut()
{
    if (m_step == Step::Upload) {
        m_pending = 0;
        uploadFailed(QStringLiteral("upload: no answer in time"));
    } else if (m_step == Step::WaitAddress) {
        loginfo(QStringLiteral("sig_GetDownLoadFilePath waitFlagTimeOut"));
        endDownloadPass(false);
    }
}

void CloudTransfer::slot_saveFile()
{
    loginfo(QStringLiteral("slot_saveFile"));
    if (m_step != Step::WaitDownload)
        return;
    downloadReady = 1;
    if (!m_downloader->lastDownloadOk()) {
        loginfo(QStringLiteral("Failed to discondenseFile"));  // an error page is no archive
        endDownloadPass(false);
        return;
    }
    saveDownloadedFile(downloadIsMacro ? MacroFiles : LocalFile);
}

void CloudTransfer::saveDownloadedFile(const QString& subFolder)
{
    const QString folder = AppPaths::configFilesDir() + subFolder;
    loginfo(QStringLiteral("saveFile fileUrlPath ") + downloadPath);
    loginfo(QStringLiteral("saveFile ") + folder);
    const QString zip = folder + QStringLiteral(".zip");
    if (!m_downloader->saveTo(zip)) {
        loginfo(QStringLiteral("saveFile: %1 could not be written").arg(zip));
        endDownloadPass(false);
        return;
    }
    endDownloadPass(discondenseDownLoadFile(folder));
}

bool CloudTransfer::discondenseDownLoadFile(const QString& path)
{
    QStringList files;
    const SafeArchive::Result result = SafeArchive::extract(path + QStringLiteral(".zip"), path, &files);
    if (result != SafeArchive::Extracted || files.isEmpty()) {
        loginfo(QStringLiteral("Failed to discondenseFile (%1)").arg(QLatin1String(SafeArchive::resultName(result))));
        return false;
    }
    loginfo(QStringLiteral("Succed to discondenseFile"));
    return true;
}

// Ends a pass with its message. The macro pass follows the profile pass unless the profile pass
// got no archive at all (no address: the server is not reachable or holds nothing).
void CloudTransfer::endDownloadPass(bool unpacked)
{
    const bool macro = downloadIsMacro;
    const bool gotArchive = downloadReady == 1;
    const bool goOn = !macro && gotArchive;
    if (!goOn)
        setTransferring(false);
    else
        m_step = Step::Idle;  // between the passes, while the message is up
    if (macro)
        emit warning(unpacked ? Warning::MacroDownloadDone : Warning::MacroDownloadFailed);
    else
        emit warning(unpacked ? Warning::ProfileDownloadDone
                                                             : Warning::ProfileDownloadFailed);
    if (unpacked)
        emit loadConfigFile(1);
    if (macro && gotArchive)
        emit loadMacroFile();
    if (goOn)
        startDownloadPass(true);
}
