// The key assignment dialog, driven like a user would: key presses (X keysyms as xcb reports
// them), clicks on its tabs, boxes and buttons, and what it sends to the engine in which order.
#include "keysettingdialog.h"
#include "ui_keysettingdialog.h"

#include "apppaths.h"
#include "form.h"
#include "logcapture.h"
#include "pcactionstore.h"
#include "testhelpers.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const int keyA = 0x61, shiftL = 0xFFE1, shiftR = 0xFFE2, controlL = 0xFFE3, controlR = 0xFFE4, altL = 0xFFE9,
          superL = 0xFFEB, superR = 0xFFEC, print = 0xFF61, tab = 0xFF09, keyC = 0x63;

// The program keeps macros in <root>/ConfigFiles/MacroFiles/<title>/<stamp>.json.
QString writeMacro(const QString& title, const QString& stamp, const QByteArray& content)
{
    const QString dir = AppPaths::macroFilesDir() + '/' + title;
    QDir().mkpath(dir);
    const QString path = dir + '/' + stamp + ".json";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray named(const QString& name) { return "{\"Name\":\"" + name.toUtf8() + "\",\"Macro\":[]}"; }

}  // namespace

class TestKeySetting : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void layout();
    void title_data();
    void title();
    void keyCapture_data();
    void keyCapture();
    void sends_data();
    void sends();
    void basicFunctionLog_data();
    void basicFunctionLog();
    void macroLists();
    void macroChecks_data();
    void macroChecks();

private:
    void open(int button);
    void run(const QStringList& steps);
    template <typename T> T* child(const char* name) const { return childOf<T>(m_dialog, name); }

    QTemporaryDir m_root;
    QStringList m_fps;  // the paths of the FPS folder, in row order
    KeySettingDialog* m_dialog = nullptr;
    QStringList m_sent;
};

void TestKeySetting::initTestCase()
{
    QVERIFY(m_root.isValid());
    AppPaths::setDataRoot(m_root.path());
    for (int i = 0; i < 5; ++i)
        m_fps << writeMacro("FPS", QString("2024010112000000%1").arg(i), named(QString("连发%1").arg(i)));
    writeMacro("MOBA", "20240101120000000", named("连招"));
    writeMacro("MOBA", "20240101120000001", "not json");
    QDir().mkpath(AppPaths::macroFilesDir() + "/空");
}

void TestKeySetting::init()
{
    m_sent.clear();
    // A PC-side entry that every OK must clear and Cancel must keep.
    QVERIFY(PcActionStore::writeFunction(5, true, PcActionStore::StartProgram, "/usr/bin/prog"));
    QVERIFY(PcActionStore::writeFunction(4, true, PcActionStore::StartProgram, "/usr/bin/prog"));
}

void TestKeySetting::cleanup()
{
    delete m_dialog;
    m_dialog = nullptr;
}

void TestKeySetting::open(int button)
{
    delete m_dialog;
    m_dialog = new KeySettingDialog;
    connect(m_dialog, &KeySettingDialog::sig_ButtonChangeToKey, this, [this](int b, uint key, uint mod, int type) {
        m_sent << QString("key %1 0x%2 %3 %4").arg(b).arg(key, 0, 16).arg(mod).arg(type);
    });
    connect(m_dialog, &KeySettingDialog::sig_WriteSingleMacro, this,
            [this](int b, const QString& path) { m_sent << QString("single %1 %2").arg(b).arg(path); });
    connect(m_dialog, &KeySettingDialog::sig_WriteListMacro, this,
            [this](const QList<QString>& paths) { m_sent << "list " + QStringList(paths).join(','); });
    m_dialog->show();
    m_dialog->setChangedKey(button);
}

// "key <keysym>" / "repeat <keysym>": a press as xcb delivers it; "qtkey <Qt key>": one without a
// native code; "click <button>"; "row <n>": the catalogue row; "text <line edit> <text>".
void TestKeySetting::run(const QStringList& steps)
{
    for (const QString& step : steps) {
        const QStringList word = step.split(' ');
        if (word[0] == "key" || word[0] == "repeat") {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, 0, word[1].toUInt(nullptr, 0), 0,
                            QString(), word[0] == "repeat");
            QApplication::sendEvent(m_dialog, &press);
        } else if (word[0] == "qtkey") {
            QTest::keyClick(m_dialog, Qt::Key(word[1].toInt(nullptr, 0)));
        } else if (word[0] == "click") {
            child<QAbstractButton>(qPrintable(word[1]))->click();
        } else if (word[0] == "row") {
            child<QListWidget>("BasicFuctionListWidget")->setCurrentRow(word[1].toInt());
        } else if (word[0] == "text") {
            child<QLineEdit>(qPrintable(word[1]))->setText(word[2]);
        } else {
            qFatal("bad step %s", qPrintable(step));
        }
    }
}

