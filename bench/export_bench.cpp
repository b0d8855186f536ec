// Converting a long session file into its FIT and TCX files: the time it takes, and the most heap
// the conversion holds at once (counted by this program's own operator new), which must stay
// bounded however many rows the file has.
#include "export/ride_export.h"
#include "record/session_columns.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>

namespace {
std::atomic<std::size_t> heapNow{0};
std::atomic<std::size_t> heapPeak{0};
// Each block carries its size in front of it, so a delete knows what it gives back.
constexpr std::size_t blockHeader = alignof(std::max_align_t);

void* Take(std::size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + blockHeader));
    if (block == nullptr) throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(block) = size;
    const std::size_t now = heapNow += size;
    for (std::size_t peak = heapPeak; now > peak && !heapPeak.compare_exchange_weak(peak, now);) {
    }
    return block + blockHeader;
}

void Give(void* pointer) {
    if (pointer == nullptr) return;
    auto* block = static_cast<unsigned char*>(pointer) - blockHeader;
    heapNow -= *reinterpret_cast<std::size_t*>(block);
    std::free(block);
}

// A ride of the given rows at 1 s, with the header and trailer the station writes.
std::filesystem::path LongSession(int rows) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("zan_export_bench_" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path path = folder / "S_071226_10-00.csv";
    std::ofstream file(path, std::ios::binary);
    file << "ZAN_session_file ,S_071226_10-00.csv\nKM @ Start ,1234.500\nTime @ Start ,10:00:00\n"
         << SessionColumnNames() << '\n';
    for (int i = 0; i < rows; ++i) {
        const int seconds = 36000 + i + 1;
        char row[256];
        std::snprintf(row, sizeof row,
                      "%5d,%02d:%02d:%02d,000,000,000,130.0,90.0,36.0,%.1f,230.0,110.4,119.6,1.0,"
                      "1.0,0.0,0.0,80.0,99.9,1234.500,24.40,11.71,12.69,48\n",
                      i, seconds / 3600 % 24, seconds / 60 % 60, seconds % 60, i * 0.25);
        file << row;
    }
    file << "#####\nKM @ Stop ,2234.500\nTime @ Stop ,13:46:41\nKcal @ Stop ,25000.0\n"
            "POWER ave ,230.0\nSPEED ave ,36.0\n";
    return path;
}

void ExportLongRide(benchmark::State& state) {
    const auto rows = static_cast<int>(state.range(0));
    const std::filesystem::path path = LongSession(rows);
    std::size_t peak = 0;
    for (auto _ : state) {
        heapPeak = heapNow.load();
        const std::size_t before = heapNow;
        std::string error;
        if (!ExportRide(path.string(), 0, nullptr, RideZone{}, error))
            state.SkipWithError(error.c_str());
        peak = std::max(peak, heapPeak - before);
    }
    state.counters["peak_heap_MB"] = static_cast<double>(peak) / 1e6;
    state.counters["rows"] = rows;
    std::error_code ignored;
    std::filesystem::remove_all(path.parent_path(), ignored);
}
BENCHMARK(ExportLongRide)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
} // namespace

void* operator new(std::size_t size) {
    return Take(size);
}
void* operator new[](std::size_t size) {
    return Take(size);
}
void operator delete(void* pointer) noexcept {
    Give(pointer);
}
void operator delete[](void* pointer) noexcept {
    Give(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
    Give(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
    Give(pointer);
}

BENCHMARK_MAIN();
