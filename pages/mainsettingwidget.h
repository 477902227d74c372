// MainSettingWidget: page 0 of the main window. The seven DPI levels and the USB report rate of
// the active profile, the mouse with one button per programmable button (each opens the key
// assignment dialog), the entry to the OLED drawing board, and the system's pointer speed and
// wheel lines, which the window reads from the desktop for the page to show and writes when the
// page says the user moved them.
//
// The page never talks to the mouse: it emits what the user changed, and the profile engine's
// signals refresh it; the main window wires both directions.
#pragma once

#include <QMap>
#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;
class QCheckBox;
class QSlider;

namespace Ui {
class MainSettingWidget;
}

class MainSettingWidget : public QWidget {
    Q_OBJECT

public:
    // The system's pointer settings as the desktop offers them.
    struct SystemPointer {
        bool hasSpeed = false;
        int speed = 10;  // 1..20
        bool hasWheelLines = false;
        int wheelLines = 3;  // lines per notch, or WheelPageScroll
    };
    static constexpr int WheelPageScroll = -1;  // one notch scrolls a whole screen

    // The pointer controls stay greyed out until showSystemPointer tells the system's settings.
    explicit MainSettingWidget(QWidget* parent = nullptr);
    ~MainSettingWidget() override;

    // Shows the system's pointer speed and wheel lines (nothing is written back); from then on,
    // moving a control emits its setting. The controls of a setting the system lacks are greyed
    // out with a note that the desktop's own settings govern it.
    void showSystemPointer(const SystemPointer& system);

signals:
    // The user moved a pointer control: the window writes the setting to the system.
    void sig_SetSystemPointerSpeed(int speed);
    void sig_SetSystemWheelLines(int lines);
    void sig_showDrawDialog();
    void sig_showKeySettingDialog(int changedKey);
    // value 0: the level is switched off.
    void sig_ChangeDPIValue(int level, int value);
    // 0 = 125 Hz, 1 = 250 Hz, 2 = 500 Hz, 3 = 1000 Hz.
    void sig_ChangeUSBReportRate(int value);

public slots:
    void slot_SetDPIValueOnPage(int level, int value);
    void slot_SetUSBReportRateOnPage(int value);
    void SetMouseButtonStyleSheetIsOriginal(bool state, int button);

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private slots:
    void on_DPI_HorizontalSlider_1_valueChanged(int value);
    void on_DPI_HorizontalSlider_2_valueChanged(int value);
    void on_DPI_HorizontalSlider_3_valueChanged(int value);
    void on_DPI_HorizontalSlider_4_valueChanged(int value);
    void on_DPI_HorizontalSlider_5_valueChanged(int value);
    void on_DPI_HorizontalSlider_6_valueChanged(int value);
    void on_DPI_HorizontalSlider_7_valueChanged(int value);
    void on_DPI_HorizontalSlider_1_sliderReleased();
    void on_DPI_HorizontalSlider_2_sliderReleased();
    void on_DPI_HorizontalSlider_3_sliderReleased();
    void on_DPI_HorizontalSlider_4_sliderReleased();
    void on_DPI_HorizontalSlider_5_sliderReleased();
    void on_DPI_HorizontalSlider_6_sliderReleased();
    void on_DPI_HorizontalSlider_7_sliderReleased();
    void on_DPI_CheckBox_1_stateChanged(int state);
    void on_DPI_CheckBox_2_stateChanged(int state);
    void on_DPI_CheckBox_3_stateChanged(int state);
    void on_DPI_CheckBox_4_stateChanged(int state);
    void on_DPI_CheckBox_5_stateChanged(int state);
    void on_DPI_CheckBox_6_stateChanged(int state);
    void on_DPI_CheckBox_7_stateChanged(int state);

    void on_USBReportRate_125RadioButton_clicked();
    void on_USBReportRate_250RadioButton_clicked();
    void on_USBReportRate_500RadioButton_clicked();
    void on_USBReportRate_1000RadioButton_clicked();

    void on_PointSpeed_Slider_valueChanged(int value);
    void on_TrolleySpeed_RadioButton_1_clicked();
    void on_TrolleySpeed_RadioButton_2_clicked();
    void on_spinBox_valueChanged(int value);

    void on_LeftKey_Button_clicked();
    void on_MidKey_Button_clicked();
    void on_RightKey_Button_clicked();
    void on_FowardKey_Button_clicked();
    void on_Back_Button_clicked();
    void on_WheelFoward_Button_clicked();
    void on_WheelBack_Button_clicked();
    void on_DPIAdd_Button_clicked();
    void on_DPIReduceButton_clicked();
    void on_CustomButton_2_clicked();
    void on_CustomButton_1_clicked();
    void on_CustomButton_3_clicked();
    void on_DrawButton_clicked();

    void DPILabelTextChange(int level, QLabel* label, QSlider* slider);
    void setDpiLabelValue(int level, int value);
    void setRightMouseNumberShow(int keyValue, bool state);

private:
    void dpiSliderMoved(int level, int value);
    void dpiSliderReleased(int level);
    void dpiCheckBoxChanged(int level, int state);
    QLabel* dpiValueLabel(int level) const;
    void writeWheelLines(int lines);

    Ui::MainSettingWidget* ui;
    QMap<int, QSlider*> sliderByLevel;
    QMap<int, QCheckBox*> checkBoxByLevel;
    QMap<int, QLabel*> badgeByButton;
    QMap<int, QPushButton*> buttonByButton;
};