void TestKeySetting::layout()
{
    open(4);
    QCOMPARE(child<QStackedWidget>("stackedWidget")->currentIndex(), 0);
    run({"click BasicFunctionButton"});
    QCOMPARE(child<QStackedWidget>("stackedWidget")->currentIndex(), 2);
    QVERIFY(child<QPushButton>("BasicFunctionButton")->property("selected").toBool());
    QVERIFY(!child<QPushButton>("ConbinationKeyButton")->property("selected").toBool());
    m_dialog->setPage(7);  // not a page: nothing changes
    QCOMPARE(child<QStackedWidget>("stackedWidget")->currentIndex(), 2);

    // The translucent black overlay: the window behind shows through.
    const QColor corner = m_dialog->grab().toImage().pixelColor(5, 5);
    QCOMPARE(qRound(corner.alphaF() * 10), 8);
    QCOMPARE(corner.red() + corner.green() + corner.blue(), 0);
}

void TestKeySetting::title_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("title");
    QTest::newRow("4") << 4 << "设置左键";
    QTest::newRow("13") << 13 << "设置自定义键2";
    QTest::newRow("15") << 15 << "设置自定义键3";
    QTest::newRow("3: no title") << 3 << "";
    QTest::newRow("16: no title") << 16 << "";
}

void TestKeySetting::title()
{
    open(fetched<int>("button"));
    QCOMPARE(child<QPushButton>("ShowTitleButton")->text(), fetched<QString>("title"));
}

void TestKeySetting::keyCapture_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("boxes");  // the ticked modifier boxes

    auto key = [](int keysym) { return QString("key 0x%1").arg(keysym, 0, 16); };
    QTest::newRow("A") << QStringList{key(keyA)} << "A" << "";
    QTest::newRow("Shift_L toggles, no name") << QStringList{key(shiftL)} << "" << "Shift";
    QTest::newRow("Shift twice: off again") << QStringList{key(shiftL), key(shiftL)} << "" << "";
    QTest::newRow("held Shift toggles once") << QStringList{key(shiftL), "repeat 0xffe1", "repeat 0xffe1"} << ""
                                             << "Shift";
    QTest::newRow("Control_R") << QStringList{key(controlR)} << "" << "Ctrl";
    QTest::newRow("Alt_L") << QStringList{key(altL)} << "" << "Alt";
    QTest::newRow("Super_L toggles and is named") << QStringList{key(superL)} << "L_Win" << "Win";
    QTest::newRow("Super_R is a key") << QStringList{key(superR)} << "R_Win" << "";
    QTest::newRow("Ctrl then A") << QStringList{key(controlL), key(keyA)} << "A" << "Ctrl";
    QTest::newRow("print screen: no name") << QStringList{key(print)} << "" << "";
    QTest::newRow("Tab is captured") << QStringList{key(tab)} << "Tab" << "";
    QTest::newRow("Esc") << QStringList{"qtkey 0x01000000"} << "ESC" << "";
    QTest::newRow("Esc on page 2: nothing") << QStringList{"click BasicFunctionButton", "qtkey 0x01000000"} << ""
                                            << "";
    QTest::newRow("Shift on page 1: nothing") << QStringList{"click MarcoEditButton", key(shiftL)} << "" << "";
    QTest::newRow("back to page 0") << QStringList{"click MarcoEditButton", "click ConbinationKeyButton", key(keyA)}
                                    << "A" << "";
}

void TestKeySetting::keyCapture()
{
    open(5);
    run(fetched<QStringList>("steps"));
    QCOMPARE(child<QLineEdit>("KeyCombinationLineEdit")->text(), fetched<QString>("shown"));
    QStringList ticked;
    for (const char* box : {"Ctrl", "Alt", "Shift", "Win"}) {
        if (child<QCheckBox>(qPrintable(QString(box) + "CheckBox"))->isChecked())
            ticked << box;
    }
    QCOMPARE(ticked.join('+'), fetched<QString>("boxes"));
    QVERIFY2(m_dialog->isVisible(), "a key closed the dialog");
    QVERIFY(m_sent.isEmpty());
}

