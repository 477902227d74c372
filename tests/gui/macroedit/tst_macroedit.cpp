// The macro page against the files it writes: a new macro, recording with a fake clock, the edit
// area's insert/change/merge rules, delay entry, renaming, the play settings.
#include "apppaths.h"
#include "keynametable.h"
#include "macroeditwidget.h"
#include "operatemacrofile.h"
#include "testhelpers.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr quint32 kA = 0x61, kB = 0x62, kKp0 = 0xFFB0, kKp3 = 0xFFB3, kBackSpace = 0xFF08;

struct Page {
    QTemporaryDir root;
    qint64 now = 0;
    std::unique_ptr<MacroEditWidget> widget;
    QString path;

    Page()
    {
        AppPaths::setDataRoot(root.path());
        QDir().mkpath(AppPaths::macroFilesDir() + QStringLiteral("/Title1"));
        widget = std::make_unique<MacroEditWidget>();
        widget->setClock([this] { return now; });
        widget->show();
        click("CreateButton");
        path = names()->item(0)->data(MacroEditWidget::RowRole).toString();
    }
    template <typename T> T* get(const QString& name) const { return childOf<T>(widget.get(), name); }
    QListWidget* names() const { return get<QListWidget>("MacroNameListWidget"); }
    QListWidget* events() const { return get<QListWidget>("EventListWidget"); }
    // Near the left edge: a radio button or check box reacts on its indicator and text only.
    void click(const QString& name) const
    {
        QAbstractButton* button = get<QAbstractButton>(name);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }
    void selectMacro(int row) const
    {
        QListWidget* list = names();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }
    void key(QEvent::Type type, quint32 keysym) const
    {
        QKeyEvent event(type, Qt::Key_unknown, Qt::NoModifier, 0, keysym, 0);
        QApplication::sendEvent(widget.get(), &event);
    }
    void tap(quint32 keysym) const
    {
        key(QEvent::KeyPress, keysym);
        key(QEvent::KeyRelease, keysym);
    }
    // Records "A down, 120 ms, A up" into the new macro.
    void recordA()
    {
        selectMacro(0);
        click("StartRecordButton");
        key(QEvent::KeyPress, kA);
        now += 120;
        key(QEvent::KeyRelease, kA);
        click("StartRecordButton");
    }
    // Opens the edit area after row `row` in the given mode, types `keys` and applies.
    void insertDelay(int row, const QList<quint32>& keys) const
    {
        events()->setCurrentRow(row);
        click("AddEventButton");
        click("ChangeOrInsertDelayTimeRadioButton");
        for (quint32 k : keys)
            tap(k);
        click("AddCertainButton");
    }
    // "+41" a press, "-41" a release (hex code), "120ms" a delay, "(x,y)" a movement.
    QString rows() const
    {
        QStringList out;
        for (int i = 0; i < events()->count(); ++i) {
            const QVariantMap r = events()->item(i)->data(MacroEditWidget::RowRole).toMap();
            if (r.value("0").toInt() == MacroEditWidget::KeyRow) {
                const int code = r.value("1").toInt();
                if (events()->item(i)->text() != KeyNameTable::lookup(code))
                    return QStringLiteral("bad key text in row %1").arg(i);
                out << QStringLiteral("%1%2").arg(r.value("2").toInt() == 0 ? '+' : '-').arg(code, 0, 16);
            } else {
                out << events()->item(i)->text();
            }
        }
        return out.join(' ');
    }
    QJsonObject file() const
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(f.readAll()).object();
    }
    // The saved events as "code/state/timelapse" for keys, "(x,y)/timelapse" for movements.
    QString saved() const
    {
        QStringList out;
        for (const MacroNode& n : OperateMacroFile().getMacroNodeList(path)) {
            if (n.ValueType == MacroNode::Key)
                out << QStringLiteral("%1/%2/%3").arg(n.KeyValue, 0, 16).arg(n.State).arg(n.TimeLapse);
            else
                out << QStringLiteral("(%1,%2)/%3").arg(n.CoordinateX).arg(n.CoordinateY).arg(n.TimeLapse);
        }
        return out.join(' ');
    }
};

}  // namespace

