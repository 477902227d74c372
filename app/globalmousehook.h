// GlobalMouseHook: the system-wide keyboard and mouse hooks that carry out the PC-side button
// functions. The program installs them once at start and removes them when its event loop ends.
// Where this build has no hook backend yet, installing reports false and the program runs on
// without the PC-side functions.
#pragma once

#include <QObject>

#ifdef Q_OS_WIN
#include <windows.h>
#else
using DWORD = quint32;
#endif

class GlobalMouseHook : public QObject {
    Q_OBJECT
public:
    static GlobalMouseHook* instance();

    bool installHooks();
    void removeHooks();
    bool installed() const { return m_installed; }

signals:
    // Every mouse message the hook sees (the message id).
    void sig_mouseHookParam(DWORD param);

private:
    GlobalMouseHook() = default;
    bool m_installed = false;
};
