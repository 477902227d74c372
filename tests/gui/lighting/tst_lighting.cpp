// The lighting page as the user and the profile engine see it: what it sends for effects,
// colours, breath speed and degree, and how it shows what the engine reports.
#include "colorwheel.h"
#include "lightsettingwidget.h"
#include "logcapture.h"
#include "testhelpers.h"

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QtTest>

#include <memory>

using LightMap = QMap<int, QList<int>>;
using Calls = QList<QVariantList>;
Q_DECLARE_METATYPE(Qt::MouseButton)

namespace {

const QStringList kModeButtons = {"ContinueLightModeRadioButton", "BrethModeRaioButton", "LightCirleRaioButton",
                                  "ApmBreathModeRaidoButton", "CloseLightModeRadioButton"};

// Wheel: 10,20,30, spectrum, speed 3, degree 6. Logo: 200,100,50, breath, speed 8, degree 2.
LightMap engineMap()
{
    return {{0, {10, 20, 30, 131, 3, 6}}, {1, {200, 100, 50, 130, 8, 2}}};
}

struct Page {
    std::unique_ptr<LightSettingWidget> widget = std::make_unique<LightSettingWidget>();
    std::unique_ptr<QSignalSpy> colour, mode, degree, speed;

    explicit Page(bool refreshed = true)
    {
        widget->show();
        if (refreshed)
            widget->slot_SetLightParameter(engineMap());
        colour = std::make_unique<QSignalSpy>(widget.get(), &LightSettingWidget::sig_MouseColor);
        mode = std::make_unique<QSignalSpy>(widget.get(), &LightSettingWidget::sig_MouseLightMode);
        degree = std::make_unique<QSignalSpy>(widget.get(), &LightSettingWidget::sig_MouseContinueLightDegree);
        speed = std::make_unique<QSignalSpy>(widget.get(), &LightSettingWidget::sig_MouseBreathSpeed);
    }
    template <typename T> T* get(const QString& name) const { return childOf<T>(widget.get(), name); }
    QSlider* slider(const QString& name) const { return get<QSlider>(name); }
    void click(const QString& button) const { QTest::mouseClick(get<QAbstractButton>(button), Qt::LeftButton); }
    int emissions() const { return colour->size() + mode->size() + degree->size() + speed->size(); }
    // Sliders, value labels and swatch of the colour shown, as "r g b|r g b|sheet".
    QString colour3() const
    {
        const QString rgb = QStringLiteral("%1 %2 %3").arg(slider("Red_Slider")->value())
                                .arg(slider("Green_Slider")->value()).arg(slider("Blue_Slider")->value());
        const QString labels = get<QLabel>("RedValue_Label")->text() + ' ' + get<QLabel>("GreenValue_Label")->text() +
                               ' ' + get<QLabel>("BlueValue_Label")->text();
        return rgb + '|' + labels + '|' + get<QPushButton>("ShowColor_Button")->styleSheet();
    }
    void select(bool wheel) const { click(wheel ? "WheelLightButton" : "LogoLightButton"); }
    QString checkedMode() const
    {
        QString checked;
        for (const QString& name : kModeButtons) {
            if (get<QRadioButton>(name)->isChecked())
                checked += name;
        }
        return checked;
    }
    // A drag of the handle to value, ended by letting go.
    void drag(const QString& name, int value) const
    {
        QSlider* s = slider(name);
        s->setSliderDown(true);
        s->setValue(value);
        s->setSliderDown(false);
    }
};

Calls calls(const QSignalSpy& spy)
{
    Calls out;
    for (const QList<QVariant>& call : spy)
        out << call;
    return out;
}

QString shows(int r, int g, int b)
{
    return QStringLiteral("%1 %2 %3|%1 %2 %3|QPushButton{border:0px;background:rgb(%1,%2,%3);}").arg(r).arg(g).arg(b);
}

void sendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button, const QPoint& at)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
    QMouseEvent event(type, at, target->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

}  // namespace

class TestLighting : public QObject {
    Q_OBJECT
private slots:
    void presets_data();
    void presets();
    void swatchUnderEveryPreset();
    void effects_data();
    void effects();
    void refresh_data();
    void refresh();
    void lightSelection();
    void sliderRelease_data();
    void sliderRelease();
    void trackRelease_data();
    void trackRelease();
    void trackClick();
    void colourTrackPress_data();
    void colourTrackPress();
    void wheelColour();
    void beforeFirstRefresh();
};

