// The key assignment dialog, driven like a user would: key presses (X keysyms as xcb reports
// them), clicks on its tabs, boxes and buttons, and what it sends to the engine in which order.
#include "keysettingdialog.h"

#include "apppaths.h"
#include "form.h"
#include "guihelpers.h"
#include "pcactionstore.h"
#include "wholefile.h"

class TestKeySetting : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        AppPaths::setDataRoot(m_root.path());
        // Macros live in <root>/ConfigFiles/MacroFiles/<title>/<stamp>.json.
        const auto macro = [](const QString& title, int n, const QByteArray& content) {
            const QString path = QStringLiteral("%1/%2/2024010112000000%3.json").arg(AppPaths::macroFilesDir(), title).arg(n);
            if (!QDir().mkpath(QFileInfo(path).path()) || !writeWholeFile(path, content))
                qFatal("cannot write %s", qPrintable(path));
            return path;
        };
        for (int i = 0; i < 5; ++i)
            m_fps << macro("FPS", i, "{\"Name\":\"连发" + QByteArray::number(i) + "\",\"Macro\":[]}");
        macro("MOBA", 0, "{\"Name\":\"连招\",\"Macro\":[]}");
        macro("MOBA", 1, "not json");
        QDir().mkpath(AppPaths::macroFilesDir() + "/空");
    }
    void init()
    {
        m_sent.clear();
        // A PC-side entry that every OK must clear and Cancel must keep.
        QVERIFY(PcActionStore::writeFunction(5, true, PcActionStore::StartProgram, "/usr/bin/prog"));
        QVERIFY(PcActionStore::writeFunction(4, true, PcActionStore::StartProgram, "/usr/bin/prog"));
    }
    void cleanup() { delete std::exchange(m_dialog, nullptr); }

    // A page number that is no page leaves the page. The macro tab lists the folders, and a
    // folder's macros by name (a broken file too).
    void pagesAndLists()
    {
        open(5);
        run({"click BasicFunctionButton"});
        m_dialog->setPage(7);
        QCOMPARE(childOf<QStackedWidget>(m_dialog, "stackedWidget")->currentIndex(), 2);
        QListWidget* titles = childOf<QListWidget>(m_dialog, "MacroTitleListWidget");
        QListWidget* macros = childOf<QListWidget>(m_dialog, "MacroNameListWidget");
        QCOMPARE(titles->count(), 3);
        QCOMPARE(titles->item(1)->text(), QStringLiteral("MOBA"));
        emit titles->itemClicked(titles->item(1));
        QCOMPARE(macros->count(), 2);
        QCOMPARE(row(1)->findChild<QCheckBox*>()->text(), QStringLiteral("ErrorName"));
        emit titles->itemClicked(titles->item(0));
        QCOMPARE(row(4)->findChild<QCheckBox*>()->text(), QStringLiteral("连发4"));
        emit titles->itemClicked(titles->item(2));
        QCOMPARE(macros->count(), 0);
    }

    void keyCapture_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("boxes");  // the ticked modifier boxes
        QTest::newRow("A") << QStringList{"key 0x61"} << "A" << "";
        QTest::newRow("Shift_L toggles, no name") << QStringList{"key 0xffe1"} << "" << "Shift";
        QTest::newRow("held Shift toggles once") << QStringList{"key 0xffe1", "repeat 0xffe1"} << "" << "Shift";
        QTest::newRow("Shift twice: off again") << QStringList{"key 0xffe1", "key 0xffe1"} << "" << "";
        QTest::newRow("Super_L toggles and is named") << QStringList{"key 0xffeb"} << "L_Win" << "Win";
        QTest::newRow("Super_R is a key") << QStringList{"key 0xffec"} << "R_Win" << "";
        QTest::newRow("Ctrl then A") << QStringList{"key 0xffe3", "key 0x61"} << "A" << "Ctrl";
        QTest::newRow("print screen: no name") << QStringList{"key 0xff61"} << "" << "";
        QTest::newRow("Esc") << QStringList{"qtkey 0x01000000"} << "ESC" << "";
        QTest::newRow("Esc on page 2: nothing") << QStringList{"click BasicFunctionButton", "qtkey 0x01000000"} << "" << "";
        QTest::newRow("back to page 0") << QStringList{"click MarcoEditButton", "click ConbinationKeyButton", "key 0x61"} << "A" << "";
    }
    void keyCapture()
    {
        open(5);
        run(fetched<QStringList>("steps"));
        QCOMPARE(childOf<QLineEdit>(m_dialog, "KeyCombinationLineEdit")->text(), fetched<QString>("shown"));
        QStringList ticked;
        for (const char* box : {"Ctrl", "Alt", "Shift", "Win"})
            if (childOf<QCheckBox>(m_dialog, QString(box) + "CheckBox")->isChecked())
                ticked << box;
        QCOMPARE(ticked.join('+'), fetched<QString>("boxes"));
        QVERIFY2(m_dialog->isVisible(), "a key closed the dialog");
        QVERIFY(m_sent.isEmpty());
    }

    // What OK (or restore, or close) sends for the button, and its PC-side entry afterwards.
    void sends_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("sent");  // "key <button> <key> <modifier bits> <type>"
        QTest::addColumn<int>("pcFunction");    // 0: cleared
        QTest::addColumn<QString>("pcPath");
        const QString ok = "click OKButton", basic = "click BasicFunctionButton", high = "click HighestFunctionButton";
        auto row = [&](const char* tag, int button, const QStringList& steps, const QStringList& sent, int function = 0,
                       const QString& path = {}) { QTest::newRow(tag) << button << steps << sent << function << path; };
        row("Ctrl box ticked, C", 5, {"click CtrlCheckBox", "key 0x63", ok}, {"key 5 0x43 1 16"});
        row("all four modifier keys, F5", 5, {"key 0xffe3", "key 0xffe1", "key 0xffe9", "key 0xffeb", "key 0xffc2", ok},
            {"key 5 0x74 15 16"});
        row("Shift alone: its own code", 5, {"key 0xffe1", ok}, {"key 5 0x10 2 16"});
        row("boxes ticked, no key: nothing", 5, {"click CtrlCheckBox", "click AltCheckBox", ok}, {});
        row("disabled, with a key", 6, {"key 0x61", "click ForbidenPressKeyCheckBox", ok}, {"key 6 0x0 0 16", "key 6 0x41 0 16"});
        row("page 2 without a row", 5, {basic, ok}, {});
        // The catalogue: one entry of each kind (a consumer key is the window test's).
        row("catalogue: close window", 5, {basic, "row 0", ok}, {"key 5 0x57 1 16"});
        row("catalogue: left click", 5, {basic, "row 9", ok}, {"key 5 0xf0 0 24"});
        row("catalogue: sniper", 5, {basic, "row 18", ok}, {"key 5 0x0 0 23"});
        row("catalogue: profile loop", 5, {basic, "row 22", ok}, {"key 5 0x0 0 29"});
        row("restore default after a key", 5, {"key 0x61", "click BackToDefalutButton"}, {"key 5 0x41 0 17"});
        row("close: nothing, entry kept", 5, {"key 0x61", "click CloseBattaryButton"}, {}, 3, "/usr/bin/prog");
        row("PC side: open a folder", 4, {high, "click OpenDirectoryCheckBox", "text OpenDirectoryLineEdit /home/me", ok},
            {"key 4 0x0 0 17"}, 5, "/home/me");
        row("PC side: box without path", 5, {high, "click StartProgramCheckBox", ok}, {"key 5 0x0 0 17"});
    }
    void sends()
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

    // The left button takes up to four macros, in row order; any other button one, the last ticked.
    void macroChecks_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("onRows");  // click the list rows rather than the boxes
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QList<int>>("sent");  // rows of the FPS folder
        QTest::newRow("left button takes four") << 4 << false << QList<int>{0, 1, 2, 3, 4} << QList<int>{0, 1, 2, 3};
        QTest::newRow("left button, in row order, on the rows") << 4 << true << QList<int>{3, 1} << QList<int>{1, 3};
        QTest::newRow("freed place taken again") << 4 << false << QList<int>{0, 1, 2, 3, 1, 4} << QList<int>{0, 2, 3, 4};
        QTest::newRow("left button, none") << 4 << false << QList<int>{1, 1} << QList<int>{};
        QTest::newRow("other button takes one") << 7 << false << QList<int>{2, 0} << QList<int>{2};
    }
    void macroChecks()
    {
        QFETCH(int, button);
        QFETCH(QList<int>, sent);
        open(button);
        run({"click MarcoEditButton"});
        QListWidget* titles = childOf<QListWidget>(m_dialog, "MacroTitleListWidget");
        QListWidget* macros = childOf<QListWidget>(m_dialog, "MacroNameListWidget");
        emit titles->itemClicked(titles->item(0));
        for (int n : fetched<QList<int>>("clicks")) {
            if (fetched<bool>("onRows"))
                emit macros->itemClicked(macros->item(n));
            else
                row(n)->findChild<QCheckBox*>()->click();
        }
        run({"click OKButton"});
        QStringList paths;
        for (int n : sent)
            paths << m_fps[n];
        const QString one = button == 4 ? "list " + paths.join(',') : QString("single %1 %2").arg(button).arg(paths.value(0));
        QCOMPARE(m_sent, sent.isEmpty() ? QStringList() : QStringList{one});
    }

