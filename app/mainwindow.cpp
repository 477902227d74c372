#include "mainwindow.h"

#include "ui_mainwindow.h"

#include "apppaths.h"
#include "checkdevice.h"
#include "cloudsyncwidget.h"
#include "dcdatahandle.h"
#include "drawdialog.h"
#include "keysettingdialog.h"
#include "lastversion.h"
#include "lightsettingwidget.h"
#include "logoutaccount.h"
#include "loginfo.h"
#include "macroeditwidget.h"
#include "mainsettingwidget.h"
#include "mouseprotocol.h"
#include "needdevicedialog.h"
#include "pcactionstore.h"
#include "pointer.h"
#include "profilefilemenu.h"
#include "stylestate.h"
#include "supportwidget.h"
#include "userdialog.h"
#include "warningdialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <iterator>

const QString MainWindow::SoftwareVersion = QStringLiteral("0.9.001540.0424");

namespace {
// The pages of the stack, in the order of their tabs.
enum Page { MainTab, LightTab, MacroTab, SupportTab, CloudTab, PageCount };

template <class T>
void stopWorker(WorkerThread<T>& worker)
{
    if (!worker.stop(MainWindow::QuitGraceMs))
        loginfo(QStringLiteral("a worker thread did not stop within %1 ms").arg(MainWindow::QuitGraceMs));
}
}  // namespace

MainWindow::MainWindow(Options opts, QWidget* parent)
    : QMainWindow(parent), options(std::move(opts)), ui(new Ui::MainWindow), version(SoftwareVersion)
{
    // Before the form: changing the flags later re-creates the window and polishes every widget
    // of the form again.
    setWindowFlags(Qt::FramelessWindowHint);
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("ZR540"));
    if (options.hooks)
        connect(options.hooks, &GlobalMouseHook::sig_mouseHookParam, this, &MainWindow::slot_mouseHook);
    startEngine();
    startMonitor();

    // The tray icon and the device notice come one pass after the window's first frame (see eventFilter).

    setWindowIcon(QIcon(QStringLiteral(":/icon/picture/48-icon.png")));
    for (QPushButton* button : profileButtons())
        button->show();
    ui->QuitUserButton->hide();
    ui->ResetToOriginalButton->hide();
    // The looks are the style sheet's; each widget says which it wears (see stylestate.h).
    for (QPushButton* button : {ui->ResetToOriginalButton, ui->QuitUserButton, ui->LoginButton})
        button->setProperty("look", QStringLiteral("accent"));
    const QList<QPushButton*> tabs = tabButtons();
    for (int tab = 0; tab < tabs.size(); ++tab) {
        const char* shape = tab == MainTab ? "tab-left" : tab == PageCount - 1 ? "tab-right" : "tab-centre";
        tabs.at(tab)->setProperty("look", QLatin1String(shape));
    }
    const QList<QPushButton*> profiles = profileButtons();
    for (QPushButton* button : profiles)
        button->setProperty("look", QStringLiteral("profile"));
    profiles.last()->setProperty("look", QStringLiteral("profile-5"));
    ui->label->setPixmap(QPixmap(QStringLiteral(":/picture/picture/logo.png")));

    buildPage(MainTab);
    connectPointerSettings();
    connectEverything();
    startVersionQuery();
    // The first frame shows page 0 only; the other pages are built after it (see eventFilter).
    ui->centralWidget->installEventFilter(this);

    ui->pushButton->hide();
    ui->BatteryLabel->hide();
    ui->widget->hide();
    ui->NameLabel->hide();
    SetMenuButtonStyleSheet(MainTab);
    showPage(MainTab);
    for (int n = 1; n <= profiles.size(); ++n)
        setStyleState(profiles.at(n - 1), "selected", n == currentConfigure);
    checkTokenIsExit();
    // Export and import of a profile file, in each profile button's context menu.
    auto* profileFiles = new ProfileFileMenu(profileButtons(), this);
    connect(profileFiles, &ProfileFileMenu::profileImported, this, &MainWindow::SetCurrentConfigureButton);
    connect(profileFiles, &ProfileFileMenu::pictureImported, engine->get(), &DCDataHandle::slot_WriteImageToMouse);
    // Only now that every connection stands: the engine's answers (which profile the mouse holds)
    // must find their receivers.
    engine->get()->requestConnect();
}

