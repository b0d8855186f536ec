// The station's frame reader on the real serial layer, with the crank emulator at the other end
// of a pseudo-terminal.
#ifndef _WIN32

#include "app/callbacks.h"
#include "app/device_search.h"
#include "app/startup.h"
#include "app/station.h"
#include "link/frame_reader.h"
#include "setup/catalogue.h"
#include "station/replay.h"
#include "tests/support/child_process.h"
#include "tests/support/crank_link_fixture.h"
#include "tests/support/real_time_timers.h"
#include "tests/support/session_rows.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

class CrankLinkTest : public CrankLinkFixture {};

TEST_F(CrankLinkTest, StationIdentifiesTheCrankAndMeasuresWhatItWasToldToPedal) {
    ASSERT_TRUE(crank.Start(5, {"--cadence", "90", "--right-force", "300", "--left-force", "200",
                                "--serial", "123", "--version", "4", "--speed", "30", "--hr", "135",
                                "--battery", "80"}));
    ASSERT_EQ(StartStation(EngineStation(), nullptr, ""), 0);
    ReadUntil([] { return false; }, 11.0);

    EXPECT_EQ(zan.link.deviceSerial, 123);
    EXPECT_EQ(zan.link.deviceVersion, 4);
    EXPECT_EQ(zan.link.serialMismatch, 0);
    EXPECT_EQ(engine.Panel(zan.setup.mainPanel).Title(),
              "Orvelta (ZAN_pc Ver -> 1.6 (110126) ) (Setup file -> zan_01.set) "
              "( Connected to ZAN -> SW_04  SN_123 )");
    EXPECT_NEAR(60000.0 / zan.link.turnPeriod, 90.0, 1.5);
    // Each pedal pushes peak × sin on its downstroke and pulls a tenth of that on the upstroke:
    // a mean force of 0.9 × peak / π over the revolution.
    const double period = 60000.0 / 90.0;
    const double rightPower = 6.2831853 * 0.9 * 300.0 / 3.1415926 * 172.5 / period;
    const double leftPower = 6.2831853 * 0.9 * 200.0 / 3.1415926 * 172.5 / period;
    EXPECT_NEAR(zan.measure.powerRight, rightPower, 0.05 * rightPower);
    EXPECT_NEAR(zan.measure.powerLeft, leftPower, 0.05 * leftPower);
    EXPECT_NEAR(zan.measure.powerTotal, rightPower + leftPower, 0.05 * (rightPower + leftPower));
    EXPECT_EQ(zan.link.heartRateWord, 270);
    EXPECT_EQ(zan.link.batteryByte, 154);
    EXPECT_NEAR(3.6 * 2096.0 / (zan.link.wheelPeriodWord / 2.0), 30.0, 0.5);
}

