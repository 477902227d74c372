// The program: one instance per user, the application font, the hooks, the window, the event loop.
// Every backend is chosen here and nowhere else (the HID backend, the pointer settings, the hooks,
// the account server) and handed to the window, which passes each on to whoever uses it.
//
//   zr540              the mouse through the platform's HID backend
//   zr540 --simulate   demo mode: a simulated mouse whose memory is kept in the data root, so a
//                      restarted demo finds the mouse as it left it
//   zr540 --verbose    the program's trace on the console (QT_LOGGING_RULES="zr540.*.debug=true"
//                      does the same); without it only warnings are printed
#include "appearance.h"
#include "apppaths.h"
#include "factoryprofile.h"
#include "globalmousehook.h"
#include "loginfo.h"
#include "mainwindow.h"
#include "pointer.h"
#include "simulatedmouse.h"
#include "singleinstance.h"
#include "translation.h"
#include "wholefile.h"

#include <QApplication>
#include <QFile>
#include <QLoggingCategory>

#ifndef ZR540_ACCOUNT_SERVER
#error "ZR540_ACCOUNT_SERVER (the account server's base address) is set by the build"
#endif

namespace {
// Demo mode: a mouse fresh from the factory the first time, then whatever it was left holding.
std::shared_ptr<hid::SimulatedMouse> demoMouse()
{
    hid::SimulatedMouse::Memory memory{};
    const DeviceProfileBlock block = FactoryProfile::block();
    std::copy(block.bytes.begin(), block.bytes.end(), memory.begin());
    auto mouse = std::make_shared<hid::SimulatedMouse>(memory);
    const QString file = AppPaths::dataRoot() + QStringLiteral("/simulated-mouse.bin");
    if (!mouse->setPersistenceFile(QFile::encodeName(file).toStdString()))
        loginfo(QStringLiteral("demo mode: %1 could not be read, the mouse starts from the factory").arg(file));
    return mouse;
}
}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zr540"));
    // The program's trace is quiet unless asked for; QT_LOGGING_RULES still has the last word.
    if (QCoreApplication::arguments().contains(QStringLiteral("--verbose")))
        QLoggingCategory::setFilterRules(QStringLiteral("zr540.*.debug=true"));
    QApplication::setQuitOnLastWindowClosed(false);  // the window hides into the tray
    installTranslation(app);

    SingleInstance guard(QStringLiteral("ZR540"));
    if (guard.isRunning()) {
        guard.sendMessage(QStringLiteral("ZR540"), 5000);
        return -1;
    }

    AppPaths::resolveDataRoot();
    // Saves a crash cut short leave their scratch files behind (the files themselves are whole).
    removeUnfinishedWrites(AppPaths::dataRoot());
    applyAppearance(app);

    MainWindow::Options options;
    options.accountServer = QStringLiteral(ZR540_ACCOUNT_SERVER);  // the build setting
    if (QCoreApplication::arguments().contains(QStringLiteral("--simulate")))
        options.hid = demoMouse();
    else
        options.hid = hid::createPlatformBackend();
    std::string why;
    options.pointer = pointer::createPlatformBackend(why);
    if (!why.empty())
        loginfo(QStringLiteral("pointer settings unavailable: ") + QString::fromStdString(why));

    GlobalMouseHook hooks;
    hooks.installHooks();
    options.hooks = &hooks;
    int result = 0;
    {
        MainWindow window(options);
        window.show();
        QObject::connect(&window, &MainWindow::QuitTheApplication, &app, &QApplication::quit);
        QObject::connect(&guard, &SingleInstance::messageReceived, &window, &MainWindow::slotMessageReceived);
        result = QApplication::exec();
        hooks.removeHooks();
    }
    return result;
}
