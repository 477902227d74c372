#include "lightsettingwidget.h"

#include "ui_lightsettingwidget.h"

#include "colorwheel.h"
#include "loginfo.h"
#include "stylestate.h"

#include <QColor>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSlider>

namespace {

// colorButton1 … colorButton25, in that order. 23 repeats 18 on purpose: the swatch grid has one
// green twice.
constexpr int kPresets[25][3] = {
    {255, 69, 110}, {255, 94, 67},  {255, 150, 67}, {206, 255, 66}, {154, 255, 67},
    {67, 255, 66},  {75, 159, 96},  {68, 210, 188}, {69, 198, 233}, {67, 149, 255},
    {69, 119, 255}, {66, 103, 255}, {102, 65, 255}, {127, 74, 223}, {149, 74, 221},
    {216, 74, 221}, {186, 255, 108}, {63, 177, 87}, {255, 116, 118}, {186, 105, 80},
    {216, 71, 64},  {75, 116, 166}, {63, 177, 87},  {101, 100, 181}, {135, 101, 239},
};

// Where on the track the pointer is, in the slider's own units, not rounded.
int positionUnder(const QSlider* slider, const QMouseEvent* event)
{
    return static_cast<int>(slider->minimum()
                            + double(event->x()) / slider->width() * (slider->maximum() - slider->minimum()));
}

bool isLeft(const QEvent* event, QEvent::Type type)
{
    return event->type() == type && static_cast<const QMouseEvent*>(event)->button() == Qt::LeftButton;
}

}  // namespace

LightSettingWidget::LightSettingWidget(QWidget* parent) : QWidget(parent), ui(new Ui::LightSettingWidget)
{
    ui->setupUi(this);
    ui->WheelLightButton->setProperty("look", QStringLiteral("light-tab"));
    ui->LogoLightButton->setProperty("look", QStringLiteral("light-tab"));

    for (QSlider* slider : {ui->BreathSlider, ui->ContinueLightSlider, ui->Red_Slider, ui->Green_Slider, ui->Blue_Slider})
        slider->installEventFilter(this);
    connect(ui->ColorWheel_Widget, &ColorWheel::sigColor, this, &LightSettingWidget::setSpecificColorOnMouse);

    // The wheel light is the one edited until the user picks the other; the controls stay at the
    // form's values until the engine's first refresh.
    isWheelLightChange(true);
}

LightSettingWidget::~LightSettingWidget() { delete ui; }

QColor LightSettingWidget::presetColor(int number)
{
    if (number < 1 || number > 25)
        return QColor();
    const int* rgb = kPresets[number - 1];
    return QColor(rgb[0], rgb[1], rgb[2]);
}

// ---- engine → page -------------------------------------------------------------------------

void LightSettingWidget::slot_SetLightParameter(QMap<int, QList<int>> parameters)
{
    m_parameters = parameters;
    on_WheelLightButton_clicked();
}

// ---- which light ---------------------------------------------------------------------------

void LightSettingWidget::isWheelLightChange(bool wheel)
{
    m_isWheelLightChange = wheel;
    setStyleState(ui->WheelLightButton, "selected", wheel);  // the "light-tab" look of the style sheet
    setStyleState(ui->LogoLightButton, "selected", !wheel);

    // Shows the light as the engine last reported it; a light it has not reported yet leaves the
    // controls as they are.
    const QList<int> light = m_parameters.value(currentLight());
    if (light.size() < LightParameter::Count)
        return;
    ui->Red_Slider->setValue(light.at(LightParameter::Red));
    ui->Green_Slider->setValue(light.at(LightParameter::Green));
    ui->Blue_Slider->setValue(light.at(LightParameter::Blue));
    refreshColourDisplay();
    checkMode(light.at(LightParameter::Mode));
    ui->BreathSlider->setValue(kSlowestBreath - light.at(LightParameter::BreathSpeed));
    ui->ContinueLightSlider->setValue(light.at(LightParameter::Degree));
}

void LightSettingWidget::on_WheelLightButton_clicked() { isWheelLightChange(true); }
void LightSettingWidget::on_LogoLightButton_clicked() { isWheelLightChange(false); }

void LightSettingWidget::checkMode(int mode)
{
    const QList<QRadioButton*> buttons
        = {ui->ContinueLightModeRadioButton, ui->BrethModeRaioButton, ui->LightCirleRaioButton,
           ui->ApmBreathModeRaidoButton, ui->CloseLightModeRadioButton};
    const int index = mode - ModeContinue;
    if (index >= 0 && index < buttons.size()) {
        buttons.at(index)->setChecked(true);
        return;
    }
    // Auto-exclusive radio buttons refuse to uncheck the checked one: lift that for a moment.
    for (QRadioButton* button : buttons) {
        button->setAutoExclusive(false);
        button->setChecked(false);
        button->setAutoExclusive(true);
    }
}

