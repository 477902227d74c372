// GlobalMouseHook: the system-wide keyboard and mouse hooks that carry out the PC-side button
// functions. main() makes the one object, installs the hooks at start, hands the object to the
// window and removes the hooks when its event loop ends (destroying the object removes them too).
// The backend is the platform's (platform/hooks.h); where there is none (no X display, Wayland
// without one, another system), installing reports false and the program runs on without the
// PC-side functions.
#pragma once

#include "hookmessages.h"
#include "pcactionrunner.h"

#include <QObject>

#include <memory>

#ifdef Q_OS_WIN
#include <windows.h>
#else
using DWORD = quint32;
#endif

namespace hooks {
class Backend;
}
class PcActionTable;
class QSocketNotifier;

class GlobalMouseHook : public QObject {
    Q_OBJECT
public:
    explicit GlobalMouseHook(QObject* parent = nullptr);
    ~GlobalMouseHook() override;

    bool installHooks();
    void removeHooks();
    bool installed() const { return m_installed; }

    // The macro editor, while it records: the auto-repeat of a held key is removed (system-wide
    // where the platform has a keyboard hook, from the program's own windows everywhere).
    void setRepeatSuppression();
    void clearRepeatSuppression();
    bool repeatSuppression() const { return m_keys.enabled(); }

    // The PC-side functions the hooks act on (while installed; nullptr otherwise).
    const PcActionTable* table() const { return m_table.get(); }

    // What carries out the functions (the desktop's by default; tests put recorders in).
    void setActionRunner(const PcActionRunner& runner) { m_runner = runner; }

    // What the backends ask, press by press; true swallows the event. A swallowed mouse message
    // is broadcast through sig_mouseHookParam.
    bool onMouseMessage(quint32 message, quint32 mouseData);
    bool onKeyboardMessage(quint32 virtualKey, quint32 message);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // The hook parameter of every swallowed mouse message.
    void sig_mouseHookParam(DWORD param);

private:
    void watchButtons();
    void processPending();

    std::unique_ptr<hooks::Backend> m_backend;
    std::unique_ptr<PcActionTable> m_table;
    QSocketNotifier* m_notifier = nullptr;
    hooks::KeyRepeatFilter m_keys;
    PcActionRunner m_runner;
    bool m_installed = false;
    bool m_noBackendLogged = false;
};
