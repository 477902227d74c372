#include "supportwidget.h"
#include "ui_supportwidget.h"

#include "apppaths.h"
#include "filedownloader.h"
#include "lastversion.h"
#include "loginfo.h"
#include "warningtypes.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#ifndef ZR540_OFFICIAL_WEBSITE
#define ZR540_OFFICIAL_WEBSITE "https://example.com/zr540"
#endif

SupportWidget::SupportWidget(QWidget* parent)
    : QWidget(parent), ui(new Ui::SupportWidget),
      m_versionQuery(std::make_unique<WorkerThread<LastVersion>>(new LastVersion(nullptr, QString()))),
      m_updateFolder(AppPaths::updateDir())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);  // the page's style sheet paints its background
    connect(this, &SupportWidget::sig_CheckLastFirmVersion, m_versionQuery->get(),
            &LastVersion::KvLastFirmVersionJson, Qt::QueuedConnection);
    connect(m_versionQuery->get(), &LastVersion::sigLastVersionRet, this, &SupportWidget::slot_LastVersionRet,
            Qt::QueuedConnection);

    m_downloader = new FileDownloader(this);
    connect(m_downloader, &FileDownloader::downloaded, this, &SupportWidget::slot_saveFile);
    connect(m_downloader, &FileDownloader::progress, this, &SupportWidget::sig_DownloadProgress);
    setVersionNumber(0);
}

SupportWidget::~SupportWidget()
{
    m_versionQuery.reset();
    delete ui;
}

void SupportWidget::setAccountServer(const QString& address) { m_versionQuery->get()->setBaseAddress(address); }

QString SupportWidget::officialWebsite() { return QStringLiteral(ZR540_OFFICIAL_WEBSITE); }

void SupportWidget::setSoftwareVersion(const QString& version)
{
    m_softwareVersion = version;
    ui->SoftVareLabel->setText(tr("驱动版本:V%1").arg(version));
}

void SupportWidget::setVersionNumber(int versionNumber)
{
    m_versionNumber = versionNumber;
    loginfo(QStringLiteral("setVersionNumber %1").arg(versionNumber));
    ui->VersionLabel->setText(tr("固件版本:V%1.0.0").arg(versionNumber));
}

// One check at a time: the button stays disabled until the check has ended one way or another.
void SupportWidget::setChecking(bool checking) { ui->CheckUpdateButton->setEnabled(!checking); }

void SupportWidget::on_CheckUpdateButton_clicked()
{
    setChecking(true);
    emit sig_CheckLastFirmVersion(QStringLiteral("zr540"));
    emit sig_ShowWarningWidgetOnSupportWidget(Warning::UpdateProgress);
}

void SupportWidget::fail(const QString& trace)
{
    loginfo(trace);
    setChecking(false);
    emit sig_closeUpdateWidget();
    emit sig_ShowWarningWidgetOnSupportWidget(Warning::FirmwareUpdateFailed);
}

void SupportWidget::slot_LastVersionRet(int rCode, QString rMsg, QString version, QString path)
{
    loginfo(QStringLiteral("slot_LastVersionRet %1 %2 %3 %4 current %5")
                .arg(rCode)
                .arg(rMsg, version, path)
                .arg(m_versionNumber));
    if (rCode != 0) {
        fail(QStringLiteral("slot_LastVersionRet: the version check failed"));
        return;
    }
    // A version that is no number counts as 0. Any other number than the mouse's, older or
    // newer, is installed: the server's file is the one the maker wants on the mouse.
    if (version.toInt() == m_versionNumber) {
        setChecking(false);
        emit sig_closeUpdateWidget();
        emit sig_ShowWarningWidgetOnSupportWidget(Warning::FirmwareUpToDate);
        return;
    }
    m_downloader->startDownload(path);
}

// The firmware file is only written when the download arrived whole and without error: an error
// page written as firmware would be handed to the updater.
void SupportWidget::slot_saveFile()
{
    const QString file = QDir(m_updateFolder).filePath(QLatin1String(FirmwareFileName));
    loginfo(QStringLiteral("slot_saveFile ") + file);
    if (!m_downloader->lastDownloadOk()) {
        fail(QStringLiteral("slot_saveFile: the firmware download failed, nothing written"));
        return;
    }
    if (!QDir().mkpath(m_updateFolder) || !m_downloader->saveTo(file)) {
        fail(QStringLiteral("slot_saveFile: %1 could not be written").arg(file));
        return;
    }
    if (!m_updaterRuns) {
        // The maker's updater is a Windows program: the file waits in the update folder for it.
        loginfo(QStringLiteral("slot_saveFile: the updater runs on Windows only, %1 kept").arg(file));
        setChecking(false);
        emit sig_closeUpdateWidget();
        emit sig_ShowWarningWidgetOnSupportWidget(Warning::FirmwareKeptForWindows);
        return;
    }
    runUpdateExe();
}

void SupportWidget::runUpdateExe()
{
    const QString updater = QDir(m_updateFolder).filePath(QLatin1String(UpdaterFileName));
    const QUrl url = QUrl::fromLocalFile(updater);
    loginfo(QStringLiteral("runUpdateExe ") + url.toString());
    // The desktop hands the address to whatever opens such files; it cannot tell us that
    // nothing is there, so a missing updater is found here.
    if (!QFileInfo(updater).isFile() || !QDesktopServices::openUrl(url)) {
        fail(QStringLiteral("runUpdateExe fail1"));
        return;
    }
    loginfo(QStringLiteral("runUpdateExe ok1"));
    setChecking(false);
    emit sig_closeUpdateWidget();
}

void SupportWidget::on_OfficialWebsiteButton_clicked() { QDesktopServices::openUrl(QUrl(officialWebsite())); }