class TestMacroEdit : public QObject {
    Q_OBJECT
private slots:
    void newMacroHoldsOnlyItsName();
    void recording_data();
    void recording();
    void insertingADelayAfterADelayMerges();
    void delaysWithoutAKeyBeforeThemAreNotSaved();
    void changingAPressReplacesOnlyThePress();
    void delayEntry_data();
    void delayEntry();
    void rename_data();
    void rename();
    void emptiedListIsSavedEmpty();
    void playSettingsAreSavedAtOnce_data();
    void playSettingsAreSavedAtOnce();
};

void TestMacroEdit::newMacroHoldsOnlyItsName()
{
    Page page;
    QCOMPARE(page.names()->count(), 1);
    QCOMPARE(page.names()->item(0)->text(), QStringLiteral("新建宏"));
    QVERIFY(!page.names()->currentItem());
    QVERIFY(page.path.startsWith(AppPaths::macroFilesDir() + "/Title1/"));
    QCOMPARE(page.file().keys(), QStringList{"Name"});
    QCOMPARE(page.file().value("Name").toString(), QStringLiteral("新建宏"));

    page.get<QSpinBox>("RepeatTimesSpinBox")->setValue(7);  // nothing selected: not saved anywhere
    page.get<QRadioButton>("PlayWhenItPressed_RadioButton")->setChecked(true);
    page.selectMacro(0);
    QCOMPARE(page.events()->count(), 0);
    QCOMPARE(page.get<QSpinBox>("RepeatTimesSpinBox")->value(), 1);
    QVERIFY(!page.get<QCheckBox>("IgnoreEventWaiteTimeCheckBox")->isChecked());
    QVERIFY(page.get<QRadioButton>("LoopCount_RadioButton")->isChecked());
    QVERIFY(!page.get<QRadioButton>("PlayWhenItPressed_RadioButton")->isChecked());
    QCOMPARE(page.file().keys(), QStringList{"Name"});
}

void TestMacroEdit::recording_data()
{
    // Steps "P<keysym hex>@<ms since the step before>" press, "R…" release, "B<button>@ms" /
    // "b<button>@ms" an on-screen mouse button (L, M, R) down / up.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("saved");
    QTest::newRow("A down, 120 ms, A up") << "P61@0 R61@120" << "+41 120ms -41" << "41/0/120 41/1/0";
    QTest::newRow("first press after a pause has no delay") << "P61@500 R61@30" << "+41 30ms -41" << "41/0/30 41/1/0";
    QTest::newRow("overlapping keys") << "P61@0 P62@50 R61@20 R62@10" << "+41 50ms +42 20ms -41 10ms -42"
                                      << "41/0/50 42/0/20 41/1/10 42/1/0";
    QTest::newRow("modifiers keep their side") << "Pffe2@0 Pffe9@7 Rffe9@8 Rffe2@9"
                                               << "+a1 7ms +a4 8ms -a4 9ms -a1"
                                               << "a1/0/7 a4/0/8 a4/1/9 a1/1/0";
    QTest::newRow("mouse buttons") << "BL@0 bL@40 BR@10 bR@20 BM@5 bM@6"
                                   << "+1 40ms -1 10ms +2 20ms -2 5ms +4 6ms -4" << "1/0/40 1/1/10 2/0/20 2/1/5 4/0/6 4/1/0";
}

