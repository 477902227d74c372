#include "mainsettingwidget.h"

#include "ui_mainsettingwidget.h"

#include "loginfo.h"
#include "mouseprotocol.h"
#include "mousevocabulary.h"
#include "stylestate.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include <string>

namespace {

// Each button's plate in the style sheet: the side buttons have looks of their own.
QString buttonLook(int button)
{
    switch (button) {
    case Button::Back:
    case Button::Custom1: return QStringLiteral("plate-key1");
    case Button::Forward: return QStringLiteral("plate-key_r");
    default: return QStringLiteral("plate-key_in");
    }
}

// Where on the track a press at x lands, in the slider's own units.
int positionForPress(const QSlider* slider, const QMouseEvent* press)
{
    return static_cast<int>(slider->minimum()
                            + double(press->x()) / slider->width() * (slider->maximum() - slider->minimum()));
}

bool isLeftPress(const QEvent* event)
{
    return event->type() == QEvent::MouseButtonPress
           && static_cast<const QMouseEvent*>(event)->buttons() == Qt::LeftButton;
}

}  // namespace

MainSettingWidget::MainSettingWidget(QWidget* parent)
    : QWidget(parent), ui(new Ui::MainSettingWidget)
{
    ui->setupUi(this);

    const QList<QSlider*> sliders = {ui->DPI_HorizontalSlider_1, ui->DPI_HorizontalSlider_2, ui->DPI_HorizontalSlider_3,
                                     ui->DPI_HorizontalSlider_4, ui->DPI_HorizontalSlider_5, ui->DPI_HorizontalSlider_6,
                                     ui->DPI_HorizontalSlider_7};
    const QList<QCheckBox*> checkBoxes
        = {ui->DPI_CheckBox_1, ui->DPI_CheckBox_2, ui->DPI_CheckBox_3, ui->DPI_CheckBox_4,
           ui->DPI_CheckBox_5, ui->DPI_CheckBox_6, ui->DPI_CheckBox_7};
    for (int level = 1; level <= Dpi::Levels; ++level) {
        sliderByLevel.insert(level, sliders.at(level - 1));
        checkBoxByLevel.insert(level, checkBoxes.at(level - 1));
    }

    const QList<QPair<QPushButton*, QLabel*>> buttons = {
        {ui->LeftKey_Button, ui->LeftLabel},        {ui->MidKey_Button, ui->MidLabel},
        {ui->RightKey_Button, ui->RightLabel},      {ui->FowardKey_Button, ui->ForwardLabel},
        {ui->Back_Button, ui->BackLabel},           {ui->WheelFoward_Button, ui->WheelForwardLabel},
        {ui->WheelBack_Button, ui->WheelBackLabel}, {ui->DPIAdd_Button, ui->DPIPlusLabel},
        {ui->DPIReduceButton, ui->DPIReduceLabel},  {ui->CustomButton_2, ui->Custom2Label},
        {ui->CustomButton_1, ui->Custom1Label},     {ui->CustomButton_3, ui->Custom3Label},
    };
    for (int i = 0; i < buttons.size(); ++i) {
        const int id = Button::First + i;
        buttonByButton.insert(id, buttons.at(i).first);
        badgeByButton.insert(id, buttons.at(i).second);
        buttons.at(i).first->setProperty("look", buttonLook(id));  // its plate, from the style sheet
    }

    for (QSlider* slider : sliders)
        slider->installEventFilter(this);
    for (QLabel* badge : qAsConst(badgeByButton)) {
        badge->installEventFilter(this);
        badge->hide();
    }
    for (QPushButton* button : qAsConst(buttonByButton)) {
        button->installEventFilter(this);
        button->setAttribute(Qt::WA_Hover);  // hover enter/leave show the button's badge
    }
    ui->Sensor_Slider->installEventFilter(this);
    ui->PointSpeed_Slider->installEventFilter(this);

    ui->EnhancePointPrecisionCheckBox->hide();
    ui->EnhancePointPrecisionLabel->hide();
    showSystemPointer(SystemPointer());
}

MainSettingWidget::~MainSettingWidget() { delete ui; }

