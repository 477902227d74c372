// TitleWidget: the window's title band. The window has no frame of its own, so dragging this band
// moves the window it sits in (two levels up: window, its central widget, this band).
#pragma once

#include <QPoint>
#include <QWidget>

namespace Ui {
class TitleWidget;
}

class TitleWidget : public QWidget {
    Q_OBJECT
public:
    explicit TitleWidget(QWidget* parent = nullptr);
    ~TitleWidget() override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QWidget* draggedWindow() const;

    Ui::TitleWidget* ui;
    bool m_pressed = false;
    QPoint m_offset;  // where the cursor grabbed the window, from the window's corner
};
