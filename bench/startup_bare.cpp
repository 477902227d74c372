// The yardstick of startup_window: a bare frameless 960 × 640 Qt window that ends at its first
// painted frame.
#include "firstframe.h"

#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    FirstFrame firstFrame;
    window.installEventFilter(&firstFrame);
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.resize(960, 640);
    window.setStyleSheet(QStringLiteral("background:#000000;"));
    window.show();
    return QApplication::exec();
}