void MainSettingWidget::showSystemPointer(const SystemPointer& system)
{
    const bool speedOffered = system.hasSpeed;
    const bool linesOffered = system.hasWheelLines;

    // The system's values are only shown: a setting is written when the user moves its control,
    // never because the page opened (a value read and written back can still differ, after the
    // control's range has clamped it).
    {
        const QSignalBlocker speedQuiet(ui->PointSpeed_Slider);
        const QSignalBlocker linesQuiet(ui->spinBox);
        if (speedOffered)
            ui->PointSpeed_Slider->setValue(system.speed);
        if (linesOffered && system.wheelLines != WheelPageScroll) {
            ui->TrolleySpeed_RadioButton_1->setChecked(true);
            ui->spinBox->setValue(system.wheelLines);
        } else if (linesOffered) {
            ui->TrolleySpeed_RadioButton_2->setChecked(true);
        }
    }

    // Where the desktop has no such setting for us to change (or nothing tells the system's
    // settings yet), its own settings govern it: the control is greyed out and the note says so.
    for (QWidget* control : QList<QWidget*>{ui->PointSpeed_Slider, ui->Ponit_SpeedLabel_1, ui->Ponit_SpeedLabel_2})
        control->setEnabled(speedOffered);
    for (QWidget* control :
         QList<QWidget*>{ui->TrolleySpeed_Label_1, ui->TrolleySpeed_RadioButton_1, ui->TrolleySpeed_RadioButton_2})
        control->setEnabled(linesOffered);
    ui->spinBox->setEnabled(linesOffered && ui->TrolleySpeed_RadioButton_1->isChecked());
    ui->DesktopSettingsNoteLabel->setVisible(!speedOffered || !linesOffered);
}

// ---- engine → page -------------------------------------------------------------------------

void MainSettingWidget::slot_SetDPIValueOnPage(int level, int value)
{
    QSlider* slider = sliderByLevel.value(level);
    QCheckBox* box = checkBoxByLevel.value(level);
    if (!slider || !box)
        return;
    slider->setValue(value);
    box->setChecked(value != 0);
    setDpiLabelValue(level, value);
}

void MainSettingWidget::slot_SetUSBReportRateOnPage(int value)
{
    switch (value) {
    case 0: ui->USBReportRate_125RadioButton->setChecked(true); break;
    case 1: ui->USBReportRate_250RadioButton->setChecked(true); break;
    case 2: ui->USBReportRate_500RadioButton->setChecked(true); break;
    case 3: ui->USBReportRate_1000RadioButton->setChecked(true); break;
    default: break;
    }
}

void MainSettingWidget::SetMouseButtonStyleSheetIsOriginal(bool state, int button)
{
    QPushButton* target = buttonByButton.value(button);
    if (!target)
        return;
    setStyleState(target, "changed", !state);  // a reassigned button wears the highlighted plate
}

// ---- DPI levels ----------------------------------------------------------------------------

QLabel* MainSettingWidget::dpiValueLabel(int level) const
{
    switch (level) {
    case 1: return ui->DPI_Show_Label_1;
    case 2: return ui->DPI_Show_Label_2;
    case 3: return ui->DPI_Show_Label_3;
    case 4: return ui->DPI_Show_Label_4;
    case 5: return ui->DPI_Show_Label_5;
    case 6: return ui->DPI_Show_Label_6;
    case 7: return ui->DPI_Show_Label_7;
    default: return nullptr;
    }
}

// While dragging the label follows the raw value; the mouse only gets the rounded one on release.
void MainSettingWidget::dpiSliderMoved(int level, int value) { dpiValueLabel(level)->setText(QString::number(value)); }

void MainSettingWidget::dpiSliderReleased(int level)
{
    DPILabelTextChange(level, dpiValueLabel(level), sliderByLevel.value(level));
}

void MainSettingWidget::dpiCheckBoxChanged(int level, int state)
{
    QSlider* slider = sliderByLevel.value(level);
    QLabel* label = dpiValueLabel(level);
    const int value = slider->value();
    if (state == Qt::Checked) {
        slider->setEnabled(true);
        label->setEnabled(true);
        emit sig_ChangeDPIValue(level, value);
    } else if (state == Qt::Unchecked) {
        slider->setEnabled(false);
        label->setEnabled(false);
        emit sig_ChangeDPIValue(level, 0);
    } else {
        emit sig_ChangeDPIValue(level, value);
    }
}

