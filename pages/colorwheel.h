// ColorWheel: the 138 × 138 colour disc of the lighting page. It is painted by its style sheet
// (the picture bg_light_color.png, carried once more by an inner widget of the same size), and a
// left click inside the disc reports the colour on the screen under the cursor, so whatever the
// user sees there is what the mouse gets.
#pragma once

#include <QWidget>

class QMouseEvent;
class QPaintEvent;

class ColorWheel : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSize = 138;
    static constexpr int kCentre = 69;
    static constexpr int kRadius = 69;

    explicit ColorWheel(QWidget* parent = nullptr);

    // Whether a point in widget coordinates lies on the disc, its rim included.
    static bool isOnDisc(const QPoint& point);

signals:
    // Declared for the page's use; the wheel itself reports only sigColor.
    void redValue(int value);
    void greenValue(int value);
    void blueValue(int value);
    void sigColor(int red, int green, int blue);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
