// The window's chrome: the warning overlay, the title band that drags the window, a file-list row
// and the overlay shown while no mouse is plugged in.
#include "form.h"
#include "needdevicedialog.h"
#include "testhelpers.h"
#include "titlewidget.h"
#include "warningdialog.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

// Both overlays are drawn black at 80 %, so the window behind them shows through.
void expectSeeThrough(QDialog* dialog)
{
    QVERIFY(dialog->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(dialog->size(), QSize(960, 640));
    const QColor corner = dialog->grab().toImage().pixelColor(5, 5);
    QCOMPARE(qRound(corner.alphaF() * 10), 8);
    QCOMPARE(corner.red() + corner.green() + corner.blue(), 0);
}

// One warning type: what the box shows, and what OK sets off.
struct WarningRow {
    int type;
    QString title, message, ok;
    QString cancel = {};  // empty: no Cancel button
    QString action = {};  // empty: nothing
    QString url = {};     // given to the dialog beforehand
};

void row(const char* name, const WarningRow& warning) { QTest::newRow(name) << warning; }

Q_DECLARE_METATYPE(WarningRow)

class TestChrome : public QObject {
    Q_OBJECT
public slots:
    // Stands in for the browser: QDesktopServices hands it every http(s) address.
    void openUrl(const QUrl& url) { m_actions << "open " + url.toString(); }

private slots:
    void initTestCase();
    void init() { m_actions.clear(); }
    void warningTypes_data();
    void warningTypes();
    void updateProgress();
    void titleDragsTheWindow();
    void formReportsClicks();
    void needDevice();

private:
    QStringList m_actions;  // what the warning dialog's buttons set off, in order
};

void TestChrome::initTestCase()
{
    // Unset again when this object dies.
    QDesktopServices::setUrlHandler("https", this, "openUrl");
    QDesktopServices::setUrlHandler("http", this, "openUrl");
}

void TestChrome::warningTypes_data()
{
    QTest::addColumn<WarningRow>("warning");

    const QString ok = "确定", cancel = "取消", retry = "请检查网络后再重试";
    const QString update = "当前软件不是最新版本,请到官网下载最新版本", newer = "http://example.org/zr540.exe";
    row("0", {0, "恢复默认", "恢复默认将清空所有设置，您确定要恢复默认吗？", ok, cancel, "reset"});
    row("1", {1, "版本更新", update, "官网下载", "残忍拒绝", "open " + WarningDialog::downloadPage()});
    row("1 with url", {1, "版本更新", update, "官网下载", "残忍拒绝", "open " + newer, newer});
    // Only a web address from the server is opened; the program's own page stands in for others.
    row("1 with a file url", {1, "版本更新", update, "官网下载", "残忍拒绝", "open " + WarningDialog::downloadPage(), "file:///etc/passwd"});
    row("2", {2, "上传当前设置", "上传会覆盖云端设置，是否确定上传？", ok, cancel, "upload"});
    row("3", {3, "退出登录", "退出登录后参数将无法同步到个人账号，确定要退出吗？", ok, cancel, "quit"});
    row("4", {4, "下载云端设置", "下载云端设置会覆盖当前设置，是否确定下载？", ok, cancel, "download"});
    row("6", {6, "提示", "请保留至少一个键为“左键”功能", ok});
    row("7", {7, "固件更新失败", "请稍后重试", ok});
    row("8", {8, "请登录", "您尚未登录！", ok});
    row("9", {9, "固件版本", "您的固件已是最新版本", ok});
    row("12", {12, "上传失败", retry, ok});
    row("13", {13, "上传成功", "您当前的设置已成功上传至云端", ok});
    row("14", {14, "下载配置文件失败", retry, ok});
    row("15", {15, "下载宏文件失败", retry, ok});
    row("17", {17, "下载配置文件成功", "您的配置文件已更新", ok});
    row("18", {18, "下载宏文件成功", "您的宏文件已更新", ok});
    row("19", {19, "宏过长", "宏事件过多，无法写入鼠标", ok});
    row("20", {20, "固件已下载", "固件文件已保存在Update文件夹中，更新程序需在Windows上运行", ok});
    row("unknown 5", {5, {}, {}, ok});
    row("unknown -1", {-1, {}, {}, ok});
}

void TestChrome::warningTypes()
{
    QFETCH(WarningRow, warning);

    WarningDialog dialog;
    connect(&dialog, &WarningDialog::sigResetMouseToOriginal, this, [this] { m_actions << "reset"; });
    connect(&dialog, &WarningDialog::sigStarToUploadFile, this, [this] { m_actions << "upload"; });
    connect(&dialog, &WarningDialog::sigQuitUser, this, [this] { m_actions << "quit"; });
    connect(&dialog, &WarningDialog::sigStarToDownloadFile, this, [this] { m_actions << "download"; });
    dialog.setUrl(warning.url);
    dialog.show();
    // The window keeps one dialog and sets a new type on it each time, after other boxes.
    dialog.showUpdateProgress();
    dialog.setWarningType(1);
    dialog.setWarningType(19);
    dialog.setWarningType(warning.type);

    auto* box = childOf<QWidget>(&dialog, "WarningWidget");
    QVERIFY(box->isVisible());
    QCOMPARE(box->geometry(), QRect(314, 229, 330, 179));
    QVERIFY(!childOf<QWidget>(&dialog, "UpdateWidget")->isVisible());
    QCOMPARE(childOf<QLabel>(&dialog, "Title_Label")->text(), warning.title);
    QCOMPARE(childOf<QLabel>(&dialog, "WarningLabel")->text(), warning.message);
    auto* okButton = childOf<QPushButton>(&dialog, "OkButton");
    auto* cancelButton = childOf<QPushButton>(&dialog, "Cancle_Button");
    QCOMPARE(okButton->text(), warning.ok);
    QCOMPARE(cancelButton->isVisible(), !warning.cancel.isEmpty());
    if (!warning.cancel.isEmpty()) {
        QCOMPARE(cancelButton->text(), warning.cancel);
        QTest::mouseClick(cancelButton, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QVERIFY(m_actions.isEmpty());
        dialog.show();
    }
    QTest::mouseClick(okButton, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(m_actions.join(';'), warning.action);
}

void TestChrome::updateProgress()
{
    WarningDialog dialog;
    dialog.show();
    dialog.setWarningType(2);
    dialog.showUpdateProgress();
    auto* progress = childOf<QWidget>(&dialog, "UpdateWidget");
    QVERIFY(progress->isVisible());
    QCOMPARE(progress->pos(), QPoint(314, 229));
    QVERIFY(!childOf<QWidget>(&dialog, "WarningWidget")->isVisible());
    QCOMPARE(childOf<QProgressBar>(&dialog, "progressBar")->maximum(), 0);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());  // the update goes on; only the window ends the wait
    expectSeeThrough(&dialog);
}

void TestChrome::titleDragsTheWindow()
{
    QWidget window;
    auto* title = new TitleWidget(new QWidget(&window));
    window.move(300, 200);
    // Sends one mouse event to the band and tells where the window is then.
    auto send = [&](QEvent::Type type, QPoint global, Qt::MouseButtons buttons = Qt::LeftButton) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(5, 5), QPointF(5, 5), QPointF(global), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(title, &event);
        return window.pos();
    };
    const QEvent::Type move = QEvent::MouseMove;
    QCOMPARE(send(QEvent::MouseButtonPress, {400, 250}), QPoint(300, 200));  // grabbed 100, 50 from the corner
    QCOMPARE(send(move, {450, 270}), QPoint(350, 220));
    QCOMPARE(send(move, {430, 300}), QPoint(330, 250));
    QCOMPARE(send(move, {103, 54}), QPoint(330, 250));  // target 3, 4: within the drag distance
    QCOMPARE(send(move, {120, 70}), QPoint(20, 20));
    QCOMPARE(send(QEvent::MouseButtonRelease, {120, 70}, Qt::NoButton), QPoint(20, 20));
    QCOMPARE(send(move, {600, 400}), QPoint(20, 20));
}

void TestChrome::formReportsClicks()
{
    Form form;
    form.setRow(7);
    form.show();
    QSignalSpy rows(&form, &Form::sig_rowSelected);
    QSignalSpy ticked(&form, &Form::sig_countChecked);
    auto* box = childOf<QCheckBox>(&form, "checkBox");
    for (bool nowTicked : {true, false}) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        QCOMPARE(form.isChecked(), nowTicked);
    }
    QCOMPARE(rows.count(), 2);
    QCOMPARE(rows.at(0).at(0).toInt(), 7);
    QCOMPARE(ticked.count(), 1);  // unticking counts nothing
    form.toggleChecked();
    QVERIFY(form.isChecked());
    QCOMPARE(rows.count(), 2);  // only clicks report
}

void TestChrome::needDevice()
{
    NeedDeviceDialog dialog(nullptr);
    auto* quit = childOf<QPushButton>(&dialog, "OkButton");
    dialog.slot_hide(false);
    QVERIFY(dialog.isVisible());
    QSignalSpy closing(&dialog, &NeedDeviceDialog::sig_closeWindow);
    QTest::mouseClick(quit, Qt::LeftButton);
    QCOMPARE(closing.count(), 1);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());  // no way round the wait but the mouse or quitting
    expectSeeThrough(&dialog);
    dialog.slot_hide(true);
    QVERIFY(!dialog.isVisible());
}

QTEST_MAIN(TestChrome)
#include "tst_chrome.moc"
