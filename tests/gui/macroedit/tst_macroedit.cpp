// The macro page against the files it writes: a new macro, recording with a fake clock, the edit
// area's insert/change/merge rules, delay entry, renaming, the play settings.
#include "apppaths.h"
#include "guihelpers.h"
#include "keynametable.h"
#include "macroeditwidget.h"
#include "operatemacrofile.h"

#include <memory>

namespace {
constexpr quint32 kA = 0x61, kKp0 = 0xFFB0, kKp3 = 0xFFB3, kBackSpace = 0xFF08;

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
    void click(const QString& name) const { clickChild(widget.get(), name); }
    void selectMacro() const { clickRow(names(), 0); }
    void key(QEvent::Type type, quint32 keysym) const { sendKeysym(widget.get(), type, keysym); }
    void tap(quint32 keysym) const
    {
        key(QEvent::KeyPress, keysym);
        key(QEvent::KeyRelease, keysym);
    }
    // Records "A down, 120 ms, A up" into the new macro.
    void recordA()
    {
        selectMacro();
        click("StartRecordButton");
        key(QEvent::KeyPress, kA);
        now += 120;
        key(QEvent::KeyRelease, kA);
        click("StartRecordButton");
    }
    // "+41" a press, "-41" a release (hex code), "120ms" a delay, "(x,y)" a movement.
    QString rows() const
    {
        QStringList out;
        for (int i = 0; i < events()->count(); ++i) {
            const QVariantMap r = events()->item(i)->data(MacroEditWidget::RowRole).toMap();
            if (r.value("0").toInt() != MacroEditWidget::KeyRow) {
                out << events()->item(i)->text();
                continue;
            }
            const int code = r.value("1").toInt();
            if (events()->item(i)->text() != KeyNameTable::lookup(code))
                return QStringLiteral("bad key text in row %1").arg(i);
            out << QStringLiteral("%1%2").arg(r.value("2").toInt() == 0 ? '+' : '-').arg(code, 0, 16);
        }
        return out.join(' ');
    }
    QJsonObject file() const { return QJsonDocument::fromJson(fileContent(path)).object(); }
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
    void recording_data()
    {
        // Steps "P<keysym hex>@<ms since the step before>" press, "R…" release, "B<button>@ms" /
        // "b<button>@ms" an on-screen mouse button (L, M, R) down / up.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("saved");
        QTest::newRow("first press after a pause has no delay") << "P61@500 R61@30" << "+41 30ms -41" << "41/0/30 41/1/0";
        QTest::newRow("overlapping keys") << "P61@0 P62@50 R61@20 R62@10" << "+41 50ms +42 20ms -41 10ms -42"
                                          << "41/0/50 42/0/20 41/1/10 42/1/0";
        QTest::newRow("mouse buttons") << "BL@0 bL@40 BR@10 bR@20 BM@5 bM@6" << "+1 40ms -1 10ms +2 20ms -2 5ms +4 6ms -4"
                                       << "1/0/40 1/1/10 2/0/20 2/1/5 4/0/6 4/1/0";
    }
    void recording()
    {
        Page page;
        QSignalSpy recording(page.widget.get(), &MacroEditWidget::sig_Recording);
        page.selectMacro();
        page.click("StartRecordButton");
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
        QCOMPARE(page.saved(), fetched<QString>("saved"));
        QCOMPARE(calls(recording), (Calls{{true}, {false}}));
    }

