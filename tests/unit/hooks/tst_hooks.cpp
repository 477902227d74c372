// The hooks' decisions without any system hook: which message is which button, what is swallowed
// and broadcast, what is carried out, the repeat suppression of the macro editor, and the
// in-memory copy of the PC-side function file following the file.
#include "apppaths.h"
#include "globalmousehook.h"
#include "hookdecision.h"
#include "hookmessages.h"
#include "logcapture.h"
#include "pcactionrunner.h"
#include "pcactionstore.h"
#include "pcactiontable.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QKeyEvent>
#include <QtTest>

#include <vector>

namespace {

bool putFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Replaces the file the way the program's writers do: a new file renamed over the old one.
bool replaceFile(const QString& path, const QByteArray& bytes)
{
    const QString scratch = path + QStringLiteral(".new");
    return putFile(scratch, bytes) && (!QFile::exists(path) || QFile::remove(path)) && QFile::rename(scratch, path);
}

}  // namespace

class TestHooks : public QObject {
    Q_OBJECT
private slots:
    void init();

    void mouseDecision_data();
    void mouseDecision();
    void keyRepeatFilter_data();
    void keyRepeatFilter();
    void repeatSuppressionOfTheHook();
    void xButtonsTranslateBothWays_data();
    void xButtonsTranslateBothWays();
    void tableFollowsTheFile();
    void onlyButtonsWithAMessageAreWatched();
    void noBackendIsLoggedOnce();

private:
    QTemporaryDir m_root;
};

void TestHooks::init()
{
    QVERIFY(m_root.isValid());
    AppPaths::setDataRoot(m_root.path());
    QDir(m_root.path()).removeRecursively();
    QDir().mkpath(m_root.path());
}

void TestHooks::mouseDecision_data()
{
    QTest::addColumn<uint>("message");
    QTest::addColumn<uint>("data");
    QTest::addColumn<QString>("file");  // the ini text; FILE stands for an existing file's path
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("swallow");
    QTest::addColumn<uint>("param");
    QTest::addColumn<bool>("opened");  // the function was carried out (a file opened)

    const auto entry = [](const char* group, int state, int function, const char* path) {
        return QStringLiteral("[%1]\nstate=%2\nfunction=%3\npath=%4\n")
            .arg(QLatin1String(group)).arg(state).arg(function).arg(QLatin1String(path));
    };
    const uint wheelForward = 120u << 16;
    const uint wheelBack = uint(-120) << 16;

    QTest::newRow("left down") << 0x0201u << 0u << entry("LeftKey", 1, 4, "FILE") << 4 << true << 0x0201u << true;
    QTest::newRow("right down") << 0x0204u << 0u << entry("RightKey", 1, 4, "FILE") << 6 << true << 0x0204u << true;
    QTest::newRow("middle down") << 0x0207u << 0u << entry("MidKey", 1, 4, "FILE") << 5 << true << 0x0207u << true;
    QTest::newRow("wheel forward") << 0x020Au << wheelForward << entry("WheelFoward", 1, 4, "FILE") << 9 << true
                                   << 0x20A01u << true;
    QTest::newRow("wheel back") << 0x020Au << wheelBack << entry("WheelBack", 1, 4, "FILE") << 10 << true << 0x20A00u
                                << true;
    QTest::newRow("wheel, zero delta counts as forward")
        << 0x020Au << 0u << entry("WheelFoward", 1, 4, "FILE") << 9 << true << 0x20A01u << true;
    QTest::newRow("X button 1") << 0x020Bu << 0x10000u << entry("BackKey", 1, 4, "FILE") << 8 << true << 0x1020Bu
                                << true;
    QTest::newRow("X button 2") << 0x020Bu << 0x20000u << entry("FowardKey", 1, 4, "FILE") << 7 << true << 0x2020Bu
                                << true;
    QTest::newRow("X button 1, low word set") << 0x020Bu << 0x10001u << entry("BackKey", 1, 4, "FILE") << 0 << false
                                              << 0u << false;
    QTest::newRow("X button, no button in the word") << 0x020Bu << 0u << entry("BackKey", 1, 4, "FILE") << 0 << false
                                                     << 0u << false;
    QTest::newRow("X button 2 with a function only on X button 1")
        << 0x020Bu << 0x20000u << entry("BackKey", 1, 4, "FILE") << 7 << false << 0u << false;
    QTest::newRow("wheel forward with a function only on WheelBack")
        << 0x020Au << wheelForward << entry("WheelBack", 1, 4, "FILE") << 9 << false << 0u << false;
    QTest::newRow("move") << 0x0200u << 0u << entry("LeftKey", 1, 4, "FILE") << 0 << false << 0u << false;
    QTest::newRow("left up") << 0x0202u << 0u << entry("LeftKey", 1, 4, "FILE") << 0 << false << 0u << false;
    QTest::newRow("middle up") << 0x0208u << 0u << entry("MidKey", 1, 4, "FILE") << 0 << false << 0u << false;
    QTest::newRow("X button 1 up") << 0x020Cu << 0x10000u << entry("BackKey", 1, 4, "FILE") << 0 << false << 0u
                                   << false;
    QTest::newRow("state 0") << 0x0201u << 0u << entry("LeftKey", 0, 4, "FILE") << 4 << false << 0u << false;
    QTest::newRow("no file") << 0x0201u << 0u << QString() << 4 << false << 0u << false;
    QTest::newRow("empty path: swallowed, nothing run")
        << 0x0201u << 0u << entry("LeftKey", 1, 4, "") << 4 << true << 0x0201u << false;
    QTest::newRow("unknown code: swallowed, nothing run")
        << 0x0207u << 0u << entry("MidKey", 1, 7, "FILE") << 5 << true << 0x0207u << false;
    QTest::newRow("missing target: swallowed, nothing run")
        << 0x0204u << 0u << entry("RightKey", 1, 4, "/nonexistent/zr540/a.txt") << 6 << true << 0x0204u << false;
}

