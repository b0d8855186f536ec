// The review window shares the station's event loop: what opening a long ride takes, and what one
// move of the cursor costs (the read-outs and a redraw of the whole ride), is time the link timer
// waits. A raw stream is read (played again) beside the loop, and its cursor also draws the force
// curves and the polar view; the report of two such rides is drawn once they are read.
#include "bench/hour_stream.h"
#include "bench/qt_bench_main.h"
#include "record/session_columns.h"
#include "review/review_window.h"
#include "review/ride_report.h"
#include "station/replay.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <qcustomplot.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {
// A ride of the given seconds in a folder of its own; the folder goes with the object.
struct LongRide {
    explicit LongRide(int seconds)
        : folder(std::filesystem::temp_directory_path() /
                 ("zan_review_bench_" +
                  std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()))) {
        std::filesystem::create_directories(folder);
        path = (folder / "S_071226_10-00.csv").string();
        std::ofstream file(path, std::ios::binary);
        file << "ZAN_session_file ,S_071226_10-00.csv\nKM @ Start ,0.000\nTime @ Start ,10:00:00\n"
             << SessionColumnNames() << '\n';
        for (int i = 0; i < seconds; ++i) {
            const int clock = 36000 + i + 1;
            const double power = 230.0 + 50.0 * std::sin(i / 60.0);
            char row[256];
            std::snprintf(row, sizeof row,
                          "%5d,%02d:%02d:%02d,000,000,000,130.0,88.0,34.0,0.0,%.1f,%.1f,%.1f,0.0,"
                          "0.0,0.0,0.0,80.0,99.9,0.000,0.00,0.00,0.00,48\n",
                          i, clock / 3600 % 24, clock / 60 % 60, clock % 60, power, power * 0.48,
                          power * 0.52);
            file << row;
        }
    }
    ~LongRide() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    LongRide(const LongRide&) = delete;
    LongRide& operator=(const LongRide&) = delete;
    std::filesystem::path folder;
    std::string path;
};

// Reading the file alone: the series and the summary.
void BM_ReviewRead(benchmark::State& state) {
    const LongRide ride(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ReviewRide read;
        std::string error;
        if (!ReadReviewRide(ride.path, read, error)) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(read.summary);
    }
}
BENCHMARK(BM_ReviewRead)->Arg(3600)->Arg(36000)->Unit(benchmark::kMillisecond);

void BM_ReviewOpen(benchmark::State& state) {
    const LongRide ride(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::string error;
        ReviewWindow* window = ReviewWindow::Open(ride.path, error);
        if (window == nullptr) {
            state.SkipWithError(error.c_str());
            break;
        }
        window->Plot()->replot();
        QCoreApplication::processEvents();
        delete window;
    }
    state.counters["rows"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_ReviewOpen)->Arg(3600)->Arg(36000)->Unit(benchmark::kMillisecond);

// The ride's window, or none when the benchmark is skipped with the reason.
std::unique_ptr<ReviewWindow> OpenOrSkip(benchmark::State& state, const LongRide& ride) {
    std::string error;
    std::unique_ptr<ReviewWindow> window(ReviewWindow::Open(ride.path, error));
    if (window == nullptr) state.SkipWithError(error.c_str());
    return window;
}

// A drag or a zoom: the whole ride's lines drawn again.
void BM_ReviewRedraw(benchmark::State& state) {
    const LongRide ride(static_cast<int>(state.range(0)));
    const std::unique_ptr<ReviewWindow> window = OpenOrSkip(state, ride);
    if (window == nullptr) return;
    for (auto _ : state) window->Plot()->replot();
}
BENCHMARK(BM_ReviewRedraw)->Arg(3600)->Arg(36000)->Unit(benchmark::kMillisecond);

// The pointer moves over the whole ride shown: new read-outs and the cursor redrawn, as the event
// loop then paints it.
void BM_ReviewCursorMove(benchmark::State& state) {
    const LongRide ride(static_cast<int>(state.range(0)));
    const std::unique_ptr<ReviewWindow> window = OpenOrSkip(state, ride);
    if (window == nullptr) return;
    double at = 0.0;
    for (auto _ : state) {
        at = std::fmod(at + 7.0, static_cast<double>(state.range(0)));
        window->SetCursorSeconds(at);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_ReviewCursorMove)->Arg(3600)->Arg(36000)->Unit(benchmark::kMillisecond);
// A raw stream read for the review: played through the station's frame path into a private
// session file, read back with every frame kept. Off the event loop, but the rider waits for it.
void BM_ReviewStreamRead(benchmark::State& state) {
    long long frames = 0;
    const std::filesystem::path stream = HourStream(state.range(0), frames);
    for (auto _ : state) {
        ReviewRide read;
        std::string error;
        if (!ReadReviewStream(stream.string(), read, error)) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(read.frames.data());
    }
    state.counters["frames"] = static_cast<double>(frames);
    std::error_code ignored;
    std::filesystem::remove_all(stream.parent_path(), ignored);
}
BENCHMARK(BM_ReviewStreamRead)->Arg(3600)->Unit(benchmark::kMillisecond)->UseRealTime();

// The pointer moves over a stream's ride: the read-outs, the force curves of two revolutions and
// the polar view of the last ten, as the event loop then paints them.
void BM_ReviewStreamCursorMove(benchmark::State& state) {
    long long frames = 0;
    const std::filesystem::path stream = HourStream(state.range(0), frames);
    ReviewRide ride;
    std::string error;
    if (!ReadReviewStream(stream.string(), ride, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    ReviewWindow window(std::move(ride));
    window.show();
    QCoreApplication::processEvents();
    double at = 0.0;
    for (auto _ : state) {
        at = std::fmod(at + 7.0, static_cast<double>(state.range(0)));
        window.SetCursorSeconds(at);
        QCoreApplication::processEvents();
    }
    std::error_code ignored;
    std::filesystem::remove_all(stream.parent_path(), ignored);
}
BENCHMARK(BM_ReviewStreamCursorMove)->Arg(3600)->Unit(benchmark::kMillisecond);

// The before-and-after report of two rides of an hour: each ride's every revolution into its
// whole-ride polar, and the page drawn into a PDF. The rider waits for it after the rides are read.
void BM_ReviewReport(benchmark::State& state) {
    long long frames = 0;
    const std::filesystem::path stream = HourStream(state.range(0), frames);
    ReviewRide ride;
    std::string error;
    if (!ReadReviewStream(stream.string(), ride, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(RideReportPdf({&ride, &ride}).size());
    state.counters["frames"] = static_cast<double>(2 * frames);
    std::error_code ignored;
    std::filesystem::remove_all(stream.parent_path(), ignored);
}
BENCHMARK(BM_ReviewReport)->Arg(3600)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
