// WorkerThread: one object that lives and works in a thread of its own (a request to the account
// server, say), started at once. On destruction the thread is asked to stop, waited for, and the
// object deleted: nothing it does can outlive its owner. stop() ends the thread earlier, with a
// limit on the wait.
#pragma once

#include <QObject>
#include <QThread>

template <class T>
class WorkerThread {
public:
    explicit WorkerThread(T* object) : m_object(object)
    {
        m_object->moveToThread(&m_thread);
        m_thread.start(QThread::InheritPriority);
    }
    ~WorkerThread()
    {
        m_thread.quit();
        m_thread.wait();
        delete m_object;
    }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Asks the thread to stop once the object has finished what it is doing (what is still queued
    // behind that is dropped) and waits up to graceMs for it; false when it is still running then.
    bool stop(int graceMs)
    {
        m_thread.quit();
        return m_thread.wait(static_cast<unsigned long>(graceMs));
    }

    T* get() const { return m_object; }
    T* operator->() const { return m_object; }

private:
    QThread m_thread;
    T* m_object;
};