MainWindow::~MainWindow()
{
    // The workers go first, each after its thread has stopped; the engine last, so a write in
    // progress may finish.
    monitor.reset();
    versionQuery.reset();
    logoutRequest.reset();
    engine.reset();
    if (busy)
        QApplication::restoreOverrideCursor();  // the cursor is the application's, not ours
    delete ui;
}

NeedDeviceDialog* MainWindow::deviceDialog()
{
    if (!needDeviceDialog) {
        needDeviceDialog = new NeedDeviceDialog(this);
        connect(needDeviceDialog, &NeedDeviceDialog::sig_closeWindow, this, &MainWindow::slot_needDeviceDialogClienk);
    }
    return needDeviceDialog;
}

void MainWindow::createTray()
{
    trayIcon = new QSystemTrayIcon(QIcon(QStringLiteral(":/icon/picture/128-128.png")), this);
    trayIcon->setToolTip(QStringLiteral("ZR540"));
    connect(trayIcon, &QSystemTrayIcon::activated, this, &MainWindow::on_activatedSysTrayIcon);
    showAction = new QAction(tr("显示主窗口"), this);
    connect(showAction, &QAction::triggered, this, &MainWindow::on_showMainAction);
    exitAction = new QAction(tr("退出"), this);
    connect(exitAction, &QAction::triggered, this, &MainWindow::on_exitAppAction);
    trayMenu = new QMenu(this);
    trayMenu->addAction(showAction);
    trayMenu->addSeparator();
    trayMenu->addAction(exitAction);
    trayIcon->setContextMenu(trayMenu);
    trayIcon->setVisible(true);
}

void MainWindow::startEngine()
{
    engine = std::make_unique<WorkerThread<DCDataHandle>>(new DCDataHandle(options.hid, options.confirmPause));
    connect(engine->get(), &DCDataHandle::sig_Connected, this, &MainWindow::engineConnected);
    connect(engine->get(), &DCDataHandle::sig_Busy, this, &MainWindow::setBusy);
}

void MainWindow::startMonitor()
{
    monitor = std::make_unique<WorkerThread<CheckDevice>>(
        new CheckDevice(MouseProtocol::VendorId, MouseProtocol::ProductId, options.hid, options.scanIntervalMs));
    connect(monitor->get(), &CheckDevice::sigFound, this, &MainWindow::slot_WarningDeviceNotInsert);
}

void MainWindow::startVersionQuery()
{
    versionQuery = std::make_unique<WorkerThread<LastVersion>>(new LastVersion(nullptr, options.accountServer));
    connect(this, &MainWindow::sig_CheckLastSoftwareVersion, versionQuery->get(),
            &LastVersion::KvLastSoftwareVersionJson, Qt::QueuedConnection);
    connect(versionQuery->get(), &LastVersion::sigLastVersionRet, this, &MainWindow::slot_LastVersionRet, Qt::QueuedConnection);
}

