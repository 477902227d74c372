// MainWindow: the one window of the program. It owns the pages, the profile engine, the presence
// monitor and the software version query (each of the last three in a worker thread of its own),
// wires them together, keeps the five profile buttons and the tray icon, and opens every dialog.
//
// Nothing here waits for the mouse or the network: the engine is asked to connect or reset
// without waiting and answers with signals; while it loads a profile into the mouse the profile
// buttons and the pages are disabled and the cursor shows that it is busy.
#pragma once

#include "globalmousehook.h"
#include "hid.h"
#include "operatetoken.h"
#include "workerthread.h"

#include <QMainWindow>
#include <QString>
#include <QSystemTrayIcon>
#include <chrono>
#include <functional>
#include <memory>

class CheckDevice;
class CloudSyncWidget;
class DCDataHandle;
class LastVersion;
class LightSettingWidget;
class LogoutAccount;
class MacroEditWidget;
class MainSettingWidget;
class NeedDeviceDialog;
class QAction;
class QMenu;
class QPushButton;
class SupportWidget;

namespace pointer {
class Backend;
}
namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // The software version of this build, compared with the server's.
    static const QString SoftwareVersion;
    // How long quitting waits for the engine to finish what it is writing.
    static constexpr int QuitGraceMs = 2000;

    // What the window is built on, all chosen by main() (tests give in-memory ones): the HID
    // backend the engine and the presence monitor talk through, the pointer settings the main
    // page shows, the pause after each bulk write, the account server, and how the program ends.
    struct Options {
        std::shared_ptr<hid::Backend> hid;
        std::shared_ptr<pointer::Backend> pointer;  // the system's pointer speed and wheel lines
        std::chrono::milliseconds confirmPause{50};
        QString accountServer;  // the pages, the login dialog and the version query send there
        std::function<void(int)> exit;  // QCoreApplication::exit when empty
        int scanIntervalMs = 3000;  // how often the presence monitor looks for the mouse
        std::function<bool()> trayAvailable;  // QSystemTrayIcon::isSystemTrayAvailable when empty
        GlobalMouseHook* hooks = nullptr;  // the system-wide hooks; outlives the window
    };

    explicit MainWindow(Options options, QWidget* parent = nullptr);
    ~MainWindow() override;

    Ui::MainWindow* form() const { return ui; }
    // Pages 1 to 4 are built once the window has painted its first frame, one per pass of the
    // event loop, or at once when something needs one sooner (a tab, the engine's answer).
    MainSettingWidget* mainSettingPage() const;  // built with the window
    LightSettingWidget* lightPage();
    MacroEditWidget* macroPage();
    SupportWidget* supportPage();
    CloudSyncWidget* cloudPage();
    bool allPagesBuilt() const;
    NeedDeviceDialog* deviceDialog();  // made when first needed
    QSystemTrayIcon* tray() const { return trayIcon; }  // made with the first frame
    DCDataHandle* profileEngine() const { return engine->get(); }
    int currentConfigureButton() const { return currentConfigure; }
    bool isLoggedIn() const { return loggedIn != 0; }
    QString updateAddress() const { return updatePath; }

    // The tray's "显示主窗口" and "退出", and a click on the tray icon.
    void on_showMainAction();
    void on_exitAppAction();
    void on_activatedSysTrayIcon(QSystemTrayIcon::ActivationReason reason);

signals:
    void QuitTheApplication();
    void pageBuilt(int page);  // a page of the stack now stands, wired
    void sigWarningTypeOnMainWindow(int warningType);
    void sigChangeConfigFile(int configNumber);
    void sig_CheckLastSoftwareVersion(QString versionType);

public slots:
    void checkTokenIsExit();
    void slotMessageReceived(QString msg);
    void slot_mouseHook(DWORD param);
    void on_minimumButton_clicked();
    void on_quitButton_clicked();
    void on_LightSettingButton_clicked();
    void on_MacroEditButton_clicked();
    void on_SupportButton_clicked();
    void on_MainSettingButton_clicked();
    void on_CloudSyncButton_clicked();
    void SetMenuButtonStyleSheet(int button);
    void SetCurrentConfigureButton(int configureButton);
    void on_ConfigureButton_1_clicked();
    void on_ConfigureButton_2_clicked();
    void on_ConfigureButton_3_clicked();
    void on_ConfigureButton_4_clicked();
    void on_ConfigureButton_5_clicked();
    void setBottomButtonShowOrHide(int state);
    void slot_showWarningDialog(int warningType);
    void slot_showKeySettingDialog(int changedKey);
    void showDrawBorder();
    void on_QuitUserButton_clicked();
    void on_LoginButton_clicked();
    void slot_LastVersionRet(int rCode, QString rMsg, QString version, QString path);
    void slot_SetHeaderButtonEnabled(bool state);
    void slot_quitUser();
    void slot_ResetMouseToOriginal();
    void on_ResetToOriginalButton_clicked();
    void slot_WarningDeviceNotInsert(bool isfind);
    void slot_needDeviceDialogClienk();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createTray();
    void startEngine();
    void startMonitor();
    void startVersionQuery();
    void connectEverything();
    QWidget* buildPage(int page);
    void wirePage(QWidget* built);
    void afterFirstFrame();
    void buildNextPageWhenIdle();
    void connectPointerSettings();
    void bringToFront();
    void showPage(int page);
    void placeOverWindow(QWidget* dialog) const;
    void engineConnected(bool connected);
    void setBusy(bool busy);
    void quitProgram();
    QList<QPushButton*> tabButtons() const;
    QList<QPushButton*> profileButtons() const;

    Options options;
    Ui::MainWindow* ui;
    std::unique_ptr<WorkerThread<DCDataHandle>> engine;
    std::unique_ptr<WorkerThread<LastVersion>> versionQuery;
    std::unique_ptr<WorkerThread<LogoutAccount>> logoutRequest;  // tells the server, off this thread
    QString version;
    int loggedIn = 0;
    std::unique_ptr<WorkerThread<CheckDevice>> monitor;
    OperateToken identity;
    NeedDeviceDialog* needDeviceDialog = nullptr;
    int currentConfigure = 1;
    QString updatePath;
    QSystemTrayIcon* trayIcon = nullptr;
    QMenu* trayMenu = nullptr;
    QAction* showAction = nullptr;
    QAction* exitAction = nullptr;

    bool mousePresent = false;  // as the monitor last reported
    bool mouseConnected = false;  // as the engine last reported
    bool busy = false;
    bool quitting = false;
    bool firstFramePainted = false;
    QWidget* pages[5] = {};  // the built pages, by index; 0 comes with the form
};
