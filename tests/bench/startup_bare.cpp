// The yardstick of startup_window: a bare frameless 960 × 640 Qt window that ends at its first
// painted frame.
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {
class Window : public QWidget {
protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QWidget::event(event);
    }

private:
    bool m_seen = false;
};
}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Window window;
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.resize(960, 640);
    window.setStyleSheet(QStringLiteral("background:#000000;"));
    window.show();
    return QApplication::exec();
}
