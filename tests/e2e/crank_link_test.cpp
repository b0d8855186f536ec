// The station's frame reader on the real serial layer, with the crank emulator at the other end
// of a pseudo-terminal.
#ifndef _WIN32

#include "app/callbacks.h"
#include "app/replay.h"
#include "app/startup.h"
#include "app/station.h"
#include "link/frame_reader.h"
#include "setup/catalogue.h"
#include "tests/support/crank_link_fixture.h"
#include "tests/support/real_time_timers.h"
#include "tests/support/session_rows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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
