// The main window as the start-up and stall benchmarks build it: on a simulated mouse with the
// mouse's own 50 ms pause, in a data folder of its own that holds the factory profile and one
// macro file. The account server is one where nothing answers unless the benchmark names its own,
// and the presence monitor scans once an hour unless asked otherwise, so its first report does
// not reconnect in the middle of what is measured. `prepare` runs in the data folder before the
// window is built (a stored log-in, say); `hooks` are the program's hooks when the benchmark has them.
#pragma once

#include "apppaths.h"
#include "mainwindow.h"
#include "pointer.h"
#include "simulatedmousesession.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <memory>

struct BenchWindow {
    QTemporaryDir root;
    SimulatedMouseSession session{std::chrono::milliseconds(50)};
    std::unique_ptr<MainWindow> window;

    explicit BenchWindow(const QString& accountServer = QStringLiteral("http://127.0.0.1:9"),
                         const std::function<void()>& prepare = {}, GlobalMouseHook* hooks = nullptr)
    {
        AppPaths::setDataRoot(root.path());
        QDir().mkpath(AppPaths::localFileDir());
        QFile::copy(QStringLiteral(ZR540_SOURCE_DIR "/install/ConfigFiles/LocalFile/Config0.txt"),
                    AppPaths::profileFile(0));
        QDir().mkpath(AppPaths::macroFilesDir() + QStringLiteral("/默认"));
        QFile macro(AppPaths::macroFilesDir() + QStringLiteral("/默认/m.txt"));
        if (macro.open(QIODevice::WriteOnly))
            macro.write("{}");
        macro.close();
        if (prepare)
            prepare();
        MainWindow::Options options;
        options.hid = session.shared();
        options.pointer = std::make_shared<pointer::MemoryBackend>();
        options.accountServer = accountServer;
        options.scanIntervalMs = 3600 * 1000;
        options.hooks = hooks;
        window = std::make_unique<MainWindow>(options);
    }
};