// The wiring between the window, the engine and the pages, in this order.
void MainWindow::connectEverything()
{
    MainSettingWidget* mainPage = mainSettingPage();
    DCDataHandle* profiles = engine->get();
    connect(mainPage, &MainSettingWidget::sig_showDrawDialog, this, &MainWindow::showDrawBorder);
    connect(this, &MainWindow::sigWarningTypeOnMainWindow, this, &MainWindow::slot_showWarningDialog);
    connect(mainPage, &MainSettingWidget::sig_showKeySettingDialog, this, &MainWindow::slot_showKeySettingDialog);
    connect(profiles, &DCDataHandle::sig_WarningOnlyLeftButton, this, &MainWindow::slot_showWarningDialog);
    // The engine may answer before a page is built: the answer builds it.
    connect(profiles, &DCDataHandle::sig_VersionNumber, this, [this](int number) { supportPage()->setVersionNumber(number); });
    connect(profiles, &DCDataHandle::sig_SetCurrentDPIValue, mainPage, &MainSettingWidget::slot_SetDPIValueOnPage);
    connect(profiles, &DCDataHandle::sig_SetCurrentReportRate, mainPage, &MainSettingWidget::slot_SetUSBReportRateOnPage);
    connect(profiles, &DCDataHandle::sig_SetLightParameterOnPage, this,
            [this](QMap<int, QList<int>> parameters) { lightPage()->slot_SetLightParameter(parameters); });
    connect(mainPage, &MainSettingWidget::sig_ChangeDPIValue, profiles, &DCDataHandle::slot_setDPIValueOnMouse);
    connect(this, &MainWindow::sigChangeConfigFile, profiles, &DCDataHandle::slot_LoadLocalConfigFile);
    connect(mainPage, &MainSettingWidget::sig_ChangeUSBReportRate, profiles, &DCDataHandle::slot_ChangeUsbReportRate);
    connect(profiles, &DCDataHandle::sig_SetCurrentConfigurePage, this, &MainWindow::SetCurrentConfigureButton);
    connect(profiles, &DCDataHandle::sig_CurrentButtonIsOriginalButton, mainPage,
            &MainSettingWidget::SetMouseButtonStyleSheetIsOriginal);
}

MainSettingWidget* MainWindow::mainSettingPage() const { return static_cast<MainSettingWidget*>(pages[MainTab]); }
LightSettingWidget* MainWindow::lightPage() { return static_cast<LightSettingWidget*>(buildPage(LightTab)); }
MacroEditWidget* MainWindow::macroPage() { return static_cast<MacroEditWidget*>(buildPage(MacroTab)); }
SupportWidget* MainWindow::supportPage() { return static_cast<SupportWidget*>(buildPage(SupportTab)); }
CloudSyncWidget* MainWindow::cloudPage() { return static_cast<CloudSyncWidget*>(buildPage(CloudTab)); }

bool MainWindow::allPagesBuilt() const
{
    return std::all_of(std::begin(pages), std::end(pages), [](const QWidget* page) { return page != nullptr; });
}

// Builds a page in place of its holder in the stack, under the name the form gives it, and wires it.
QWidget* MainWindow::buildPage(int page)
{
    if (pages[page])
        return pages[page];
    // Made as the stack's child: a page moved there afterwards would be styled a second time.
    QWidget* const stack = ui->stackedWidget;
    QWidget* built = nullptr;
    switch (page) {
    case MainTab:
        built = new MainSettingWidget(stack);
        built->setObjectName(QStringLiteral("MainSettingPage"));
        break;
    case LightTab:
        built = new LightSettingWidget(stack);
        built->setObjectName(QStringLiteral("LightSettingPage"));
        break;
    case MacroTab:
        built = new MacroEditWidget(stack);
        built->setObjectName(QStringLiteral("MacroEditPage"));
        break;
    case SupportTab:
        built = new SupportWidget(stack);
        built->setObjectName(QStringLiteral("SupportPage"));
        break;
    default:
        built = new CloudSyncWidget(stack);
        built->setObjectName(QStringLiteral("CloudSyncPage"));
        break;
    }
    QWidget* holder = ui->stackedWidget->widget(page);
    ui->stackedWidget->insertWidget(page, built);
    ui->stackedWidget->removeWidget(holder);
    delete holder;
    pages[page] = built;
    wirePage(built);
    emit pageBuilt(page);
    return built;
}

