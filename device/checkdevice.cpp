#include "checkdevice.h"

#include "devicelog.h"

#include <QThread>
#include <QTimerEvent>
#include <string>
#include <utility>
#include <vector>

CheckDevice::CheckDevice(int vendorId, int productId, std::shared_ptr<hid::Backend> hid, int intervalMs,
                         QObject* parent)
    : QObject(parent)
    , m_hid(std::move(hid))
    , m_vendorId(vendorId)
    , m_productId(productId)
{
    m_timerId = startTimer(intervalMs, Qt::CoarseTimer);
}

bool CheckDevice::event(QEvent* event)
{
    // The first event in a thread (after a move: Qt's own call that registers the timer there)
    // tells which thread will have to stop the timer when it ends.
    QThread* const current = QThread::currentThread();
    if (current != m_watchedThread && current == thread()) {
        disconnect(m_threadFinished);
        m_watchedThread = current;
        m_threadFinished = connect(current, &QThread::finished, this, &CheckDevice::stopTimer, Qt::DirectConnection);
    }
    return QObject::event(event);
}

void CheckDevice::stopTimer()
{
    if (m_timerId != 0 && thread() == QThread::currentThread()) {
        killTimer(m_timerId);
        m_timerId = 0;
    }
}

void CheckDevice::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timerId)
        check();
    QObject::timerEvent(event);
}

void CheckDevice::check()
{
    m_found = scan();
    if (m_found != m_lastFound) {
        m_lastFound = m_found;
        emit sigFound(m_found);
    }
}

bool CheckDevice::scan()
{
    if (!m_hid)
        return false;
    std::vector<std::string> paths;
    if (!m_hid->enumerate(paths))
        return false;

    for (const std::string& path : paths) {
        const hid::Handle handle = m_hid->open(path, hid::Access::Query);
        if (handle == hid::InvalidHandle) {
            deviceLog(QStringLiteral("INVALID_HANDLE_VALUE"));
            continue;
        }
        hid::Attributes attributes;
        const bool known = m_hid->attributes(handle, attributes);
        m_hid->close(handle);
        if (known && attributes.vendorId == m_vendorId && attributes.productId == m_productId)
            return true;
    }
    return false;
}
