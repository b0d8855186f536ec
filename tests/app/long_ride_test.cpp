// A day-long ride on the virtual clock: the emulated crank at 50 frames a second, a session
// recording a row a second and the display ticking in each plot mode in turn. The counters and
// histories wrap as they should, the energy adds up, every row reaches the file and the memory
// the station holds stays flat. ZAN_LONG_RIDE_HOURS sets the length (24 for the whole day).
#include "app/callbacks.h"
#include "setup/catalogue.h"
#include "tests/support/emulated_crank.h"
#include "tests/support/session_rows.h"
#include "tests/support/station_fixture.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#if defined(__linux__)
#include <malloc.h>
#include <unistd.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define ZAN_HEAP_FROM_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZAN_HEAP_FROM_SANITIZER 1
#endif
#endif

#ifdef ZAN_HEAP_FROM_SANITIZER
// Bytes the program holds, without what AddressSanitizer keeps back after a free.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
extern "C" void __sanitizer_purge_allocator();
extern "C" void __asan_get_shadow_mapping(std::size_t* scale, std::size_t* offset);
#endif

namespace {
// Three hours wrap the time-plot histories once and keep the test short under the sanitizers.
constexpr double defaultHours = 3.0;
constexpr double sessionStart = 10.0;
constexpr int historyPoints = 8001;
constexpr double megabyte = 1024.0 * 1024.0;

// The memory is compared from the first hour on, so a ride asked for shorter than 1.5 h gets the
// default.
double RideHours() {
    const char* hours = std::getenv("ZAN_LONG_RIDE_HOURS");
    const double chosen = hours == nullptr ? defaultHours : std::atof(hours);
    return chosen >= 1.5 ? chosen : defaultHours;
}

#if defined(__linux__)
// Resident memory of the sanitizer's shadow, which maps every heap byte it ever saw: 0 without it.
double ShadowMegabytes() {
    double kilobytes = 0.0;
#if defined(ZAN_HEAP_FROM_SANITIZER)
    // The shadow of the whole user address space (47 bits on x86-64, 48 on ARM64).
    std::size_t scale = 0;
    std::size_t offset = 0;
    __asan_get_shadow_mapping(&scale, &offset);
#if defined(__aarch64__)
    constexpr unsigned long long userSpace = 1ULL << 48;
#else
    constexpr unsigned long long userSpace = 1ULL << 47;
#endif
    const unsigned long long shadowStart = offset;
    const unsigned long long shadowEnd = offset + (userSpace >> scale);
    std::ifstream maps("/proc/self/smaps");
    bool inShadow = false;
    for (std::string line; std::getline(maps, line);) {
        unsigned long long start = 0;
        unsigned long long end = 0;
        if (std::sscanf(line.c_str(), "%llx-%llx ", &start, &end) == 2) {
            inShadow = start >= shadowStart && end <= shadowEnd;
            continue;
        }
        double rss = 0.0;
        if (inShadow && std::sscanf(line.c_str(), "Rss: %lf kB", &rss) == 1) kilobytes += rss;
    }
#endif
    return kilobytes / 1024.0;
}
#endif

// What the process holds in memory: its resident set less the sanitizer's shadow. Blocks freed
// lately are handed back first: the sanitizer keeps them in quarantine (up to 256 MB) to catch
// late uses, the C library on its free lists.
// Linux only; 0 elsewhere.
double ResidentMegabytes() {
#if defined(__linux__)
#ifdef ZAN_HEAP_FROM_SANITIZER
    __sanitizer_purge_allocator();
#else
    malloc_trim(0);
#endif
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / megabyte -
           ShadowMegabytes();
#else
    return 0.0;
#endif
}

// The heap blocks in use; Linux only, 0 elsewhere.
double HeapMegabytes() {
#if defined(ZAN_HEAP_FROM_SANITIZER)
    return static_cast<double>(__sanitizer_get_current_allocated_bytes()) / megabyte;
#elif defined(__linux__)
    return static_cast<double>(mallinfo2().uordblks) / megabyte;
#else
    return 0.0;
#endif
}

void Press(CtrlCallbackPtr command) {
    Station& zan = EngineStation();
    command(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
}
} // namespace

class LongRideTest : public StationTest {};

TEST_F(LongRideTest, DayLongRideWrapsTheHistoriesKeepsMemoryFlatAndRecordsEveryRow) {
    const double hours = RideHours();
    const double rideEnd = sessionStart + hours * 3600.0;
    WriteFile("zan_01.set", MatchingSetupFile());
    WriteFile("zan_com.set", "5\n0\n1\n1\n");
    EmulatedCrankSettings settings;
    settings.rightPeak = 300.0;
    settings.leftPeak = 200.0;
    settings.heartRate = 135.0;
    const EmulatedCrank& crank = PlayEmulatedCrank(engine, "COM5", settings);
    std::filesystem::create_directory(folder / "ride");
    engine.dirAnswers.push_back((folder / "ride").string());
    const auto realStart = std::chrono::steady_clock::now();
    ASSERT_EQ(Start(), 0);
    engine.At(sessionStart, [] { Press(SAVE); });

    // Ten virtual seconds at a time, one second at a time about the histories' wrap (a window
    // lasts 4/3 s, so no index goes unseen there). The plot mode moves on every hour: trace,
    // power curve, time plot.
    int windows = 0;
    int wraps = 0;
    int previousHistory = 0;
    double residentAfterHour = 0.0;
    double heapAfterHour = 0.0;
    // The rows kept for the ride files written at the close grow with the session, as they must.
    const auto keptMegabytes = [this] {
        return static_cast<double>(zan.record.kept.rows.capacity() * sizeof(KeptRow)) / megabyte;
    };
    double keptAfterHour = 0.0;
    for (double t = 10.0;;) {
        SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, static_cast<int>(t / 3600.0) % 3);
        engine.RunUntil(t);
        const int history = zan.measure.historyIndex;
        ASSERT_GE(history, 0);
        ASSERT_LT(history, historyPoints);
        if (history < previousHistory) {
            // The last slot filled, the index starts again from the first.
            EXPECT_EQ(previousHistory, historyPoints - 1) << "at " << t << " s";
            EXPECT_EQ(history, 0) << "at " << t << " s";
            wraps += 1;
        }
        windows += (history - previousHistory + historyPoints) % historyPoints;
        previousHistory = history;
        // The frame count is the crank's; the last revolution began within one revolution.
        ASSERT_NEAR(zan.link.frameCounter, 1000 + crank.framesSent, 1.0) << "at " << t << " s";
        ASSERT_GE(zan.link.frameCounter - zan.link.lastTurnFrame, 0);
        ASSERT_LE(zan.link.frameCounter - zan.link.lastTurnFrame, 34);
        if (t == sessionStart + 3600.0) {
            residentAfterHour = ResidentMegabytes();
            heapAfterHour = HeapMegabytes();
            keptAfterHour = keptMegabytes();
        }
        if (t >= rideEnd) break;
        const bool nearWrap = history >= historyPoints - 20 || history < 2;
        t = std::min(t + (nearWrap ? 1.0 : 10.0), rideEnd);
    }
    const double residentAtEnd = ResidentMegabytes();
    const double heapAtEnd = HeapMegabytes();
    const double keptAtEnd = keptMegabytes();
    Press(SAVE);
    const double realSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - realStart).count();
    std::printf("%.0f h ride: %.1f s real; resident %.1f MB after 1 h, %.1f MB at the end; heap "
                "%.2f MB after 1 h, %.2f MB at the end; %.1f kcal\n",
                hours, realSeconds, residentAfterHour, residentAtEnd, heapAfterHour, heapAtEnd,
                static_cast<double>(zan.measure.kcalTotal));

    // 90 rpm: a two-revolution window every 4/3 s; the histories wrap after 8001 windows.
    const double expectedWindows = rideEnd * 90.0 / 120.0;
    EXPECT_NEAR(windows, expectedWindows, 3.0);
    EXPECT_EQ(wraps, static_cast<int>(expectedWindows / historyPoints));
    EXPECT_GE(wraps, 1);

    // 0.9 × peak / π of mean force on each pedal, at 172.5 mm and 2/3 s a revolution.
    const double power = 6.2831853 * 0.9 * (300.0 + 200.0) / 3.1415926 * 172.5 / (60000.0 / 90.0);
    const double rideSeconds = rideEnd - sessionStart;
    const double kcal = power * rideSeconds / 0.22 / 4186.0;
    EXPECT_NEAR(zan.measure.kcalTotal, kcal, 0.005 * kcal);

    const SessionRows session = ReadSessionRows(zan.record.sessionPath);
    ASSERT_TRUE(session.found);
    EXPECT_TRUE(session.wholeLines);
    EXPECT_NEAR(static_cast<double>(session.rows.size()), rideSeconds, 1.0);
    EXPECT_TRUE(RowsNumberedWithoutGap(session));
    for (const std::vector<std::string>& row : session.rows) {
        ASSERT_EQ(row.size(), 23u);
        ASSERT_NEAR(std::stod(row[SessionCell::Cadence]), 90.0, 1.0) << row[SessionCell::Index];
    }
    EXPECT_EQ(session.trailer.size(), 6u);
    EXPECT_NEAR(std::stod(SplitCells(session.trailer[3])[1]), zan.measure.kcalTotal, 0.1);

    // After the first hour nothing more is kept but the session's rows: no other growth of the
    // heap, and the process's resident memory stays within a few megabytes.
    EXPECT_LT((heapAtEnd - keptAtEnd) - (heapAfterHour - keptAfterHour), 0.5);
    EXPECT_LT(residentAtEnd - residentAfterHour, 5.0);
}
