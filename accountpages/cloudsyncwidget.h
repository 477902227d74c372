// CloudSyncWidget: the cloud page of a logged-in user. It shows the nickname, changes the password,
// and offers the two transfers of the data folders (CloudTransfer does them): it asks the window
// to confirm each, shows its progress and passes its messages on. One transfer at a time: the
// buttons are disabled while one runs. The password request runs in a worker thread of its own.
#pragma once

#include "cloudtransfer.h"
#include "workerthread.h"

#include <QString>
#include <QWidget>
#include <memory>

class FileDownloader;
class UpdatePasswdAccount;

namespace Ui {
class CloudSyncWidget;
}

class CloudSyncWidget : public QWidget {
    Q_OBJECT
public:
    explicit CloudSyncWidget(QWidget* parent = nullptr);
    ~CloudSyncWidget() override;

    // The account server every request goes to (the window tells; none before).
    void setAccountServer(const QString& address);
    void setTimeouts(const CloudTransfer::Timeouts& timeouts);
    bool isTransferring() const;
    FileDownloader* downloader() const;
    CloudTransfer* transfer() const { return m_transfer; }

signals:
    void sig_ShowWarningDialogOnCloudSyncWidget(int type);
    void sig_LoadConfigFile(int i);
    void sig_loadMacroFile();
    void sig_UpdatePassword(QString email, QString passwd, QString rePasswd);

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

private:
    void showTransferring(bool transferring);

    Ui::CloudSyncWidget* ui;
    std::unique_ptr<WorkerThread<UpdatePasswdAccount>> m_passwordRequest;
    CloudTransfer* m_transfer = nullptr;
};
