// LightSettingWidget: the lighting page of the main window. It edits the mouse's two lights, the
// scroll-wheel light and the logo light: the effect, the breath speed, the continuous-light degree
// and the colour (25 presets, three RGB sliders or the colour wheel).
//
// The page never talks to the mouse: every change goes out at once as a signal, and the profile
// engine refills the page with slot_SetLightParameter after each profile load; the main window
// wires both directions. There is no apply button.
#pragma once

#include "mousevocabulary.h"

#include <QList>
#include <QMap>
#include <QWidget>

class QLabel;
class QRadioButton;
class QSlider;

namespace Ui {
class LightSettingWidget;
}

class LightSettingWidget : public QWidget {
    Q_OBJECT

public:
    // The effects' mode values.
    enum LightMode {
        ModeContinue = 129,
        ModeBreath = 130,
        ModeSpectrum = 131,
        ModeApmBreath = 132,
        ModeOff = 133,
    };
    // The slowest breath speed: the breath slider runs the other way round (0 = slow on screen).
    static constexpr int kSlowestBreath = 9;

    explicit LightSettingWidget(QWidget* parent = nullptr);
    ~LightSettingWidget() override;

    // The preset colour of colorButton<number> (1..25); an invalid colour outside that range.
    static QColor presetColor(int number);

signals:
    void sig_MouseColor(bool isWheelLightChange, int red, int green, int blue);
    void sig_MouseLightMode(bool isWheelLightChange, int value);
    void sig_MouseContinueLightDegree(bool isWheelLightChange, int value);
    void sig_MouseBreathSpeed(bool isWheelLightChange, int value);

public slots:
    // By LightParameter::Light, each list in the order of LightParameter::Index.
    void slot_SetLightParameter(QMap<int, QList<int>> parameters);

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private slots:
    void setShowColorButton(int& redValue, int& greenValue, int& blueValue);
    void setLightMode(int value);
    void setSpecificColorOnMouse(int red, int green, int blue);
    void setSpecialColorOnButton(int red, int green, int blue);
    void setMouseColorParameter(int red, int green, int blue);
    void setBreathSpeed(int value);
    void isWheelLightChange(bool wheel);

    void on_colorButton1_clicked();
    void on_colorButton2_clicked();
    void on_colorButton3_clicked();
    void on_colorButton4_clicked();
    void on_colorButton5_clicked();
    void on_colorButton6_clicked();
    void on_colorButton7_clicked();
    void on_colorButton8_clicked();
    void on_colorButton9_clicked();
    void on_colorButton10_clicked();
    void on_colorButton11_clicked();
    void on_colorButton12_clicked();
    void on_colorButton13_clicked();
    void on_colorButton14_clicked();
    void on_colorButton15_clicked();
    void on_colorButton16_clicked();
    void on_colorButton17_clicked();
    void on_colorButton18_clicked();
    void on_colorButton19_clicked();
    void on_colorButton20_clicked();
    void on_colorButton21_clicked();
    void on_colorButton22_clicked();
    void on_colorButton23_clicked();
    void on_colorButton24_clicked();
    void on_colorButton25_clicked();

    void on_BrethModeRaioButton_clicked();
    void on_LightCirleRaioButton_clicked();
    void on_ApmBreathModeRaidoButton_clicked();
    void on_CloseLightModeRadioButton_clicked();
    void on_ContinueLightModeRadioButton_clicked();

    void on_WheelLightButton_clicked();
    void on_LogoLightButton_clicked();

    void on_BreathSlider_sliderReleased();
    void on_ContinueLightSlider_sliderReleased();
    void on_ContinueLightSlider_valueChanged(int value);
    void on_Red_Slider_sliderReleased();
    void on_Green_Slider_sliderReleased();
    void on_Blue_Slider_sliderReleased();
    void on_Red_Slider_valueChanged(int value);
    void on_Green_Slider_valueChanged(int value);
    void on_Blue_Slider_valueChanged(int value);

private:
    int currentLight() const { return m_isWheelLightChange ? LightParameter::WheelLight : LightParameter::LogoLight; }
    void storeInCopy(int index, int value);
    void applyPreset(int number);
    void showColour(int red, int green, int blue);
    void refreshColourDisplay();
    void colourSliderReleased(const char* handler, const QSlider* slider, QLabel* valueLabel);
    void checkMode(int mode);

    Ui::LightSettingWidget* ui;
    bool m_isWheelLightChange = true;
    QMap<int, QList<int>> m_parameters;
};