// Two stations on one crank, each in a process of its own as a rider starts them: the second,
// in a folder of its own whose COM6 links to the crank's device, is told the port is busy and
// reads nothing all the while it runs, and the first measures every byte: its rows hold the power
// pedalled, not the 0 W or the broken values of two readers sharing the frames.
TEST_F(CrankLinkTest, ASecondStationOnTheCranksPortIsToldItIsBusyAndTheFirstRecordsRight) {
    ASSERT_TRUE(crank.Start(5, {"--cadence", "90", "--right-force", "300", "--left-force", "200"}));
    const std::filesystem::path here = std::filesystem::current_path();
    const std::filesystem::path there = here / "second";
    std::filesystem::create_directories(there / "ports");
    std::filesystem::create_symlink(std::filesystem::read_symlink(here / "ports" / "COM5"),
                                    there / "ports" / "COM6");
    std::ofstream(there / "zan_01.set") << MatchingSetupFile();
    std::ofstream(there / "zan_com.set") << "6\n0\n0\n0\n";

    // The second station starts once the first has its port, and runs 10 s on the real clock;
    // it reports 1 when it said the port is busy and took no frame, else 0.
    int go[2];
    int report[2];
    ASSERT_EQ(pipe(go), 0);
    ASSERT_EQ(pipe(report), 0);
    ChildProcess second;
    ASSERT_TRUE(second.Fork([&] {
        char started = 0;
        if (read(go[0], &started, 1) != 1) return;
        std::filesystem::current_path(there);
        RealPortEngine secondEngine;
        const auto station = std::make_unique<Station>();
        UseEngine(&secondEngine);
        UseStation(*station);
        int told = 0;
        if (StartStation(*station, nullptr, "") == 0) {
            RealTimeTimers(secondEngine).RunFor(10.0);
            const std::vector<std::string>& lines =
                secondEngine.Control(station->setup.mainPanel, MAIN_MESSAGES).lines;
            told = !lines.empty() &&
                   lines[0] == "COM6 not opened: busy: another station or program has it open. "
                               "Nothing is measured from it." &&
                   station->link.handshakeFrames == 0;
        }
        if (write(report[1], &told, sizeof told) < 0) return;
    }));

    ASSERT_EQ(StartStation(EngineStation(), nullptr, ""), 0);
    ASSERT_EQ(write(go[1], "g", 1), 1);
    RealTimeTimers timers(engine);
    ASSERT_TRUE(timers.RunUntil([this] { return zan.link.deviceSerial == 123; }, 10.0));
    // The revolution period settles over the first revolutions.
    timers.RunFor(2.0);
    const std::filesystem::path ride = here / "ride";
    std::filesystem::create_directory(ride);
    engine.dirAnswers.push_back(ride.string());
    SESSION(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_EQ(zan.record.sessionActive, 1);
    timers.RunFor(6.0);
    SESSION(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);

    const double period = 60000.0 / 90.0;
    const double power = 6.2831853 * 0.9 * (300.0 + 200.0) / 3.1415926 * 172.5 / period;
    const SessionRows session = ReadSessionRows(zan.record.sessionPath);
    ASSERT_GE(session.rows.size(), 5u);
    for (const std::vector<std::string>& row : session.rows)
        EXPECT_NEAR(std::stod(row[SessionCell::PowerTotal]), power, 0.05 * power);
    ASSERT_TRUE(second.WaitForEnd(20.0));
    int told = 0;
    EXPECT_EQ(read(report[0], &told, sizeof told), static_cast<ssize_t>(sizeof told));
    EXPECT_EQ(told, 1);
    for (int fd : {go[0], go[1], report[0], report[1]}) close(fd);
}

// The search's pauses between empty reads take real time, as in the program, so the emulator's
// frames come while it polls.
class RealSleepPortEngine : public RealPortEngine {
  public:
    void Sleep(int milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        RealPortEngine::Sleep(milliseconds);
    }
};

class RfcommSearchTest : public CrankLinkFixtureOn<RealSleepPortEngine> {};

// rfcomm bind 7 <address> gives a paired crank the device rfcomm7 and nothing else: the search
// finds it on COM7 with no link made by hand, and the port file keeps COM7.
TEST_F(RfcommSearchTest, ACrankBoundAsRfcomm7IsFoundOnCom7WithoutALinkMadeByHand) {
    ASSERT_TRUE(crank.Start(7, {"--serial", "417"}));
    const std::filesystem::path device = std::filesystem::read_symlink("ports/COM7");
    std::filesystem::remove("ports/COM7");
    ASSERT_TRUE(folder.Bind(7, device.string()));
    ASSERT_EQ(StartStation(EngineStation(), nullptr, ""), 0);
    SearchZAN(zan, 417);

    EXPECT_EQ(engine.Control(zan.setup.mainPanel, MAIN_MESSAGES).lines,
              (std::vector<std::string>{"Search ZAN sn417 on COM7 ... [ESC=>Skip] \n",
                                        "Found SN417 su COM7"}));
    std::ifstream portFile("zan_com.set");
    std::string firstLine;
    std::getline(portFile, firstLine);
    EXPECT_EQ(firstLine, "7");
}

namespace {
struct SessionStartCase {
    const char* what;
    // The session opens once the crank has named itself, as a rider opens it, rather than
    // before the first byte.
    bool afterHandshake;
};
} // namespace

class LinkReplayTest : public CrankLinkFixture,
                       public ::testing::WithParamInterface<SessionStartCase> {};

// The raw stream read on the real serial layer, in reads as the pseudo-terminal gave them and on
// the real clock, replays to the live session's rows, a zero's setup change mid-way included.
TEST_P(LinkReplayTest, ASessionOnTheLinkReplaysToTheSameRowsValueForValue) {
    ASSERT_TRUE(crank.Start(5, {"--right-force", "300", "--left-force", "200", "--hr", "135"}));
    ASSERT_EQ(StartStation(EngineStation(), nullptr, ""), 0);
    RealTimeTimers timers(engine);
    if (GetParam().afterHandshake) {
        ASSERT_TRUE(timers.RunUntil([this] { return zan.link.deviceSerial == 123; }, 10.0));
    }
    const std::filesystem::path ride = std::filesystem::current_path() / "ride";
    std::filesystem::create_directory(ride);
    engine.dirAnswers.push_back(ride.string());
    SESSION(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_EQ(zan.record.sessionActive, 1);
    timers.RunFor(8.0);
    zan.setup.setup.rightForceOffset += 40.0f;
    timers.RunFor(8.0);
    const std::string live = zan.record.sessionPath;
    SESSION(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
    crank.Stop();

    std::string replayed;
    std::string note;
    std::string error;
    ASSERT_TRUE(ReplayExport(StreamBeside(live), replayed, note, error)) << error;
    UseEngine(&engine);
    UseStation(zan);
    EXPECT_EQ(note, "");
    const SessionRows liveRows = ReadSessionRows(live);
    ASSERT_GE(liveRows.rows.size(), 15u);
    EXPECT_TRUE(SameRows(liveRows, ReadSessionRows(replayed)));
}

INSTANTIATE_TEST_SUITE_P(SessionStarts, LinkReplayTest,
                         ::testing::Values(SessionStartCase{"fromTheFirstByte", false},
                                           SessionStartCase{"afterTheHandshake", true}),
                         [](const auto& info) { return std::string(info.param.what); });

#endif