void TestKeySetting::sends_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<int>("pcFunction");  // the button's PC-side entry afterwards (0: cleared)
    QTest::addColumn<QString>("pcPath");

    const QString ok = "click OKButton", basic = "click BasicFunctionButton", prog = "/usr/bin/prog";
    auto row = [&](const char* tag, int button, const QStringList& steps, const QStringList& sent, int function = 0,
                   const QString& path = {}) { QTest::newRow(tag) << button << steps << sent << function << path; };

    row("Ctrl box ticked, C", 5, {"click CtrlCheckBox", "key 0x63", ok}, {"key 5 0x43 1 16"});
    row("Ctrl key, C", 5, {"key 0xffe3", "key 0x63", ok}, {"key 5 0x43 1 16"});
    row("all four modifiers, F5", 5,
        {"key 0xffe3", "key 0xffe1", "key 0xffe9", "key 0xffeb", "key 0xffc2", ok}, {"key 5 0x74 15 16"});
    row("Shift alone: its own code", 5, {"key 0xffe1", ok}, {"key 5 0x10 2 16"});
    row("boxes ticked, no key: nothing", 5, {"click CtrlCheckBox", "click AltCheckBox", ok}, {});
    row("disable, page 2 row 15", 6, {basic, "row 15", "click ForbidenPressKeyCheckBox", ok},
        {"key 6 0x0 0 16", "key 6 0xea 0 19"});
    row("disable, page 0 with a key", 6, {"key 0x61", "click ForbidenPressKeyCheckBox", ok},
        {"key 6 0x0 0 16", "key 6 0x41 0 16"});
    row("page 2 without a row", 5, {basic, ok}, {});
    row("catalogue 0 close window", 5, {basic, "row 0", ok}, {"key 5 0x57 1 16"});
    row("catalogue 5 switch program", 5, {basic, "row 5", ok}, {"key 5 0x9 4 16"});
    row("catalogue 9 left click", 5, {basic, "row 9", ok}, {"key 5 0xf0 0 24"});
    row("catalogue 13 back", 5, {basic, "row 13", ok}, {"key 5 0xf8 0 28"});
    row("catalogue 17 mute", 5, {basic, "row 17", ok}, {"key 5 0xe2 0 19"});
    row("catalogue 18 sniper", 5, {basic, "row 18", ok}, {"key 5 0x0 0 23"});
    row("catalogue 22 profile loop", 5, {basic, "row 22", ok}, {"key 5 0x0 0 29"});
    row("restore default", 5, {"click BackToDefalutButton"}, {"key 5 0x0 0 17"});
    row("restore default after a key", 5, {"key 0x61", "click BackToDefalutButton"}, {"key 5 0x41 0 17"});
    row("close: nothing, entry kept", 5, {"key 0x61", "click CloseBattaryButton"}, {}, 3, prog);
    row("PC side: play a sound", 5,
        {"click HighestFunctionButton", "click PlayMusicCheckBox", "text PlayMusicLineEdit /snd/ding.wav", ok},
        {"key 5 0x0 0 17"}, 2, "/snd/ding.wav");
    row("PC side: open a folder", 4,
        {"click HighestFunctionButton", "click OpenDirectoryCheckBox", "text OpenDirectoryLineEdit /home/me", ok},
        {"key 4 0x0 0 17"}, 5, "/home/me");
    row("PC side: box without path", 5, {"click HighestFunctionButton", "click StartProgramCheckBox", ok},
        {"key 5 0x0 0 17"});
}

void TestKeySetting::sends()
{
    QFETCH(int, button);
    QFETCH(int, pcFunction);

    open(button);
    run(fetched<QStringList>("steps"));
    QCOMPARE(m_sent, fetched<QStringList>("sent"));
    QVERIFY(!m_dialog->isVisible());
    int function = -1;
    QString path;
    QCOMPARE(PcActionStore::lookupFunction(button, function, path), pcFunction != 0);
    QCOMPARE(function, pcFunction);
    QCOMPARE(path, fetched<QString>("pcPath"));
}

void TestKeySetting::basicFunctionLog_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("logged");
    QTest::newRow("1") << 1 << "锁定电脑" << "锁定窗口";
    QTest::newRow("18") << 18 << "狙击键" << "阻击键";
    QTest::newRow("21") << 21 << "DPI-" << "DPI+";
    QTest::newRow("22") << 22 << "自定义键3" << "模式切换";
}