private:
    void open(int button)
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
    // "key <keysym>" / "repeat <keysym>": a press as xcb delivers it; "qtkey <Qt key>": one without
    // a native code; "click <button>"; "row <n>": the catalogue row; "text <line edit> <text>".
    void run(const QStringList& steps)
    {
        for (const QString& step : steps) {
            const QStringList word = step.split(' ');
            if (word[0] == "key" || word[0] == "repeat")
                sendKeysym(m_dialog, QEvent::KeyPress, word[1].toUInt(nullptr, 0), word[0] == "repeat");
            else if (word[0] == "qtkey")
                QTest::keyClick(m_dialog, Qt::Key(word[1].toInt(nullptr, 0)));
            else if (word[0] == "click")
                childOf<QAbstractButton>(m_dialog, word[1])->click();
            else if (word[0] == "row")
                childOf<QListWidget>(m_dialog, "BasicFuctionListWidget")->setCurrentRow(word[1].toInt());
            else
                childOf<QLineEdit>(m_dialog, word[1])->setText(word[2]);
        }
    }
    Form* row(int n) const
    {
        auto* macros = childOf<QListWidget>(m_dialog, "MacroNameListWidget");
        return qobject_cast<Form*>(macros->itemWidget(macros->item(n)));
    }

    QTemporaryDir m_root;
    QStringList m_fps;  // the paths of the FPS folder, in row order
    KeySettingDialog* m_dialog = nullptr;
    QStringList m_sent;
};

QTEST_MAIN(TestKeySetting)
#include "tst_keysetting.moc"
