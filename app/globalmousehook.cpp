#include "globalmousehook.h"

#include "hookdecision.h"
#include "hooks.h"
#include "loginfo.h"
#include "pcactiontable.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QSocketNotifier>

GlobalMouseHook::GlobalMouseHook(QObject* parent) : QObject(parent) {}

GlobalMouseHook::~GlobalMouseHook() { removeHooks(); }

bool GlobalMouseHook::installHooks()
{
    if (m_installed)
        return true;
    std::string why;
    m_backend = hooks::createBackend(why);
    if (!m_backend) {
        if (!m_noBackendLogged)
            loginfo(QStringLiteral("installHooks: %1; the PC-side button functions are off").arg(QString::fromStdString(why)));
        m_noBackendLogged = true;
        return false;
    }

    m_table = std::make_unique<PcActionTable>();
    connect(m_table.get(), &PcActionTable::changed, this, &GlobalMouseHook::watchButtons);
    m_backend->setWatchedButtons(m_table->activeButtons());
    const bool ok = m_backend->install(
        [this](std::uint32_t message, std::uint32_t data) { return onMouseMessage(message, data); },
        [this](std::uint32_t key, std::uint32_t message) { return onKeyboardMessage(key, message); });
    if (!ok && m_backend->fd() < 0) {
        // Nothing is hooked (Windows refused): give everything back.
        loginfo(QStringLiteral("installHooks failed: %1").arg(QString::fromStdString(m_backend->error())));
        m_backend.reset();
        m_table.reset();
        return false;
    }
    if (!ok)  // some grabs refused; the others work
        loginfo(QStringLiteral("installHooks: %1").arg(QString::fromStdString(m_backend->error())));

    if (m_backend->fd() >= 0) {
        m_notifier = new QSocketNotifier(m_backend->fd(), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &GlobalMouseHook::processPending);
        // Events read from the connection while grabbing wait in its queue, not on the socket.
        QMetaObject::invokeMethod(this, &GlobalMouseHook::processPending, Qt::QueuedConnection);
    }
    loginfo(QStringLiteral("installHooks: %1").arg(QLatin1String(m_backend->name())));
    m_installed = true;
    return true;
}

void GlobalMouseHook::removeHooks()
{
    if (!m_backend)
        return;
    delete m_notifier;
    m_notifier = nullptr;
    m_backend->remove();
    if (!m_backend->error().empty())
        loginfo(QStringLiteral("removeHooks: %1").arg(QString::fromStdString(m_backend->error())));
    m_backend.reset();
    m_table.reset();
    m_installed = false;
}

// Where the system hook sees the keys (Windows) it removes the repeats before any window does;
// the program's own windows are also filtered, which is all there is on X11 (detectable
// auto-repeat marks the toolkit's repeated key events).
void GlobalMouseHook::setRepeatSuppression()
{
    m_keys.setEnabled(true);
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

void GlobalMouseHook::clearRepeatSuppression()
{
    m_keys.setEnabled(false);
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

bool GlobalMouseHook::eventFilter(QObject* watched, QEvent* event)
{
    if (m_keys.enabled() && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
        && static_cast<QKeyEvent*>(event)->isAutoRepeat())
        return true;
    return QObject::eventFilter(watched, event);
}

bool GlobalMouseHook::onMouseMessage(quint32 message, quint32 mouseData)
{
    if (!m_table)
        return false;
    if (message == hooks::MiddleButtonDown)
        loginfo(QStringLiteral("mouse %1").arg(QString::number(message, 16).toUpper()));
    const MouseDecision decision = decideMouseMessage(message, mouseData, *m_table, m_runner);
    if (!decision.swallow)
        return false;
    emit sig_mouseHookParam(DWORD(decision.param));
    loginfo(QStringLiteral("ignore"));
    return true;
}

bool GlobalMouseHook::onKeyboardMessage(quint32 virtualKey, quint32 message)
{
    return m_keys.swallow(virtualKey, message);
}

void GlobalMouseHook::watchButtons()
{
    if (m_backend && !m_backend->setWatchedButtons(m_table->activeButtons()))
        loginfo(QStringLiteral("hooks: %1").arg(QString::fromStdString(m_backend->error())));
    if (m_backend && m_backend->fd() >= 0)
        processPending();
}

void GlobalMouseHook::processPending()
{
    if (m_backend)
        m_backend->processPending();
}