void TestMacroEdit::recording()
{
    Page page;
    QSignalSpy recordingSpy(page.widget.get(), &MacroEditWidget::sig_Recording);
    page.selectMacro(0);
    page.click("StartRecordButton");
    QCOMPARE(page.get<QPushButton>("StartRecordButton")->text(), QStringLiteral("录制结束"));
    const QMap<QChar, QString> buttons{{'L', "LeftMouseButton"}, {'M', "MidMouseButton"}, {'R', "RightMouseButton"}};
    for (const QString& step : fetched<QString>("steps").split(' ')) {
        page.now += step.section('@', 1).toInt();
        const QString what = step.section('@', 0, 0).mid(1);
        switch (step.at(0).toLatin1()) {
        case 'P': page.key(QEvent::KeyPress, what.toUInt(nullptr, 16)); break;
        case 'R': page.key(QEvent::KeyRelease, what.toUInt(nullptr, 16)); break;
        case 'B': QTest::mousePress(page.get<QPushButton>(buttons[what.at(0)]), Qt::LeftButton); break;
        case 'b': QTest::mouseRelease(page.get<QPushButton>(buttons[what.at(0)]), Qt::LeftButton); break;
        }
    }
    QCOMPARE(page.rows(), fetched<QString>("rows"));
    QCOMPARE(page.saved(), QString());  // nothing is written before the recording ends
    page.click("StartRecordButton");
    QCOMPARE(page.get<QPushButton>("StartRecordButton")->text(), QStringLiteral("开始录制"));
    QCOMPARE(page.saved(), fetched<QString>("saved"));
    QCOMPARE(recordingSpy.size(), 2);
    QCOMPARE(recordingSpy.at(0).at(0).toBool(), true);
    QCOMPARE(recordingSpy.at(1).at(0).toBool(), false);
}

void TestMacroEdit::insertingADelayAfterADelayMerges()
{
    Page page;
    page.recordA();
    QSignalSpy header(page.widget.get(), &MacroEditWidget::sig_HeaderButtonEnable);
    page.insertDelay(1, {kKp3, kKp0});
    QCOMPARE(page.rows(), QStringLiteral("+41 150ms -41"));
    QCOMPARE(page.saved(), QStringLiteral("41/0/150 41/1/0"));
    QCOMPARE(header.size(), 2);
    QCOMPARE(header.at(0).at(0).toBool(), false);
    QCOMPARE(header.at(1).at(0).toBool(), true);
    QVERIFY(page.events()->isEnabled());

    // A typed delay longer than the mouse can play is cut to the longest it can.
    page.insertDelay(0, {0x39, 0x39, 0x39, 0x39, 0x39, 0x39, 0x39, 0x39, 0x39, 0x39, 0x39, 0x39});
    QCOMPARE(page.saved(), QStringLiteral("41/0/%1 41/1/0").arg(MacroEditWidget::kMaxDelay));
}

void TestMacroEdit::delaysWithoutAKeyBeforeThemAreNotSaved()
{
    Page page;
    page.recordA();
    page.events()->setCurrentRow(2);
    page.click("AddEventButton");
    page.click("ChangeOrInsetAMousePositionRadioButton");
    page.get<QSpinBox>("XSpinBox")->setValue(5);
    page.get<QSpinBox>("YSpinBox")->setValue(-3);
    page.click("AddCertainButton");
    page.insertDelay(3, {kKp3});
    QCOMPARE(page.rows(), QStringLiteral("+41 120ms -41 (5,-3) 3ms"));
    QCOMPARE(page.saved(), QStringLiteral("41/0/120 41/1/0 (5,-3)/0"));

    page.events()->setCurrentRow(0);
    page.click("ReduceEventButton");
    QCOMPARE(page.rows(), QStringLiteral("120ms -41 (5,-3) 3ms"));
    QCOMPARE(page.saved(), QStringLiteral("41/1/0 (5,-3)/0"));
}

void TestMacroEdit::changingAPressReplacesOnlyThePress()
{
    Page page;
    page.recordA();
    page.events()->setCurrentRow(2);
    page.click("EditEventButton");
    QVERIFY(page.get<QRadioButton>("ChangeOrInsertKeyRadioButton")->isChecked());
    QVERIFY(!page.get<QRadioButton>("ChangeOrInsertDelayTimeRadioButton")->isEnabled());
    page.tap(kB);
    QCOMPARE(page.get<QLineEdit>("lineEdit")->text(), QStringLiteral("B"));
    page.click("AddCertainButton");
    QCOMPARE(page.rows(), QStringLiteral("+41 120ms -42"));
    QCOMPARE(page.saved(), QStringLiteral("41/0/120 42/1/0"));
}

