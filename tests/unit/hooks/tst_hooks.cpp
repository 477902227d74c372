// The hooks' decisions without any system hook: which message is which button, what is swallowed
// and carried out, the repeat suppression of the macro editor, and a desktop without hooks. (The
// copy of the PC-side function file following the file: the X11 hook test, end to end.)
#include "apppaths.h"
#include "globalmousehook.h"
#include "hookdecision.h"
#include "hookmessages.h"
#include "pcactionrunner.h"
#include "pcactionstore.h"
#include "pcactiontable.h"
#include "testhelpers.h"
#include "wholefile.h"

#include <QDir>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QtTest>


class TestHooks : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        AppPaths::setDataRoot(m_root.path());
        QDir(m_root.path()).removeRecursively();
        QVERIFY(writeWholeFile(target(), "x"));
    }

    void mouseDecision_data()
    {
        QTest::addColumn<uint>("message");
        QTest::addColumn<uint>("data");
        QTest::addColumn<QString>("file");  // the ini text; FILE stands for an existing file's path
        QTest::addColumn<int>("button");
        QTest::addColumn<uint>("param");   // of the swallowed press; 0: passed on
        QTest::addColumn<bool>("opened");  // the function was carried out (a file opened)
        const auto row = [](const char* tag, uint message, uint data, const char* group, int button, uint param,
                            bool opened, int state = 1, int function = 4, const char* path = "FILE") {
            const QString file = QStringLiteral("[%1]\nstate=%2\nfunction=%3\npath=%4\n")
                                     .arg(QLatin1String(group)).arg(state).arg(function).arg(QLatin1String(path));
            QTest::newRow(tag) << message << data << (*group ? file : QString()) << button << param << opened;
        };
        row("left down", 0x0201, 0, "LeftKey", 4, 0x0201, true);
        row("wheel back", 0x020A, uint(-120) << 16, "WheelBack", 10, 0x20A00, true);
        row("X button 1, low word set", 0x020B, 0x10001, "BackKey", 0, 0, false);
        row("X button 2, function only on X button 1", 0x020B, 0x20000, "BackKey", 7, 0, false);
        row("state 0", 0x0201, 0, "LeftKey", 4, 0, false, 0);
        row("no file", 0x0201, 0, "", 4, 0, false);
        row("empty path: swallowed, nothing run", 0x0201, 0, "LeftKey", 4, 0x0201, false, 1, 4, "");
        row("unknown code: swallowed, nothing run", 0x0207, 0, "MidKey", 5, 0x0207, false, 1, 7);
        row("missing target: swallowed, nothing run", 0x0204, 0, "RightKey", 6, 0x0204, false, 1, 4, "/nonexistent/a");
    }

    void mouseDecision()
    {
        QFETCH(QString, file);
        QFETCH(uint, param);
        if (!file.isNull())
            QVERIFY(writeWholeFile(AppPaths::pcFunctionFile(), file.replace(QLatin1String("FILE"), target()).toUtf8()));
        QStringList opens;
        PcActionRunner::SystemActions actions;
        // The system reports failure every time: a press with a function is swallowed all the same.
        actions.openUrl = [&](const QUrl& url) { opens << url.toLocalFile(); return false; };
        actions.playSound = actions.startProgram = [&](const QString& f) { opens << f; return false; };
        PcActionTable table;
        const MouseDecision decision
            = decideMouseMessage(fetched<uint>("message"), fetched<uint>("data"), table, PcActionRunner(actions));
        QCOMPARE(decision.button, fetched<int>("button"));
        QCOMPARE(decision.swallow, param != 0);
        QCOMPARE(decision.swallow ? decision.param : 0u, param);
        QCOMPARE(opens, fetched<bool>("opened") ? QStringList{target()} : QStringList());
    }

    void keyRepeatFilter_data()
    {
        // Steps: "on", "off", or "<key> <message> pass|swallow".
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("held key while recording: one down, one up")
            << QStringList{"on", "41 100 pass", "41 100 swallow", "41 100 swallow", "41 101 pass", "41 100 pass"};
        QTest::newRow("another key between passes")
            << QStringList{"on", "41 100 pass", "42 100 pass", "41 100 pass", "41 100 swallow"};
        QTest::newRow("not recording: all pass, memory kept")
            << QStringList{"on", "41 100 pass", "off", "41 100 pass", "42 100 pass", "on", "41 100 swallow"};
        QTest::newRow("first event while recording passes, even a zero key") << QStringList{"on", "0 0 swallow", "0 100 pass"};
    }

    void keyRepeatFilter()
    {
        hooks::KeyRepeatFilter filter;
        for (const QString& step : fetched<QStringList>("steps")) {
            const QStringList parts = step.split(' ');
            if (parts.size() == 1)
                filter.setEnabled(step == QLatin1String("on"));
            else
                QVERIFY2(filter.swallow(parts[0].toUInt(nullptr, 16), parts[1].toUInt(nullptr, 16)) == (parts[2] == "swallow"),
                         qPrintable(step));
        }
    }

    // Without an X display (and without hooks elsewhere) the program runs on with no hook. While a
    // macro is recorded, the hook takes each held key once, and the program's own windows get no
    // repeated key event.
    void globalHook()
    {
        GlobalMouseHook hook;
#if !defined(Q_OS_WIN)
        const QByteArray display = qgetenv("DISPLAY");
        qunsetenv("DISPLAY");
        const bool first = hook.installHooks(), second = hook.installHooks();
        if (!display.isNull())
            qputenv("DISPLAY", display);
        QVERIFY(!first && !second && !hook.installed());
        QVERIFY(!hook.onMouseMessage(0x0201, 0));  // without hooks no press is swallowed
#endif
        QObject window;  // sendEvent() is true when a filter took the event
        QKeyEvent repeated(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"), true);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"), false);
        hook.setRepeatSuppression();
        QVERIFY(!hook.onKeyboardMessage(0x51, 0x100));
        QVERIFY(hook.onKeyboardMessage(0x51, 0x100));
        QVERIFY(QCoreApplication::sendEvent(&window, &repeated) && !QCoreApplication::sendEvent(&window, &press));
        hook.clearRepeatSuppression();
        QVERIFY(!hook.onKeyboardMessage(0x51, 0x100));
        QVERIFY(!QCoreApplication::sendEvent(&window, &repeated));
    }

    void xButtonsTranslateBothWays_data()
    {
        QTest::addColumn<uint>("xButton");
        QTest::addColumn<int>("button");
        QTest::addColumn<uint>("param");  // the parameter of the translated press
        const QList<std::tuple<uint, int, uint>> rows = {{1, 4, 0x0201},  {2, 5, 0x0207},  {3, 6, 0x0204},
                                                         {4, 9, 0x20A01}, {5, 10, 0x20A00}, {8, 8, 0x1020B},
                                                         {9, 7, 0x2020B}, {6, 0, 0},        {10, 0, 0}};
        for (const auto& [x, button, param] : rows)
            QTest::addRow("X %u", x) << x << button << param;
    }

    void xButtonsTranslateBothWays()
    {
        QFETCH(uint, xButton);
        QFETCH(int, button);
        hooks::ButtonMessage press, back;
        QCOMPARE(hooks::messageForXButton(xButton, press), button != 0);
        if (button == 0)
            return;
        // The translated press goes through the same decision as a Windows message.
        QCOMPARE(hooks::buttonForMessage(press.message, press.mouseData), button);
        QCOMPARE(hooks::hookParameter(press.message, press.mouseData), fetched<uint>("param"));
        QVERIFY(hooks::messageForButton(button, back));
        QCOMPARE(back.xButton, xButton);
    }

private:
    QString target() const { return m_root.filePath(QStringLiteral("a.txt")); }
    QTemporaryDir m_root;
};

QTEST_GUILESS_MAIN(TestHooks)
#include "tst_hooks.moc"
