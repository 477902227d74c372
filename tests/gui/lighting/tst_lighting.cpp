// The lighting page as the user and the profile engine see it: what it sends for effects,
// colours, breath speed and degree, and how it shows what the engine reports.
#include "colorwheel.h"
#include "guihelpers.h"
#include "lightsettingwidget.h"

#include <memory>

using LightMap = QMap<int, QList<int>>;

namespace {
// Wheel: 10,20,30, spectrum, speed 3, degree 6. Logo: 200,100,50, breath, speed 8, degree 2.
const LightMap kEngineMap = {{0, {10, 20, 30, 131, 3, 6}}, {1, {200, 100, 50, 130, 8, 2}}};

struct Page {
    std::unique_ptr<LightSettingWidget> widget = std::make_unique<LightSettingWidget>();
    QSignalSpy colour{widget.get(), &LightSettingWidget::sig_MouseColor};
    QSignalSpy mode{widget.get(), &LightSettingWidget::sig_MouseLightMode};
    QSignalSpy degree{widget.get(), &LightSettingWidget::sig_MouseContinueLightDegree};
    QSignalSpy speed{widget.get(), &LightSettingWidget::sig_MouseBreathSpeed};

    explicit Page(bool refreshed = true)
    {
        widget->show();
        if (refreshed)
            widget->slot_SetLightParameter(kEngineMap);
    }
    QSlider* slider(const QString& name) const { return childOf<QSlider>(widget.get(), name); }
    void click(const QString& button) const { clickChild(widget.get(), button); }
    void select(bool wheel) const { click(wheel ? "WheelLightButton" : "LogoLightButton"); }
    int emissions() const { return colour.size() + mode.size() + degree.size() + speed.size(); }
    // The colour shown by the sliders and their value labels, as "r g b|r g b".
    QString shown() const
    {
        QStringList values, labels;
        for (const char* c : {"Red", "Green", "Blue"}) {
            values << QString::number(slider(QStringLiteral("%1_Slider").arg(c))->value());
            labels << childOf<QLabel>(widget.get(), QStringLiteral("%1Value_Label").arg(c))->text();
        }
        return values.join(' ') + '|' + labels.join(' ');
    }
    QString checkedMode() const
    {
        for (auto* radio : widget->findChildren<QRadioButton*>())
            if (radio->isChecked())
                return radio->objectName();
        return {};
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

QString shows(QColor c) { return QStringLiteral("%1 %2 %3|%1 %2 %3").arg(c.red()).arg(c.green()).arg(c.blue()); }
}  // namespace

class TestLighting : public QObject {
    Q_OBJECT
private slots:
    // A preset is sent for the light selected and shown; leaving the light and coming back shows
    // the colour sent, not the refresh's. Before the engine's first refresh there is nothing to show
    // but what was sent.
    void presets_data()
    {
        QTest::addColumn<int>("preset");
        QTest::addColumn<bool>("wheel");
        QTest::addColumn<bool>("refreshed");
        QTest::newRow("1 on the wheel light") << 1 << true << true;
        QTest::newRow("25 on the logo light") << 25 << false << true;
        QTest::newRow("2 before the first refresh") << 2 << true << false;
    }
    void presets()
    {
        QFETCH(bool, wheel);
        const QColor c = LightSettingWidget::presetColor(fetched<int>("preset"));
        const Page page(fetched<bool>("refreshed"));
        page.select(wheel);
        page.click(QStringLiteral("colorButton%1").arg(fetched<int>("preset")));
        page.select(!wheel);
        page.select(wheel);
        QCOMPARE(page.shown(), shows(c));
        QCOMPARE(calls(page.colour), (Calls{{wheel, c.red(), c.green(), c.blue()}}));
        QCOMPARE(page.emissions(), 1);
    }

    // Each effect is sent with its code and kept in the page's copy of the light.
    void effects_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("wheel");
        QTest::addColumn<int>("value");
        QTest::newRow("breath") << "BrethModeRaioButton" << true << 130;
        QTest::newRow("spectrum on the logo light") << "LightCirleRaioButton" << false << 131;
        QTest::newRow("APM breath on the logo light") << "ApmBreathModeRaidoButton" << false << 132;
        QTest::newRow("off") << "CloseLightModeRadioButton" << true << 133;
    }
    void effects()
    {
        QFETCH(QString, button);
        QFETCH(bool, wheel);
        const Page page;
        page.select(wheel);
        page.click(button);
        page.select(!wheel);
        page.select(wheel);
        QCOMPARE(page.checkedMode(), button);
        QCOMPARE(calls(page.mode), (Calls{{wheel, fetched<int>("value")}}));
        QCOMPARE(page.emissions(), 1);
    }

