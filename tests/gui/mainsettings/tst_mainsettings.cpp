// The main settings page as the user and the profile engine see it: what it sends for DPI levels,
// report rates and buttons, how it shows what the engine reports, and what it writes to the
// pointer settings (what it asks the window to write).
#include "logcapture.h"
#include "mainsettingwidget.h"
#include "testhelpers.h"

#include <QCheckBox>
#include <QHoverEvent>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>

#include <memory>
#include <vector>

using Writes = std::vector<int>;
Q_DECLARE_METATYPE(Writes)

namespace {

// The hover badges of buttons 4..15.
const char* const kBadges[] = {"LeftLabel",    "MidLabel",       "RightLabel",   "ForwardLabel",
                               "BackLabel",    "WheelForwardLabel", "WheelBackLabel", "DPIPlusLabel",
                               "DPIReduceLabel", "Custom2Label",  "Custom1Label", "Custom3Label"};

Writes writesOf(const QSignalSpy& spy)
{
    Writes out;
    for (const QList<QVariant>& call : spy)
        out.push_back(call.at(0).toInt());
    return out;
}

// The page with the system's settings shown, and what it asks the window to write.
struct Page {
    std::unique_ptr<MainSettingWidget> widget;
    std::unique_ptr<QSignalSpy> speedSpy;
    std::unique_ptr<QSignalSpy> linesSpy;

    Writes speedWrites() const { return writesOf(*speedSpy); }
    Writes wheelLineWrites() const { return writesOf(*linesSpy); }

    template <typename T> T* get(const QString& name) const { return childOf<T>(widget.get(), name); }
    QSlider* dpiSlider(int level) const { return get<QSlider>(QStringLiteral("DPI_HorizontalSlider_%1").arg(level)); }
    QCheckBox* dpiBox(int level) const { return get<QCheckBox>(QStringLiteral("DPI_CheckBox_%1").arg(level)); }
    QLabel* dpiLabel(int level) const { return get<QLabel>(QStringLiteral("DPI_Show_Label_%1").arg(level)); }
    QStringList visibleBadges() const
    {
        QStringList names;
        for (const char* name : kBadges) {
            if (get<QLabel>(QLatin1String(name))->isVisible())
                names << QLatin1String(name);
        }
        return names;
    }
};

Page makePage(int speed = 8, int wheelLines = 3)
{
    Page page;
    page.widget = std::make_unique<MainSettingWidget>();
    page.speedSpy = std::make_unique<QSignalSpy>(page.widget.get(), &MainSettingWidget::sig_SetSystemPointerSpeed);
    page.linesSpy = std::make_unique<QSignalSpy>(page.widget.get(), &MainSettingWidget::sig_SetSystemWheelLines);
    page.widget->showSystemPointer({true, speed, true, wheelLines});
    page.widget->show();
    return page;
}

QList<QVariantList> dpiEmissions(const QSignalSpy& spy)
{
    QList<QVariantList> out;
    for (const QList<QVariant>& call : spy)
        out << QVariantList{call.at(0), call.at(1)};
    return out;
}

void hover(QWidget* widget, QEvent::Type type)
{
    QHoverEvent event(type, QPointF(5, 5), QPointF(-1, -1));
    QApplication::sendEvent(widget, &event);
}

}  // namespace

class TestMainSettings : public QObject {
    Q_OBJECT
private slots:
    void construction_data();
    void construction();
    void dpiRelease_data();
    void dpiRelease();
    void trackClick_data();
    void trackClick();
    void dpiCheckBox_data();
    void dpiCheckBox();
    void engineDpi_data();
    void engineDpi();
    void reportRate_data();
    void reportRate();
    void wheelSettings();
    void settingsTheDesktopLacks_data();
    void settingsTheDesktopLacks();
    void buttons_data();
    void buttons();
    void looks_data();
    void looks();
};