void TestKeySetting::basicFunctionLog()
{
    QFETCH(int, row);

    open(7);
    QCOMPARE(child<QListWidget>("BasicFuctionListWidget")->item(row)->text(), fetched<QString>("text"));
    LogCapture log;
    run({"click BasicFunctionButton", QString("row %1").arg(row), "click OKButton"});
    QVERIFY(log.contains("loginfo = 设置基本按键功能"));
    QVERIFY2(log.contains("loginfo = " + fetched<QString>("logged")), qPrintable(log.lines().join('\n')));
}

void TestKeySetting::macroLists()
{
    open(5);
    QListWidget* titles = child<QListWidget>("MacroTitleListWidget");
    QListWidget* macros = child<QListWidget>("MacroNameListWidget");
    QStringList titleTexts;
    for (int row = 0; row < titles->count(); ++row)
        titleTexts << titles->item(row)->text();
    QCOMPARE(titleTexts, QStringList({"FPS", "MOBA", "空"}));

    QStringList shown;
    auto names = [&] {
        shown.clear();
        for (int row = 0; row < macros->count(); ++row) {
            QCOMPARE(macros->item(row)->sizeHint(), QSize(185, 28));
            shown << qobject_cast<Form*>(macros->itemWidget(macros->item(row)))->findChild<QCheckBox*>()->text();
        }
    };
    emit titles->itemClicked(titles->item(1));
    names();
    QCOMPARE(shown, QStringList({"连招", "ErrorName"}));
    emit titles->itemClicked(titles->item(0));
    names();
    QCOMPARE(shown, QStringList({"连发0", "连发1", "连发2", "连发3", "连发4"}));
    emit titles->itemClicked(titles->item(2));
    QCOMPARE(macros->count(), 0);
}

void TestKeySetting::macroChecks_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("onRows");  // click the list rows rather than the boxes
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QList<int>>("checked");
    QTest::addColumn<QString>("sent");

    const QString list4 = "list " + QStringList(m_fps.mid(0, 4)).join(',');
    for (bool onRows : {false, true}) {
        const char* how = onRows ? "row" : "box";
        QTest::addRow("left button takes four (%s)", how) << 4 << onRows << QList<int>{0, 1, 2, 3, 4}
                                                          << QList<int>{0, 1, 2, 3} << list4;
        QTest::addRow("left button, in row order (%s)", how)
            << 4 << onRows << QList<int>{3, 1} << QList<int>{1, 3} << "list " + m_fps[1] + ',' + m_fps[3];
        QTest::addRow("freed place taken again (%s)", how)
            << 4 << onRows << QList<int>{0, 1, 2, 3, 1, 4} << QList<int>{0, 2, 3, 4}
            << "list " + QStringList({m_fps[0], m_fps[2], m_fps[3], m_fps[4]}).join(',');
        QTest::addRow("other button takes one (%s)", how)
            << 7 << onRows << QList<int>{2, 0} << QList<int>{2} << "single 7 " + m_fps[2];
        QTest::addRow("other button, unchecked again (%s)", how)
            << 7 << onRows << QList<int>{2, 2, 0} << QList<int>{0} << "single 7 " + m_fps[0];
        QTest::addRow("left button, none (%s)", how) << 4 << onRows << QList<int>{1, 1} << QList<int>{} << "";
        QTest::addRow("other button, none (%s)", how) << 7 << onRows << QList<int>{} << QList<int>{} << "";
    }
}

void TestKeySetting::macroChecks()
{
    QFETCH(bool, onRows);
    QFETCH(QList<int>, clicks);
    QFETCH(QString, sent);

    open(fetched<int>("button"));
    run({"click MarcoEditButton"});
    QListWidget* titles = child<QListWidget>("MacroTitleListWidget");
    QListWidget* macros = child<QListWidget>("MacroNameListWidget");
    emit titles->itemClicked(titles->item(0));
    auto form = [&](int row) { return qobject_cast<Form*>(macros->itemWidget(macros->item(row))); };
    for (int row : clicks) {
        if (onRows)
            emit macros->itemClicked(macros->item(row));
        else
            form(row)->findChild<QCheckBox*>()->click();
    }
    QList<int> ticked;
    for (int row = 0; row < macros->count(); ++row) {
        if (form(row)->isChecked())
            ticked << row;
    }
    QCOMPARE(ticked, fetched<QList<int>>("checked"));
    if (!onRows && !clicks.isEmpty())
        QCOMPARE(macros->currentRow(), clicks.last());  // a box click selects its row

    run({"click OKButton"});
    QCOMPARE(m_sent, sent.isEmpty() ? QStringList() : QStringList{sent});
}

QTEST_MAIN(TestKeySetting)
#include "tst_keysetting.moc"
