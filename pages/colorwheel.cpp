#include "colorwheel.h"

#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QStyleOption>

namespace {

const char kPictureStyle[] = "background:transparent;border-image:url(:/picture/picture/bg_light_color.png);";

}  // namespace

ColorWheel::ColorWheel(QWidget* parent) : QWidget(parent)
{
    setFixedSize(kSize, kSize);
    setStyleSheet(QStringLiteral("ColorWheel{%1}").arg(QLatin1String(kPictureStyle)));

    auto* picture = new QWidget(this);
    picture->setObjectName(QStringLiteral("ColorWheelPicture"));
    picture->setGeometry(0, 0, kSize, kSize);
    picture->setAttribute(Qt::WA_TransparentForMouseEvents);
    picture->setStyleSheet(QStringLiteral("#ColorWheelPicture{%1}").arg(QLatin1String(kPictureStyle)));
}

bool ColorWheel::isOnDisc(const QPoint& point)
{
    const int dx = point.x() - kCentre;
    const int dy = point.y() - kCentre;
    return dx * dx + dy * dy <= kRadius * kRadius;
}

void ColorWheel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isOnDisc(event->pos()))
        return;

    // The colour is the one on the screen, not one computed from the position: the disc's
    // picture may be scaled or themed, and the user picks what he sees.
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QPoint at = QCursor::pos();
    const QPixmap grab = screen->grabWindow(0, at.x(), at.y(), 1, 1);
    if (grab.isNull())
        return;
    const QImage pixel = grab.toImage();
    if (pixel.isNull() || !pixel.valid(0, 0))
        return;
    const QColor colour = pixel.pixelColor(0, 0);
    emit sigColor(colour.red(), colour.green(), colour.blue());
}

// A QWidget subclass draws its style sheet's background only when asked to.
void ColorWheel::paintEvent(QPaintEvent* /*event*/)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
