// CheckDevice: watches whether the mouse is plugged in.
//
// Every IntervalMs it lists the HID interfaces and looks for one with the mouse's vendor and
// product id; sigFound(bool) tells when the answer changes. Any interface of the mouse counts,
// its pointer collection too. The scan only opens interfaces for a query (no read or write
// access), closes every handle it opens and never touches the driver's channels, so it can run
// in a thread of its own while the engine talks to the mouse.
//
// Threads: the timer is started in the constructor. The window moves the object into a thread
// of its own afterwards; QObject::moveToThread takes the object's running timers along (the old
// thread's dispatcher drops them and the new thread registers them again once its event loop
// runs), so the ticks then come in that thread. moveToThread must be called from the thread the
// object was made in, and that thread needs an event dispatcher (a QCoreApplication or a QThread)
// when the constructor runs. When the thread the object lives in finishes, the timer is stopped
// there, so the object may then be deleted from any thread (Qt cannot stop a timer from another
// thread); it does not start again if that thread is restarted. The accessors below belong to the
// object's thread as well; other threads learn the state from sigFound.
#pragma once

#include "hid.h"

#include <QMetaObject>
#include <QObject>
#include <memory>

class QEvent;
class QThread;
class QTimerEvent;

class CheckDevice : public QObject {
    Q_OBJECT
public:
    static constexpr int IntervalMs = 3000;

    // Scans through `hid`; `intervalMs` is the time between two scans (the mouse's 3 s unless a
    // test wants otherwise).
    CheckDevice(int vendorId, int productId, std::shared_ptr<hid::Backend> hid, int intervalMs = IntervalMs,
                QObject* parent = nullptr);

    int vendorId() const { return m_vendorId; }
    int productId() const { return m_productId; }
    bool lastFound() const { return m_lastFound; }  // what sigFound last told
    bool found() const { return m_found; }          // the latest scan
    int timerId() const { return m_timerId; }  // 0 once stopped

    // One tick: scan, and emit sigFound when the answer differs from the last one told.
    void check();

signals:
    void sigFound(bool found);

protected:
    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    bool scan();
    void stopTimer();

    std::shared_ptr<hid::Backend> m_hid;
    const int m_vendorId;
    const int m_productId;
    bool m_lastFound = false;
    bool m_found = false;
    int m_timerId = 0;
    QThread* m_watchedThread = nullptr;
    QMetaObject::Connection m_threadFinished;
};