// Only the colour and the mode are kept up to date in the copy; speed and degree wait for the
// engine's next refresh.
void LightSettingWidget::storeInCopy(int index, int value)
{
    auto light = m_parameters.find(currentLight());
    if (light != m_parameters.end() && index < light->size())
        (*light)[index] = value;
}

// ---- effect --------------------------------------------------------------------------------

void LightSettingWidget::setLightMode(int value)
{
    emit sig_MouseLightMode(m_isWheelLightChange, value);
    storeInCopy(LightParameter::Mode, value);
}

void LightSettingWidget::on_ContinueLightModeRadioButton_clicked() { setLightMode(ModeContinue); }
void LightSettingWidget::on_BrethModeRaioButton_clicked() { setLightMode(ModeBreath); }
void LightSettingWidget::on_LightCirleRaioButton_clicked() { setLightMode(ModeSpectrum); }
void LightSettingWidget::on_ApmBreathModeRaidoButton_clicked() { setLightMode(ModeApmBreath); }

void LightSettingWidget::on_CloseLightModeRadioButton_clicked()
{
    loginfo(QStringLiteral("=======%1").arg(int(ModeOff)));
    setLightMode(ModeOff);
}

// ---- speed and degree ----------------------------------------------------------------------

void LightSettingWidget::setBreathSpeed(int value)
{
    emit sig_MouseBreathSpeed(m_isWheelLightChange, kSlowestBreath - value);
}

void LightSettingWidget::on_BreathSlider_sliderReleased()
{
    loginfo(QStringLiteral("on_BreathSlider_sliderReleased %1").arg(ui->BreathSlider->value()));
    emit sig_MouseBreathSpeed(m_isWheelLightChange, kSlowestBreath - ui->BreathSlider->value());
}

void LightSettingWidget::on_ContinueLightSlider_sliderReleased()
{
    const int value = ui->ContinueLightSlider->value();
    loginfo(QStringLiteral("on_ContinueLightSlider_sliderReleased %1").arg(value));
    emit sig_MouseContinueLightDegree(m_isWheelLightChange, value);
}

// The degree is sent on release only.
void LightSettingWidget::on_ContinueLightSlider_valueChanged(int /*value*/) {}

// ---- colour --------------------------------------------------------------------------------

void LightSettingWidget::setShowColorButton(int& redValue, int& greenValue, int& blueValue)
{
    loginfo(QStringLiteral("setShowColorButton"));
    redValue = ui->Red_Slider->value();
    greenValue = ui->Green_Slider->value();
    blueValue = ui->Blue_Slider->value();
    const QString text = QStringLiteral("%1,%2,%3").arg(redValue).arg(greenValue).arg(blueValue);
    ui->ShowColor_Button->setStyleSheet(QStringLiteral("QPushButton{border:0px;background:rgb(") + text
                                        + QStringLiteral(");}"));
}

void LightSettingWidget::refreshColourDisplay()
{
    int red = 0, green = 0, blue = 0;
    setShowColorButton(red, green, blue);
}

void LightSettingWidget::showColour(int red, int green, int blue)
{
    ui->Red_Slider->setValue(red);
    ui->Green_Slider->setValue(green);
    ui->Blue_Slider->setValue(blue);
    refreshColourDisplay();
}

void LightSettingWidget::setMouseColorParameter(int red, int green, int blue)
{
    emit sig_MouseColor(m_isWheelLightChange, red, green, blue);
    storeInCopy(LightParameter::Red, red);
    storeInCopy(LightParameter::Green, green);
    storeInCopy(LightParameter::Blue, blue);
}

void LightSettingWidget::setSpecificColorOnMouse(int red, int green, int blue)
{
    showColour(red, green, blue);
    setMouseColorParameter(red, green, blue);
}

void LightSettingWidget::setSpecialColorOnButton(int red, int green, int blue) { showColour(red, green, blue); }

void LightSettingWidget::applyPreset(int number)
{
    const int* rgb = kPresets[number - 1];
    showColour(rgb[0], rgb[1], rgb[2]);
    setMouseColorParameter(rgb[0], rgb[1], rgb[2]);
}