    // Edits after recording "A down, 120 ms, A up", as the list shows them and as they are saved.
    // Steps: "delay <after row> <digits>", "move <after row> <x> <y>", "remove <row>", "change
    // <row> <keysym hex>". A key row is followed by its delay or by nothing; a delay with no key
    // before it is not saved. The delay takes keypad and main-row digits and backspace; letters are
    // ignored.
    void edits_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("saved");
        QTest::newRow("a delay after a delay adds to it") << QStringList{"delay 1 30"} << "+41 150ms -41" << "41/0/150 41/1/0";
        QTest::newRow("longer than the mouse can play: the longest it can")
            << QStringList{"delay 0 999999999999"} << "" << QStringLiteral("41/0/%1 41/1/0").arg(MacroEditWidget::kMaxDelay);
        QTest::newRow("a key whose delay is gone waits nothing") << QStringList{"remove 1"} << "+41 -41" << "41/0/0 41/1/0";
        QTest::newRow("a delay after a movement is not saved") << QStringList{"move 2 5 -3", "delay 3 3"}
                                                              << "+41 120ms -41 (5,-3) 3ms" << "41/0/120 41/1/0 (5,-3)/0";
        QTest::newRow("changing a release replaces only it") << QStringList{"change 2 62"} << "+41 120ms -42" << "41/0/120 42/1/0";
        QTest::newRow("emptied") << QStringList{"remove 0", "remove 0", "remove 0"} << "" << "";
    }
    void edits()
    {
        Page page;
        page.recordA();
        QSignalSpy header(page.widget.get(), &MacroEditWidget::sig_HeaderButtonEnable);
        for (const QString& step : fetched<QStringList>("steps")) {
            const QStringList w = step.split(' ');
            page.events()->setCurrentRow(w[1].toInt());
            if (w[0] == "remove") {
                page.click("ReduceEventButton");
                continue;
            }
            page.click(w[0] == "change" ? "EditEventButton" : "AddEventButton");
            if (w[0] == "change") {
                QVERIFY(!page.get<QRadioButton>("ChangeOrInsertDelayTimeRadioButton")->isEnabled());
                page.tap(w[2].toUInt(nullptr, 16));
            } else if (w[0] == "move") {
                page.click("ChangeOrInsetAMousePositionRadioButton");
                page.get<QSpinBox>("XSpinBox")->setValue(w[2].toInt());
                page.get<QSpinBox>("YSpinBox")->setValue(w[3].toInt());
            } else {
                page.click("ChangeOrInsertDelayTimeRadioButton");
                for (quint32 k : {kA, kKp3, kBackSpace})
                    page.tap(k);
                for (int i = 0; i < w[2].size(); ++i)  // on the keypad and the main row in turn
                    page.tap((i % 2 ? 0x30 : kKp0) + w[2][i].digitValue());
            }
            QVERIFY(!page.events()->isEnabled());  // locked while the edit area is open
            page.click("AddCertainButton");
            QVERIFY(page.events()->isEnabled());
        }
        if (!fetched<QString>("rows").isEmpty() || fetched<QString>("saved").isEmpty())
            QCOMPARE(page.rows(), fetched<QString>("rows"));
        QCOMPARE(page.saved(), fetched<QString>("saved"));
        QCOMPARE(page.file().value("Macro").isArray(), true);  // an emptied list is saved as such
        for (int i = 0; i < header.size(); ++i)  // the header is off while the edit area is open
            QCOMPARE(header.at(i).at(0).toBool(), i % 2 == 1);
    }

    // A new macro's file holds its name alone; play settings changed with nothing selected go
    // nowhere, and selecting the macro shows the defaults. Once it is selected, they are saved at once.
    void playSettings_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("value");
        QTest::newRow("toggle") << "PlayUntilPressAgain_RadioButton" << "MacroType" << 2;
        QTest::newRow("ignore delays") << "IgnoreEventWaiteTimeCheckBox" << "IgnoreDelayTime" << 2;
        QTest::newRow("repeat count") << "RepeatTimesSpinBox" << "RepeatTimes" << 5;
    }
    void playSettings()
    {
        QFETCH(QString, control);
        QFETCH(QString, key);
        QFETCH(int, value);
        Page page;
        QVERIFY(page.path.startsWith(AppPaths::macroFilesDir() + "/Title1/"));
        page.get<QSpinBox>("RepeatTimesSpinBox")->setValue(7);
        page.get<QRadioButton>("PlayWhenItPressed_RadioButton")->setChecked(true);
        page.selectMacro();
        QCOMPARE(page.events()->count(), 0);
        QCOMPARE(page.get<QSpinBox>("RepeatTimesSpinBox")->value(), 1);
        QVERIFY(page.get<QRadioButton>("LoopCount_RadioButton")->isChecked());
        QCOMPARE(page.file().keys(), QStringList{"Name"});
        if (auto* spin = page.widget->findChild<QSpinBox*>(control))
            spin->setValue(value);
        else
            page.click(control);
        QCOMPARE(page.file().value(key).toInt(-1), value);
        page.click("LoopCount_RadioButton");
        QCOMPARE(page.file().value("MacroType").toInt(-1), 0);
        page.selectMacro();  // and back from the file
        QCOMPARE(page.widget->findChild<QWidget*>(control)->property(key == "RepeatTimes" ? "value" : "checked").toInt(),
                 key == "RepeatTimes" ? value : int(key == "IgnoreDelayTime"));
    }
};

QTEST_MAIN(TestMacroEdit)
#include "tst_macroedit.moc"