void MainSettingWidget::DPILabelTextChange(int level, QLabel* label, QSlider* slider)
{
    const int value = slider->value() / MouseProtocol::DpiUnit * MouseProtocol::DpiUnit;
    emit sig_ChangeDPIValue(level, value);
    label->setText(QString::number(value));
}

void MainSettingWidget::setDpiLabelValue(int level, int value)
{
    if (QLabel* label = dpiValueLabel(level))
        label->setText(QString::number(value));
}

void MainSettingWidget::on_DPI_HorizontalSlider_1_valueChanged(int value) { dpiSliderMoved(1, value); }
void MainSettingWidget::on_DPI_HorizontalSlider_2_valueChanged(int value) { dpiSliderMoved(2, value); }
void MainSettingWidget::on_DPI_HorizontalSlider_3_valueChanged(int value) { dpiSliderMoved(3, value); }
void MainSettingWidget::on_DPI_HorizontalSlider_4_valueChanged(int value) { dpiSliderMoved(4, value); }
void MainSettingWidget::on_DPI_HorizontalSlider_5_valueChanged(int value) { dpiSliderMoved(5, value); }
void MainSettingWidget::on_DPI_HorizontalSlider_6_valueChanged(int value) { dpiSliderMoved(6, value); }
void MainSettingWidget::on_DPI_HorizontalSlider_7_valueChanged(int value) { dpiSliderMoved(7, value); }
void MainSettingWidget::on_DPI_HorizontalSlider_1_sliderReleased() { dpiSliderReleased(1); }
void MainSettingWidget::on_DPI_HorizontalSlider_2_sliderReleased() { dpiSliderReleased(2); }
void MainSettingWidget::on_DPI_HorizontalSlider_3_sliderReleased() { dpiSliderReleased(3); }
void MainSettingWidget::on_DPI_HorizontalSlider_4_sliderReleased() { dpiSliderReleased(4); }
void MainSettingWidget::on_DPI_HorizontalSlider_5_sliderReleased() { dpiSliderReleased(5); }
void MainSettingWidget::on_DPI_HorizontalSlider_6_sliderReleased() { dpiSliderReleased(6); }
void MainSettingWidget::on_DPI_HorizontalSlider_7_sliderReleased() { dpiSliderReleased(7); }
void MainSettingWidget::on_DPI_CheckBox_1_stateChanged(int state) { dpiCheckBoxChanged(1, state); }
void MainSettingWidget::on_DPI_CheckBox_2_stateChanged(int state) { dpiCheckBoxChanged(2, state); }
void MainSettingWidget::on_DPI_CheckBox_3_stateChanged(int state) { dpiCheckBoxChanged(3, state); }
void MainSettingWidget::on_DPI_CheckBox_4_stateChanged(int state) { dpiCheckBoxChanged(4, state); }
void MainSettingWidget::on_DPI_CheckBox_5_stateChanged(int state) { dpiCheckBoxChanged(5, state); }
void MainSettingWidget::on_DPI_CheckBox_6_stateChanged(int state) { dpiCheckBoxChanged(6, state); }
void MainSettingWidget::on_DPI_CheckBox_7_stateChanged(int state) { dpiCheckBoxChanged(7, state); }

// ---- report rate ---------------------------------------------------------------------------

void MainSettingWidget::on_USBReportRate_125RadioButton_clicked() { emit sig_ChangeUSBReportRate(0); }
void MainSettingWidget::on_USBReportRate_250RadioButton_clicked() { emit sig_ChangeUSBReportRate(1); }
void MainSettingWidget::on_USBReportRate_500RadioButton_clicked() { emit sig_ChangeUSBReportRate(2); }
void MainSettingWidget::on_USBReportRate_1000RadioButton_clicked() { emit sig_ChangeUSBReportRate(3); }

// ---- pointer settings ----------------------------------------------------------------------

void MainSettingWidget::on_PointSpeed_Slider_valueChanged(int value)
{
    loginfo(QStringLiteral("SpeedChange"));
    emit sig_SetSystemPointerSpeed(value);
}