void TestMainSettings::construction_data()
{
    QTest::addColumn<int>("systemSpeed");
    QTest::addColumn<int>("systemLines");
    QTest::addColumn<int>("slider");
    QTest::addColumn<bool>("linesChosen");  // TrolleySpeed_RadioButton_1 rather than _2
    QTest::addColumn<int>("spin");
    QTest::addColumn<Writes>("speedWrites");
    QTest::addColumn<Writes>("lineWrites");

    // The system's values are shown, never written back on their own.
    QTest::newRow("form defaults") << 8 << 3 << 8 << true << 3 << Writes{} << Writes{};
    QTest::newRow("50 lines shows 30") << 12 << 50 << 12 << true << 30 << Writes{} << Writes{};
    QTest::newRow("one screen at a time") << 8 << MainSettingWidget::WheelPageScroll << 8 << false << 3 << Writes{} << Writes{};
    QTest::newRow("speed above 20 shows 20") << 25 << 7 << 20 << true << 7 << Writes{} << Writes{};
}

void TestMainSettings::construction()
{
    QFETCH(bool, linesChosen);

    const Page page = makePage(fetched<int>("systemSpeed"), fetched<int>("systemLines"));
    QCOMPARE(page.get<QSlider>("PointSpeed_Slider")->value(), fetched<int>("slider"));
    QCOMPARE(page.get<QRadioButton>("TrolleySpeed_RadioButton_1")->isChecked(), linesChosen);
    QCOMPARE(page.get<QRadioButton>("TrolleySpeed_RadioButton_2")->isChecked(), !linesChosen);
    QCOMPARE(page.get<QSpinBox>("spinBox")->value(), fetched<int>("spin"));
    QCOMPARE(page.get<QSpinBox>("spinBox")->isEnabled(), linesChosen);
    QCOMPARE(page.speedWrites(), fetched<Writes>("speedWrites"));
    QCOMPARE(page.wheelLineWrites(), fetched<Writes>("lineWrites"));
}

void TestMainSettings::dpiRelease_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("dragged");
    QTest::addColumn<int>("sent");

    QTest::newRow("level 2 at 1234") << 2 << 1234 << 1200;
    QTest::newRow("level 1 steps by 1, still sent on the grid") << 1 << 1299 << 1250;
    QTest::newRow("level 5 at the bottom") << 5 << 50 << 50;
}

void TestMainSettings::dpiRelease()
{
    QFETCH(int, level);
    QFETCH(int, dragged);
    QFETCH(int, sent);

    const Page page = makePage();
    QSignalSpy spy(page.widget.get(), &MainSettingWidget::sig_ChangeDPIValue);
    QSlider* slider = page.dpiSlider(level);

    slider->setSliderDown(true);
    slider->setSliderPosition(dragged);
    QCOMPARE(page.dpiLabel(level)->text(), QString::number(dragged));
    QCOMPARE(spy.count(), 0);

    slider->setSliderDown(false);
    QCOMPARE(dpiEmissions(spy), (QList<QVariantList>{{level, sent}}));
    QCOMPARE(page.dpiLabel(level)->text(), QString::number(sent));
}

void TestMainSettings::trackClick_data()
{
    QTest::addColumn<QString>("slider");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("value");
    QTest::addColumn<QList<QVariantList>>("sent");
    QTest::addColumn<Writes>("speedWrites");

    // DPI tracks are 250 px wide, 50..16000: p = 50 + x / 250 * 15950, then down to the 50 grid.
    // 75 px: 50 + 4785 = 4835 -> 4800.
    QTest::newRow("DPI at 30 %") << "DPI_HorizontalSlider_3" << 75 << 4800 << QList<QVariantList>{{3, 4800}}
                                 << Writes{};
    // Lift-off 0..500 over 134 px, not rounded: 67 px -> 250; 33 px -> 123.13 -> 123. Sends nothing.
    QTest::newRow("lift-off at half") << "Sensor_Slider" << 67 << 250 << QList<QVariantList>{} << Writes{};
    QTest::newRow("lift-off off the grid") << "Sensor_Slider" << 33 << 123 << QList<QVariantList>{} << Writes{};
    // Pointer speed 1..20 over 134 px: 67 px -> 1 + 9.5 = 10.5 -> 10, written to the system.
    QTest::newRow("pointer speed at half") << "PointSpeed_Slider" << 67 << 10 << QList<QVariantList>{} << Writes{10};
}

