// The main settings page as the user and the profile engine see it: what it sends for DPI levels,
// report rates and buttons, how it shows what the engine reports, and what it asks the window to
// write to the system's pointer settings.
#include "guihelpers.h"
#include "mainsettingwidget.h"

#include <memory>

namespace {
constexpr int kLacking = -100;  // a setting the desktop does not offer

// The page with the system's settings shown, and what it asks the window to write.
struct Page {
    std::unique_ptr<MainSettingWidget> widget = std::make_unique<MainSettingWidget>();
    QSignalSpy speed{widget.get(), &MainSettingWidget::sig_SetSystemPointerSpeed};
    QSignalSpy lines{widget.get(), &MainSettingWidget::sig_SetSystemWheelLines};
    QSignalSpy dpi{widget.get(), &MainSettingWidget::sig_ChangeDPIValue};

    explicit Page(int systemSpeed = 8, int wheelLines = 3)
    {
        if (systemSpeed != kLacking)
            widget->showSystemPointer({true, systemSpeed, wheelLines != kLacking, wheelLines != kLacking ? wheelLines : 3});
        widget->show();
    }
    template <typename T> T* get(const QString& name) const { return childOf<T>(widget.get(), name); }
    QSlider* dpiSlider(int level) const { return get<QSlider>(QStringLiteral("DPI_HorizontalSlider_%1").arg(level)); }
    QCheckBox* dpiBox(int level) const { return get<QCheckBox>(QStringLiteral("DPI_CheckBox_%1").arg(level)); }
    QString dpiShown(int level) const { return get<QLabel>(QStringLiteral("DPI_Show_Label_%1").arg(level))->text(); }
};
}  // namespace

class TestMainSettings : public QObject {
    Q_OBJECT
private slots:
    // The system's values are shown, never written back on their own. Where the desktop lacks a
    // setting (X has no wheel lines; a Wayland session offers neither), its controls are greyed out
    // and the note says the desktop's own settings govern them.
    void systemValuesShown_data()
    {
        QTest::addColumn<int>("systemSpeed");
        QTest::addColumn<int>("systemLines");
        QTest::addColumn<int>("slider");  // -1: off
        QTest::addColumn<int>("spin");    // 0: one screen at a time chosen, the spin box off; -1: all off
        QTest::newRow("as they are") << 8 << 7 << 8 << 7;
        QTest::newRow("above the controls' range") << 25 << 50 << 20 << 30;
        QTest::newRow("one screen at a time") << 8 << int(MainSettingWidget::WheelPageScroll) << 8 << 0;
        QTest::newRow("no wheel lines (X)") << 8 << kLacking << 8 << -1;
        QTest::newRow("nothing told yet") << kLacking << kLacking << -1 << -1;
    }
    void systemValuesShown()
    {
        QFETCH(int, slider);
        QFETCH(int, spin);
        const Page page(fetched<int>("systemSpeed"), fetched<int>("systemLines"));
        auto* speed = page.get<QSlider>("PointSpeed_Slider");
        QCOMPARE(speed->isEnabled() ? speed->value() : -1, slider);
        if (spin >= 0)
            QCOMPARE(page.get<QRadioButton>("TrolleySpeed_RadioButton_2")->isChecked(), spin == 0);
        for (const char* name : {"TrolleySpeed_RadioButton_1", "TrolleySpeed_RadioButton_2"})
            QCOMPARE(page.get<QWidget>(name)->isEnabled(), spin >= 0);
        auto* lines = page.get<QSpinBox>("spinBox");
        QCOMPARE(lines->isEnabled() ? lines->value() : qMin(spin, 0), spin);
        QCOMPARE(page.get<QLabel>("DesktopSettingsNoteLabel")->isVisible(), slider < 0 || spin < 0);
        QCOMPARE(page.speed.count() + page.lines.count(), 0);
    }

    // A dragged DPI level shows what it is at and sends, on release, that value down to the 50 grid.
    // A click on a track puts the handle there and sends its value. Unchecking a level sends 0 and
    // locks it; checking it again sends the slider's value.
    void dpiLevels()
    {
        const Page page;
        QSlider* slider = page.dpiSlider(2);
        slider->setSliderDown(true);
        slider->setSliderPosition(1234);
        QCOMPARE(page.dpiShown(2), QString("1234"));
        QCOMPARE(page.dpi.count(), 0);
        slider->setSliderDown(false);
        QCOMPARE(page.dpiShown(2), QString("1200"));
        const int before = page.dpiSlider(3)->value();
        clickTrack(page.dpiSlider(3));
        QVERIFY(page.dpiSlider(3)->value() != before);
        page.dpiSlider(4)->setValue(3300);
        page.dpiBox(4)->setChecked(false);
        QVERIFY(!page.dpiSlider(4)->isEnabled());
        clickTrack(page.dpiSlider(4));
        QCOMPARE(page.dpiSlider(4)->value(), 3300);
        page.dpiBox(4)->setChecked(true);
        QVERIFY(page.dpiSlider(4)->isEnabled());
        QCOMPARE(calls(page.dpi), (Calls{{2, 1200}, {3, page.dpiSlider(3)->value()}, {4, 0}, {4, 3300}}));
    }

