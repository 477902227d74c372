// PcActionRunner: carries out a PC-side button function (play a sound, start a program, open a
// file, open a folder) that the hooks found in the PC-side function file.
#pragma once

#include <QString>
#include <QUrl>

#include <functional>

class PcActionRunner {
public:
    // What the computer is asked to do. The program uses QSound (in the module app/sound, loaded
    // at the first sound), QProcess and QDesktopServices;
    // tests put recorders in their place so nothing is really played or started.
    struct SystemActions {
        std::function<bool(const QString& file)> playSound;
        std::function<bool(const QString& program)> startProgram;
        std::function<bool(const QUrl& url)> openUrl;
    };
    static SystemActions desktopActions();

    explicit PcActionRunner(SystemActions actions = desktopActions());

    // Carries out one function (a PcActionStore::Function code). False without doing anything
    // for a code outside 2..5, an empty or relative path, or a path that is not an existing file
    // (codes 2..4) or folder (code 5); otherwise what the system reported.
    bool run(int function, const QString& path) const;

private:
    SystemActions m_actions;
};