void TestMainSettings::trackClick()
{
    QFETCH(int, value);

    const Page page = makePage();
    QSignalSpy spy(page.widget.get(), &MainSettingWidget::sig_ChangeDPIValue);
    QSlider* track = page.get<QSlider>(fetched<QString>("slider"));
    const QPoint at(fetched<int>("x"), track->height() / 2);

    QTest::mousePress(track, Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(track->value(), value);
    QTest::mouseRelease(track, Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(track->value(), value);
    QCOMPARE(dpiEmissions(spy), fetched<QList<QVariantList>>("sent"));
    QCOMPARE(page.speedWrites(), fetched<Writes>("speedWrites"));
}

void TestMainSettings::dpiCheckBox_data()
{
    QTest::addColumn<QList<int>>("states");  // applied one after the other to level 4's box
    QTest::addColumn<QList<QVariantList>>("sent");
    QTest::addColumn<bool>("enabled");  // slider and value label afterwards

    QTest::newRow("unchecked sends 0") << QList<int>{Qt::Unchecked} << QList<QVariantList>{{4, 0}} << false;
    QTest::newRow("checked again sends the slider's value")
        << QList<int>{Qt::Unchecked, Qt::Checked} << QList<QVariantList>{{4, 0}, {4, 3300}} << true;
    QTest::newRow("partial sends the value and changes nothing")
        << QList<int>{Qt::Unchecked, Qt::PartiallyChecked} << QList<QVariantList>{{4, 0}, {4, 3300}} << false;
}

void TestMainSettings::dpiCheckBox()
{
    QFETCH(bool, enabled);

    const Page page = makePage();
    page.dpiSlider(4)->setValue(3300);
    QSignalSpy spy(page.widget.get(), &MainSettingWidget::sig_ChangeDPIValue);
    page.dpiBox(4)->setTristate(true);
    for (int state : fetched<QList<int>>("states"))
        page.dpiBox(4)->setCheckState(Qt::CheckState(state));

    QCOMPARE(dpiEmissions(spy), fetched<QList<QVariantList>>("sent"));
    QCOMPARE(page.dpiSlider(4)->isEnabled(), enabled);
    QCOMPARE(page.dpiLabel(4)->isEnabled(), enabled);
    // Unchecked levels ignore clicks on their track.
    if (!enabled) {
        spy.clear();
        QTest::mouseClick(page.dpiSlider(4), Qt::LeftButton, Qt::NoModifier, QPoint(200, 10));
        QCOMPARE(page.dpiSlider(4)->value(), 3300);
        QCOMPARE(spy.count(), 0);
    }
}

void TestMainSettings::engineDpi_data()
{
    QTest::addColumn<bool>("switchedOff");  // level 3 unchecked before the report
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QList<QVariantList>>("sent");

    QTest::newRow("value shown as sent") << false << 3 << 2400 << true << "2400" << QList<QVariantList>{};
    QTest::newRow("unrounded value shown as is") << false << 3 << 1234 << true << "1234" << QList<QVariantList>{};
    QTest::newRow("0 unchecks and sends 0") << false << 3 << 0 << false << "0" << QList<QVariantList>{{3, 0}};
    QTest::newRow("value checks an off level and sends it")
        << true << 3 << 800 << true << "800" << QList<QVariantList>{{3, 800}};
    QTest::newRow("level 8 changes nothing") << false << 8 << 800 << true << "7000" << QList<QVariantList>{};
}

void TestMainSettings::engineDpi()
{
    QFETCH(bool, checked);

    const Page page = makePage();
    if (fetched<bool>("switchedOff"))
        page.dpiBox(3)->setChecked(false);
    QSignalSpy spy(page.widget.get(), &MainSettingWidget::sig_ChangeDPIValue);

    page.widget->slot_SetDPIValueOnPage(fetched<int>("level"), fetched<int>("value"));
    QCOMPARE(page.dpiBox(3)->isChecked(), checked);
    QCOMPARE(page.dpiLabel(3)->text(), fetched<QString>("shown"));
    QCOMPARE(page.dpiSlider(3)->isEnabled(), checked);
    QCOMPARE(dpiEmissions(spy), fetched<QList<QVariantList>>("sent"));
}

void TestMainSettings::reportRate_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("radio");

    for (int code : {0, 1, 2, 3})
        QTest::addRow("%d Hz", 125 << code) << code << QStringLiteral("USBReportRate_%1RadioButton").arg(125 << code);
}

void TestMainSettings::reportRate()
{
    QFETCH(int, code);
    QFETCH(QString, radio);

    const Page page = makePage();
    QSignalSpy spy(page.widget.get(), &MainSettingWidget::sig_ChangeUSBReportRate);
    // The engine's report checks the button without sending anything back.
    page.widget->slot_SetUSBReportRateOnPage(code);
    QVERIFY(page.get<QRadioButton>(radio)->isChecked());
    QCOMPARE(spy.count(), 0);
    // Unknown codes leave it as it is.
    page.widget->slot_SetUSBReportRateOnPage(4);
    page.widget->slot_SetUSBReportRateOnPage(-1);
    QVERIFY(page.get<QRadioButton>(radio)->isChecked());

    page.get<QRadioButton>(QStringLiteral("USBReportRate_1000RadioButton"))->setChecked(code != 3);
    QTest::mouseClick(page.get<QRadioButton>(radio), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), code);
}

