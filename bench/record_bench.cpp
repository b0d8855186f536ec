// The recordings into real files: one session row, and the 1000-row multi-turn file of a capture.
#include "app/callbacks.h"
#include "bench/bench_station.h"
#include "record/multi_turn_file.h"
#include "record/session_file.h"
#include "tests/support/headless_engine.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace {
// A session recording into a folder of its own, as the session button starts it; the session is
// closed and the folder removed afterwards.
class BenchSession {
  public:
    BenchSession() {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        folder =
            std::filesystem::temp_directory_path() / ("zan_record_bench_" + std::to_string(stamp));
        std::filesystem::create_directories(folder);
        UseEngine(&engine);
        StartBenchStation("zan_01.uir");
        zan.measure.cadence = 90.0f;
        zan.measure.speed = 30.0f;
        zan.measure.heartRate = 130.0f;
        zan.measure.powerTotal = 233.0f;
        zan.measure.powerLeft = zan.measure.powerRight = 116.5f;
        engine.dirAnswers.push_back(folder.string());
        SAVE(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
    }
    ~BenchSession() {
        if (zan.record.sessionActive != 0) StopSession(zan.record, zan.measure, zan.setup);
        UseEngine(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    BenchSession(const BenchSession&) = delete;
    BenchSession& operator=(const BenchSession&) = delete;
    bool Recording() const { return zan.record.sessionActive == 1; }

    HeadlessEngine engine;

  private:
    std::filesystem::path folder;
};

// Argument 0: the row alone. Argument 1: a second passes per row, as at the 1-s interval, so
// every fifth row also has the file stored on disk.
void BM_SessionRow(benchmark::State& state) {
    BenchSession session;
    if (!session.Recording()) {
        state.SkipWithError("no session");
        return;
    }
    const double secondsPerRow = static_cast<double>(state.range(0));
    for (auto _ : state) {
        session.engine.now += secondsPerRow;
        SaveRowNow(zan);
    }
    if (zan.record.sessionWriteFailed != 0) state.SkipWithError("a row was not written");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SessionRow)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A capture of 1000 frames written as its file: created, 1000 rows, the trailer, stored on disk
// and closed.
void BM_MultiTurnFile(benchmark::State& state) {
    BenchSession session;
    if (!session.Recording()) {
        state.SkipWithError("no session");
        return;
    }
    for (int i = 0; i < 1000; ++i) {
        zan.record.captureRight[i] = 150.0f + static_cast<float>(i % 33);
        zan.record.captureLeft[i] = 140.0f + static_cast<float>(i % 33);
        zan.record.capturePower[i] = 230.0f + static_cast<float>(i % 66);
    }
    for (auto _ : state) {
        zan.record.captureCount = 1000;
        Save10(zan.record);
        state.PauseTiming();
        // The next capture gets the same name, not a numbered copy beside this one.
        const bool written = std::filesystem::remove(zan.record.turnPath);
        state.ResumeTiming();
        if (!written) {
            state.SkipWithError("no multi-turn file");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_MultiTurnFile)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