void TestHooks::mouseDecision()
{
    QFETCH(uint, message);
    QFETCH(uint, data);
    QFETCH(QString, file);
    QFETCH(int, button);
    QFETCH(bool, swallow);
    QFETCH(uint, param);
    QFETCH(bool, opened);

    const QString target = m_root.filePath(QStringLiteral("target.txt"));
    QVERIFY(putFile(target, "x"));
    if (!file.isNull())
        QVERIFY(putFile(AppPaths::pcFunctionFile(), file.replace(QLatin1String("FILE"), target).toUtf8()));

    QStringList opens;
    PcActionRunner::SystemActions actions;
    // The system reports failure every time: a press with a function is swallowed all the same.
    actions.openUrl = [&](const QUrl& url) { opens << url.toLocalFile(); return false; };
    actions.playSound = [&](const QString& f) { opens << f; return false; };
    actions.startProgram = [&](const QString& f) { opens << f; return false; };
    PcActionTable table;
    const MouseDecision decision = decideMouseMessage(message, data, table, PcActionRunner(actions));

    QCOMPARE(decision.button, button);
    QCOMPARE(decision.swallow, swallow);
    if (swallow)
        QCOMPARE(decision.param, param);
    QCOMPARE(opens, opened ? QStringList{target} : QStringList());
}

void TestHooks::keyRepeatFilter_data()
{
    // Steps: "on", "off", or "<key> <message> pass|swallow".
    QTest::addColumn<QStringList>("steps");

    QTest::newRow("held key while recording: one down, one up")
        << QStringList{"on", "41 100 pass", "41 100 swallow", "41 100 swallow", "41 101 pass", "41 100 pass"};
    QTest::newRow("another key between passes")
        << QStringList{"on", "41 100 pass", "42 100 pass", "41 100 pass", "41 100 swallow"};
    QTest::newRow("same key, other message passes")
        << QStringList{"on", "41 104 pass", "41 100 pass", "41 104 pass"};
    QTest::newRow("not recording: everything passes")
        << QStringList{"41 100 pass", "41 100 pass", "41 100 pass"};
    QTest::newRow("not recording leaves the memory as it was")
        << QStringList{"on", "41 100 pass", "off", "42 100 pass", "41 100 pass", "on", "41 100 swallow"};
    QTest::newRow("first event while recording passes, even a zero key")
        << QStringList{"on", "0 0 swallow", "0 100 pass"};
}

