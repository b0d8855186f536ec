// A ride played again from its raw stream with no window (zan_pc --replay FILE --export): an
// hour's stream of a crank at 90 rpm, 50 frames a second, converted into its session, FIT and
// TCX files. The rate is the frames of the stream over the time the whole conversion takes.
#include "app/replay.h"
#include "protocol/frame.h"
#include "record/raw_stream_format.h"
#include "tools/crank_model.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {
// An hour (or the given seconds) of frames, one frame a 20 ms link tick, on the setup the
// emulator's scales match.
std::filesystem::path HourStream(long long seconds, long long& frames) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("zan_replay_bench_" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder);
    RawStreamHeader header{};
    header.version = rawStreamVersion;
    std::strcpy(header.stationVersion, "1.6 (110126)");
    header.crankSerial = 123;
    header.crankVersion = 4;
    header.startDateTime = 1796634000.0; // 2026-12-07 09:00 on the station's clock
    SetupParameters& setup = header.setup.parameters;
    setup = SetupParameters{1000.0f, 0.5f, 1000.0f, 137.5f, 1000.0f, 0.5f, 1000.0f, 137.5f,
                            667.18f, 0,    55.0f,   172.5f, 1234.5f, 0.0f, 0.0f,    1,
                            1,       0.0f, 0.0f,    0.0f,   0,       0,    123};
    std::strcpy(header.portName, "COM5");
    header.baud = 38400;
    header.dataBits = 8;
    header.stopBits = 1;
    const std::filesystem::path path = folder / "S_071226_09-00.zanraw";
    std::ofstream file(path, std::ios::binary);
    const std::vector<unsigned char> head = EncodeRawHeader(header);
    file.write(reinterpret_cast<const char*>(head.data()),
               static_cast<std::streamsize>(head.size()));
    const StrokeSettings stroke{90.0, 50.0, 300.0, 300.0};
    const FrameScales scales{1000.0, 0.5, 0.4};
    frames = seconds * 50;
    for (long long n = 0; n < frames; ++n) {
        const CrankSample sample = SampleCrank(stroke, n);
        CrankFrame frame{};
        SetForceWords(frame, sample.rightForce, sample.leftForce, scales);
        frame.crankWord = CrankWord(90.0, sample.revolutionStart);
        frame.wheelWord = WheelWord(30.0, 2096.0);
        frame.heartRateWord = HeartRateWord(120.0);
        frame.battery = BatteryCode(80.0);
        unsigned char block[rawBlockHeadMaxLength + frameLength];
        unsigned char head[rawBlockHeadMaxLength];
        const auto tick = static_cast<std::uint32_t>(n + 1);
        const std::size_t headLength = EncodeRawBlockHead(
            rawStreamVersion, RawBlockHead{RawBlockKind::Port, tick, frameLength}, tick - 1, head);
        std::memcpy(block, head, headLength);
        EncodeFrame(frame, block + headLength);
        file.write(reinterpret_cast<const char*>(block),
                   static_cast<std::streamsize>(headLength + frameLength));
    }
    return path;
}

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