    void engineDpi_data()
    {
        QTest::addColumn<bool>("switchedOff");  // level 3 unchecked before the report
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<Calls>("sent");
        QTest::newRow("value shown as sent, unrounded") << false << 1234 << true << Calls{};
        QTest::newRow("0 unchecks and sends 0") << false << 0 << false << Calls{{3, 0}};
        QTest::newRow("a value checks an off level and sends it") << true << 800 << true << Calls{{3, 800}};
    }
    void engineDpi()
    {
        QFETCH(bool, checked);
        Page page;
        if (fetched<bool>("switchedOff"))
            page.dpiBox(3)->setChecked(false);
        page.dpi.clear();
        page.widget->slot_SetDPIValueOnPage(3, fetched<int>("value"));
        page.widget->slot_SetDPIValueOnPage(8, 100);  // no such level: nothing changes
        QCOMPARE(page.dpiBox(3)->isChecked(), checked);
        QCOMPARE(page.dpiSlider(3)->isEnabled(), checked);
        QCOMPARE(page.dpiShown(3), QString::number(fetched<int>("value")));
        QCOMPARE(calls(page.dpi), fetched<Calls>("sent"));
    }

    // The engine's report checks a button without sending back; a click sends its code.
    void reportRate()
    {
        const Page page;
        QSignalSpy sent(page.widget.get(), &MainSettingWidget::sig_ChangeUSBReportRate);
        for (int code : {0, 1, 2, 3}) {
            auto* radio = page.get<QRadioButton>(QStringLiteral("USBReportRate_%1RadioButton").arg(125 << code));
            page.widget->slot_SetUSBReportRateOnPage(code);
            page.widget->slot_SetUSBReportRateOnPage(4);  // unknown codes leave it as it is
            QVERIFY(radio->isChecked());
            page.get<QRadioButton>(code ? "USBReportRate_125RadioButton" : "USBReportRate_250RadioButton")->setChecked(true);
            QTest::mouseClick(radio, Qt::LeftButton);
        }
        QCOMPARE(firstInts(sent), (QList<int>{0, 1, 2, 3}));
    }

    // The wheel settings and the pointer speed (a click on its track puts the handle there) are
    // written to the system; the lift-off distance is for show only.
    void systemSettings()
    {
        const Page page(8, 5);
        auto* spin = page.get<QSpinBox>("spinBox");
        clickChild(page.widget.get(), "TrolleySpeed_RadioButton_2");
        QVERIFY(!spin->isEnabled());
        clickChild(page.widget.get(), "TrolleySpeed_RadioButton_1");
        QVERIFY(spin->isEnabled());
        spin->setValue(12);
        QCOMPARE(firstInts(page.lines), (QList<int>{MainSettingWidget::WheelPageScroll, 5, 12}));
        auto* speed = page.get<QSlider>("PointSpeed_Slider");
        clickTrack(speed);
        QVERIFY(speed->value() != 8);
        auto* sensor = page.get<QSlider>("Sensor_Slider");
        const int lift = sensor->value();
        clickTrack(sensor);
        QVERIFY(sensor->value() != lift);
        QCOMPARE(firstInts(page.speed), QList<int>{speed->value()});
    }

    // Each of buttons 4..15 opens the key dialog for its number; the board opens the drawing.
    void buttons()
    {
        const Page page;
        QSignalSpy keys(page.widget.get(), &MainSettingWidget::sig_showKeySettingDialog);
        QSignalSpy draw(page.widget.get(), &MainSettingWidget::sig_showDrawDialog);
        for (const char* name : {"LeftKey_Button", "MidKey_Button", "RightKey_Button", "FowardKey_Button", "Back_Button",
                                 "WheelFoward_Button", "WheelBack_Button", "DPIAdd_Button", "DPIReduceButton",
                                 "CustomButton_2", "CustomButton_1", "CustomButton_3"})
            clickChild(page.widget.get(), name);
        QCOMPARE(firstInts(keys), (QList<int>{4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
        clickChild(page.widget.get(), "DrawButton");
        QCOMPARE(draw.count(), 1);
        QCOMPARE(keys.count(), 12);
    }
};

QTEST_MAIN(TestMainSettings)
#include "tst_mainsettings.moc"
