// A ride played again from its raw stream with no window (zan_pc --replay FILE --export): an
// hour's stream of a crank at 90 rpm, 50 frames a second, converted into its session, FIT and
// TCX files. The rate is the frames of the stream over the time the whole conversion takes.
#include "station/replay.h"
#include "bench/hour_stream.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {
void ReplayHour(benchmark::State& state) {
    long long frames = 0;
    const std::filesystem::path stream = HourStream(state.range(0), frames);
    for (auto _ : state) {
        std::string session;
        std::string note;
        std::string error;
        if (!ReplayExport(stream.string(), session, note, error))
            state.SkipWithError(error.c_str());
        state.PauseTiming();
        // Each run writes its files anew, beside the stream under its name.
        for (const char* ending : {".csv", ".fit", ".tcx"})
            std::filesystem::remove(session.substr(0, session.size() - 4) + ending);
        state.ResumeTiming();
    }
    state.counters["frames_per_s"] = benchmark::Counter(
        static_cast<double>(frames), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["stream_MB"] = static_cast<double>(std::filesystem::file_size(stream)) / 1e6;
    std::error_code ignored;
    std::filesystem::remove_all(stream.parent_path(), ignored);
}
BENCHMARK(ReplayHour)->Arg(3600)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace

BENCHMARK_MAIN();