void MainSettingWidget::writeWheelLines(int lines) { emit sig_SetSystemWheelLines(lines); }

void MainSettingWidget::on_TrolleySpeed_RadioButton_1_clicked()
{
    ui->spinBox->setEnabled(true);
    writeWheelLines(ui->spinBox->value());
}

void MainSettingWidget::on_TrolleySpeed_RadioButton_2_clicked()
{
    loginfo(QStringLiteral("HolePage"));
    writeWheelLines(WheelPageScroll);
    ui->spinBox->setEnabled(false);
}

void MainSettingWidget::on_spinBox_valueChanged(int value) { writeWheelLines(value); }

// ---- the mouse's buttons -------------------------------------------------------------------

void MainSettingWidget::on_LeftKey_Button_clicked() { emit sig_showKeySettingDialog(Button::Left); }
void MainSettingWidget::on_MidKey_Button_clicked() { emit sig_showKeySettingDialog(Button::Middle); }
void MainSettingWidget::on_RightKey_Button_clicked() { emit sig_showKeySettingDialog(Button::Right); }
void MainSettingWidget::on_FowardKey_Button_clicked() { emit sig_showKeySettingDialog(Button::Forward); }
void MainSettingWidget::on_Back_Button_clicked() { emit sig_showKeySettingDialog(Button::Back); }
void MainSettingWidget::on_WheelFoward_Button_clicked() { emit sig_showKeySettingDialog(Button::WheelForward); }
void MainSettingWidget::on_WheelBack_Button_clicked() { emit sig_showKeySettingDialog(Button::WheelBack); }
void MainSettingWidget::on_DPIAdd_Button_clicked() { emit sig_showKeySettingDialog(Button::DpiUp); }
void MainSettingWidget::on_DPIReduceButton_clicked() { emit sig_showKeySettingDialog(Button::DpiDown); }
void MainSettingWidget::on_CustomButton_2_clicked() { emit sig_showKeySettingDialog(Button::Custom2); }
void MainSettingWidget::on_CustomButton_1_clicked() { emit sig_showKeySettingDialog(Button::Custom1); }
void MainSettingWidget::on_CustomButton_3_clicked() { emit sig_showKeySettingDialog(Button::Custom3); }
void MainSettingWidget::on_DrawButton_clicked() { emit sig_showDrawDialog(); }

void MainSettingWidget::setRightMouseNumberShow(int keyValue, bool state)
{
    for (QLabel* badge : qAsConst(badgeByButton))
        badge->hide();
    if (state) {
        if (QLabel* badge = badgeByButton.value(keyValue))
            badge->show();
    }
}

// ---- click-to-position and hover badges ----------------------------------------------------

bool MainSettingWidget::eventFilter(QObject* object, QEvent* event)
{
    // A left press on a track jumps the handle there (Qt would only step a page towards it);
    // DPI sliders land on the DPI grid the mouse takes (MouseProtocol::DpiUnit).
    for (QSlider* slider : qAsConst(sliderByLevel)) {
        if (object != slider || !isLeftPress(event) || !slider->isEnabled())
            continue;
        const int p = positionForPress(slider, static_cast<QMouseEvent*>(event));
        if (p != slider->sliderPosition()) {
            loginfo(QStringLiteral("pos %1 last %2").arg(p).arg(p % MouseProtocol::DpiUnit));
            slider->setValue(p - p % MouseProtocol::DpiUnit);
            return QWidget::eventFilter(object, event);
        }
    }
    for (QSlider* slider : {ui->Sensor_Slider, ui->PointSpeed_Slider}) {
        if (object != slider || !isLeftPress(event))
            continue;
        const int p = positionForPress(slider, static_cast<QMouseEvent*>(event));
        if (p != slider->sliderPosition())
            slider->setValue(p);
    }
    if (event->type() == QEvent::HoverEnter || event->type() == QEvent::HoverLeave) {
        for (auto it = buttonByButton.cbegin(); it != buttonByButton.cend(); ++it) {
            if (it.value() == object)
                setRightMouseNumberShow(it.key(), event->type() == QEvent::HoverEnter);
        }
    }
    return QWidget::eventFilter(object, event);
}