void TestLighting::presets_data()
{
    QTest::addColumn<int>("preset");
    QTest::addColumn<bool>("wheel");
    QTest::addColumn<QList<int>>("rgb");

    QTest::newRow("1 on the wheel light") << 1 << true << QList<int>{255, 69, 110};
    QTest::newRow("18") << 18 << true << QList<int>{63, 177, 87};
    QTest::newRow("23 is 18 again") << 23 << true << QList<int>{63, 177, 87};
    QTest::newRow("25 on the logo light") << 25 << false << QList<int>{135, 101, 239};
}

void TestLighting::presets()
{
    QFETCH(bool, wheel);
    QFETCH(QList<int>, rgb);

    Page page;
    page.select(wheel);
    page.click(QStringLiteral("colorButton%1").arg(fetched<int>("preset")));
    QCOMPARE(calls(*page.colour), (Calls{{wheel, rgb[0], rgb[1], rgb[2]}}));
    QCOMPARE(page.colour3(), shows(rgb[0], rgb[1], rgb[2]));
    // The colour sent is kept: leaving the light and coming back shows it, not the refresh's.
    page.select(!wheel);
    page.select(wheel);
    QCOMPARE(page.colour3(), shows(rgb[0], rgb[1], rgb[2]));
    QCOMPARE(page.emissions(), 1);
}

// Each preset button lies on its own swatch of the picture behind them.
void TestLighting::swatchUnderEveryPreset()
{
    Page page(false);
    QWidget* swatches = page.get<QLabel>("PresetColorsLabel");
    for (int preset = 1; preset <= 25; ++preset) {
        QPushButton* button = page.get<QPushButton>(QStringLiteral("colorButton%1").arg(preset));
        button->hide();  // a hovered or pressed frame must not cover the swatch
        const QImage picture = page.widget->grab().toImage();
        button->show();
        const QColor seen = picture.pixelColor(button->geometry().center());
        QVERIFY2(swatches->geometry().contains(button->geometry()), qPrintable(button->objectName()));
        QCOMPARE(seen.rgb(), LightSettingWidget::presetColor(preset).rgb());
    }
}

void TestLighting::effects_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("wheel");
    QTest::addColumn<int>("value");

    QTest::newRow("continuous") << "ContinueLightModeRadioButton" << true << 129;
    QTest::newRow("breath") << "BrethModeRaioButton" << true << 130;
    QTest::newRow("spectrum on the logo light") << "LightCirleRaioButton" << false << 131;
    QTest::newRow("APM breath") << "ApmBreathModeRaidoButton" << false << 132;
    QTest::newRow("off") << "CloseLightModeRadioButton" << true << 133;
}

void TestLighting::effects()
{
    QFETCH(QString, button);
    QFETCH(bool, wheel);

    Page page;
    page.select(wheel);
    page.click(button);
    // The mode sent is kept in the page's copy of the light.
    page.select(!wheel);
    page.select(wheel);
    QCOMPARE(page.checkedMode(), button);
    QCOMPARE(calls(*page.mode), (Calls{{wheel, fetched<int>("value")}}));
    QCOMPARE(page.emissions(), 1);
}

void TestLighting::refresh_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("checked");

    for (int mode = 129; mode <= 133; ++mode)
        QTest::addRow("%d", mode) << mode << kModeButtons[mode - 129];
    QTest::newRow("below the effects") << 128 << "";
    QTest::newRow("above the effects") << 134 << "";
}

void TestLighting::refresh()
{
    QFETCH(int, mode);

    Page page;  // the spectrum button checked first
    page.select(false);

    LightMap map = engineMap();
    map[0] = {1, 2, 3, mode, 0, 9};
    page.widget->slot_SetLightParameter(map);

    // A refresh always shows the wheel light and sends nothing.
    QCOMPARE(page.checkedMode(), fetched<QString>("checked"));
    QCOMPARE(page.colour3(), shows(1, 2, 3));
    QCOMPARE(page.slider("BreathSlider")->value(), 9);
    QCOMPARE(page.slider("ContinueLightSlider")->value(), 9);
    QCOMPARE(page.emissions(), 0);
    page.click("ContinueLightModeRadioButton");
    QCOMPARE(calls(*page.mode), (Calls{{true, 129}}));
}

