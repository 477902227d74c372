#include "needdevicedialog.h"
#include "ui_needdevicedialog.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyleOption>

NeedDeviceDialog::NeedDeviceDialog(QWidget* parent) : QDialog(parent), ui(new Ui::NeedDeviceDialog)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
}

NeedDeviceDialog::~NeedDeviceDialog() { delete ui; }

void NeedDeviceDialog::on_OkButton_clicked() { emit sig_closeWindow(); }

void NeedDeviceDialog::slot_hide(bool hide)
{
    if (hide)
        this->hide();
    else
        show();
}

void NeedDeviceDialog::paintEvent(QPaintEvent*)
{
    // A translucent window gets no background of its own; the style sheet's is drawn here.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void NeedDeviceDialog::keyPressEvent(QKeyEvent* event)
{
    // Only the mouse turning up (or quitting) ends the wait; Escape must not uncover the window.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
