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
#include "logcapture.h"
#include "pcactionrunner.h"
#include "pcactionstore.h"
#include "pcactiontable.h"

#include <QFile>
#include <QMouseEvent>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QWidget>
#include <QtTest>


#include <vector>

namespace {

// Records what reaches it: "press 4", "release 4" (Qt button bits), "wheel +" / "wheel -".
class EventWindow : public QWidget {
public:
    QStringList events;

protected:
    void mousePressEvent(QMouseEvent* e) override { events << QStringLiteral("press %1").arg(int(e->button())); }
    void mouseReleaseEvent(QMouseEvent* e) override { events << QStringLiteral("release %1").arg(int(e->button())); }
    void wheelEvent(QWheelEvent* e) override
    {
        events << (e->angleDelta().y() > 0 ? QStringLiteral("wheel +") : QStringLiteral("wheel -"));
    }
};

const QString kMiddlePress = QStringLiteral("press %1").arg(int(Qt::MiddleButton));
const QString kMiddleRelease = QStringLiteral("release %1").arg(int(Qt::MiddleButton));
const QString kLeftPress = QStringLiteral("press %1").arg(int(Qt::LeftButton));
const QString kLeftRelease = QStringLiteral("release %1").arg(int(Qt::LeftButton));

}  // namespace

class TestHooksX11 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void middleClickRunsTheFunctionAndNeverReachesTheWindow();
    void wheelForwardWithAFunctionOnlyOnWheelBackPasses();
    void aGrabbedPressThatPassesIsReplayedToTheWindow();
    void afterTheFileIsDeletedEveryPressPasses();

private:
    bool xdotool(const QStringList& arguments);
    bool leftClickArrived();
    void setFunction(int button, const QString& path);

    QTemporaryDir m_root;
    QString m_target;
    QStringList m_opened;
    EventWindow* m_window = nullptr;
    GlobalMouseHook m_hook;
};

bool TestHooksX11::xdotool(const QStringList& arguments)
{
    // Run asynchronously: the hook answers from this thread's event loop while the pointer is frozen.
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    return QTest::qWaitFor([&process] { return process.state() == QProcess::NotRunning; }, 60000)
           && process.error() == QProcess::UnknownError && process.exitCode() == 0;
}

// A left click (no function) seen by the window: whatever the server sent it before has arrived.
bool TestHooksX11::leftClickArrived()
{
    const int before = m_window->events.size();
    return xdotool({QStringLiteral("click"), QStringLiteral("1")})
           && QTest::qWaitFor([&] { return m_window->events.mid(before).contains(kLeftRelease); }, 60000);
}

void TestHooksX11::setFunction(int button, const QString& path)
{
    QVERIFY(PcActionStore::writeFunction(button, true, PcActionStore::OpenFile, path));
}

void TestHooksX11::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") || QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("no X server (run under xvfb-run)");
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("xdotool is not installed (apt package xdotool)");
    qRegisterMetaType<DWORD>("DWORD");
    QVERIFY(m_root.isValid());
    AppPaths::setDataRoot(m_root.path());
    m_target = m_root.filePath(QStringLiteral("notes.txt"));
    QFile file(m_target);
    QVERIFY(file.open(QIODevice::WriteOnly));

    PcActionRunner::SystemActions actions;
    actions.openUrl = [this](const QUrl& url) { m_opened << url.toLocalFile(); return true; };
    actions.playSound = [this](const QString& f) { m_opened << f; return true; };
    actions.startProgram = [this](const QString& f) { m_opened << f; return true; };
    m_hook.setActionRunner(PcActionRunner(actions));

    m_window = new EventWindow;
    m_window->setGeometry(0, 0, 400, 300);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("200"), QStringLiteral("150")}));
}

void TestHooksX11::init()
{
    PcActionStore::deleteHighestFile();
    m_opened.clear();
    m_window->events.clear();
}

void TestHooksX11::cleanup()
{
    m_hook.removeHooks();
    // Nothing left over for the next case: late events land here, not in its record.
    QVERIFY(leftClickArrived());
}