void TestMacroEdit::delayEntry_data()
{
    QTest::addColumn<QList<quint32>>("keys");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letters") << QList<quint32>{kA, kB} << "";
    QTest::newRow("keypad digits") << QList<quint32>{kKp3, kKp0, 0xFFB9} << "309";
    QTest::newRow("main-row digits") << QList<quint32>{0x31, 0x32} << "12";
    QTest::newRow("backspace") << QList<quint32>{kKp3, 0x31, kBackSpace} << "3";
    QTest::newRow("backspace on empty") << QList<quint32>{kBackSpace, kKp3} << "3";
}

void TestMacroEdit::delayEntry()
{
    Page page;
    page.recordA();
    page.events()->setCurrentRow(0);
    page.click("AddEventButton");
    page.click("ChangeOrInsertDelayTimeRadioButton");
    for (quint32 k : fetched<QList<quint32>>("keys"))
        page.tap(k);
    QCOMPARE(page.get<QLineEdit>("lineEdit")->text(), fetched<QString>("shown"));
}

void TestMacroEdit::rename_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("empty") << "" << QStringLiteral("玩家自定义");
    QTest::newRow("a name") << QStringLiteral("连点") << QStringLiteral("连点");
}

void TestMacroEdit::rename()
{
    QFETCH(QString, typed);
    Page page;
    page.selectMacro(0);
    QListWidget* list = page.names();
    list->editItem(list->item(0));
    auto* editor = list->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setText(typed);
    emit list->itemDelegate()->commitData(editor);
    QCOMPARE(page.file().value("Name").toString(), fetched<QString>("stored"));
    QCOMPARE(list->item(0)->text(), typed);
}

void TestMacroEdit::emptiedListIsSavedEmpty()
{
    Page page;
    page.recordA();
    while (page.events()->count() > 0) {
        page.events()->setCurrentRow(0);
        page.click("ReduceEventButton");
    }
    QVERIFY(page.file().value("Macro").isArray());
    QCOMPARE(page.file().value("Macro").toArray().size(), 0);
    page.selectMacro(0);
    QCOMPARE(page.events()->count(), 0);
}

void TestMacroEdit::playSettingsAreSavedAtOnce_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("value");
    QTest::newRow("toggle") << "PlayUntilPressAgain_RadioButton" << "MacroType" << 2;
    QTest::newRow("while held") << "PlayWhenItPressed_RadioButton" << "MacroType" << 4;
    QTest::newRow("ignore delays") << "IgnoreEventWaiteTimeCheckBox" << "IgnoreDelayTime" << 2;
    QTest::newRow("repeat count") << "RepeatTimesSpinBox" << "RepeatTimes" << 5;
}

void TestMacroEdit::playSettingsAreSavedAtOnce()
{
    QFETCH(QString, control);
    QFETCH(QString, key);
    QFETCH(int, value);
    Page page;
    page.selectMacro(0);
    if (auto* spin = page.widget->findChild<QSpinBox*>(control))
        spin->setValue(value);
    else
        page.click(control);
    QCOMPARE(page.file().value(key).toInt(-1), value);

    page.click("LoopCount_RadioButton");
    QCOMPARE(page.file().value("MacroType").toInt(-1), 0);
    page.selectMacro(0);  // and back from the file
    QCOMPARE(page.widget->findChild<QWidget*>(control)->property(key == "RepeatTimes" ? "value" : "checked").toInt(),
             key == "RepeatTimes" ? value : int(key == "IgnoreDelayTime"));
}

QTEST_MAIN(TestMacroEdit)
#include "tst_macroedit.moc"
