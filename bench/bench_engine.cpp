// What the engine costs on top of the mouse. After every bulk write the mouse needs a pause of
// 50 ms before it tells whether it took the write; no program can be faster than those pauses.
//  - an edit (a DPI change: the profile block written, the profile file rewritten) and a whole
//    connect (open, read, compare five files, load: 16 macro blocks and the profile block), each
//    with the real pause: the wall time against the pauses the mouse was asked for (its bulk
//    writes × 50 ms), printed as ratios at the end;
//  - the same edit with the pause taken out, and with no mouse at all: the program's own work;
//  - the pause alone, as the driver sleeps it: how late this machine wakes a sleeping thread.
// The simulated mouse stands in for the mouse and counts the writes; log lines are dropped.
#include "apppaths.h"
#include "dcdatahandle.h"
#include "simulatedmousesession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds MousePause(50);

void dropLog(QtMsgType, const QMessageLogContext&, const QString&) {}

struct Setup {
    QTemporaryDir root;
    SimulatedMouseSession session;
    DCDataHandle engine;
    explicit Setup(std::chrono::milliseconds pause) : session(pause), engine(session.shared(), pause)
    {
        AppPaths::setDataRoot(root.path());
        QDir().mkpath(AppPaths::localFileDir());
        QFile::copy(QStringLiteral(ZR540_SOURCE_DIR "/install/ConfigFiles/LocalFile/Config0.txt"),
                    AppPaths::profileFile(0));
        engine.slot_ResetConfigToOriginal();  // five profile files to compare with
    }

    int bulkWrites()
    {
        int count = 0;
        for (const hid::SimulatedMouse::LogEntry& entry : session.shared()->log())
            count += entry.ok && entry.transfer == hid::SimulatedMouse::Transfer::SetFeature
                     && entry.role == hid::SimulatedMouse::Role::Data;
        return count;
    }
};

struct Ratio {
    std::string what;
    double wallMs, pauses;
};
std::vector<Ratio> ratios;

// Runs `step` for every iteration with the mouse's real pause; notes the wall time per step and
// the pauses the mouse was asked for per step.
void againstPauses(benchmark::State& state, Setup& s, const char* what, const std::function<void()>& step)
{
    s.session.mouse().clearLog();
    const Clock::time_point start = Clock::now();
    for (auto _ : state)
        step();
    const double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count() / state.iterations();
    const double pauses = double(s.bulkWrites()) / state.iterations();
    state.counters["pauses"] = pauses;
    state.counters["x_pauses"] = wallMs / (pauses * MousePause.count());
    ratios.push_back({what, wallMs, pauses});
}

void BM_Edit(benchmark::State& state)
{
    Setup s(MousePause);
    s.engine.connectMouse();
    s.engine.slot_LoadLocalConfigFile(1);
    int value = 400;
    againstPauses(state, s, "per edit", [&] {
        s.engine.slot_setDPIValueOnMouse(3, value);
        value = value == 400 ? 450 : 400;
    });
}
BENCHMARK(BM_Edit)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_Connect(benchmark::State& state)
{
    Setup s(MousePause);
    againstPauses(state, s, "per connect", [&] {
        s.engine.connectMouse();
        s.engine.slot_LoadLocalConfigFile(s.engine.currentConfigure());
    });
}
BENCHMARK(BM_Connect)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_EditWithoutMousePause(benchmark::State& state)
{
    Setup s(std::chrono::milliseconds(0));
    s.engine.connectMouse();
    s.engine.slot_LoadLocalConfigFile(1);
    int value = 400;
    for (auto _ : state) {
        s.engine.slot_setDPIValueOnMouse(3, value);
        value = value == 400 ? 450 : 400;
    }
}
BENCHMARK(BM_EditWithoutMousePause)->Unit(benchmark::kMicrosecond);

void BM_EditWithoutMouse(benchmark::State& state)
{
    // No mouse connected: the factory check and the file rewrite only.
    Setup s(std::chrono::milliseconds(0));
    s.session.mouse().setPlugged(false);
    s.engine.connectMouse();
    int value = 400;
    for (auto _ : state) {
        s.engine.slot_setDPIValueOnMouse(3, value);
        value = value == 400 ? 450 : 400;
    }
}
BENCHMARK(BM_EditWithoutMouse)->Unit(benchmark::kMicrosecond);

void BM_PauseAlone(benchmark::State& state)
{
    for (auto _ : state)
        QThread::msleep(static_cast<unsigned long>(MousePause.count()));
}
BENCHMARK(BM_PauseAlone)->Unit(benchmark::kMillisecond)->Iterations(20);
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(dropLog);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const Ratio& r : ratios) {
        std::printf("engine %s: %.4fx the mouse's pauses (%.2f ms against %g x %lld ms)\n", r.what.c_str(),
                    r.wallMs / (r.pauses * double(MousePause.count())), r.wallMs, r.pauses,
                    static_cast<long long>(MousePause.count()));
    }
    return 0;
}
