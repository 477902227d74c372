// Start-up to the first painted frame of the main window, on the simulated mouse in a data folder
// of its own: the process ends as soon as the window has painted once. Timed as a whole process
// by scripts/bench-startup against startup_bare.
#include "benchwindow.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

namespace {
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};
}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    BenchWindow bench;
    FirstPaint firstPaint;
    bench.window->centralWidget()->installEventFilter(&firstPaint);
    bench.window->show();
    return QApplication::exec();
}
