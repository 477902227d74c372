// The main window on the simulated mouse, offscreen, with its data in a temporary folder: the
// device dialog, profile buttons, pages and their bottom row, log-in state, reset, the software
// check, the tray, quitting without cutting a write, and what reaches the mouse end to end.
#include "ui_mainwindow.h"

#include "apiclient.h"
#include "apppaths.h"
#include "cloudsyncwidget.h"
#include "dcdatahandle.h"
#include "globalmousehook.h"
#include "guihelpers.h"
#include "macroeditwidget.h"
#include "mainsettingwidget.h"
#include "mainwindow.h"
#include "needdevicedialog.h"
#include "oledframe.h"
#include "operatetoken.h"
#include "pcactionstore.h"
#include "pointer.h"
#include "serverprocess.h"
#include "simulatedmousesession.h"
#include "warningdialog.h"
#include "wholefile.h"

#include <memory>

using Sim = hid::SimulatedMouse;

namespace {
QString titleOf(QWidget* dialog) { return childOf<QLabel>(dialog, "Title_Label")->text(); }

// The title the overlay shows for a warning type: which warning came, without copying its text.
QString titleOf(Warning::Type type)
{
    WarningDialog dialog;
    dialog.setWarningType(type);
    return titleOf(&dialog);
}

// Answers every warning that comes up with OK and notes its title, until deleted.
QTimer* confirmEveryWarning(QStringList& titles)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [&titles] {
        auto* dialog = qobject_cast<WarningDialog*>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible()) {
            titles << titleOf(dialog);
            clickChild(dialog, "OkButton");
        }
    });
    poll->start(10);
    return poll;
}