void TestHooksX11::middleClickRunsTheFunctionAndNeverReachesTheWindow()
{
    setFunction(5, m_target);
    QVERIFY(m_hook.installHooks());
    QSignalSpy params(&m_hook, &GlobalMouseHook::sig_mouseHookParam);
    LogCapture log;

    QVERIFY(xdotool({QStringLiteral("click"), QStringLiteral("2")}));
    QTRY_COMPARE(m_opened, QStringList{m_target});
    QCOMPARE(params.count(), 1);
    QCOMPARE(params.at(0).at(0).value<DWORD>(), DWORD(0x0207));
    QVERIFY(log.lines().filter(QStringLiteral("ignore")).size() == 1);
    QVERIFY(log.lines().filter(QStringLiteral("mouse 207")).size() == 1);

    // The grab ended with the release: a left click still reaches the window, and before it came
    // neither the middle press nor, under X's grab, its release (see the top of this file).
    QVERIFY(leftClickArrived());
    QCOMPARE(m_window->events, (QStringList{kLeftPress, kLeftRelease}));
    QCOMPARE(m_opened.size(), 1);
}

void TestHooksX11::wheelForwardWithAFunctionOnlyOnWheelBackPasses()
{
    setFunction(10, m_target);
    QVERIFY(m_hook.installHooks());

    QVERIFY(xdotool({QStringLiteral("click"), QStringLiteral("4")}));
    QTRY_COMPARE(m_window->events, QStringList{QStringLiteral("wheel +")});
    QCOMPARE(m_opened, QStringList());

    // The wheel back is the one taken.
    QVERIFY(xdotool({QStringLiteral("click"), QStringLiteral("5")}));
    QTRY_COMPARE(m_opened, QStringList{m_target});
    QVERIFY(leftClickArrived());
    QCOMPARE(m_window->events, (QStringList{QStringLiteral("wheel +"), kLeftPress, kLeftRelease}));
}

void TestHooksX11::aGrabbedPressThatPassesIsReplayedToTheWindow()
{
    // The backend alone, with a callback that lets everything pass: the grabbed middle button
    // still reaches the window, press and release.
    std::string why;
    std::unique_ptr<hooks::Backend> backend = hooks::createBackend(why);
    QVERIFY2(backend, why.c_str());
    std::vector<std::pair<quint32, quint32>> asked;
    QVERIFY(backend->setWatchedButtons({5}));
    QVERIFY(backend->install([&](std::uint32_t m, std::uint32_t d) { asked.emplace_back(m, d); return false; },
                             [](std::uint32_t, std::uint32_t) { return false; }));
    QSocketNotifier notifier(backend->fd(), QSocketNotifier::Read);
    connect(&notifier, &QSocketNotifier::activated, [&] { backend->processPending(); });

    QVERIFY(xdotool({QStringLiteral("click"), QStringLiteral("2")}));
    QTRY_COMPARE(m_window->events, (QStringList{kMiddlePress, kMiddleRelease}));
    QCOMPARE(asked.size(), std::size_t(1));
    QCOMPARE(asked.at(0).first, quint32(0x0207));
    QCOMPARE(asked.at(0).second, quint32(0));
    backend->remove();
}

void TestHooksX11::afterTheFileIsDeletedEveryPressPasses()
{
    setFunction(5, m_target);
    setFunction(9, m_target);
    QVERIFY(m_hook.installHooks());
    QCOMPARE(m_hook.table()->activeButtons(), (std::vector<int>{5, 9}));

    QVERIFY(PcActionStore::deleteHighestFile());
    QTRY_COMPARE(m_hook.table()->activeButtons(), std::vector<int>());

    QVERIFY(xdotool({QStringLiteral("click"), QStringLiteral("2")}));
    QVERIFY(xdotool({QStringLiteral("click"), QStringLiteral("4")}));
    QTRY_COMPARE(m_window->events, (QStringList{kMiddlePress, kMiddleRelease, QStringLiteral("wheel +")}));
    QCOMPARE(m_opened, QStringList());

    // And a function set again is taken again, without reinstalling.
    setFunction(5, m_target);
    QTRY_COMPARE(m_hook.table()->activeButtons(), std::vector<int>{5});
    QVERIFY(xdotool({QStringLiteral("click"), QStringLiteral("2")}));
    QTRY_COMPARE(m_opened, QStringList{m_target});
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
