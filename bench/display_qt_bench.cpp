// One display tick on the Qt engine (offscreen) with the real panel resource and full traces:
// the read-outs, and the graph in plot mode 0 (two force curves of 8000 frames), 1 (one power
// curve of 8000 frames) or 2 (the time plot's three histories of 8000 points), with the repaint
// the tick causes.
#include "app/callbacks.h"
#include "bench/bench_station.h"
#include "bench/qt_bench_main.h"
#include "platform/qt/qt_engine.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>

#ifndef ZAN_UI_DIR
#define ZAN_UI_DIR "ui"
#endif

namespace {
constexpr int fullTrace = 8000;

void FillTracesAndHistories() {
    for (int i = 0; i < fullTrace + 5; ++i) {
        const float angle = 2.0f * 3.14159265f * static_cast<float>(i % 66) / 33.0f;
        zan.measure.rightForceTrace[i] = 300.0f * std::max(0.0f, std::sin(angle));
        zan.measure.leftForceTrace[i] = 300.0f * std::max(0.0f, -std::sin(angle));
        zan.measure.powerTrace[i] = 120.0f + 100.0f * std::abs(std::sin(angle));
        zan.measure.powerHistory[i] = 230.0f + 20.0f * std::sin(static_cast<float>(i) * 0.01f);
        zan.measure.heartRateHistory[i] = 130.0f + 10.0f * std::sin(static_cast<float>(i) * 0.003f);
        zan.measure.cadenceHistory[i] = 90.0f + 5.0f * std::sin(static_cast<float>(i) * 0.02f);
        // A window of two revolutions at 60 rpm: two seconds.
        zan.measure.historyMinutes[i] = static_cast<float>(i) * 2.0f / 60.0f;
    }
    zan.measure.historyIndex = fullTrace;
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_HR, 1);
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_CADENCE, 1);
    zan.link.rawRightForce = zan.link.rawLeftForce = 1200;
    zan.link.rawRightAux = zan.link.rawLeftAux = 1066;
    zan.link.crankPeriodWord = 1333;
    zan.link.wheelPeriodWord = 500;
    zan.link.heartRateWord = 260;
    zan.link.batteryByte = 154;
    zan.measure.powerTotal = 233.0f;
    zan.measure.powerLeft = zan.measure.powerRight = 116.5f;
}

// The Qt engine with the station's panels of the real resource, the main one shown.
class ShownPanels {
  public:
    ShownPanels() {
        UseEngine(&engine);
        StartBenchStation(ZAN_UI_DIR "/zan_01.uir");
        if (zan.setup.mainPanel > 0) DisplayPanel(zan.setup.mainPanel);
        FillTracesAndHistories();
        QCoreApplication::processEvents();
    }
    ~ShownPanels() {
        DiscardPanel(zan.setup.mainPanel);
        DiscardPanel(zan.setup.warmupPanel);
        UseEngine(nullptr);
    }
    bool Loaded() const { return zan.setup.mainPanel > 0; }
    ShownPanels(const ShownPanels&) = delete;
    ShownPanels& operator=(const ShownPanels&) = delete;

  private:
    QtEngine engine;
};

void BM_DisplayTick(benchmark::State& state) {
    ShownPanels panels;
    if (!panels.Loaded()) {
        state.SkipWithError("no panel resource");
        return;
    }
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        // A window has just ended and the crank is streaming: the tick plots and shows all.
        zan.link.lastWindowFrames = fullTrace;
        zan.link.ticksSinceFrame = 0;
        DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_DisplayTick)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// The revolution lamp lights and goes out once a revolution. Argument 0: the change alone; 1: with
// its repaint; 2: with the session clock's blink as well, a colour change of a styled read-out.
void BM_RevolutionLamp(benchmark::State& state) {
    ShownPanels panels;
    int lit = 0;
    for (auto _ : state) {
        lit ^= 1;
        SetCtrlVal(zan.setup.mainPanel, MAIN_TURN_LED, lit);
        if (state.range(0) == 2)
            SetCtrlAttribute(zan.setup.mainPanel, MAIN_SESSION_CLOCK, ATTR_TEXT_BGCOLOR,
                             lit != 0 ? VAL_GREEN : VAL_WHITE);
        if (state.range(0) >= 1) QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_RevolutionLamp)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMicrosecond);

// A display tick between two window ends, the crank's values unchanged since the last: every
// read-out is set again and the panel repaints what changed.
void BM_ReadoutsUnchanged(benchmark::State& state) {
    ShownPanels panels;
    for (auto _ : state) {
        zan.link.ticksSinceFrame = 0;
        DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_ReadoutsUnchanged)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

// The link timer's 2 ms yield: what the wait costs the processor, not the time it takes.
void BM_LinkTickYield(benchmark::State& state) {
    QtEngine engine;
    UseEngine(&engine);
    for (auto _ : state) Sleep(2);
    UseEngine(nullptr);
}
BENCHMARK(BM_LinkTickYield)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

// What the link timer costs before it reads a byte: a 20 ms timer in Qt's event loop whose tick
// lets pending events run and yields 2 ms, with the station's panel shown. One iteration is one
// tick; its processor time, 50 times a second, is the floor under the whole station's share of a
// core. Wall time is about 20 ms an iteration, so the count is fixed.
void BM_LinkTickLoop(benchmark::State& state) {
    ShownPanels panels;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(20);
    QEventLoop loop;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&loop] {
        ProcessSystemEvents();
        Sleep(2);
        loop.quit();
    });
    timer.start();
    for (auto _ : state) loop.exec();
}
BENCHMARK(BM_LinkTickLoop)->MeasureProcessCPUTime()->Iterations(500)->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
