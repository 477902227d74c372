// The end of a start-up run: when the window's first frame has been painted and flushed, the
// wall-clock time (seconds since the epoch, to the microsecond; scripts/bench subtracts the time
// it started the process at) and the peak resident memory so far go to standard output, and the
// program quits.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>

class FirstFrame : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // Runs once the paint and the flush that follows it are done.
            QTimer::singleShot(0, qApp, [] {
                const auto now = std::chrono::system_clock::now().time_since_epoch();
                rusage usage{};
                getrusage(RUSAGE_SELF, &usage);
                std::printf("first frame at %.6f peak RSS %ld KiB\n", std::chrono::duration<double>(now).count(),
                            usage.ru_maxrss);
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};
