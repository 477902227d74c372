// Start-up of the program to the first painted frame of its window, on the simulated mouse in a
// data folder of its own: the steps of main() before the event loop (single-instance guard, font,
// style sheet, hooks, the window), then the first frame. scripts/bench runs it against
// startup_bare.
#include "benchwindow.h"
#include "firstframe.h"
#include "globalmousehook.h"
#include "singleinstance.h"

#include <QFontDatabase>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zr540"));
    // A key of its own: a running copy of the program must not turn this one away.
    SingleInstance guard(QStringLiteral("ZR540-bench-%1").arg(QCoreApplication::applicationPid()));
    if (guard.isRunning())
        return 1;
    GlobalMouseHook hooks;
    BenchWindow bench(QStringLiteral("http://127.0.0.1:9"), [&app, &hooks] {
        QFontDatabase::addApplicationFont(AppPaths::fontFile());
        QFile style(QStringLiteral(":/style/zr540.qss"));
        if (style.open(QIODevice::ReadOnly))
            app.setStyleSheet(QString::fromUtf8(style.readAll()));
        hooks.installHooks();
    }, &hooks);
    FirstFrame firstFrame;
    bench.window->centralWidget()->installEventFilter(&firstFrame);
    bench.window->show();
    const int result = QApplication::exec();
    hooks.removeHooks();
    return result;
}
