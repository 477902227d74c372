// The window's chrome: the warning overlay, the title band that drags the window, a file-list row
// and the overlay shown while no mouse is plugged in.
#include "form.h"
#include "needdevicedialog.h"
#include "titlewidget.h"
#include "warningdialog.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

// Stands in for the browser: QDesktopServices hands it every http(s) address.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

class TestChrome : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void warningTypes_data();
    void warningTypes();
    void cancelDoesNothing_data();
    void cancelDoesNothing();
    void reusedDialogResetsButtons();
    void newerSoftwareOpensPage_data();
    void newerSoftwareOpensPage();
    void updateProgress();
    void overlaysAreSeeThrough_data();
    void overlaysAreSeeThrough();
    void titleDragsTheWindow();
    void formReportsClicks();
    void needDevice();

private:
    UrlRecorder m_browser;
};

namespace {

enum Emitted { None = -1, QuitUser, ResetMouse, Upload, Download };

template <typename T> T* child(QWidget* parent, const char* name)
{
    T* widget = parent->findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("no %s", name);
    return widget;
}

struct WarningSpies {
    explicit WarningSpies(WarningDialog* dialog)
        : spies{{dialog, &WarningDialog::sigQuitUser},
                {dialog, &WarningDialog::sigResetMouseToOriginal},
                {dialog, &WarningDialog::sigStarToUploadFile},
                {dialog, &WarningDialog::sigStarToDownloadFile}}
    {
    }
    QList<int> counts() const { return {spies[0].count(), spies[1].count(), spies[2].count(), spies[3].count()}; }
    QSignalSpy spies[4];
};

QList<int> expectedCounts(int emitted)
{
    QList<int> counts{0, 0, 0, 0};
    if (emitted != None)
        counts[emitted] = 1;
    return counts;
}

std::unique_ptr<WarningDialog> shownWarning(int type)
{
    auto dialog = std::make_unique<WarningDialog>();
    dialog->show();
    dialog->setWarningType(type);
    return dialog;
}

QMouseEvent mouseAt(QEvent::Type type, QPoint global, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    return QMouseEvent(type, QPointF(5, 5), QPointF(5, 5), QPointF(global), button, buttons, Qt::NoModifier);
}

}  // namespace

void TestChrome::init()
{
    m_browser.opened.clear();
    QDesktopServices::setUrlHandler("https", &m_browser, "open");
    QDesktopServices::setUrlHandler("http", &m_browser, "open");
}

void TestChrome::cleanup()
{
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("http");
}

void TestChrome::warningTypes_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("ok");
    QTest::addColumn<QString>("cancel");  // empty: no Cancel button
    QTest::addColumn<int>("emitted");

    const QString ok = "确定", cancel = "取消", retry = "请检查网络后再重试";
    QTest::newRow("0") << 0 << "恢复默认"
                       << "恢复默认将清空所有设置，您确定要恢复默认吗？" << ok << cancel << int(ResetMouse);
    QTest::newRow("1") << 1 << "版本更新"
                       << "当前软件不是最新版本,请到官网下载最新版本"
                       << "官网下载"
                       << "残忍拒绝" << int(None);
    QTest::newRow("2") << 2 << "上传当前设置"
                       << "上传会覆盖云端设置，是否确定上传？" << ok << cancel << int(Upload);
    QTest::newRow("3") << 3 << "退出登录"
                       << "退出登录后参数将无法同步到个人账号，确定要退出吗？" << ok << cancel << int(QuitUser);
    QTest::newRow("4") << 4 << "下载云端设置"
                       << "下载云端设置会覆盖当前设置，是否确定下载？" << ok << cancel << int(Download);
    QTest::newRow("6") << 6 << "提示"
                       << "请保留至少一个键为“左键”功能" << ok << QString() << int(None);
    QTest::newRow("7") << 7 << "固件更新失败"
                       << "请稍后重试" << ok << QString() << int(None);
    QTest::newRow("8") << 8 << "请登录"
                       << "您尚未登录！" << ok << QString() << int(None);
    QTest::newRow("9") << 9 << "固件版本"
                       << "您的固件已是最新版本" << ok << QString() << int(None);
    QTest::newRow("12") << 12 << "上传失败" << retry << ok << QString() << int(None);
    QTest::newRow("13") << 13 << "上传成功"
                        << "您当前的设置已成功上传至云端" << ok << QString() << int(None);
    QTest::newRow("14") << 14 << "下载配置文件失败" << retry << ok << QString() << int(None);
    QTest::newRow("15") << 15 << "下载宏文件失败" << retry << ok << QString() << int(None);
    QTest::newRow("17") << 17 << "下载配置文件成功"
                        << "您的配置文件已更新" << ok << QString() << int(None);
    QTest::newRow("18") << 18 << "下载宏文件成功"
                        << "您的宏文件已更新" << ok << QString() << int(None);
    QTest::newRow("19") << 19 << "宏过长"
                        << "宏事件过多，无法写入鼠标" << ok << QString() << int(None);
    QTest::newRow("unknown 5") << 5 << QString() << QString() << ok << QString() << int(None);
    QTest::newRow("unknown -1") << -1 << QString() << QString() << ok << QString() << int(None);
}