void TestHooks::keyRepeatFilter()
{
    QFETCH(QStringList, steps);
    hooks::KeyRepeatFilter filter;
    for (const QString& step : steps) {
        if (step == QLatin1String("on") || step == QLatin1String("off")) {
            filter.setEnabled(step == QLatin1String("on"));
            continue;
        }
        const QStringList parts = step.split(' ');
        QCOMPARE(parts.size(), 3);
        const bool swallowed = filter.swallow(parts.at(0).toUInt(nullptr, 16), parts.at(1).toUInt(nullptr, 16));
        QVERIFY2(swallowed == (parts.at(2) == QLatin1String("swallow")), qPrintable(step));
    }
}

void TestHooks::repeatSuppressionOfTheHook()
{
    GlobalMouseHook* hook = GlobalMouseHook::instance();
    hook->setRepeatSuppression();
    QVERIFY(hook->repeatSuppression());
    QVERIFY(!hook->onKeyboardMessage(0x51, 0x100));
    QVERIFY(hook->onKeyboardMessage(0x51, 0x100));

    // The program's own windows: a repeated key event never arrives, a first press does.
    struct Keys : QObject {
        int presses = 0;
        bool event(QEvent* e) override
        {
            presses += e->type() == QEvent::KeyPress ? 1 : 0;
            return QObject::event(e);
        }
    } keys;
    QKeyEvent repeated(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"), true);
    QKeyEvent first(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"), false);
    QCoreApplication::sendEvent(&keys, &repeated);
    QCoreApplication::sendEvent(&keys, &first);
    QCOMPARE(keys.presses, 1);

    hook->clearRepeatSuppression();
    QVERIFY(!hook->repeatSuppression());
    QVERIFY(!hook->onKeyboardMessage(0x51, 0x100));
    QCoreApplication::sendEvent(&keys, &repeated);
    QCOMPARE(keys.presses, 2);
}

void TestHooks::xButtonsTranslateBothWays_data()
{
    QTest::addColumn<uint>("xButton");
    QTest::addColumn<int>("button");
    QTest::addColumn<uint>("param");  // the parameter of the translated press

    QTest::newRow("1 left") << 1u << 4 << 0x0201u;
    QTest::newRow("2 middle") << 2u << 5 << 0x0207u;
    QTest::newRow("3 right") << 3u << 6 << 0x0204u;
    QTest::newRow("4 wheel forward") << 4u << 9 << 0x20A01u;
    QTest::newRow("5 wheel back") << 5u << 10 << 0x20A00u;
    QTest::newRow("8 back") << 8u << 8 << 0x1020Bu;
    QTest::newRow("9 forward") << 9u << 7 << 0x2020Bu;
    QTest::newRow("6 wheel left: none of ours") << 6u << 0 << 0u;
    QTest::newRow("10: none of ours") << 10u << 0 << 0u;
}

void TestHooks::xButtonsTranslateBothWays()
{
    QFETCH(uint, xButton);
    QFETCH(int, button);
    QFETCH(uint, param);

    hooks::ButtonMessage press;
    QCOMPARE(hooks::messageForXButton(xButton, press), button != 0);
    if (button == 0)
        return;
    // The translated press goes through the same decision as a Windows message.
    QCOMPARE(hooks::buttonForMessage(press.message, press.mouseData), button);
    QCOMPARE(hooks::hookParameter(press.message, press.mouseData), param);
    hooks::ButtonMessage back;
    QVERIFY(hooks::messageForButton(button, back));
    QCOMPARE(back.xButton, xButton);
}

void TestHooks::tableFollowsTheFile()
{
    // No keysetting folder at first: the table must notice it being created.
    PcActionTable table;
    QSignalSpy changed(&table, &PcActionTable::changed);
    QCOMPARE(table.activeButtons(), std::vector<int>());

    const QString target = m_root.filePath(QStringLiteral("a.txt"));
    QVERIFY(putFile(target, "x"));
    QVERIFY(PcActionStore::writeFunction(5, true, PcActionStore::OpenFile, target));
    QTRY_COMPARE(table.activeButtons(), (std::vector<int>{5}));

    // Replaced by rename (the program's writers do so): the new file is read, and watched.
    QVERIFY(PcActionStore::writeFunction(10, true, PcActionStore::OpenFile, target));
    QTRY_COMPARE(table.activeButtons(), (std::vector<int>{5, 10}));
    const QByteArray onlyLeft = QStringLiteral("[LeftKey]\nstate=1\nfunction=5\npath=%1\n").arg(m_root.path()).toUtf8();
    QVERIFY(replaceFile(AppPaths::pcFunctionFile(), onlyLeft));
    QTRY_COMPARE(table.activeButtons(), (std::vector<int>{4}));
    int function = 0;
    QString path;
    QVERIFY(table.lookup(4, function, path));
    QCOMPARE(function, 5);
    QCOMPARE(path, m_root.path());

    // Rewritten in place.
    QVERIFY(putFile(AppPaths::pcFunctionFile(), QByteArray("[RightKey]\nstate=1\nfunction=4\npath=") + target.toUtf8()));
    QTRY_COMPARE(table.activeButtons(), (std::vector<int>{6}));

    // Factory reset: the file is gone, nothing is active; and it may come back later.
    QVERIFY(PcActionStore::deleteHighestFile());
    QTRY_COMPARE(table.activeButtons(), std::vector<int>());
    QVERIFY(!table.lookup(6, function, path));
    QVERIFY(PcActionStore::writeFunction(8, true, PcActionStore::OpenFile, target));
    QTRY_COMPARE(table.activeButtons(), (std::vector<int>{8}));

    // The folder itself removed and made again.
    QVERIFY(QDir(QFileInfo(AppPaths::pcFunctionFile()).absolutePath()).removeRecursively());
    QTRY_COMPARE(table.activeButtons(), std::vector<int>());
    QVERIFY(PcActionStore::writeFunction(9, true, PcActionStore::OpenFile, target));
    QTRY_COMPARE(table.activeButtons(), (std::vector<int>{9}));
    QVERIFY(changed.count() >= 8);
}

void TestHooks::onlyButtonsWithAMessageAreWatched()
{
    const QString target = m_root.filePath(QStringLiteral("a.txt"));
    QVERIFY(putFile(target, "x"));
    for (int button : {7, 11, 15})
        QVERIFY(PcActionStore::writeFunction(button, true, PcActionStore::OpenFile, target));
    PcActionTable table;
    QCOMPARE(table.activeButtons(), (std::vector<int>{7}));
    int function = 0;
    QString path;
    QVERIFY(table.lookup(15, function, path));  // the engine's buttons stay readable
    QCOMPARE(path, target);
}

void TestHooks::noBackendIsLoggedOnce()
{
#if defined(Q_OS_WIN)
    QSKIP("Windows always has its hooks");
#endif
    // No X display here (and no hooks at all elsewhere): the program runs on without them.
    const QByteArray display = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    LogCapture log;
    GlobalMouseHook* hook = GlobalMouseHook::instance();
    const bool first = hook->installHooks();
    const bool second = hook->installHooks();
    if (!display.isNull())
        qputenv("DISPLAY", display);
    QVERIFY(!first);
    QVERIFY(!second);
    QVERIFY(!hook->installed());
    QCOMPARE(log.lines().filter(QStringLiteral("installHooks")).size(), 1);
    // Without hooks no press is swallowed.
    QVERIFY(!hook->onMouseMessage(0x0201, 0));
    hook->removeHooks();
}

QTEST_GUILESS_MAIN(TestHooks)
#include "tst_hooks.moc"