    // Speed and degree sent are not kept: switching lights shows the engine's last refresh, and
    // selecting a light sends nothing. A refresh always shows the wheel light and sends nothing; an
    // unknown effect (above the effects) checks none.
    void lightSelectionAndRefresh()
    {
        const Page page;
        page.drag("BreathSlider", 1);
        page.drag("ContinueLightSlider", 8);
        page.select(false);
        QCOMPARE(page.shown(), shows(QColor(200, 100, 50)));
        QCOMPARE(page.checkedMode(), QString("BrethModeRaioButton"));
        QCOMPARE(page.slider("BreathSlider")->value(), 1);
        QCOMPARE(page.slider("ContinueLightSlider")->value(), 2);
        page.select(true);
        QCOMPARE(page.slider("BreathSlider")->value(), 6);
        QCOMPARE(page.slider("ContinueLightSlider")->value(), 6);
        QCOMPARE(page.checkedMode(), QString("LightCirleRaioButton"));
        page.select(false);
        LightMap map = kEngineMap;
        map[0] = {1, 2, 3, 134, 0, 9};
        page.widget->slot_SetLightParameter(map);
        QCOMPARE(page.checkedMode(), QString());
        QCOMPARE(page.shown(), shows(QColor(1, 2, 3)));
        QCOMPARE(page.slider("BreathSlider")->value(), 9);
        QCOMPARE(page.slider("ContinueLightSlider")->value(), 9);
        QCOMPARE(page.emissions(), 2);
        page.click("ContinueLightModeRadioButton");
        QCOMPARE(calls(page.mode), (Calls{{true, 129}}));
    }

    // A real click on the track: the press pages one step, the release puts the handle under the
    // pointer (a handle one step above it stays) and sends once; a drag of the handle sends again
    // when the slider reports its release.
    void trackClick()
    {
        const Page page(false);
        page.widget->slot_SetLightParameter({{0, {0, 0, 0, 129, 9, 0}}, {1, {0, 0, 0, 129, 9, 0}}});
        QSlider* degree = page.slider("ContinueLightSlider");
        const QPoint half(degree->width() / 2, degree->height() / 2);
        QTest::mousePress(degree, Qt::LeftButton, Qt::NoModifier, half);
        QTest::mouseRelease(degree, Qt::LeftButton, Qt::NoModifier, half);
        QCOMPARE(degree->value(), 4);
        degree->setValue(5);  // one step above the pointer, where a press on the track pages it: kept
        sendMouse(degree, QEvent::MouseButtonRelease, half);
        QCOMPARE(calls(page.degree), (Calls{{true, 4}, {true, 5}}));
        QSlider* breath = page.slider("BreathSlider");  // handle at the left end
        QTest::mousePress(breath, Qt::LeftButton, Qt::NoModifier, QPoint(3, breath->height() / 2));
        QVERIFY(breath->isSliderDown());
        QTest::mouseRelease(breath, Qt::LeftButton, Qt::NoModifier, QPoint(breath->width() / 2, breath->height() / 2));
        QCOMPARE(breath->value(), 4);
        QCOMPARE(calls(page.speed), (Calls{{true, 5}, {true, 5}}));
    }

    // A colour picked on the wheel is shown and sent, and so is one changed on a slider.
    void wheelColour()
    {
        const Page page;
        page.select(false);
        emit childOf<ColorWheel>(page.widget.get(), "ColorWheel_Widget")->sigColor(1, 128, 254);
        QCOMPARE(calls(page.colour), (Calls{{false, 1, 128, 254}}));
        QCOMPARE(page.shown(), shows(QColor(1, 128, 254)));
        page.drag("Green_Slider", 0);  // a colour slider sends the whole colour
        QCOMPARE(calls(page.colour).last(), (QVariantList{false, 1, 0, 254}));
        QCOMPARE(page.shown(), shows(QColor(1, 0, 254)));
    }
};

QTEST_MAIN(TestLighting)
#include "tst_lighting.moc"
