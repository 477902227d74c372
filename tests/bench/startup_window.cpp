// Start-up to the first painted frame of the main window, on the simulated mouse in a data folder
// of its own: the process ends as soon as the window has painted once. Timed as a whole process
// by scripts/bench-startup against startup_bare.
#include "apppaths.h"
#include "mainwindow.h"
#include "simulatedmousesession.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
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
    QTemporaryDir root;
    AppPaths::setDataRoot(root.path());
    QDir().mkpath(AppPaths::localFileDir());
    QFile::copy(QStringLiteral(ZR540_SOURCE_DIR "/install/ConfigFiles/LocalFile/Config0.txt"), AppPaths::profileFile(0));
    SimulatedMouseSession session(std::chrono::milliseconds(50));
    MainWindow::Options options;
    options.hid = session.shared();
    options.accountServer = QStringLiteral("http://127.0.0.1:9");
    MainWindow window(options);
    FirstPaint firstPaint;
    window.centralWidget()->installEventFilter(&firstPaint);
    window.show();
    return QApplication::exec();
}
