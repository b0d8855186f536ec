// The frame path: bytes waiting in the crank's port, through the frame reader, revolution
// tracking and the power calculation. Items are frames.
#include "app/link_timer.h"
#include "bench/bench_station.h"
#include "link/frame_reader.h"
#include "tests/support/headless_engine.h"

#include <benchmark/benchmark.h>

#include <vector>

#ifndef _WIN32
#include "tests/support/pty_pair.h"
#include "tests/support/real_port_engine.h"
#endif

namespace {
constexpr int framesPerBatch = 10000;

// The headless engine's in-memory port: what the station's own routines cost, nothing else.
void BM_FramePath(benchmark::State& state) {
    HeadlessEngine engine;
    UseEngine(&engine);
    StartBenchStation("zan_01.uir");
    zan.setup.comPort = 1;
    engine.Device("COM1");
    OpenComConfig(1, "COM1", 38400, 0, 8, 1, 4096, 4096);
    const std::vector<unsigned char> stream = PedallingStream(framesPerBatch);
    HeadlessDevice& device = engine.Device("COM1");
    for (auto _ : state) {
        state.PauseTiming();
        device.input.assign(stream.begin(), stream.end());
        state.ResumeTiming();
        ReadZAN(EngineStation());
    }
    if (zan.link.assembler.linkFrames != state.iterations() * framesPerBatch)
        state.SkipWithError("frames lost");
    state.SetItemsProcessed(state.iterations() * framesPerBatch);
    benchmark::DoNotOptimize(zan.measure.powerTotal);
    UseEngine(nullptr);
}
BENCHMARK(BM_FramePath)->Unit(benchmark::kMillisecond);

#ifndef _WIN32
// The serial layer read byte by byte, two system calls a byte, as the reader once did.
class ByteAtATimePortEngine : public RealPortEngine {
  public:
    int ComRdBlock(int port, unsigned char* buffer, int count) override {
        return Engine::ComRdBlock(port, buffer, count);
    }
};

// The real serial layer on a pseudo-terminal: what the system calls add. A terminal holds 4 KB,
// so each round sends 227 frames and lets the reader drain them. Argument 1 reads in blocks,
// 0 a byte at a time.
void BM_FramePathSerial(benchmark::State& state) {
    constexpr int framesPerRound = 227;
    ScopedPortsFolder folder;
    PtyPair pty;
    if (!folder.Ok() || !pty.Ok() || !folder.Link("COM1", pty.SlavePath())) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    RealPortEngine blockEngine;
    ByteAtATimePortEngine byteEngine;
    if (state.range(0) == 1)
        UseEngine(&blockEngine);
    else
        UseEngine(&byteEngine);
    StartBenchStation("zan_01.uir");
    zan.setup.comPort = 1;
    if (OpenComConfig(1, "COM1", 38400, 0, 8, 1, 4096, 4096) != 0) {
        state.SkipWithError("port did not open");
        UseEngine(nullptr);
        return;
    }
    const std::vector<unsigned char> stream = PedallingStream(framesPerRound);
    const int bytes = static_cast<int>(stream.size());
    for (auto _ : state) {
        state.PauseTiming();
        if (!pty.Send(stream.data(), stream.size()) || !pty.WaitSlaveQueued(bytes)) {
            state.SkipWithError("the terminal did not take the frames");
            break;
        }
        state.ResumeTiming();
        ReadZAN(EngineStation());
    }
    if (zan.link.assembler.linkFrames != state.iterations() * framesPerRound)
        state.SkipWithError("frames lost");
    state.SetItemsProcessed(state.iterations() * framesPerRound);
    CloseCom(1);
    UseEngine(nullptr);
}
BENCHMARK(BM_FramePathSerial)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
#endif
} // namespace

BENCHMARK_MAIN();