void LightSettingWidget::on_colorButton1_clicked() { applyPreset(1); }
void LightSettingWidget::on_colorButton2_clicked() { applyPreset(2); }
void LightSettingWidget::on_colorButton3_clicked() { applyPreset(3); }
void LightSettingWidget::on_colorButton4_clicked() { applyPreset(4); }
void LightSettingWidget::on_colorButton5_clicked() { applyPreset(5); }
void LightSettingWidget::on_colorButton6_clicked() { applyPreset(6); }
void LightSettingWidget::on_colorButton7_clicked() { applyPreset(7); }
void LightSettingWidget::on_colorButton8_clicked() { applyPreset(8); }
void LightSettingWidget::on_colorButton9_clicked() { applyPreset(9); }
void LightSettingWidget::on_colorButton10_clicked() { applyPreset(10); }
void LightSettingWidget::on_colorButton11_clicked() { applyPreset(11); }
void LightSettingWidget::on_colorButton12_clicked() { applyPreset(12); }
void LightSettingWidget::on_colorButton13_clicked() { applyPreset(13); }
void LightSettingWidget::on_colorButton14_clicked() { applyPreset(14); }
void LightSettingWidget::on_colorButton15_clicked() { applyPreset(15); }
void LightSettingWidget::on_colorButton16_clicked() { applyPreset(16); }
void LightSettingWidget::on_colorButton17_clicked() { applyPreset(17); }
void LightSettingWidget::on_colorButton18_clicked() { applyPreset(18); }
void LightSettingWidget::on_colorButton19_clicked() { applyPreset(19); }
void LightSettingWidget::on_colorButton20_clicked() { applyPreset(20); }
void LightSettingWidget::on_colorButton21_clicked() { applyPreset(21); }
void LightSettingWidget::on_colorButton22_clicked() { applyPreset(22); }
void LightSettingWidget::on_colorButton23_clicked() { applyPreset(23); }
void LightSettingWidget::on_colorButton24_clicked() { applyPreset(24); }
void LightSettingWidget::on_colorButton25_clicked() { applyPreset(25); }

void LightSettingWidget::on_Red_Slider_valueChanged(int value) { ui->RedValue_Label->setText(QString::number(value)); }
void LightSettingWidget::on_Green_Slider_valueChanged(int value)
{
    ui->GreenValue_Label->setText(QString::number(value));
}
void LightSettingWidget::on_Blue_Slider_valueChanged(int value)
{
    ui->BlueValue_Label->setText(QString::number(value));
}

void LightSettingWidget::colourSliderReleased(const char* handler, const QSlider* slider, QLabel* valueLabel)
{
    loginfo(QLatin1String(handler));
    valueLabel->setText(QString::number(slider->value()));
    refreshColourDisplay();
    setMouseColorParameter(ui->Red_Slider->value(), ui->Green_Slider->value(), ui->Blue_Slider->value());
}

void LightSettingWidget::on_Red_Slider_sliderReleased()
{
    colourSliderReleased("on_Red_Slider_sliderReleased", ui->Red_Slider, ui->RedValue_Label);
}
void LightSettingWidget::on_Green_Slider_sliderReleased()
{
    colourSliderReleased("on_Green_Slider_sliderReleased", ui->Green_Slider, ui->GreenValue_Label);
}
void LightSettingWidget::on_Blue_Slider_sliderReleased()
{
    colourSliderReleased("on_Blue_Slider_sliderReleased", ui->Blue_Slider, ui->BlueValue_Label);
}

// ---- click-to-position ---------------------------------------------------------------------

bool LightSettingWidget::eventFilter(QObject* object, QEvent* event)
{
    // Speed and degree: where the button comes up is the value, sent at once. A track press has
    // already paged the handle one step towards the pointer, which can leave it one above the
    // truncated position; that step is kept.
    if ((object == ui->BreathSlider || object == ui->ContinueLightSlider) && isLeft(event, QEvent::MouseButtonRelease)) {
        auto* slider = static_cast<QSlider*>(object);
        int value = positionUnder(slider, static_cast<QMouseEvent*>(event));
        if (slider->value() == value + 1)
            value = slider->value();
        if (value != slider->sliderPosition()) {
            slider->setValue(value);
            loginfo(QStringLiteral("pos %1").arg(value));
        }
        if (slider == ui->BreathSlider)
            emit sig_MouseBreathSpeed(m_isWheelLightChange, kSlowestBreath - value);
        else
            emit sig_MouseContinueLightDegree(m_isWheelLightChange, value);
    }
    // Colour components: a press jumps the handle under the pointer; the colour goes out when the
    // slider is released.
    if ((object == ui->Red_Slider || object == ui->Green_Slider || object == ui->Blue_Slider)
        && isLeft(event, QEvent::MouseButtonPress)) {
        auto* slider = static_cast<QSlider*>(object);
        const int value = positionUnder(slider, static_cast<QMouseEvent*>(event));
        if (value != slider->sliderPosition())
            slider->setValue(value);
    }
    return QWidget::eventFilter(object, event);
}
