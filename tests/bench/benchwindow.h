// The main window as the start-up and stall benchmarks build it: on a simulated mouse with the
// mouse's own 50 ms pause, in a data folder of its own that holds the factory profile, with an
// account server address where nothing answers.
#pragma once

#include "apppaths.h"
#include "mainwindow.h"
#include "simulatedmousesession.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

struct BenchWindow {
    QTemporaryDir root;
    SimulatedMouseSession session{std::chrono::milliseconds(50)};
    std::unique_ptr<MainWindow> window;

    BenchWindow()
    {
        AppPaths::setDataRoot(root.path());
        QDir().mkpath(AppPaths::localFileDir());
        QFile::copy(QStringLiteral(ZR540_SOURCE_DIR "/install/ConfigFiles/LocalFile/Config0.txt"), AppPaths::profileFile(0));
        MainWindow::Options options;
        options.hid = session.shared();
        options.accountServer = QStringLiteral("http://127.0.0.1:9");
        window = std::make_unique<MainWindow>(options);
    }
};
