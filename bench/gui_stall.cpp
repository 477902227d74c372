// The longest stall of the GUI thread's event loop in the real window (simulated mouse with the
// mouse's own 50 ms pause) while it: connects to a mouse that was plugged in and loads the profile
// the mouse carries, switches profiles, resets to factory, uploads to the cloud and downloads from
// it (the real account server on a free loopback port, in a temporary folder; the download ends
// with the profile loaded again, once per archive). A 1 ms timer ticks in the GUI thread, in
// nested event loops too; the largest gap between two ticks is the stall. The warnings that come
// up are answered with OK as they appear, as a user would.
#include "apiclient.h"
#include "benchwindow.h"
#include "cloudsyncwidget.h"
#include "dcdatahandle.h"
#include "lightsettingwidget.h"
#include "macroeditwidget.h"
#include "operatetoken.h"
#include "ui_mainwindow.h"
#include "serverprocess.h"
#include "supportwidget.h"
#include "warningdialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
void dropLog(QtMsgType, const QMessageLogContext&, const QString&) {}

// Runs an event loop from `start` until `done` (30 s at most); the largest gap between two ticks
// in milliseconds, or a negative number when `done` never came. Every gap also goes to `gap`. The
// loop sleeps between events: a loop that spins would lose the CPU to the scheduler and measure that.
double longestStall(const std::function<void()>& start, const std::function<bool()>& done,
                    const std::function<void(double)>& gap = {})
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed(), worst = 0;
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worst = std::max(worst, now - last);
        if (gap)
            gap((now - last) / 1e6);
        last = now;
        if (done() || clock.elapsed() > 30000)
            loop.quit();
    });
    tick.start(1);
    start();
    loop.exec();
    return done() ? worst / 1e6 : -1;
}

void report(const char* what, double ms, const QString& problem = {})
{
    if (ms < 0 || !problem.isEmpty())
        std::printf("longest GUI stall, %s: n/a (%s)\n", what,
                    qUtf8Printable(problem.isEmpty() ? "did not end" : problem));
    else
        std::printf("longest GUI stall, %s: %.2f ms\n", what, ms);
    std::fflush(stdout);
}

// Notices a widget's first paint.
struct Painted : QObject {
    bool seen = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        seen = seen || event->type() == QEvent::Paint;
        return false;
    }
};
}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    qInstallMessageHandler(dropLog);
    QTemporaryDir serverDir;
    ServerProcess server(serverDir.filePath(QStringLiteral("data")));
    const bool serverUp = server.start();
    const QString token = serverUp ? ApiClient(server.port()).newUser(QStringLiteral("bench@zr540.test")) : QString();
    BenchWindow bench(server.baseUrl(), [&token] {
        OperateToken identity;
        identity.SetToken(token);
        identity.SetEmail(QStringLiteral("bench@zr540.test"));
        identity.SetNickName(QStringLiteral("bench"));
    });
    MainWindow& window = *bench.window;

    int loads = 0;  // profile loads the window has seen end
    QObject::connect(window.profileEngine(), &DCDataHandle::sig_Busy, &app, [&loads](bool busy) { loads += !busy; });
    QStringList warnings;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&warnings] {
        auto* dialog = qobject_cast<WarningDialog*>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible()) {
            warnings << dialog->findChild<QLabel*>(QStringLiteral("Title_Label"))->text();
            dialog->findChild<QPushButton*>(QStringLiteral("OkButton"))->click();
        }
    });
    answer.start(10);
    // Done once `more` profile loads have ended from now on.
    const auto loaded = [&loads](int more) { return [&loads, until = loads + more] { return loads >= until; }; };

    // The pages other than the first are built after the first frame, each in a pass of the
    // event loop of its own: the time it takes to build one is a stall of that pass. They are built
    // here one by one, before the window's own idle building, then each is shown for the first time.
    const char* const pageNames[] = {"main settings", "lighting", "macro editor", "support", "cloud"};
    const std::function<QWidget*()> build[] = {
        {}, [&] { return window.lightPage(); }, [&] { return window.macroPage(); },
        [&] { return window.supportPage(); }, [&] { return window.cloudPage(); }};
    QPushButton* const tabs[] = {nullptr, window.form()->LightSettingButton, window.form()->MacroEditButton,
                                 window.form()->SupportButton, window.form()->CloudSyncButton};
    window.show();
    QWidget* pages[5] = {};
    for (int page = 1; page < 5; ++page) {
        QElapsedTimer building;
        building.start();
        pages[page] = build[page]();
        report(qPrintable(QStringLiteral("building the %1 page").arg(QLatin1String(pageNames[page]))),
               building.nsecsElapsed() / 1e6);
    }
    Painted firstFrame;
    window.centralWidget()->installEventFilter(&firstFrame);
    longestStall([] {}, [&] { return firstFrame.seen; });
    for (int page = 1; page < 5; ++page) {
        Painted painted;
        pages[page]->installEventFilter(&painted);
        report(qPrintable(QStringLiteral("first showing the %1 page").arg(QLatin1String(pageNames[page]))),
               longestStall([&] { tabs[page]->click(); }, [&] { return painted.seen; }));
        pages[page]->removeEventFilter(&painted);
    }
    window.form()->MainSettingButton->click();
    auto* cloud = window.cloudPage();

    // The connect at start-up (with the first frames) is the start-up figure's; this one is the
    // monitor's report of a mouse that was plugged in.
    longestStall([] {}, loaded(1));
    report("connect with profile load",
           longestStall([&] { QMetaObject::invokeMethod(&window, "slot_WarningDeviceNotInsert", Q_ARG(bool, true)); },
                        loaded(1)));
    report("profile switch", longestStall([&] { window.SetCurrentConfigureButton(2); }, loaded(1)));
    report("reset", longestStall([&] { window.slot_ResetMouseToOriginal(); }, loaded(1)));

    const QString noServer = serverUp ? (token.isEmpty() ? QStringLiteral("no log-in") : QString())
                                      : QStringLiteral("the account server did not start");
    // What went wrong with a transfer: no server, or a success message missing.
    const auto problem = [&](const QStringList& expected) {
        for (const QString& title : expected) {
            if (!warnings.contains(title))
                return noServer.isEmpty() ? QStringLiteral("warnings: ") + warnings.join(QLatin1Char('/')) : noServer;
        }
        return QString();
    };
    warnings.clear();
    const double upload
        = longestStall([&] { cloud->slot_startToUploadConfigFiles(); }, [&] { return !cloud->isTransferring(); });
    report("cloud upload", upload, problem({QStringLiteral("上传成功")}));
    warnings.clear();
    // Each archive that unpacks (profiles, then macros) selects profile 1 again: two loads.
    const double download = longestStall([&] { cloud->slot_startToDownLoadFiles(); },
                                         [&, twoLoads = loaded(2)] { return !cloud->isTransferring() && twoLoads(); });
    report("cloud download with profile loads", download,
           problem({QStringLiteral("下载配置文件成功"), QStringLiteral("下载宏文件成功")}));
    answer.stop();
    bench.window.reset();
    server.stop();
    return 0;
}
