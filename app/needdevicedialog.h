// NeedDeviceDialog: the dark overlay shown while no mouse is plugged in. It waits for the window
// to hide it when the mouse turns up; its one button quits the program.
#pragma once

#include <QDialog>

namespace Ui {
class NeedDeviceDialog;
}

class NeedDeviceDialog : public QDialog {
    Q_OBJECT
public:
    explicit NeedDeviceDialog(QWidget* parent);
    ~NeedDeviceDialog() override;

signals:
    void sig_closeWindow();

public slots:
    void on_OkButton_clicked();
    void slot_hide(bool hide);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Ui::NeedDeviceDialog* ui;
};