void TestMainSettings::wheelSettings()
{
    const Page page = makePage(8, 5);
    auto* lines = page.get<QRadioButton>("TrolleySpeed_RadioButton_1");
    auto* screen = page.get<QRadioButton>("TrolleySpeed_RadioButton_2");
    auto* spin = page.get<QSpinBox>("spinBox");
    LogCapture log;

    QTest::mouseClick(screen, Qt::LeftButton);
    QVERIFY(!spin->isEnabled());
    QVERIFY(log.contains(QStringLiteral("loginfo = HolePage")));
    QTest::mouseClick(lines, Qt::LeftButton);
    QVERIFY(spin->isEnabled());
    spin->setValue(12);
    QCOMPARE(page.wheelLineWrites(), (Writes{MainSettingWidget::WheelPageScroll, 5, 12}));

    page.get<QSlider>("PointSpeed_Slider")->setValue(15);
    QCOMPARE(page.speedWrites(), Writes{15});
    QVERIFY(log.contains(QStringLiteral("loginfo = SpeedChange")));
    // The lift-off slider is for show only.
    page.get<QSlider>("Sensor_Slider")->setValue(100);
    QCOMPARE(page.speedWrites(), Writes{15});
    QCOMPARE(page.wheelLineWrites().size(), std::size_t(3));
}

// Where the desktop lacks a setting (X has no wheel lines; a Wayland session offers neither), its
// controls are greyed out and the note says the desktop's own settings govern them.
void TestMainSettings::settingsTheDesktopLacks_data()
{
    QTest::addColumn<bool>("speed");
    QTest::addColumn<bool>("wheelLines");

    QTest::newRow("both") << true << true;
    QTest::newRow("no wheel lines (X)") << true << false;
    QTest::newRow("neither (Wayland)") << false << false;
    QTest::newRow("nothing told yet") << false << false;
}

