#include "titlewidget.h"
#include "ui_titlewidget.h"

#include <QApplication>
#include <QMouseEvent>

TitleWidget::TitleWidget(QWidget* parent) : QWidget(parent), ui(new Ui::TitleWidget) { ui->setupUi(this); }

TitleWidget::~TitleWidget() { delete ui; }

QWidget* TitleWidget::draggedWindow() const
{
    QWidget* container = parentWidget();
    return container ? container->parentWidget() : nullptr;
}

void TitleWidget::mousePressEvent(QMouseEvent* event)
{
    m_pressed = true;
    if (QWidget* window = draggedWindow())
        m_offset = event->globalPos() - window->pos();
    event->accept();
}

void TitleWidget::mouseMoveEvent(QMouseEvent* event)
{
    QWidget* window = draggedWindow();
    if (!window || !m_pressed || event->buttons() == Qt::NoButton) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPoint target = event->globalPos() - m_offset;
    if (target.manhattanLength() > QApplication::startDragDistance()) {
        window->move(target);
        m_offset = event->globalPos() - window->pos();
    }
    event->accept();
}

void TitleWidget::mouseReleaseEvent(QMouseEvent* event)
{
    m_pressed = false;
    event->accept();
}
