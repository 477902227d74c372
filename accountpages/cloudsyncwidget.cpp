#include "cloudsyncwidget.h"
#include "ui_cloudsyncwidget.h"

#include "cloudtransfer.h"
#include "loginfo.h"
#include "operatetoken.h"
#include "transferprogress.h"
#include "updatepasswdaccount.h"
#include "warningtypes.h"

CloudSyncWidget::CloudSyncWidget(QWidget* parent)
    : QWidget(parent), ui(new Ui::CloudSyncWidget),
      m_passwordRequest(std::make_unique<WorkerThread<UpdatePasswdAccount>>(new UpdatePasswdAccount(nullptr, QString()))),
      m_transfer(new CloudTransfer(this))
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

    connect(m_transfer, &CloudTransfer::warning, this, &CloudSyncWidget::sig_ShowWarningDialogOnCloudSyncWidget);
    connect(m_transfer, &CloudTransfer::loadConfigFile, this, &CloudSyncWidget::sig_LoadConfigFile);
    connect(m_transfer, &CloudTransfer::loadMacroFile, this, &CloudSyncWidget::sig_loadMacroFile);
    connect(m_transfer, &CloudTransfer::transferringChanged, this, &CloudSyncWidget::showTransferring);
    connect(m_transfer, &CloudTransfer::progress, this,
            [this](qint64 done, qint64 total) { showTransferProgress(ui->TransferProgressBar, done, total); });
}

CloudSyncWidget::~CloudSyncWidget()
{
    m_passwordRequest.reset();
    delete ui;
}

void CloudSyncWidget::setAccountServer(const QString& address)
{
    m_passwordRequest->get()->setBaseAddress(address);
    m_transfer->setAccountServer(address);
}

void CloudSyncWidget::setTimeouts(const CloudTransfer::Timeouts& timeouts) { m_transfer->setTimeouts(timeouts); }
bool CloudSyncWidget::isTransferring() const { return m_transfer->isTransferring(); }
FileDownloader* CloudSyncWidget::downloader() const { return m_transfer->downloader(); }

void CloudSyncWidget::setUserNameLineEdit(QString text) { ui->UserNameLineEdit->setText(text); }

// One transfer at a time: the buttons wait while one runs.
void CloudSyncWidget::showTransferring(bool transferring)
{
    ui->UploadButton->setEnabled(!transferring);
    ui->DownloadButton->setEnabled(!transferring);
    ui->TransferProgressBar->setRange(0, 0);  // busy until the first bytes tell how far
    ui->TransferProgressBar->setVisible(transferring);
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

// --- transfers ------------------------------------------------------------------------------

void CloudSyncWidget::on_UploadButton_clicked() { emit sig_ShowWarningDialogOnCloudSyncWidget(Warning::UploadSettings); }
void CloudSyncWidget::on_DownloadButton_clicked() { emit sig_ShowWarningDialogOnCloudSyncWidget(Warning::DownloadSettings); }
void CloudSyncWidget::slot_startToUploadConfigFiles() { m_transfer->startUpload(); }
void CloudSyncWidget::slot_startToDownLoadFiles() { m_transfer->startDownload(); }
