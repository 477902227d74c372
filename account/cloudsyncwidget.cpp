#include "cloudsyncwidget.h"
#include "ui_cloudsyncwidget.h"

#include "apppaths.h"
#include "filedownloader.h"
#include "getdownloadfilepath.h"
#include "loginfo.h"
#include "operatetoken.h"
#include "safearchive.h"
#include "saveconfiginfo.h"
#include "transferprogress.h"
#include "updatepasswdaccount.h"
#include "uploadfile.h"
#include "warningtypes.h"

#include <QFile>
#include <QTimer>

namespace {
const QString LocalFile = QStringLiteral("/LocalFile");
const QString MacroFiles = QStringLiteral("/MacroFiles");
}  // namespace

CloudSyncWidget::CloudSyncWidget(QWidget* parent)
    : QWidget(parent), ui(new Ui::CloudSyncWidget),
      m_passwordRequest(std::make_unique<WorkerThread<UpdatePasswdAccount>>(new UpdatePasswdAccount(nullptr, QString()))),
      m_saveRequest(std::make_unique<WorkerThread<SaveConfigInfo>>(new SaveConfigInfo(nullptr, QString()))),
      m_uploadRequest(std::make_unique<WorkerThread<UploadFile>>(new UploadFile(nullptr, QString()))),
      m_addressRequest(std::make_unique<WorkerThread<GetDownLoadFilePath>>(new GetDownLoadFilePath(nullptr, QString()))),
      m_downloader(new FileDownloader(this)), m_watchdog(new QTimer(this))
{
    ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);  // the page's style sheet paints its background
    ui->ChangePasswordButton->hide();
    ui->TransferProgressBar->hide();
    for (QLineEdit* field : {ui->UserOldPasswordLineEdit, ui->UserNewPasswordLineEdit, ui->UserAgainPasswordLineEdit})
        connect(field, &QLineEdit::textChanged, this, &CloudSyncWidget::checkPasswordIsDone);

    connect(this, &CloudSyncWidget::sig_UpdatePassword, m_passwordRequest->get(),
            &UpdatePasswdAccount::KvUpdatePasswdJson);
    connect(m_passwordRequest->get(), &UpdatePasswdAccount::sigUpdatePwdRet, this,
            &CloudSyncWidget::slot_changePasswordResult);
    connect(this, &CloudSyncWidget::sig_SaveConfig, m_saveRequest->get(), &SaveConfigInfo::KvSaveConfigInfoJson);
    connect(m_saveRequest->get(), &SaveConfigInfo::sigSaveConfRet, this, &CloudSyncWidget::slot_saveConfigResult);
    connect(this, &CloudSyncWidget::sig_UploadConfigFile, m_uploadRequest->get(), &UploadFile::upLoadConfigFile);
    connect(m_uploadRequest->get(), &UploadFile::sigUploadFileRet, this, &CloudSyncWidget::slot_upLoadResult);
    connect(m_uploadRequest->get(), &UploadFile::sigUploadProgress, this, [this](qint64 sent, qint64 total) {
        if (m_step == Step::Upload) {
            m_watchdog->start(m_timeouts.requestMs);  // bytes are moving: not silent
            showProgress(sent, total);
        }
    });
    connect(this, &CloudSyncWidget::sig_GetDownLoadFilePath, m_addressRequest->get(),
            &GetDownLoadFilePath::KvDownLoadFilePathJson);
    connect(m_addressRequest->get(), &GetDownLoadFilePath::sigDownLoadFilePathRet, this,
            &CloudSyncWidget::slot_getDownLoadFilePathResult);
    connect(this, &CloudSyncWidget::sig_StartDownload, m_downloader, &FileDownloader::startDownload);
    connect(m_downloader, &FileDownloader::downloaded, this, &CloudSyncWidget::slot_saveFile);
    connect(m_downloader, &FileDownloader::progress, this, &CloudSyncWidget::showProgress);

    m_watchdog->setSingleShot(true);
    connect(m_watchdog, &QTimer::timeout, this, &CloudSyncWidget::stepTimedOut);

    // An unpacking that a crash cut short leaves its staging folder behind.
    SafeArchive::removeLeftovers(AppPaths::localFileDir());
    SafeArchive::removeLeftovers(AppPaths::macroFilesDir());
}

CloudSyncWidget::~CloudSyncWidget()
{
    m_passwordRequest.reset();
    m_saveRequest.reset();
    m_uploadRequest.reset();
    m_addressRequest.reset();
    delete ui;
}

void CloudSyncWidget::setAccountServer(const QString& address)
{
    m_passwordRequest->get()->setBaseAddress(address);
    m_saveRequest->get()->setBaseAddress(address);
    m_uploadRequest->get()->setBaseAddress(address);
    m_addressRequest->get()->setBaseAddress(address);
}

void CloudSyncWidget::setUserNameLineEdit(QString text) { ui->UserNameLineEdit->setText(text); }

void CloudSyncWidget::setTransferring(bool transferring)
{
    m_transferring = transferring;
    ui->UploadButton->setEnabled(!transferring);
    ui->DownloadButton->setEnabled(!transferring);
    ui->TransferProgressBar->setRange(0, 0);  // busy until the first bytes tell how far
    ui->TransferProgressBar->setVisible(transferring);
    if (!transferring) {
        m_watchdog->stop();
        m_step = Step::Idle;
    }
}

void CloudSyncWidget::showProgress(qint64 done, qint64 total)
{
    showTransferProgress(ui->TransferProgressBar, done, total);
}

// --- password -------------------------------------------------------------------------------