void TestChrome::warningTypes()
{
    QFETCH(int, type);
    QFETCH(QString, title);
    QFETCH(QString, message);
    QFETCH(QString, ok);
    QFETCH(QString, cancel);
    QFETCH(int, emitted);

    auto dialog = shownWarning(type);
    WarningSpies spies(dialog.get());
    auto* box = child<QWidget>(dialog.get(), "WarningWidget");
    QVERIFY(box->isVisible());
    QCOMPARE(box->geometry(), QRect(314, 229, 330, 179));
    QVERIFY(!child<QWidget>(dialog.get(), "UpdateWidget")->isVisible());
    QCOMPARE(child<QLabel>(dialog.get(), "Title_Label")->text(), title);
    QCOMPARE(child<QLabel>(dialog.get(), "WarningLabel")->text(), message);
    auto* okButton = child<QPushButton>(dialog.get(), "OkButton");
    auto* cancelButton = child<QPushButton>(dialog.get(), "Cancle_Button");
    QVERIFY(okButton->isVisible());
    QCOMPARE(okButton->text(), ok);
    QCOMPARE(cancelButton->isVisible(), !cancel.isEmpty());
    if (!cancel.isEmpty())
        QCOMPARE(cancelButton->text(), cancel);

    QTest::mouseClick(okButton, Qt::LeftButton);
    QCOMPARE(spies.counts(), expectedCounts(emitted));
    QVERIFY(!dialog->isVisible());
    QCOMPARE(m_browser.opened.size(), type == 1 ? 1 : 0);
}

void TestChrome::cancelDoesNothing_data()
{
    QTest::addColumn<int>("type");
    for (int type = 0; type <= 4; ++type)
        QTest::addRow("%d", type) << type;
}

void TestChrome::cancelDoesNothing()
{
    QFETCH(int, type);
    auto dialog = shownWarning(type);
    WarningSpies spies(dialog.get());
    QTest::mouseClick(child<QPushButton>(dialog.get(), "Cancle_Button"), Qt::LeftButton);
    QCOMPARE(spies.counts(), expectedCounts(None));
    QVERIFY(m_browser.opened.isEmpty());
    QVERIFY(!dialog->isVisible());
}

void TestChrome::reusedDialogResetsButtons()
{
    // The window keeps one dialog and sets a new type on it each time.
    auto dialog = shownWarning(1);
    dialog->setWarningType(19);
    auto* okButton = child<QPushButton>(dialog.get(), "OkButton");
    auto* cancelButton = child<QPushButton>(dialog.get(), "Cancle_Button");
    QCOMPARE(okButton->text(), QString("确定"));
    QVERIFY(!cancelButton->isVisible());
    dialog->setWarningType(0);
    QCOMPARE(cancelButton->text(), QString("取消"));
    QVERIFY(cancelButton->isVisible());
}

void TestChrome::newerSoftwareOpensPage_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("opened");
    QTest::newRow("none given") << QString() << WarningDialog::downloadPage();
    QTest::newRow("given") << "http://updates.example.org/zr540-2.1.exe"
                           << "http://updates.example.org/zr540-2.1.exe";
}

void TestChrome::newerSoftwareOpensPage()
{
    QFETCH(QString, url);
    QFETCH(QString, opened);
    WarningDialog dialog;
    dialog.setUrl(url);
    dialog.setWarningType(1);
    dialog.show();
    QTest::mouseClick(child<QPushButton>(&dialog, "OkButton"), Qt::LeftButton);
    QCOMPARE(m_browser.opened, QList<QUrl>{QUrl(opened)});
}

void TestChrome::updateProgress()
{
    auto dialog = shownWarning(2);
    dialog->showUpdateProgress();
    auto* progress = child<QWidget>(dialog.get(), "UpdateWidget");
    QVERIFY(progress->isVisible());
    QCOMPARE(progress->pos(), QPoint(314, 229));
    QVERIFY(!child<QWidget>(dialog.get(), "WarningWidget")->isVisible());
    QCOMPARE(child<QProgressBar>(dialog.get(), "progressBar")->maximum(), 0);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    QVERIFY(dialog->isVisible());  // the update goes on; only the window ends the wait
}

void TestChrome::overlaysAreSeeThrough_data()
{
    QTest::addColumn<bool>("needDevice");
    QTest::newRow("warning") << false;
    QTest::newRow("no device") << true;
}