void MainWindow::wirePage(QWidget* built)
{
    DCDataHandle* profiles = engine->get();
    if (auto* light = qobject_cast<LightSettingWidget*>(built)) {
        connect(light, &LightSettingWidget::sig_MouseColor, profiles, &DCDataHandle::slot_SetMouseColor);
        connect(light, &LightSettingWidget::sig_MouseLightMode, profiles, &DCDataHandle::slot_setMouseLightMode);
        connect(light, &LightSettingWidget::sig_MouseContinueLightDegree, profiles,
                &DCDataHandle::slot_MouseContinueLightDegree);
        connect(light, &LightSettingWidget::sig_MouseBreathSpeed, profiles, &DCDataHandle::slot_MouseBreathSpeed);
    } else if (auto* macros = qobject_cast<MacroEditWidget*>(built)) {
        connect(macros, &MacroEditWidget::sig_HeaderButtonEnable, this, &MainWindow::slot_SetHeaderButtonEnabled);
        // While the macro editor records, a held key must not repeat into the recording.
        if (GlobalMouseHook* hooks = options.hooks) {
            connect(macros, &MacroEditWidget::sig_Recording, hooks, [hooks](bool recording) {
                if (recording)
                    hooks->setRepeatSuppression();
                else
                    hooks->clearRepeatSuppression();
            });
        }
    } else if (auto* support = qobject_cast<SupportWidget*>(built)) {
        support->setAccountServer(options.accountServer);
        support->setSoftwareVersion(version);
        connect(support, &SupportWidget::sig_ShowWarningWidgetOnSupportWidget, this, &MainWindow::slot_showWarningDialog);
    } else if (auto* cloud = qobject_cast<CloudSyncWidget*>(built)) {
        cloud->setAccountServer(options.accountServer);
        if (loggedIn)
            cloud->setUserNameLineEdit(identity.GetNickName());
        connect(cloud, &CloudSyncWidget::sig_ShowWarningDialogOnCloudSyncWidget, this, &MainWindow::slot_showWarningDialog);
        connect(cloud, &CloudSyncWidget::sig_LoadConfigFile, this, &MainWindow::SetCurrentConfigureButton);
        connect(cloud, &CloudSyncWidget::sig_loadMacroFile, this, [this] { macroPage()->reLoadMacroNamelist(); });
    }
}