// Speed and degree sent are not kept: switching lights shows the engine's last refresh.
void TestLighting::lightSelection()
{
    Page page;
    const auto framed = [&](const char* light) {
        return page.get<QPushButton>(light)->property("selected").toBool();
    };
    QVERIFY(framed("WheelLightButton") && !framed("LogoLightButton"));

    page.drag("BreathSlider", 1);
    page.drag("ContinueLightSlider", 8);
    QCOMPARE(calls(*page.speed), (Calls{{true, 8}}));
    QCOMPARE(calls(*page.degree), (Calls{{true, 8}}));

    page.select(false);
    QVERIFY(framed("LogoLightButton") && !framed("WheelLightButton"));
    QCOMPARE(page.colour3(), shows(200, 100, 50));
    QCOMPARE(page.checkedMode(), QString("BrethModeRaioButton"));
    QCOMPARE(page.slider("BreathSlider")->value(), 1);
    QCOMPARE(page.slider("ContinueLightSlider")->value(), 2);

    page.select(true);
    QCOMPARE(page.slider("BreathSlider")->value(), 6);
    QCOMPARE(page.slider("ContinueLightSlider")->value(), 6);
    QCOMPARE(page.checkedMode(), QString("LightCirleRaioButton"));
    QCOMPARE(page.emissions(), 2);  // selecting a light sends nothing
}

void TestLighting::sliderRelease_data()
{
    QTest::addColumn<QString>("slider");
    QTest::addColumn<int>("value");
    QTest::addColumn<Calls>("speed");
    QTest::addColumn<Calls>("degree");
    QTest::addColumn<Calls>("colour");

    QTest::newRow("breath fast") << "BreathSlider" << 9 << Calls{{true, 0}} << Calls{} << Calls{};
    QTest::newRow("breath slow") << "BreathSlider" << 0 << Calls{{true, 9}} << Calls{} << Calls{};
    QTest::newRow("degree as is") << "ContinueLightSlider" << 3 << Calls{} << Calls{{true, 3}} << Calls{};
    QTest::newRow("red") << "Red_Slider" << 255 << Calls{} << Calls{} << Calls{{true, 255, 20, 30}};
    QTest::newRow("green") << "Green_Slider" << 0 << Calls{} << Calls{} << Calls{{true, 10, 0, 30}};
    QTest::newRow("blue") << "Blue_Slider" << 128 << Calls{} << Calls{} << Calls{{true, 10, 20, 128}};
}

void TestLighting::sliderRelease()
{
    QFETCH(QString, slider);
    QFETCH(int, value);
    QFETCH(Calls, colour);

    Page page;
    page.drag(slider, value);
    QCOMPARE(calls(*page.speed), fetched<Calls>("speed"));
    QCOMPARE(calls(*page.degree), fetched<Calls>("degree"));
    QCOMPARE(calls(*page.colour), colour);
    if (!colour.isEmpty())
        QCOMPARE(page.colour3(), shows(colour[0][1].toInt(), colour[0][2].toInt(), colour[0][3].toInt()));

    // What the engine reports back for the value just sent puts the slider where it was let go.
    LightMap map = engineMap();
    map[0] = {11, 22, 33, 129, 9 - value, value};
    page.widget->slot_SetLightParameter(map);
    if (slider == "BreathSlider" || slider == "ContinueLightSlider")
        QCOMPARE(page.slider(slider)->value(), value);
}

void TestLighting::trackRelease_data()
{
    QTest::addColumn<QString>("slider");
    QTest::addColumn<int>("start");
    QTest::addColumn<double>("fraction");  // of the track's width, where the button comes up
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<int>("value");
    QTest::addColumn<Calls>("speed");
    QTest::addColumn<Calls>("degree");
    QTest::addColumn<bool>("logged");  // "pos" with the new value

    // v = x / width * 9, truncated.
    QTest::newRow("degree at half") << "ContinueLightSlider" << 0 << 0.5 << Qt::LeftButton << 4 << Calls{}
                                    << Calls{{true, 4}} << true;
    QTest::newRow("one above stays") << "ContinueLightSlider" << 5 << 0.5 << Qt::LeftButton << 5 << Calls{}
                                     << Calls{{true, 5}} << false;
    QTest::newRow("two above moves") << "ContinueLightSlider" << 6 << 0.5 << Qt::LeftButton << 4 << Calls{}
                                     << Calls{{true, 4}} << true;
    QTest::newRow("already there still sends") << "ContinueLightSlider" << 4 << 0.5 << Qt::LeftButton << 4
                                                << Calls{} << Calls{{true, 4}} << false;
    QTest::newRow("breath at 25 %") << "BreathSlider" << 9 << 0.25 << Qt::LeftButton << 2 << Calls{{true, 7}}
                                    << Calls{} << true;
    QTest::newRow("right button does nothing") << "BreathSlider" << 0 << 0.5 << Qt::RightButton << 0 << Calls{}
                                               << Calls{} << false;
}