void TestChrome::overlaysAreSeeThrough()
{
    QFETCH(bool, needDevice);
    QWidget window;
    std::unique_ptr<QDialog> dialog;
    if (needDevice)
        dialog = std::make_unique<NeedDeviceDialog>(&window);
    else
        dialog = std::make_unique<WarningDialog>(&window);
    QVERIFY(dialog->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(dialog->size(), QSize(960, 640));
    const QImage image = dialog->grab().toImage();
    const QColor corner = image.pixelColor(5, 5);
    QCOMPARE(qRound(corner.alphaF() * 10), 8);  // black at 80 %: the window shows through
    QCOMPARE(corner.red() + corner.green() + corner.blue(), 0);
}

void TestChrome::titleDragsTheWindow()
{
    QWidget window;
    auto* container = new QWidget(&window);
    auto* title = new TitleWidget(container);
    window.move(300, 200);

    auto send = [title](QEvent::Type type, QPoint global, Qt::MouseButtons buttons = Qt::LeftButton) {
        QMouseEvent event = mouseAt(type, global, buttons);
        QApplication::sendEvent(title, &event);
    };
    send(QEvent::MouseButtonPress, {400, 250});  // grabbed 100, 50 from the corner
    send(QEvent::MouseMove, {450, 270});
    QCOMPARE(window.pos(), QPoint(350, 220));
    send(QEvent::MouseMove, {430, 300});
    QCOMPARE(window.pos(), QPoint(330, 250));
    send(QEvent::MouseMove, {500, 500}, Qt::NoButton);  // no button held: no drag
    QCOMPARE(window.pos(), QPoint(330, 250));
    send(QEvent::MouseMove, {103, 54});  // the target, 3, 4, lies within the drag distance
    QCOMPARE(window.pos(), QPoint(330, 250));
    send(QEvent::MouseMove, {120, 70});
    QCOMPARE(window.pos(), QPoint(20, 20));
    send(QEvent::MouseButtonRelease, {120, 70}, Qt::NoButton);
    send(QEvent::MouseMove, {600, 400});
    QCOMPARE(window.pos(), QPoint(20, 20));

    // A band without a window above it has nothing to move.
    TitleWidget alone;
    QMouseEvent press = mouseAt(QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
    QMouseEvent move = mouseAt(QEvent::MouseMove, {200, 200}, Qt::LeftButton);
    QApplication::sendEvent(&alone, &press);
    QApplication::sendEvent(&alone, &move);
}

void TestChrome::formReportsClicks()
{
    Form form;
    form.setRow(7);
    form.setCheckText("宏1");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QSignalSpy rows(&form, &Form::sig_rowSelected);
    QSignalSpy ticked(&form, &Form::sig_countChecked);
    auto* box = child<QCheckBox>(&form, "checkBox");

    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    QVERIFY(form.isChecked());
    QCOMPARE(rows.count(), 1);
    QCOMPARE(rows.at(0).at(0).toInt(), 7);
    QCOMPARE(ticked.count(), 1);

    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    QVERIFY(!form.isChecked());
    QCOMPARE(rows.count(), 2);
    QCOMPARE(ticked.count(), 1);  // unticking counts nothing

    box->setTristate(true);
    box->setCheckState(Qt::PartiallyChecked);
    QVERIFY(!form.isChecked());
    form.toggleChecked();
    QVERIFY(form.isChecked());
    form.toggleChecked();
    QVERIFY(!form.isChecked());
    QCOMPARE(rows.count(), 2);  // only clicks report
}

void TestChrome::needDevice()
{
    QWidget window;
    NeedDeviceDialog dialog(&window);
    QCOMPARE(child<QLabel>(&dialog, "Title_Label")->text(), QString("设备检测中"));
    auto* message = child<QLabel>(&dialog, "msg_Label");
    QCOMPARE(message->text(), QString("尚未检测到您的鼠标,正在检测中...\n如若长时间没有响应,请重新插拔鼠标"));
    QVERIFY(message->wordWrap());
    auto* quit = child<QPushButton>(&dialog, "OkButton");
    QCOMPARE(quit->text(), QString("退出程序"));
    QCOMPARE(child<QWidget>(&dialog, "WarningWidget")->geometry(), QRect(314, 229, 330, 179));

    dialog.slot_hide(false);
    QVERIFY(dialog.isVisible());
    QSignalSpy closing(&dialog, &NeedDeviceDialog::sig_closeWindow);
    QTest::mouseClick(quit, Qt::LeftButton);
    QCOMPARE(closing.count(), 1);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());  // no way round the wait but the mouse or quitting
    dialog.slot_hide(true);
    QVERIFY(!dialog.isVisible());
}

QTEST_MAIN(TestChrome)
#include "tst_chrome.moc"