// The title of the next modal dialog, which is closed; the poll is dropped when none came.
template <typename Act> QString nextDialogTitle(Act act)
{
    QString title;
    QTimer* poll = onNextModal([&title](QWidget* dialog) {
        title = titleOf(dialog);
        dialog->close();
    });
    act();
    if (title.isEmpty())
        delete poll;  // no dialog came (it comes within the call): the poll must not act on a later one
    return title;
}
}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        AppPaths::setDataRoot(m_root->path());
        QDir().mkpath(AppPaths::localFileDir());
        QFile::copy(QStringLiteral(ZR540_SOURCE_DIR "/install/ConfigFiles/LocalFile/Config0.txt"), AppPaths::profileFile(0));
        m_session = std::make_unique<SimulatedMouseSession>();
        m_exits.clear();
        m_pointer = std::make_shared<pointer::MemoryBackend>(13);
        m_tray = true;
    }
    void cleanup()
    {
        m_session.reset();
        m_root.reset();
    }

    // The real monitor: the dialog asks for the mouse until the first scan (3 s) finds it; the
    // engine has matched the mouse's profile and loaded it by then.
    void startWithTheMousePresent()
    {
        auto window = makeWindow(std::chrono::milliseconds(1), 3000);
        QSignalSpy change(window.get(), &MainWindow::sigChangeConfigFile);
        QSignalSpy version(window.get(), &MainWindow::sig_CheckLastSoftwareVersion);
        QTRY_COMPARE_WITH_TIMEOUT(version.size(), 1, 60000);  // the first scan found the mouse
        QTRY_VERIFY(!window->deviceDialog()->isVisible());
        QCOMPARE(firstInts(change).value(0), 1);  // no local file matches: profile 1
        QTRY_VERIFY(QFile::exists(AppPaths::profileFile(1)));
        QVERIFY(profileWrites() >= 1);
    }

    void failedConnectKeepsTheDialog()
    {
        auto window = makeWindow();
        QSignalSpy connected(window->profileEngine(), &DCDataHandle::sig_Connected);
        QVERIFY(settled(*window));  // the connect the window starts with, and its load
        m_session->mouse().failNextTransfer(Sim::Transfer::GetFeature);  // the profile read
        const int before = connected.size();
        window->slot_WarningDeviceNotInsert(true);
        QTRY_COMPARE(connected.size(), before + 1);
        QCOMPARE(connected.last().first().toBool(), false);
        QTRY_VERIFY(window->deviceDialog()->isVisible());
    }

    void bottomRowPerPage_data()
    {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("profiles");
        QTest::addColumn<bool>("reset");
        QTest::addColumn<bool>("logOut");
        QTest::newRow("main settings") << "MainSettingButton" << 0 << true << false << false;
        QTest::newRow("lighting") << "LightSettingButton" << 1 << true << false << false;
        QTest::newRow("macro editor") << "MacroEditButton" << 2 << false << false << false;
        QTest::newRow("support") << "SupportButton" << 3 << false << true << false;
        QTest::newRow("cloud sync") << "CloudSyncButton" << 4 << false << false << true;
    }
    // The main page shows the system's pointer speed; what the user moves there reaches the system.
    void bottomRowPerPage()
    {
        OperateToken().SetToken(QStringLiteral("0123456789abcdef"));  // the cloud page needs a log-in
        auto window = makeWindow();
        auto* slider = childOf<QSlider>(window->mainSettingPage(), "PointSpeed_Slider");
        QCOMPARE(slider->value(), 13);
        slider->setValue(15);
        QCOMPARE(m_pointer->speedWrites(), std::vector<int>{15});
        Ui::MainWindow* ui = window->form();
        clickChild(window.get(), fetched<QString>("tab"));
        QCOMPARE(ui->stackedWidget->currentIndex(), fetched<int>("page"));
        for (QPushButton* b : {ui->ConfigureButton_1, ui->ConfigureButton_5})
            QCOMPARE(b->isVisible(), fetched<bool>("profiles"));
        QCOMPARE(ui->ResetToOriginalButton->isVisible(), fetched<bool>("reset"));
        QCOMPARE(ui->QuitUserButton->isVisible(), fetched<bool>("logOut"));
    }

    // A stored token of more than 10 characters counts as logged in, under the stored name; logged
    // out, the cloud tab warns and the page stays. Logging out deletes the settings.
    void storedToken_data()
    {
        QTest::addColumn<QString>("token");
        QTest::addColumn<bool>("loggedIn");
        QTest::newRow("10 characters") << "0123456789" << false;
        QTest::newRow("11 characters") << "0123456789a" << true;
    }
    void storedToken()
    {
        QFETCH(bool, loggedIn);
        OperateToken identity;
        identity.SetToken(fetched<QString>("token"));
        identity.SetNickName(QStringLiteral("小明"));
        auto window = makeWindow();
        QCOMPARE(window->isLoggedIn(), loggedIn);
        QCOMPARE(window->form()->LoginButton->isVisible(), !loggedIn);
        QCOMPARE(window->form()->NameLabel->isVisible(), loggedIn);
        QCOMPARE(window->form()->NameLabel->text() == QStringLiteral("小明"), loggedIn);
        QTest::mouseClick(window->form()->SupportButton, Qt::LeftButton);
        QCOMPARE(nextDialogTitle([&] { QTest::mouseClick(window->form()->CloudSyncButton, Qt::LeftButton); }),
                 loggedIn ? QString() : titleOf(Warning::NotLoggedIn));
        QCOMPARE(window->form()->stackedWidget->currentIndex(), loggedIn ? 4 : 3);
        if (!loggedIn)
            return;
        onNextModal([](QWidget* dialog) {
            QCOMPARE(titleOf(dialog), titleOf(Warning::Logout));
            clickChild(dialog, "OkButton");
        });
        QTest::mouseClick(window->form()->QuitUserButton, Qt::LeftButton);
        QVERIFY(!QFile::exists(AppPaths::settingsFile()));
        QVERIFY(!window->isLoggedIn());
        QVERIFY(window->form()->LoginButton->isVisible());
        QCOMPARE(window->form()->stackedWidget->currentIndex(), 0);
    }

    void resetToFactory()
    {
        auto window = makeWindow();
        QVERIFY(settled(*window));
        QVERIFY(PcActionStore::writeFunction(5, true, 4, QStringLiteral("/home/me/a.txt")));
        for (int n = 1; n <= 5; ++n)
            QVERIFY(QFile::copy(AppPaths::profileFile(0), AppPaths::profileFile(n)) || QFile::exists(AppPaths::profileFile(n)));
        QVERIFY(writeWholeFile(AppPaths::profileFile(4), "\x05"));  // profile 4 differs from the factory's
        QSignalSpy busy(window->profileEngine(), &DCDataHandle::sig_Busy);
        QTest::mouseClick(window->form()->SupportButton, Qt::LeftButton);
        onNextModal([](QWidget* dialog) {
            QCOMPARE(titleOf(dialog), titleOf(Warning::ResetToDefaults));
            clickChild(dialog, "OkButton");
        });
        QTest::mouseClick(window->form()->ResetToOriginalButton, Qt::LeftButton);
        QVERIFY(!QFile::exists(AppPaths::pcFunctionFile()));
        QTRY_COMPARE_WITH_TIMEOUT(busy.size(), 2, 60000);
        QCOMPARE(fileContent(AppPaths::profileFile(4)), fileContent(AppPaths::profileFile(0)));
    }

    void softwareCheck_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("warned");
        QTest::newRow("newer") << 0 << "1.0.0.1" << true;
        QTest::newRow("older counts too") << 0 << "0.1.0.0" << true;
        QTest::newRow("the same") << 0 << "0.9.001540.0424" << false;
        QTest::newRow("server refused") << -1 << "1.0.0.1" << false;
    }
    void softwareCheck()
    {
        QFETCH(bool, warned);
        auto window = makeWindow();
        const QString url = QStringLiteral("https://example.com/zr540.exe");
        QCOMPARE(nextDialogTitle([&] { window->slot_LastVersionRet(fetched<int>("code"), {}, fetched<QString>("version"), url); }),
                 warned ? titleOf(Warning::NewerSoftware) : QString());
        QCOMPARE(window->updateAddress(), warned ? url : QString());
    }

    // With a tray, closing hides the window there; without one (GNOME), closing ends the program.
    void closing_data()
    {
        QTest::addColumn<bool>("tray");
        QTest::newRow("tray") << true;
        QTest::newRow("no tray") << false;
    }
    void closing()
    {
        QFETCH(bool, tray);
        m_tray = tray;
        auto window = makeWindow();
        window->close();
        QCOMPARE(m_exits, tray ? QList<int>{} : QList<int>{0});
        if (!tray)
            return;
        QVERIFY(!window->isVisible());
        window->on_activatedSysTrayIcon(QSystemTrayIcon::Trigger);
        QVERIFY(window->isVisible());
    }

    // A profile button picks that profile; while the engine loads it the window is busy. "退出"
    // while a profile is being loaded: the program ends with 0 only after the load's last write
    // (the profile) reached the mouse and the profile file was saved.
    void profileButtons()
    {
        auto window = makeWindow(std::chrono::milliseconds(20));  // 17 writes: about 350 ms
        QVERIFY(settled(*window));
        // What the window shows each time it has been told, looked at behind its own handling.
        Ui::MainWindow* ui = window->form();
        QList<QList<bool>> shown;
        const auto look = [&] {
            shown << QList<bool>{ui->ConfigureButton_1->isEnabled(), ui->stackedWidget->isEnabled(),
                                 QApplication::overrideCursor() != nullptr};
        };
        QObject receiver;
        QObject::connect(window->profileEngine(), &DCDataHandle::sig_Busy, &receiver, look, Qt::QueuedConnection);
        QSignalSpy change(window.get(), &MainWindow::sigChangeConfigFile);
        QTest::mouseClick(ui->ConfigureButton_2, Qt::LeftButton);
        QCOMPARE(firstInts(change), QList<int>{2});
        QCOMPARE(window->currentConfigureButton(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 2, 60000);
        QCOMPARE(shown, (QList<QList<bool>>{{false, false, true}, {true, true, false}}));
        QTRY_VERIFY(QFile::exists(AppPaths::profileFile(2)));  // the engine loaded what was picked, and saved it

        m_session->mouse().clearLog();
        QSignalSpy busy(window->profileEngine(), &DCDataHandle::sig_Busy);
        QTest::mouseClick(window->form()->ConfigureButton_4, Qt::LeftButton);
        QTRY_VERIFY(!busy.isEmpty());  // the load has begun
        window->on_exitAppAction();
        QCOMPARE(m_exits, QList<int>{0});
        QCOMPARE(profileWrites(), 1);
        QVERIFY(QFile::exists(AppPaths::profileFile(4)));
    }

    // The back button on the main page, "音量加大" from the catalogue, OK: the mouse's key matrix
    // entry of the back button (entry 3, block offset 344) becomes consumer usage 0xE9, and the
    // page shows the button as changed. Then a macro recorded on the macro page (A down, A up) and
    // put on the back button is in the mouse's macro block of that button (152): repeat count 1,
    // the press, the release, the end.
    void assignToTheBackButton()
    {
        QVERIFY(QDir().mkpath(AppPaths::macroFilesDir() + QStringLiteral("/Title1")));
        auto window = makeWindow();
        QVERIFY(settled(*window));
        auto* back = childOf<QPushButton>(window.get(), "Back_Button");
        QVERIFY(!back->property("changed").toBool());  // the factory plate
        onNextModal([](QWidget* dialog) {
            clickChild(dialog, "BasicFunctionButton");
            auto* list = childOf<QListWidget>(dialog, "BasicFuctionListWidget");
            list->setCurrentItem(list->findItems(QStringLiteral("音量加大"), Qt::MatchExactly).value(0));
            clickChild(dialog, "OKButton");
        });
        QTest::mouseClick(back, Qt::LeftButton);
        QTRY_COMPARE(bytesOf(m_session->mouse().profileMemory(), 344, 4), QByteArray("\x03\x00\xE9\x00", 4));
        QTRY_VERIFY(back->property("changed").toBool());

        QTest::mouseClick(window->form()->MacroEditButton, Qt::LeftButton);
        QWidget* page = window->macroPage();
        clickChild(page, "CreateButton");
        clickRow(childOf<QListWidget>(page, "MacroNameListWidget"), 0);
        clickChild(page, "StartRecordButton");
        QVERIFY(m_hooks.repeatSuppression());  // a held key does not repeat into the recording
        sendKeysym(page, QEvent::KeyPress, 0x61);  // "a"
        sendKeysym(page, QEvent::KeyRelease, 0x61);
        clickChild(page, "StartRecordButton");
        QVERIFY(!m_hooks.repeatSuppression());

        QTest::mouseClick(window->form()->MainSettingButton, Qt::LeftButton);
        onNextModal([](QWidget* dialog) {
            clickChild(dialog, "MarcoEditButton");
            clickRow(childOf<QListWidget>(dialog, "MacroTitleListWidget"), 0);
            clickRow(childOf<QListWidget>(dialog, "MacroNameListWidget"), 0);
            clickChild(dialog, "OKButton");
        });
        clickChild(window.get(), "Back_Button");
        QTRY_COMPARE(bytesOf(m_session->mouse().macroBlock(152), 0, 6), QByteArray("\x00\x01\x01\x04\x81\x04", 6));
    }

    // A stroke across the drawing board, confirmed, reaches the mouse's display as the packed frame
    // of the saved picture, in both halves.
    void drawingReachesTheDisplay()
    {
        auto window = makeWindow();
        QVERIFY(settled(*window));
        onNextModal([](QWidget* dialog) {
            clickChild(dialog, "Brush_Button");
            QWidget* board = childOf<QWidget>(dialog, "DrawWidget");
            const int y = board->height() / 2;
            sendMouse(board, QEvent::MouseButtonPress, QPoint(board->width() / 4, y));
            for (int x = board->width() / 4; x <= board->width() * 3 / 4; x += 2)
                sendMouse(board, QEvent::MouseMove, QPoint(x, y));
            sendMouse(board, QEvent::MouseButtonRelease, QPoint(board->width() * 3 / 4, y));
            clickChild(dialog, "DrawOkButton");
        });
        clickChild(window.get(), "DrawButton");
        QImage canvas;
        QVERIFY(OledFrame::loadCanvas(AppPaths::pictureFile(), canvas));
        QByteArray frame(512, '\0');
        QVERIFY(OledFrame::pack(canvas, reinterpret_cast<unsigned char*>(frame.data()), 512));
        QVERIFY(frame.count('\0') < 512);  // the stroke lit something
        QTRY_COMPARE(bytesOf(m_session->mouse().picture(), 0, 1024), frame + frame);
    }

    // Log in through the login dialog, upload, change the profile and lose the macro, download: the
    // profile that was uploaded is back on the mouse, the macro in its folder.
    void cloudRoundTripThroughTheWindow()
    {
        QTemporaryDir serverDir;
        ServerProcess server(serverDir.filePath(QStringLiteral("data")));
        QVERIFY2(server.start(), server.output().constData());
        QVERIFY(QDir().mkpath(AppPaths::macroFilesDir() + QStringLiteral("/Title1")));
        const QString macro = AppPaths::macroFilesDir() + QStringLiteral("/Title1/m.txt");
        QVERIFY(writeWholeFile(macro, "{}"));
        auto window = makeWindow(std::chrono::milliseconds(1), 3600 * 1000, server.baseUrl());
        QVERIFY(settled(*window));
        QVERIFY(ApiClient(server.port()).registerUser(QStringLiteral("round@x.cn"), "secret-one", QStringLiteral("往返")));
        onNextModal([&](QWidget* dialog) {
            childOf<QLineEdit>(dialog, "UserLoginNameLineEdit")->setText(QStringLiteral("round@x.cn"));
            childOf<QLineEdit>(dialog, "UserLoginPasswordLineEdit")->setText(QStringLiteral("secret-one"));
            clickChild(dialog, "UserLoginButton");
        });
        clickChild(window.get(), "LoginButton");  // back when the dialog has closed
        QVERIFY(window->isLoggedIn());
        QCOMPARE(window->form()->NameLabel->text(), QStringLiteral("往返"));

        const auto uploaded = m_session->mouse().profileMemory();
        QStringList titles;
        std::unique_ptr<QTimer> confirm(confirmEveryWarning(titles));
        clickChild(window.get(), "CloudSyncButton");
        clickChild(window->cloudPage(), "UploadButton");
        QStringList expected{titleOf(Warning::UploadSettings), titleOf(Warning::UploadDone)};
        QTRY_COMPARE(titles, expected);

        QMetaObject::invokeMethod(window->profileEngine(), "slot_setDPIValueOnMouse", Q_ARG(int, 1), Q_ARG(int, 3200));
        QTRY_VERIFY(m_session->mouse().profileMemory() != uploaded);
        window->SetCurrentConfigureButton(2);  // the download selects profile 1 again
        QVERIFY(QFile::remove(macro));
        clickChild(window->cloudPage(), "DownloadButton");
        expected << titleOf(Warning::DownloadSettings) << titleOf(Warning::ProfileDownloadDone)
                 << titleOf(Warning::MacroDownloadDone);
        QTRY_COMPARE(titles, expected);
        QCOMPARE(window->currentConfigureButton(), 1);
        QTRY_VERIFY(m_session->mouse().profileMemory() == uploaded);
        QCOMPARE(fileContent(macro), QByteArray("{}"));
    }

private:
    // The presence monitor scans only when a test asks for it (interval > 0): elsewhere its first
    // report would reconnect and reload in the middle of what the test watches.
    std::unique_ptr<MainWindow> makeWindow(std::chrono::milliseconds pause = std::chrono::milliseconds(1),
                                           int scanIntervalMs = 3600 * 1000,
                                           const QString& server = QStringLiteral("http://127.0.0.1:9"))
    {
        MainWindow::Options options;
        options.hid = m_session->shared();
        options.pointer = m_pointer;
        options.confirmPause = pause;
        options.accountServer = server;  // by default nothing answers there
        options.exit = [this](int code) { m_exits << code; };
        options.scanIntervalMs = scanIntervalMs;
        options.trayAvailable = [this] { return m_tray; };
        options.hooks = &m_hooks;
        auto window = std::make_unique<MainWindow>(options);
        window->show();
        return window;
    }
    // Waits until the window's own connect has matched and loaded the mouse's profile.
    bool settled(MainWindow& window)
    {
        int told = 0;  // queued here behind the window's own handling: its connection came first
        QObject receiver;
        QObject::connect(
            window.profileEngine(), &DCDataHandle::sig_Busy, &receiver, [&told] { ++told; }, Qt::QueuedConnection);
        return QTest::qWaitFor([&told] { return told >= 2; }, 60000);
    }
    int profileWrites() const
    {
        int n = 0;
        for (const QByteArray& r : m_session->reports(Sim::Transfer::SetFeature, Sim::Role::Data))
            n += std::uint8_t(r[1]) == 0x03 ? 1 : 0;
        return n;
    }

    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<SimulatedMouseSession> m_session;
    QList<int> m_exits;
    std::shared_ptr<pointer::MemoryBackend> m_pointer;  // the system's pointer settings
    bool m_tray = true;  // what the desktop answers when asked for a tray
    GlobalMouseHook m_hooks;  // never installed
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
