// The frame path: bytes waiting in the crank's port, through the frame reader, revolution
// tracking and the power calculation. Items are frames.
#include "app/engine/headless/headless_engine.h"
#include "app/station.h"
#include "link/frame_reader.h"
#include "setup/catalogue.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {
constexpr int framesPerBatch = 10000;
// 90 rpm at 50 frames a second: a revolution every 33 frames.
constexpr int framesPerRevolution = 33;

void PutWord(std::vector<unsigned char>& stream, int word) {
    stream.push_back(static_cast<unsigned char>(word & 0xFF));
    stream.push_back(static_cast<unsigned char>(word >> 8));
}

std::vector<unsigned char> PedallingStream() {
    std::vector<unsigned char> stream;
    for (int frame = 0; frame < framesPerBatch; ++frame) {
        const double angle = 2.0 * 3.14159265 * (frame % framesPerRevolution) / framesPerRevolution;
        const int right = 1000 + static_cast<int>(300.0 * std::max(0.0, std::sin(angle)));
        const int left = 1000 + static_cast<int>(300.0 * std::max(0.0, -std::sin(angle)));
        stream.push_back(0xFF);
        for (const int word : {right, 1000 + (right - 1000) / 3, left, 1000 + (left - 1000) / 3, 0,
                               (frame % framesPerRevolution == 0 ? 0x2000 : 0) | 1333, 500, 240})
            PutWord(stream, word);
        stream.push_back(154);
    }
    return stream;
}

void StartBenchStation(HeadlessEngine& engine) {
    UseEngine(&engine);
    ResetStation();
    zan.mainPanel = LoadPanel(0, "zan_01.uir", MAIN);
    zan.warmupPanel = LoadPanel(0, "zan_01.uir", WARMUP);
    zan.comPort = 1;
    engine.Device("COM1");
    OpenComConfig(1, "COM1", 38400, 0, 8, 1, 4096, 4096);
    zan.setup.rightForceOffset = zan.setup.leftForceOffset = 1000.0f;
    zan.setup.rightAuxOffset = zan.setup.leftAuxOffset = 1000.0f;
    zan.setup.rightForceGain = zan.setup.leftForceGain = 0.5f;
    zan.setup.rightRatioScale = zan.setup.leftRatioScale = 1.0f;
    zan.setup.correctionReference = 55.0f;
    zan.setup.crankLength = 172.5f;
    zan.turnPeriod = 60000.0f;
    zan.previousPower = 1.0f;
    zan.frameCounter = 1000;
    for (float& slot : zan.periodRing) slot = 2000.0f;
    zan.turnModeMask = 255;
    zan.handshakeFrames = 100;
}
} // namespace

static void BM_FramePath(benchmark::State& state) {
    HeadlessEngine engine;
    StartBenchStation(engine);
    const std::vector<unsigned char> stream = PedallingStream();
    HeadlessDevice& device = engine.Device("COM1");
    for (auto _ : state) {
        state.PauseTiming();
        device.input.assign(stream.begin(), stream.end());
        state.ResumeTiming();
        ReadZAN();
    }
    state.SetItemsProcessed(state.iterations() * framesPerBatch);
    benchmark::DoNotOptimize(zan.powerTotal);
    UseEngine(nullptr);
}
BENCHMARK(BM_FramePath)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
