// The hooks on a real X server: xdotool clicks through the server (XTEST), as a mouse would, onto
// a window of ours under the pointer; the PC-side function file decides what the hooks swallow.
//
// What a window sees differs from Windows in one point: on X a swallowed press takes its release
// with it. The press activates our passive grab, and the grab lasts until the button goes up, so
// the release is reported to the grabbing connection, not to the window. On Windows the hook
// swallows the press message alone and the window still gets the release.
#include "apppaths.h"
#include "globalmousehook.h"
#include "hooks.h"
#include "pcactionrunner.h"
#include "pcactionstore.h"
#include "guihelpers.h"
#include "pcactiontable.h"

#include <vector>

namespace {
// Records what reaches it: "press 4", "release 4" (Qt button bits), "wheel +" / "wheel -".
class EventWindow : public QWidget {
public:
    QStringList events;

protected:
    void mousePressEvent(QMouseEvent* e) override { events << QStringLiteral("press %1").arg(int(e->button())); }
    void mouseReleaseEvent(QMouseEvent* e) override { events << QStringLiteral("release %1").arg(int(e->button())); }
    void wheelEvent(QWheelEvent* e) override { events << (e->angleDelta().y() > 0 ? "wheel +" : "wheel -"); }
};

const QString kMiddlePress = QStringLiteral("press %1").arg(int(Qt::MiddleButton));
const QString kMiddleRelease = QStringLiteral("release %1").arg(int(Qt::MiddleButton));
const QString kLeftPress = QStringLiteral("press %1").arg(int(Qt::LeftButton));
const QString kLeftRelease = QStringLiteral("release %1").arg(int(Qt::LeftButton));

// Runs xdotool and waits for it; the hook answers from this thread's event loop meanwhile.
bool xdotool(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    return QTest::qWaitFor([&process] { return process.state() == QProcess::NotRunning; }, 60000)
           && process.error() == QProcess::UnknownError && process.exitCode() == 0;
}
bool click(int button) { return xdotool({QStringLiteral("click"), QString::number(button)}); }
}  // namespace

class TestHooksX11 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init()
    {
        PcActionStore::deleteHighestFile();
        m_opened.clear();
        m_window->events.clear();
    }
    void cleanup()
    {
        m_hook.removeHooks();
        QVERIFY(leftClickArrived());  // nothing left over: late events land here, not in the next record
    }

    // A click on a button with a function runs it and never reaches the window; a click on a
    // button without one does. The grab ends with the release: a left click still reaches the
    // window, and before it came neither the swallowed press nor, under X's grab, its release.
    void swallowed_data()
    {
        QTest::addColumn<int>("function");  // the button with the function (the mouse's numbering)
        QTest::addColumn<QList<int>>("clicks");  // X buttons
        QTest::addColumn<QStringList>("passed");
        QTest::newRow("middle button taken") << 5 << QList<int>{2} << QStringList{};
        QTest::newRow("wheel forward passes, wheel back taken") << 10 << QList<int>{4, 5} << QStringList{"wheel +"};
    }
    void swallowed()
    {
        setFunction(fetched<int>("function"));
        QVERIFY(m_hook.installHooks());
        QSignalSpy params(&m_hook, &GlobalMouseHook::sig_mouseHookParam);
        for (int button : fetched<QList<int>>("clicks"))
            QVERIFY(click(button));
        QTRY_COMPARE(m_opened, QStringList{m_target});
        QCOMPARE(params.count(), 1);  // the message swallowed, told once
        if (fetched<int>("function") == 5)
            QCOMPARE(params.at(0).at(0).value<DWORD>(), DWORD(0x0207));
        QVERIFY(leftClickArrived());
        const QStringList passed = fetched<QStringList>("passed") + QStringList{kLeftPress, kLeftRelease};
        QCOMPARE(m_window->events, passed);
        QCOMPARE(m_opened.size(), 1);
    }

    // The backend alone, with a callback that lets everything pass: the grabbed middle button still
    // reaches the window, press and release.
    void aGrabbedPressThatPassesIsReplayedToTheWindow()
    {
        std::string why;
        std::unique_ptr<hooks::Backend> backend = hooks::createBackend(why);
        QVERIFY2(backend, why.c_str());
        std::vector<std::pair<quint32, quint32>> asked;
        QVERIFY(backend->setWatchedButtons({5}));
        QVERIFY(backend->install([&](std::uint32_t m, std::uint32_t d) { asked.emplace_back(m, d); return false; },
                                 [](std::uint32_t, std::uint32_t) { return false; }));
        QSocketNotifier notifier(backend->fd(), QSocketNotifier::Read);
        connect(&notifier, &QSocketNotifier::activated, [&] { backend->processPending(); });
        QVERIFY(click(2));
        QTRY_COMPARE(m_window->events, (QStringList{kMiddlePress, kMiddleRelease}));
        QCOMPARE(asked, (std::vector<std::pair<quint32, quint32>>{{0x0207, 0}}));
        backend->remove();
    }

    void afterTheFileIsDeletedEveryPressPasses()
    {
        setFunction(5);
        setFunction(9);
        QVERIFY(m_hook.installHooks());
        QCOMPARE(m_hook.table()->activeButtons(), (std::vector<int>{5, 9}));
        QVERIFY(PcActionStore::deleteHighestFile());
        QTRY_COMPARE(m_hook.table()->activeButtons(), std::vector<int>());
        QVERIFY(click(2));
        QVERIFY(click(4));
        QTRY_COMPARE(m_window->events, (QStringList{kMiddlePress, kMiddleRelease, "wheel +"}));
        QCOMPARE(m_opened, QStringList());
        // A function set again is taken again, without reinstalling.
        setFunction(5);
        QTRY_COMPARE(m_hook.table()->activeButtons(), std::vector<int>{5});
        QVERIFY(click(2));
        QTRY_COMPARE(m_opened, QStringList{m_target});
    }

private:
    // A left click (no function) seen by the window: whatever the server sent it before has arrived.
    bool leftClickArrived()
    {
        const int before = m_window->events.size();
        return click(1) && QTest::qWaitFor([&] { return m_window->events.mid(before).contains(kLeftRelease); }, 60000);
    }
    void setFunction(int button) { QVERIFY(PcActionStore::writeFunction(button, true, PcActionStore::OpenFile, m_target)); }

    QTemporaryDir m_root;
    QString m_target;
    QStringList m_opened;
    EventWindow* m_window = nullptr;
    GlobalMouseHook m_hook;
};

void TestHooksX11::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") || QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("no X server (run under xvfb-run)");
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("xdotool is not installed (apt package xdotool)");
    qRegisterMetaType<DWORD>("DWORD");
    AppPaths::setDataRoot(m_root.path());
    m_target = m_root.filePath(QStringLiteral("notes.txt"));
    QFile file(m_target);
    QVERIFY(file.open(QIODevice::WriteOnly));

    PcActionRunner::SystemActions actions;
    actions.openUrl = [this](const QUrl& url) { m_opened << url.toLocalFile(); return true; };
    actions.playSound = actions.startProgram = [this](const QString& f) { m_opened << f; return true; };
    m_hook.setActionRunner(PcActionRunner(actions));

    m_window = new EventWindow;
    m_window->setGeometry(0, 0, 400, 300);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("200"), QStringLiteral("150")}));
}

int main(int argc, char** argv)
{
    // Without an X server the xcb platform cannot start; the cases then skip.
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestHooksX11 test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hooks_x11.moc"