void TestMainSettings::settingsTheDesktopLacks()
{
    QFETCH(bool, speed);
    QFETCH(bool, wheelLines);
    MainSettingWidget widget;
    if (QTest::currentDataTag() != QLatin1String("nothing told yet"))
        widget.showSystemPointer({speed, 10, wheelLines, 3});
    widget.show();
    QCOMPARE(childOf<QSlider>(&widget, "PointSpeed_Slider")->isEnabled(), speed);
    for (const char* name : {"TrolleySpeed_RadioButton_1", "TrolleySpeed_RadioButton_2", "spinBox"})
        QCOMPARE(childOf<QWidget>(&widget, name)->isEnabled(), wheelLines);
    QCOMPARE(childOf<QLabel>(&widget, "DesktopSettingsNoteLabel")->isVisible(), !speed || !wheelLines);
}

void TestMainSettings::buttons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("badge");

    const QStringList buttons = {"LeftKey_Button", "MidKey_Button", "RightKey_Button", "FowardKey_Button",
                                 "Back_Button", "WheelFoward_Button", "WheelBack_Button", "DPIAdd_Button",
                                 "DPIReduceButton", "CustomButton_2", "CustomButton_1", "CustomButton_3"};
    for (int id = 4; id <= 15; ++id)
        QTest::addRow("%d", id) << buttons[id - 4] << id << QString(kBadges[id - 4]);
}

void TestMainSettings::buttons()
{
    QFETCH(int, id);

    const Page page = makePage();
    QSignalSpy keys(page.widget.get(), &MainSettingWidget::sig_showKeySettingDialog);
    QSignalSpy draw(page.widget.get(), &MainSettingWidget::sig_showDrawDialog);
    auto* target = page.get<QPushButton>(fetched<QString>("button"));

    QTest::mouseClick(target, Qt::LeftButton);
    QCOMPARE(keys.count(), 1);
    QCOMPARE(keys.at(0).at(0).toInt(), id);
    QCOMPARE(draw.count(), 0);

    // Moving from another button onto this one leaves only this one's badge.
    auto* other = page.get<QPushButton>(id == 4 ? QStringLiteral("RightKey_Button") : QStringLiteral("LeftKey_Button"));
    hover(other, QEvent::HoverEnter);
    hover(target, QEvent::HoverEnter);
    QCOMPARE(page.visibleBadges(), QStringList{fetched<QString>("badge")});
    hover(target, QEvent::HoverLeave);
    QCOMPARE(page.visibleBadges(), QStringList());

    QTest::mouseClick(page.get<QPushButton>("DrawButton"), Qt::LeftButton);
    QCOMPARE(draw.count(), 1);
    QCOMPARE(keys.count(), 1);
}

void TestMainSettings::looks_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("look");

    QTest::newRow("14") << 14 << "CustomButton_1" << "plate-key1";
    QTest::newRow("7") << 7 << "FowardKey_Button" << "plate-key_r";
    QTest::newRow("4") << 4 << "LeftKey_Button" << "plate-key_in";
    QTest::newRow("15") << 15 << "CustomButton_3" << "plate-key_in";
}

void TestMainSettings::looks()
{
    QFETCH(int, id);
    QFETCH(QString, look);

    const Page page = makePage();
    auto* target = page.get<QPushButton>(fetched<QString>("button"));
    QCOMPARE(target->property("look").toString(), look);  // its plate in the style sheet
    const auto changed = [target] { return target->property("changed").toBool(); };
    QVERIFY(!changed());
    page.widget->SetMouseButtonStyleSheetIsOriginal(false, id);
    QVERIFY(changed());
    // Ids outside 4..15 touch no button.
    page.widget->SetMouseButtonStyleSheetIsOriginal(true, 3);
    page.widget->SetMouseButtonStyleSheetIsOriginal(true, 16);
    QVERIFY(changed());
    page.widget->SetMouseButtonStyleSheetIsOriginal(true, id);
    QVERIFY(!changed());
}

QTEST_MAIN(TestMainSettings)
#include "tst_mainsettings.moc"
