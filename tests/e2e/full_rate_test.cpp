// The link at its full rate: the emulator streams 213 frames a second, as many as 38400 baud
// carries, while a session records and single-turn and multi-turn files are written. Every frame
// the crank sent reaches the station whole. ZAN_FULL_RATE_SECONDS sets how long it streams (20 s
// unless told; docs/figures.md gives the 10-minute run).
#ifndef _WIN32

#include "app/callbacks.h"
#include "app/startup.h"
#include "app/station.h"
#include "setup/catalogue.h"
#include "tests/support/crank_link_fixture.h"
#include "tests/support/real_time_timers.h"
#include "tests/support/session_command.h"
#include "tests/support/session_rows.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {
constexpr double defaultSeconds = 20.0;
// The crank holds its frames back this long after the start, after the station opens the port
// and after the station asks for its identity, so every frame it counts goes to an open port.
constexpr double answerDelay = 1.0;
// A capture or a turn file every so often while the session records. A capture waits for the
// end of a window and takes 1000 frames: at 213 frames a second it is done within 7 s.
constexpr double fileEvery = 4.0;
constexpr double captureSeconds = 7.0;

double StreamSeconds() {
    const char* text = std::getenv("ZAN_FULL_RATE_SECONDS");
    const double seconds = text != nullptr ? std::atof(text) : 0.0;
    return seconds > 0.0 ? seconds : defaultSeconds;
}

// The emulator's totals file: one "name count" a line.
std::map<std::string, long long> ReadTotals(const std::string& path) {
    std::map<std::string, long long> totals;
    std::ifstream in(path);
    std::string name;
    long long count = 0;
    while (in >> name >> count) totals[name] = count;
    return totals;
}

std::vector<std::filesystem::path> FilesStartingWith(const std::filesystem::path& folder,
                                                     const std::string& prefix) {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().rfind(prefix, 0) == 0) found.push_back(entry.path());
    return found;
}

std::vector<std::string> Lines(const std::filesystem::path& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void Press(CtrlCallbackPtr command) {
    Station& zan = EngineStation();
    command(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
}
} // namespace

class FullRateTest : public CrankLinkFixture {};

TEST_F(FullRateTest, EveryFrameAtTheLinksFullRateArrivesWhileTheStationRecords) {
    const double seconds = StreamSeconds();
    // Frames flow after two answer delays (the open, the identity request) and stop for good
    // once the stream has run its time.
    const double silentAfter = seconds + 2.0 * answerDelay + 1.0;
    ASSERT_TRUE(
        crank.Start(5, {"--rate", "213", "--answer-delay", std::to_string(answerDelay),
                        "--silent-after", std::to_string(silentAfter), "--totals", "totals.txt"}));
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(StartStation(EngineStation(), nullptr, ""), 0);
    RealTimeTimers timers(engine);
    ASSERT_TRUE(timers.RunUntil([&] { return zan.link.handshakeFrames > 65; }, 10.0));
    EXPECT_EQ(zan.link.deviceSerial, 123);

    const std::filesystem::path ride = std::filesystem::current_path() / "ride";
    std::filesystem::create_directory(ride);
    engine.dirAnswers.push_back(ride.string());
    Press(SAVE);
    ASSERT_EQ(zan.record.sessionActive, 1);

    // Captures and turn files alternate while the crank streams.
    int turnFiles = 0;
    int captures = 0;
    const auto sinceStart = [&started] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    for (int round = 0; sinceStart() + fileEvery + captureSeconds < silentAfter; ++round) {
        timers.RunFor(fileEvery);
        if (round % 2 == 1) {
            Press(SAVET);
            turnFiles += 1;
        } else if (zan.record.captureState == CaptureState::Idle) {
            Press(SAVE10);
            captures += 1;
        }
    }
    // The crank falls silent; what it sent last is read, then the session closes.
    timers.RunFor(silentAfter - sinceStart() + 1.0);
    ASSERT_EQ(zan.record.captureState, CaptureState::Idle)
        << "a capture was still running when the crank stopped";
    Press(SAVE);
    crank.Stop();

    const std::map<std::string, long long> totals = ReadTotals("totals.txt");
    ASSERT_EQ(totals.count("frames_sent"), 1u) << "the emulator wrote no totals";
    EXPECT_GT(totals.at("frames_sent"), static_cast<long long>(200.0 * seconds));
    EXPECT_EQ(totals.at("frames_lost"), 0);
    EXPECT_EQ(zan.link.assembler.linkFrames, totals.at("frames_sent"));
    EXPECT_EQ(zan.link.assembler.linkSkippedBytes, 0);
    EXPECT_EQ(zan.link.assembler.linkCutFrames, 0);
    std::printf("213 frames/s for %.0f s: %lld frames sent, %lld received, %lld bytes skipped, "
                "%lld frames cut\n",
                seconds, totals.at("frames_sent"), zan.link.assembler.linkFrames,
                zan.link.assembler.linkSkippedBytes, zan.link.assembler.linkCutFrames);

    // The session holds a row a second, numbered without a gap; every file is whole.
    std::vector<std::filesystem::path> sessions = FilesStartingWith(ride, "S_");
    // The raw stream beside the session file is no session file.
    std::erase_if(sessions,
                  [](const std::filesystem::path& path) { return path.extension() != ".csv"; });
    ASSERT_EQ(sessions.size(), 1u);
    const SessionRows session = ReadSessionRows(sessions[0].string());
    EXPECT_TRUE(RowsNumberedWithoutGap(session));
    EXPECT_TRUE(session.wholeLines);
    EXPECT_GE(static_cast<double>(session.rows.size()), seconds - 2.0);
    ASSERT_FALSE(session.trailer.empty());
    EXPECT_EQ(session.trailer[0], "#####");
    const std::vector<std::filesystem::path> turns = FilesStartingWith(ride, "T_");
    EXPECT_EQ(static_cast<int>(turns.size()), turnFiles);
    for (const std::filesystem::path& turn : turns) EXPECT_EQ(Lines(turn).back(), "#####");
    const std::vector<std::filesystem::path> multi = FilesStartingWith(ride, "X_");
    EXPECT_GE(captures, 1);
    EXPECT_EQ(static_cast<int>(multi.size()), captures);
    for (const std::filesystem::path& file : multi) EXPECT_EQ(Lines(file).size(), 1003u);
}

#endif
