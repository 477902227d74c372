// What the engine itself costs on top of the mouse:
//  - one change (the write-back step: factory check, block transfer, profile file rewrite) with
//    the mouse's 50 ms pause taken out, so only the program's own work is left;
//  - a whole connect (open, read, compare five files, load with 16 macro block writes and the
//    profile write) with the real pause, against its floor of 17 pauses of 50 ms.
// The simulated mouse stands in for the mouse; log lines are dropped.
#include "apppaths.h"
#include "dcdatahandle.h"
#include "simulatedmousesession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {
void dropLog(QtMsgType, const QMessageLogContext&, const QString&) {}

struct Setup {
    QTemporaryDir root;
    SimulatedMouseSession session;
    DCDataHandle engine;
    explicit Setup(std::chrono::milliseconds pause) : session(pause), engine(session.shared(), pause)
    {
        AppPaths::setDataRoot(root.path());
        QDir().mkpath(AppPaths::localFileDir());
        QFile::copy(QStringLiteral(ZR540_SOURCE_DIR "/install/ConfigFiles/LocalFile/Config0.txt"), AppPaths::profileFile(0));
        engine.slot_ResetConfigToOriginal();  // five profile files to compare with
    }
};

void BM_ChangeWithoutMousePause(benchmark::State& state)
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
BENCHMARK(BM_ChangeWithoutMousePause)->Unit(benchmark::kMicrosecond);

void BM_ChangeWithoutMouseOrFile(benchmark::State& state)
{
    // The same change while no mouse is connected: the factory check and the file rewrite only.
    Setup s(std::chrono::milliseconds(0));
    s.session.mouse().setPlugged(false);
    s.engine.connectMouse();
    int value = 400;
    for (auto _ : state) {
        s.engine.slot_setDPIValueOnMouse(3, value);
        value = value == 400 ? 450 : 400;
    }
}
BENCHMARK(BM_ChangeWithoutMouseOrFile)->Unit(benchmark::kMicrosecond);

void BM_FullConnect(benchmark::State& state)
{
    Setup s(std::chrono::milliseconds(50));
    for (auto _ : state) {
        s.engine.connectMouse();
        s.engine.slot_LoadLocalConfigFile(s.engine.currentConfigure());
    }
    state.counters["floor_ms"] = 17 * 50;
}
BENCHMARK(BM_FullConnect)->Unit(benchmark::kMillisecond)->Iterations(5);
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(dropLog);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