// Once the first frame is on screen, the tray icon is made, the notice that the mouse is looked
// for comes up over the window (unless the mouse is there already), and the pages not yet built
// are built one per pass of the event loop, so that neither the start nor a page's first opening
// waits for them.
bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->centralWidget && event->type() == QEvent::Paint && !firstFramePainted) {
        firstFramePainted = true;
        // Not inside this paint: the frame goes to the screen first.
        QTimer::singleShot(0, this, &MainWindow::afterFirstFrame);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::afterFirstFrame()
{
    createTray();
    if (!(mousePresent && mouseConnected)) {
        placeOverWindow(deviceDialog());
        deviceDialog()->show();
    }
    buildNextPageWhenIdle();
}

void MainWindow::buildNextPageWhenIdle()
{
    const auto next = std::find(std::begin(pages), std::end(pages), nullptr);
    if (next == std::end(pages))
        return;
    buildPage(int(next - std::begin(pages)));
    QTimer::singleShot(0, this, &MainWindow::buildNextPageWhenIdle);
}

QList<QPushButton*> MainWindow::tabButtons() const
{
    return {ui->MainSettingButton, ui->LightSettingButton, ui->MacroEditButton, ui->SupportButton, ui->CloudSyncButton};
}

QList<QPushButton*> MainWindow::profileButtons() const
{
    return {ui->ConfigureButton_1, ui->ConfigureButton_2, ui->ConfigureButton_3, ui->ConfigureButton_4,
            ui->ConfigureButton_5};
}

void MainWindow::checkTokenIsExit()
{
    if (identity.GetToken().length() <= 10)
        return;
    loginfo(QStringLiteral("TokenIsExit"));
    const QString nickName = identity.GetNickName();
    ui->LoginButton->hide();
    ui->NameLabel->setText(nickName);
    ui->NameLabel->show();
    loggedIn = 1;
    if (auto* cloud = qobject_cast<CloudSyncWidget*>(pages[CloudTab]))
        cloud->setUserNameLineEdit(nickName);
}

void MainWindow::bringToFront()
{
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    show();
    setWindowFlags(windowFlags() & ~Qt::WindowStaysOnTopHint);
    showNormal();
    activateWindow();
    raise();
}

void MainWindow::slotMessageReceived(QString msg)
{
    bringToFront();
    loginfo(msg);
    if (msg != QCoreApplication::applicationFilePath()) {
        // Not modal: the window stays usable while the notice is up.
        auto* box = new QMessageBox(QMessageBox::Warning, tr("Warn"),
                                    tr("Only on instance is allowed. Close running application first."),
                                    QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
}

void MainWindow::slot_mouseHook(DWORD) {}

// The main page shows the desktop's pointer settings as the pointer backend reads them, and what
// the user moves there is written back through the same backend.
void MainWindow::connectPointerSettings()
{
    const std::shared_ptr<pointer::Backend> system = options.pointer;
    MainSettingWidget::SystemPointer shown;
    if (system) {
        shown.hasSpeed = system->hasSpeed();
        shown.hasWheelLines = system->hasWheelLines();
        if (!system->speed(shown.speed))
            loginfo(QStringLiteral("pointer speed not read: ") + QString::fromStdString(system->error()));
        if (!system->wheelLines(shown.wheelLines))
            loginfo(QStringLiteral("wheel lines not read: ") + QString::fromStdString(system->error()));
    }
    static_assert(MainSettingWidget::WheelPageScroll == pointer::kWheelPageScroll, "one screen at a time");
    mainSettingPage()->showSystemPointer(shown);
    if (!system)
        return;
    connect(mainSettingPage(), &MainSettingWidget::sig_SetSystemPointerSpeed, this, [system](int speed) {
        if (!system->setSpeed(speed))
            loginfo(QStringLiteral("pointer speed not set: ") + QString::fromStdString(system->error()));
    });
    connect(mainSettingPage(), &MainSettingWidget::sig_SetSystemWheelLines, this, [system](int lines) {
        if (!system->setWheelLines(lines))
            loginfo(QStringLiteral("wheel lines not set: ") + QString::fromStdString(system->error()));
    });
}

void MainWindow::on_minimumButton_clicked() { showMinimized(); }

// Closing hides the window into the tray. A desktop without a tray (GNOME shows none) would leave
// no way back and no way out, so there closing ends the program as the tray's "退出" does.
void MainWindow::on_quitButton_clicked()
{
    const bool tray = options.trayAvailable ? options.trayAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
    if (tray)
        hide();
    else
        quitProgram();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // The desktop's own close (a keyboard shortcut, the task bar) does what the close button does.
    event->ignore();
    on_quitButton_clicked();
}

// Dialogs are windows of their own: each covers the window, at its top-left corner.
void MainWindow::placeOverWindow(QWidget* dialog) const { dialog->move(geometry().topLeft()); }

void MainWindow::showPage(int page) { ui->stackedWidget->setCurrentWidget(buildPage(page)); }

void MainWindow::on_MainSettingButton_clicked()
{
    SetMenuButtonStyleSheet(MainTab);
    showPage(MainTab);
}

void MainWindow::on_LightSettingButton_clicked()
{
    SetMenuButtonStyleSheet(LightTab);
    showPage(LightTab);
}

void MainWindow::on_MacroEditButton_clicked()
{
    SetMenuButtonStyleSheet(MacroTab);
    showPage(MacroTab);
}

void MainWindow::on_SupportButton_clicked()
{
    SetMenuButtonStyleSheet(SupportTab);
    showPage(SupportTab);
}

void MainWindow::on_CloudSyncButton_clicked()
{
    if (!loggedIn) {
        slot_showWarningDialog(Warning::NotLoggedIn);
        return;
    }
    SetMenuButtonStyleSheet(CloudTab);
    showPage(CloudTab);
}

void MainWindow::SetMenuButtonStyleSheet(int button)
{
    const QList<QPushButton*> tabs = tabButtons();
    for (int i = 0; i < tabs.size(); ++i)
        setStyleState(tabs.at(i), "selected", i == button);
    setBottomButtonShowOrHide(button);
}

void MainWindow::SetCurrentConfigureButton(int configureButton)
{
    currentConfigure = configureButton;
    const QList<QPushButton*> buttons = profileButtons();
    for (int n = 1; n <= buttons.size(); ++n)
        setStyleState(buttons.at(n - 1), "selected", n == configureButton);
    emit sigChangeConfigFile(configureButton);
}

void MainWindow::on_ConfigureButton_1_clicked() { SetCurrentConfigureButton(1); }
void MainWindow::on_ConfigureButton_2_clicked() { SetCurrentConfigureButton(2); }
void MainWindow::on_ConfigureButton_3_clicked() { SetCurrentConfigureButton(3); }
void MainWindow::on_ConfigureButton_4_clicked() { SetCurrentConfigureButton(4); }
void MainWindow::on_ConfigureButton_5_clicked() { SetCurrentConfigureButton(5); }

void MainWindow::setBottomButtonShowOrHide(int state)
{
    if (state < 0 || state >= PageCount)
        return;
    for (QPushButton* button : profileButtons())
        button->setVisible(state <= 1);
    ui->ResetToOriginalButton->setVisible(state == 3);
    ui->QuitUserButton->setVisible(state == CloudTab);
}

void MainWindow::slot_showWarningDialog(int warningType)
{
    // Not shown before exec(): exec() on a dialog that is already visible would not make it modal.
    auto* dialog = new WarningDialog(this);
    placeOverWindow(dialog);
    dialog->setUrl(updatePath);
    connect(dialog, &WarningDialog::sigQuitUser, this, &MainWindow::slot_quitUser);
    connect(dialog, &WarningDialog::sigResetMouseToOriginal, this, &MainWindow::slot_ResetMouseToOriginal);
    connect(supportPage(), &SupportWidget::sig_closeUpdateWidget, dialog, &WarningDialog::close);
    connect(supportPage(), &SupportWidget::sig_DownloadProgress, dialog, &WarningDialog::setProgress);
    connect(dialog, &WarningDialog::sigStarToUploadFile, cloudPage(), &CloudSyncWidget::slot_startToUploadConfigFiles);
    connect(dialog, &WarningDialog::sigStarToDownloadFile, cloudPage(), &CloudSyncWidget::slot_startToDownLoadFiles);
    if (warningType == Warning::UpdateProgress)
        dialog->showUpdateProgress();
    else
        dialog->setWarningType(warningType);
    dialog->exec();
    delete dialog;
}

void MainWindow::showDrawBorder()
{
    auto* dialog = new DrawDialog(this);
    placeOverWindow(dialog);
    // The dialog has saved the picture when it asks; the engine packs and sends it.
    connect(dialog, &DrawDialog::sig_SetImageOnMouse, engine->get(), &DCDataHandle::slot_WriteImageToMouse,
            Qt::QueuedConnection);
    dialog->exec();
    delete dialog;
}

void MainWindow::slot_showKeySettingDialog(int changedKey)
{
    auto* dialog = new KeySettingDialog(this);
    placeOverWindow(dialog);
    dialog->setChangedKey(changedKey);
    // The engine lives in its own thread: every assignment is queued to it.
    connect(dialog, &KeySettingDialog::sig_ButtonChangeToKey, engine->get(), &DCDataHandle::slot_ChangeButtonToKey,
            Qt::QueuedConnection);
    connect(dialog, &KeySettingDialog::sig_WriteSingleMacro, engine->get(), &DCDataHandle::slot_WriteSingleMacro,
            Qt::QueuedConnection);
    connect(dialog, &KeySettingDialog::sig_WriteListMacro, engine->get(), &DCDataHandle::slot_WriteListMacro,
            Qt::QueuedConnection);
    dialog->exec();
    delete dialog;
}

void MainWindow::on_LoginButton_clicked()
{
    auto* dialog = new UserDialog(this, options.accountServer);
    placeOverWindow(dialog);
    connect(dialog, &UserDialog::loginSucced, this, &MainWindow::checkTokenIsExit);
    dialog->exec();
    delete dialog;
}

void MainWindow::on_QuitUserButton_clicked() { slot_showWarningDialog(Warning::Logout); }

void MainWindow::slot_LastVersionRet(int rCode, QString rMsg, QString latest, QString path)
{
    loginfo(QStringLiteral("Software slot_LastVersionRet ") + QString::number(rCode));
    loginfo(QStringLiteral("Software slot_LastVersionRet ") + rMsg);
    loginfo(QStringLiteral("Software slot_LastVersionRet ") + latest);
    loginfo(QStringLiteral("Software slot_LastVersionRet ") + path);
    loginfo(QStringLiteral("Software slot_LastVersionRet current ") + version);
    if (rCode != 0 || latest == version)
        return;
    updatePath = path;
    emit sigWarningTypeOnMainWindow(Warning::NewerSoftware);
}

void MainWindow::slot_SetHeaderButtonEnabled(bool state)
{
    for (QPushButton* tab : tabButtons())
        tab->setEnabled(state);
}

void MainWindow::slot_quitUser()
{
    ui->LoginButton->show();
    ui->NameLabel->hide();
    loggedIn = 0;
    // The server ends the token; here the identity is forgotten at once, reached or not.
    const QString token = OperateToken().GetToken();
    if (token != QLatin1String("NULL")) {
        if (!logoutRequest) {  // its worker thread is started by the first log-out, not at start-up
            logoutRequest = std::make_unique<WorkerThread<LogoutAccount>>(new LogoutAccount(nullptr, options.accountServer));
            connect(logoutRequest->get(), &LogoutAccount::sigLogoutRet, this, [](int rCode, const QString& rMsg) {
                loginfo(QStringLiteral("log-out on the server: %1 %2").arg(rCode).arg(rMsg));
            }, Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(logoutRequest->get(), "KvLogoutJson", Qt::QueuedConnection, Q_ARG(QString, token));
    }
    const QString settings = AppPaths::settingsFile();
    if (QFile::exists(settings) && !QFile::remove(settings))
        loginfo(QStringLiteral("slot_quitUser: %1 could not be deleted").arg(settings));
    SetMenuButtonStyleSheet(MainTab);
    showPage(MainTab);
}

void MainWindow::slot_ResetMouseToOriginal()
{
    loginfo(QStringLiteral("ResetMouse"));
    engine->get()->requestReset();
    PcActionStore::deleteHighestFile();
}

void MainWindow::on_ResetToOriginalButton_clicked() { emit sigWarningTypeOnMainWindow(Warning::ResetToDefaults); }

void MainWindow::slot_WarningDeviceNotInsert(bool isfind)
{
    mousePresent = isfind;
    if (!isfind) {
        placeOverWindow(deviceDialog());
        deviceDialog()->slot_hide(false);
        return;
    }
    engine->get()->requestConnect();  // the dialog goes once the engine has opened the mouse
    emit sig_CheckLastSoftwareVersion(QStringLiteral("zr540"));
}

void MainWindow::engineConnected(bool connected)
{
    mouseConnected = connected;
    if (connected && mousePresent)
        deviceDialog()->slot_hide(true);
}

void MainWindow::setBusy(bool nowBusy)
{
    if (nowBusy == busy)
        return;
    busy = nowBusy;
    for (QPushButton* button : profileButtons())
        button->setEnabled(!busy);
    ui->ResetToOriginalButton->setEnabled(!busy);
    ui->stackedWidget->setEnabled(!busy);
    if (busy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void MainWindow::slot_needDeviceDialogClienk() { quitProgram(); }

void MainWindow::on_showMainAction() { show(); }

void MainWindow::on_exitAppAction() { quitProgram(); }

void MainWindow::on_activatedSysTrayIcon(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::Trigger)
        bringToFront();
}

// Ends the program with code 0, but lets the engine finish the write in progress first (what is
// still queued behind it is dropped); the monitor, the version query and a log-out request simply stop.
void MainWindow::quitProgram()
{
    if (quitting)
        return;
    quitting = true;
    if (trayIcon)
        trayIcon->hide();
    stopWorker(*monitor);
    stopWorker(*versionQuery);
    if (logoutRequest)
        stopWorker(*logoutRequest);
    stopWorker(*engine);
    if (busy)
        setBusy(false);
    if (options.exit)
        options.exit(0);
    else
        QCoreApplication::exit(0);
}
