#include "warningdialog.h"
#include "ui_warningdialog.h"

#include "loginfo.h"
#include "transferprogress.h"
#include "webaddress.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOption>
#include <QUrl>

#ifndef ZR540_DOWNLOAD_PAGE
#define ZR540_DOWNLOAD_PAGE "https://example.com/zr540/download"
#endif

namespace {

// Where both boxes sit: the middle of the 960 × 640 window.
const QPoint boxPosition(314, 229);

struct Message {
    int type;
    const char* title;
    const char* text;
    bool question;  // a question offers Cancel beside OK; a notice has OK alone
};

const Message messages[] = {
    {Warning::ResetToDefaults, QT_TRANSLATE_NOOP("WarningDialog", "恢复默认"), QT_TRANSLATE_NOOP("WarningDialog", "恢复默认将清空所有设置，您确定要恢复默认吗？"), true},
    {Warning::NewerSoftware, QT_TRANSLATE_NOOP("WarningDialog", "版本更新"), QT_TRANSLATE_NOOP("WarningDialog", "当前软件不是最新版本,请到官网下载最新版本"), true},
    {Warning::UploadSettings, QT_TRANSLATE_NOOP("WarningDialog", "上传当前设置"), QT_TRANSLATE_NOOP("WarningDialog", "上传会覆盖云端设置，是否确定上传？"), true},
    {Warning::Logout, QT_TRANSLATE_NOOP("WarningDialog", "退出登录"), QT_TRANSLATE_NOOP("WarningDialog", "退出登录后参数将无法同步到个人账号，确定要退出吗？"), true},
    {Warning::DownloadSettings, QT_TRANSLATE_NOOP("WarningDialog", "下载云端设置"), QT_TRANSLATE_NOOP("WarningDialog", "下载云端设置会覆盖当前设置，是否确定下载？"), true},
    {Warning::KeepOneLeftButton, QT_TRANSLATE_NOOP("WarningDialog", "提示"), QT_TRANSLATE_NOOP("WarningDialog", "请保留至少一个键为“左键”功能"), false},
    {Warning::FirmwareUpdateFailed, QT_TRANSLATE_NOOP("WarningDialog", "固件更新失败"), QT_TRANSLATE_NOOP("WarningDialog", "请稍后重试"), false},
    {Warning::NotLoggedIn, QT_TRANSLATE_NOOP("WarningDialog", "请登录"), QT_TRANSLATE_NOOP("WarningDialog", "您尚未登录！"), false},
    {Warning::FirmwareUpToDate, QT_TRANSLATE_NOOP("WarningDialog", "固件版本"), QT_TRANSLATE_NOOP("WarningDialog", "您的固件已是最新版本"), false},
    {Warning::UploadFailed, QT_TRANSLATE_NOOP("WarningDialog", "上传失败"), QT_TRANSLATE_NOOP("WarningDialog", "请检查网络后再重试"), false},
    {Warning::UploadDone, QT_TRANSLATE_NOOP("WarningDialog", "上传成功"), QT_TRANSLATE_NOOP("WarningDialog", "您当前的设置已成功上传至云端"), false},
    {Warning::ProfileDownloadFailed, QT_TRANSLATE_NOOP("WarningDialog", "下载配置文件失败"), QT_TRANSLATE_NOOP("WarningDialog", "请检查网络后再重试"), false},
    {Warning::MacroDownloadFailed, QT_TRANSLATE_NOOP("WarningDialog", "下载宏文件失败"), QT_TRANSLATE_NOOP("WarningDialog", "请检查网络后再重试"), false},
    {Warning::ProfileDownloadDone, QT_TRANSLATE_NOOP("WarningDialog", "下载配置文件成功"), QT_TRANSLATE_NOOP("WarningDialog", "您的配置文件已更新"), false},
    {Warning::MacroDownloadDone, QT_TRANSLATE_NOOP("WarningDialog", "下载宏文件成功"), QT_TRANSLATE_NOOP("WarningDialog", "您的宏文件已更新"), false},
    {Warning::FirmwareKeptForWindows, QT_TRANSLATE_NOOP("WarningDialog", "固件已下载"), QT_TRANSLATE_NOOP("WarningDialog", "固件文件已保存在Update文件夹中，更新程序需在Windows上运行"), false},
    {Warning::MacroTooLong, QT_TRANSLATE_NOOP("WarningDialog", "宏过长"), QT_TRANSLATE_NOOP("WarningDialog", "宏事件过多，无法写入鼠标"), false},
};

const Message* findMessage(int type)
{
    for (const Message& message : messages) {
        if (message.type == type)
            return &message;
    }
    return nullptr;
}

}  // namespace

WarningDialog::WarningDialog(QWidget* parent) : QDialog(parent), ui(new Ui::WarningDialog)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    // The overlay is drawn half see-through, so the window behind shows darkened.
    setAttribute(Qt::WA_TranslucentBackground);
}

WarningDialog::~WarningDialog() { delete ui; }

QString WarningDialog::downloadPage() { return QStringLiteral(ZR540_DOWNLOAD_PAGE); }

void WarningDialog::setWarningType(int t)
{
    m_type = t;
    const Message* message = findMessage(t);
    ui->Title_Label->setText(message ? tr(message->title) : QString());
    ui->WarningLabel->setText(message ? tr(message->text) : QString());
    const bool newerSoftware = t == Warning::NewerSoftware;
    ui->OkButton->setText(newerSoftware ? tr("官网下载") : tr("确定"));
    ui->Cancle_Button->setText(newerSoftware ? tr("残忍拒绝") : tr("取消"));
    ui->Cancle_Button->setVisible(message && message->question);

    ui->UpdateWidget->hide();
    ui->WarningWidget->move(boxPosition);
    ui->WarningWidget->show();
}

void WarningDialog::showUpdateProgress()
{
    m_type = -1;
    ui->WarningWidget->hide();
    ui->UpdateWidget->move(boxPosition);
    ui->UpdateWidget->show();
}

void WarningDialog::setUrl(const QString& url) { m_url = url; }

void WarningDialog::setProgress(qint64 received, qint64 total)
{
    showTransferProgress(ui->progressBar, received, total);
}

void WarningDialog::on_Cancle_Button_clicked() { reject(); }

void WarningDialog::on_OkButton_clicked()
{
    switch (m_type) {
    case Warning::ResetToDefaults: emit sigResetMouseToOriginal(); break;
    case Warning::NewerSoftware: openUpdatePage(); break;
    case Warning::UploadSettings: emit sigStarToUploadFile(); break;
    case Warning::Logout: emit sigQuitUser(); break;
    case Warning::DownloadSettings: emit sigStarToDownloadFile(); break;
    default: break;  // a notice: OK only dismisses it
    }
    accept();
}

// The server names the page of the newer version; an address that is not a web page is not handed
// to the desktop, and the program's own download page opens instead.
void WarningDialog::openUpdatePage()
{
    QString page = m_url.isEmpty() ? downloadPage() : m_url;
    if (!isWebAddress(page)) {
        loginfo(QStringLiteral("update page \"%1\" refused: not an http or https address").arg(page));
        page = downloadPage();
    }
    QDesktopServices::openUrl(QUrl(page));
}

void WarningDialog::paintEvent(QPaintEvent*)
{
    // A translucent window gets no background of its own; the style sheet's is drawn here.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void WarningDialog::keyPressEvent(QKeyEvent* event)
{
    // Escape would dismiss the busy box while the update still runs.
    if (event->key() == Qt::Key_Escape && ui->UpdateWidget->isVisible()) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