void CloudSyncWidget::checkPasswordIsDone()
{
    ui->ChangePasswordButton->setVisible(!ui->UserOldPasswordLineEdit->text().isEmpty()
                                         && !ui->UserNewPasswordLineEdit->text().isEmpty()
                                         && !ui->UserAgainPasswordLineEdit->text().isEmpty());
}

void CloudSyncWidget::on_ChangePasswordButton_clicked()
{
    if (ui->UserNewPasswordLineEdit->text() != ui->UserAgainPasswordLineEdit->text()) {
        ui->changePasswordMessageLabel->setText(tr("两次输入的密码不一致"));
        return;
    }
    emit sig_UpdatePassword(OperateToken().GetEmail(), ui->UserOldPasswordLineEdit->text(),
                            ui->UserNewPasswordLineEdit->text());
    ui->changePasswordMessageLabel->setText(tr("修改密码中"));
}

void CloudSyncWidget::slot_changePasswordResult(int rCode, QString rMsg)
{
    loginfo(QStringLiteral("slot_changePasswordResult %1 %2").arg(rCode).arg(rMsg));
    if (rCode == 0) {
        ui->UserOldPasswordLineEdit->clear();
        ui->UserNewPasswordLineEdit->clear();
        ui->UserAgainPasswordLineEdit->clear();
        ui->changePasswordMessageLabel->clear();
    } else if (rCode == 10003) {
        ui->changePasswordMessageLabel->setText(tr("密码错误"));
    } else {
        // Any other refusal or a network failure: its message, not "修改密码中" for ever.
        ui->changePasswordMessageLabel->setText(rMsg);
    }
}

// --- upload ---------------------------------------------------------------------------------

void CloudSyncWidget::on_UploadButton_clicked() { emit sig_ShowWarningDialogOnCloudSyncWidget(Warning::UploadSettings); }

void CloudSyncWidget::slot_startToUploadConfigFiles()
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

void CloudSyncWidget::requestSent()
{
    ++m_pending;
    m_watchdog->start(m_timeouts.requestMs);
}

void CloudSyncWidget::answerArrived()
{
    m_pending = qMax(0, m_pending - 1);
    if (m_pending == 0)
        m_watchdog->stop();
}

void CloudSyncWidget::upLoadConfigLocalFileToServer()
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
void CloudSyncWidget::uploadFailed(const QString& trace)
{
    loginfo(trace);
    uploadPhase = false;
    saveConfirmed = false;
    const bool first = !m_uploadFailed;
    m_uploadFailed = true;
    if (m_pending == 0)
        setTransferring(false);
    if (first)
        emit sig_ShowWarningDialogOnCloudSyncWidget(Warning::UploadFailed);
}

void CloudSyncWidget::slot_upLoadResult(int rCode, QString rMsg, QString filePath)
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

void CloudSyncWidget::slot_saveConfigResult(int rCode, QString rMsg)
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
        emit sig_ShowWarningDialogOnCloudSyncWidget(Warning::UploadDone);
}

// --- download -------------------------------------------------------------------------------

void CloudSyncWidget::on_DownloadButton_clicked()
{
    emit sig_ShowWarningDialogOnCloudSyncWidget(Warning::DownloadSettings);
}

void CloudSyncWidget::slot_startToDownLoadFiles()
{
    loginfo(QStringLiteral("slot_startToDownLoadFiles"));
    downloadFiles();
}

void CloudSyncWidget::downloadFiles()
{
    if (m_transferring) {
        loginfo(QStringLiteral("downloadFiles: a transfer is running"));
        return;
    }
    setTransferring(true);
    m_downloader->setTransferTimeoutMs(m_timeouts.downloadMs);
    startDownloadPass(false);
}

void CloudSyncWidget::startDownloadPass(bool macro)
{
    downloadIsMacro = macro;
    pathReady = 0;
    downloadReady = 0;
    m_step = Step::WaitAddress;
    m_watchdog->start(m_timeouts.addressMs);
    emit sig_GetDownLoadFilePath(macro ? QString() : mouseType);
}

void CloudSyncWidget::slot_getDownLoadFilePathResult(int rCode, QString rMsg, QString path)
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

void CloudSyncWidget::stepTimedOut()
{
    if (m_step == Step::Upload) {
        m_pending = 0;
        uploadFailed(QStringLiteral("upload: no answer in time"));
    } else if (m_step == Step::WaitAddress) {
        loginfo(QStringLiteral("sig_GetDownLoadFilePath waitFlagTimeOut"));
        endDownloadPass(false);
    }
}

void CloudSyncWidget::slot_saveFile()
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

void CloudSyncWidget::saveDownloadedFile(const QString& subFolder)
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

bool CloudSyncWidget::discondenseDownLoadFile(const QString& path)
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
void CloudSyncWidget::endDownloadPass(bool unpacked)
{
    const bool macro = downloadIsMacro;
    const bool gotArchive = downloadReady == 1;
    const bool goOn = !macro && gotArchive;
    if (!goOn)
        setTransferring(false);
    else
        m_step = Step::Idle;  // between the passes, while the message is up
    if (macro)
        emit sig_ShowWarningDialogOnCloudSyncWidget(unpacked ? Warning::MacroDownloadDone : Warning::MacroDownloadFailed);
    else
        emit sig_ShowWarningDialogOnCloudSyncWidget(unpacked ? Warning::ProfileDownloadDone
                                                             : Warning::ProfileDownloadFailed);
    if (unpacked)
        emit sig_LoadConfigFile(1);
    if (macro && gotArchive)
        emit sig_loadMacroFile();
    if (goOn)
        startDownloadPass(true);
}