void TestLighting::trackRelease()
{
    QFETCH(int, value);
    QFETCH(Calls, speed);
    QFETCH(Calls, degree);

    Page page;
    QSlider* track = page.slider(fetched<QString>("slider"));
    track->setValue(fetched<int>("start"));
    for (QSignalSpy* spy : {page.colour.get(), page.mode.get(), page.degree.get(), page.speed.get()})
        spy->clear();
    LogCapture log;

    sendMouse(track, QEvent::MouseButtonRelease, fetched<Qt::MouseButton>("button"),
              QPoint(int(track->width() * fetched<double>("fraction")), track->height() / 2));
    QCOMPARE(track->value(), value);
    QCOMPARE(calls(*page.speed), speed);
    QCOMPARE(calls(*page.degree), degree);
    QCOMPARE(log.contains(QStringLiteral("loginfo = pos %1").arg(value)), fetched<bool>("logged"));
}

// A real click on the track: the press pages one step, the release puts the handle under the
// pointer and sends once; a drag of the handle sends again when the slider reports its release.
void TestLighting::trackClick()
{
    Page page(false);
    page.widget->slot_SetLightParameter({{0, {0, 0, 0, 129, 9, 0}}, {1, {0, 0, 0, 129, 9, 0}}});
    QSlider* degree = page.slider("ContinueLightSlider");
    const QPoint half(degree->width() / 2, degree->height() / 2);
    QTest::mousePress(degree, Qt::LeftButton, Qt::NoModifier, half);
    QTest::mouseRelease(degree, Qt::LeftButton, Qt::NoModifier, half);
    QCOMPARE(degree->value(), 4);
    QCOMPARE(calls(*page.degree), (Calls{{true, 4}}));

    QSlider* breath = page.slider("BreathSlider");  // handle at the left end
    QTest::mousePress(breath, Qt::LeftButton, Qt::NoModifier, QPoint(3, breath->height() / 2));
    QVERIFY(breath->isSliderDown());
    QTest::mouseRelease(breath, Qt::LeftButton, Qt::NoModifier, QPoint(breath->width() / 2, breath->height() / 2));
    QCOMPARE(breath->value(), 4);
    QCOMPARE(calls(*page.speed), (Calls{{true, 5}, {true, 5}}));
}

void TestLighting::colourTrackPress_data()
{
    QTest::addColumn<QString>("slider");
    QTest::addColumn<double>("fraction");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<int>("value");

    // v = x / width * 255, truncated; the tracks are 300 px wide.
    QTest::newRow("red at half") << "Red_Slider" << 0.5 << Qt::LeftButton << 127;
    QTest::newRow("blue at the start") << "Blue_Slider" << 0.0 << Qt::LeftButton << 0;
    QTest::newRow("right button leaves it") << "Red_Slider" << 0.5 << Qt::RightButton << 10;
}

void TestLighting::colourTrackPress()
{
    QFETCH(QString, slider);
    QFETCH(int, value);

    Page page;
    QSlider* track = page.slider(slider);
    const QString label = slider.section('_', 0, 0) + QStringLiteral("Value_Label");

    sendMouse(track, QEvent::MouseButtonPress, fetched<Qt::MouseButton>("button"),
              QPoint(int(track->width() * fetched<double>("fraction")), track->height() / 2));
    QCOMPARE(track->value(), value);
    QCOMPARE(page.get<QLabel>(label)->text(), QString::number(value));
    QCOMPARE(page.emissions(), 0);  // the colour goes out on release
}

// A colour picked on the wheel is shown and sent.
void TestLighting::wheelColour()
{
    Page page;
    page.select(false);
    emit page.get<ColorWheel>("ColorWheel_Widget")->sigColor(1, 128, 254);
    QCOMPARE(calls(*page.colour), (Calls{{false, 1, 128, 254}}));
    QCOMPARE(page.colour3(), shows(1, 128, 254));
}

// Before the engine's first refresh the page edits the wheel light and keeps no copy.
void TestLighting::beforeFirstRefresh()
{
    Page page(false);
    page.click("colorButton2");
    page.click("CloseLightModeRadioButton");
    page.select(false);
    page.select(true);
    QCOMPARE(calls(*page.colour), (Calls{{true, 255, 94, 67}}));
    QCOMPARE(calls(*page.mode), (Calls{{true, 133}}));
    QCOMPARE(page.colour3(), shows(255, 94, 67));
}

QTEST_MAIN(TestLighting)
#include "tst_lighting.moc"
