// The X11 backends on a real (headless) X server. The hooks: xdotool clicks through the server
// (XTEST), as a mouse would, onto a window of ours under the pointer; the PC-side function file
// decides what the hooks swallow. Unlike Windows, a swallowed press takes its release with it: the
// press activates our passive grab, which lasts until the button goes up, so the release goes to
// the grabbing connection. The pointer: Xvfb's has no libinput driver, so the speed goes to the
// core pointer acceleration; libinput's devices are checked through the backend's conversions.
#include "apppaths.h"
#include "globalmousehook.h"
#include "pcactionrunner.h"
#include "pcactionstore.h"
#include "guihelpers.h"
#include "pcactiontable.h"
#include "pointer.h"

// Xlib after Qt: its macros (Bool, Status) break Qt's headers.
#include <X11/Xlib.h>

using Devices = std::vector<int>;

namespace {
// Records what reaches it: "press 4", "release 4" (Qt button bits: 1 left, 4 middle), "wheel +" / "wheel -".
class EventWindow : public QWidget {
public:
    QStringList events;

protected:
    void mousePressEvent(QMouseEvent* e) override { events << QStringLiteral("press %1").arg(int(e->button())); }
    void mouseReleaseEvent(QMouseEvent* e) override { events << QStringLiteral("release %1").arg(int(e->button())); }
    void wheelEvent(QWheelEvent* e) override { events << (e->angleDelta().y() > 0 ? "wheel +" : "wheel -"); }
};

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

    // A click on a button with a function runs it, is told once with its parameter, and never
    // reaches the window; a click on a button without one does. Once the file is deleted every
    // press passes, and a function set again is taken again without reinstalling.
    void clicks_data()
    {
        QTest::addColumn<int>("function");  // the button with the function (the mouse's numbering)
        QTest::addColumn<bool>("deleted");  // the file deleted once the hooks are in
        QTest::addColumn<QList<int>>("clicks");  // X buttons
        QTest::addColumn<QStringList>("passed");
        QTest::addColumn<Calls>("params");
        QTest::newRow("middle button taken") << 5 << false << QList<int>{2} << QStringList{} << Calls{{0x0207}};
        QTest::newRow("wheel forward passes, wheel back taken")
            << 10 << false << QList<int>{4, 5} << QStringList{"wheel +"} << Calls{{0x020A00}};
        QTest::newRow("file deleted") << 5 << true << QList<int>{2, 4} << QStringList{"press 4", "release 4", "wheel +"}
                                      << Calls{};
    }
    void clicks()
    {
        QFETCH(bool, deleted);
        setFunction(fetched<int>("function"));
        QVERIFY(m_hook.installHooks());
        QSignalSpy params(&m_hook, &GlobalMouseHook::sig_mouseHookParam);
        if (deleted) {
            QVERIFY(PcActionStore::deleteHighestFile());
            QTRY_COMPARE(m_hook.table()->activeButtons(), std::vector<int>());
        }
        for (int button : fetched<QList<int>>("clicks"))
            QVERIFY(click(button));
        QVERIFY(leftClickArrived());
        QCOMPARE(m_window->events, fetched<QStringList>("passed") + QStringList({"press 1", "release 1"}));
        QTRY_COMPARE(m_opened, deleted ? QStringList() : QStringList{m_target});
        QCOMPARE(calls(params), fetched<Calls>("params"));
        if (deleted) {
            setFunction(5);
            QTRY_COMPARE(m_hook.table()->activeButtons(), std::vector<int>{5});
            QVERIFY(click(2));
            QTRY_COMPARE(m_opened, QStringList{m_target});
        }
    }

    // The speed set is read back; a setting of the user's own, read and written back, is kept.
    // The core acceleration is shown as xset q shows it: "numerator/denominator threshold".
    void pointerSpeed_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("set");  // 0: the speed read
        QTest::addColumn<QString>("after");  // the threshold is the user's and stays
        QTest::addColumn<int>("read");
        QTest::newRow("slower") << "13/10 6" << 7 << "5/3 6" << 7;
        QTest::newRow("Windows default is the server's") << "13/10 6" << 10 << "2/1 6" << 10;
        QTest::newRow("faster") << "13/10 6" << 15 << "5/2 6" << 15;
        QTest::newRow("a fraction of the user's own") << "7/3 4" << 0 << "7/3 4" << 13;
        QTest::newRow("faster than the scale") << "9/2 4" << 0 << "9/2 4" << 20;
    }
    void pointerSpeed()
    {
        std::string why;
        const std::unique_ptr<pointer::Backend> backend = pointer::createPlatformBackend(why);
        QVERIFY2(backend && backend->name() == std::string("x11"), why.c_str());
        QVERIFY(!backend->hasWheelLines() && !backend->setWheelLines(5));  // X has no wheel lines
        const std::unique_ptr<Display, int (*)(Display*)> owned(XOpenDisplay(nullptr), XCloseDisplay);
        Display* display = owned.get();
        const QStringList before = fetched<QString>("before").split(QRegularExpression("[/ ]"));
        XChangePointerControl(display, True, True, before[0].toInt(), before[1].toInt(), before[2].toInt());
        XSync(display, False);
        int read = 0;
        QVERIFY(backend->speed(read));
        QVERIFY2(backend->setSpeed(fetched<int>("set") ? fetched<int>("set") : read), backend->error().c_str());
        int num = 0, den = 0, threshold = 0;
        XGetPointerControl(display, &num, &den, &threshold);
        QCOMPARE(QStringLiteral("%1/%2 %3").arg(num).arg(den).arg(threshold), fetched<QString>("after"));
        QVERIFY(backend->speed(read));
        QCOMPARE(read, fetched<int>("read"));
    }

    // Device 7 is a touchpad at its own speed; 8 and 9 are mice.
    void libinputMiceOnly()
    {
        using namespace pointer::x11;
        const std::vector<LibinputPointer> pointers = {{7, 0.5f, true}, {8, 0.0f, false}, {9, 0.9f, false}};
        int speed = 0;
        QVERIFY(speedOfMice(pointers, speed));
        QCOMPARE(speed, 10);  // libinput's default 0, not the touchpad's
        QCOMPARE(devicesToChange(pointers, 10), Devices{9});
        QCOMPARE(devicesToChange(pointers, 15), (Devices{8, 9}));
        for (int s : {1, 7, 10, 15, 20})
            QCOMPARE(speedForLibinputAccel(float(libinputAccelForSpeed(s))), s);
        QCOMPARE(libinputAccelForSpeed(10), 0.0);
        QVERIFY(!speedOfMice({{7, 0.5f, true}}, speed));
    }

private:
    // A left click (no function) seen by the window: whatever the server sent it before has arrived.
    bool leftClickArrived()
    {
        const int before = m_window->events.size();
        return click(1) && QTest::qWaitFor([&] { return m_window->events.mid(before).contains("release 1"); }, 60000);
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
    // Under a Wayland session the X server would only be XWayland, with nothing to set.
    qunsetenv("WAYLAND_DISPLAY");
    qunsetenv("XDG_SESSION_TYPE");
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
