// SupportWidget: the support page. It shows the program's and the mouse's versions, checks the
// account server for newer firmware, downloads it into the update folder and starts the firmware
// updater installed beside the program; it also opens the maker's web site.
//
// The version request runs in a worker thread of its own; the download runs in the GUI thread
// without blocking it. A firmware check ends in exactly one of: "already newest" (type 9), a
// failure (type 7: refused, unreachable, a failed or oversized download, a file that could not be
// written, an updater that is missing or cannot be started), or the updater started. Each of
// them first closes the progress overlay.
#pragma once

#include "workerthread.h"

#include <QString>
#include <QWidget>
#include <memory>

class FileDownloader;
class LastVersion;

namespace Ui {
class SupportWidget;
}

class SupportWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* FirmwareFileName = "UpdateCodeTool.mtp";
    static constexpr const char* UpdaterFileName = "ZR540UpdataOnce.exe";

    explicit SupportWidget(QWidget* parent = nullptr);
    ~SupportWidget() override;

    // The account server the version check asks (the window tells; none before).
    void setAccountServer(const QString& address);

    void setSoftwareVersion(const QString& version);
    QString updateFolder() const { return m_updateFolder; }
    FileDownloader* downloader() const { return m_downloader; }
    // The maker's web site, opened by the link at the bottom.
    static QString officialWebsite();
    // Whether the maker's updater can run here (Windows); elsewhere a downloaded firmware file is
    // kept in the update folder and the user is told so.
    void setUpdaterRuns(bool runs) { m_updaterRuns = runs; }

signals:
    void sig_ShowWarningWidgetOnSupportWidget(int type);
    void sig_closeUpdateWidget();
    void sig_CheckLastFirmVersion(QString versionType);
    // Bytes of the firmware download so far, and in all (-1 while unknown).
    void sig_DownloadProgress(qint64 received, qint64 total);

public slots:
    void setVersionNumber(int versionNumber);
    void on_CheckUpdateButton_clicked();
    void slot_LastVersionRet(int rCode, QString rMsg, QString version, QString path);
    void slot_saveFile();
    void runUpdateExe();
    void on_OfficialWebsiteButton_clicked();

private:
    void fail(const QString& trace);
    void setChecking(bool checking);

    Ui::SupportWidget* ui;
    std::unique_ptr<WorkerThread<LastVersion>> m_versionQuery;
    FileDownloader* m_downloader = nullptr;
    int m_versionNumber = 0;
    QString m_softwareVersion;
    QString m_updateFolder;
#ifdef Q_OS_WIN
    bool m_updaterRuns = true;
#else
    bool m_updaterRuns = false;
#endif
};
