// Faults on the crank's link, end to end: the emulator on a pseudo-terminal corrupting and
// dropping bytes, or killed outright in the middle of a session.
#ifndef _WIN32

#include "app/callbacks.h"
#include "app/startup.h"
#include "app/station.h"
#include "setup/catalogue.h"
#include "tests/support/child_process.h"
#include "tests/support/crank_link_fixture.h"
#include "tests/support/real_time_timers.h"
#include "tests/support/session_command.h"
#include "tests/support/session_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>

#ifndef ZAN_CRANK_PATH
#define ZAN_CRANK_PATH "zan_crank"
#endif

namespace {
void Press(CtrlCallbackPtr command) {
    Station& zan = EngineStation();
    command(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
}

// What the emulator is told to pedal.
const std::vector<std::string> ride{"--cadence",    "90",  "--right-force", "300",
                                    "--left-force", "200", "--hr",          "120",
                                    "--speed",      "30",  "--battery",     "80"};

struct Readings {
    std::vector<double> cadence;
    std::vector<double> power;
    std::vector<double> heartRate;
    std::vector<double> speed;
    std::vector<double> battery;
};

double Mean(const std::vector<double>& values) {
    double sum = 0.0;
    for (const double value : values) sum += value;
    return values.empty() ? 0.0 : sum / static_cast<double>(values.size());
}

// The share of readings within the tolerance of the value.
double ShareNear(const std::vector<double>& values, double value, double tolerance) {
    const auto near = std::count_if(values.begin(), values.end(),
                                    [&](double v) { return std::abs(v - value) <= tolerance; });
    return values.empty() ? 0.0 : static_cast<double>(near) / static_cast<double>(values.size());
}
} // namespace

class FaultLinkTest : public CrankLinkFixture {
  protected:
    double LinkLamp() { return engine.Control(zan.setup.mainPanel, MAIN_LINK_LED).value; }

    // The emulator pedals with the given fault while a session records: the station's frame
    // rate and what the display shows at each tick once the readings have settled.
    void RideThroughNoise(const std::string& fault, double share, Readings& readings,
                          double& framesPerSecond, int ticks = 16, double settle = 5.0) {
        // The noise differs from run to run; a failing run names its seed to repeat it.
        const std::string seed = std::to_string(::testing::UnitTest::GetInstance()->random_seed());
        std::printf("zan_crank %s %g --seed %s\n", fault.c_str(), share, seed.c_str());
        std::vector<std::string> options = ride;
        options.insert(options.end(), {fault, std::to_string(share), "--seed", seed});
        ASSERT_TRUE(crank.Start(5, options));
        ASSERT_EQ(StartStation(EngineStation(), nullptr, ""), 0);
        std::filesystem::create_directory("ride");
        engine.dirAnswers = {(std::filesystem::current_path() / "ride").string()};
        Press(SAVE);
        ASSERT_EQ(zan.record.sessionActive, 1);
        RealTimeTimers timers(engine);
        timers.RunFor(settle);
        // Frames that arrived whole: a frame cut short counts as its 20 ms of crank time, not here.
        const long long frames = zan.link.assembler.linkFrames;
        const double start = engine.now;
        for (int tick = 0; tick < ticks; ++tick) {
            timers.RunFor(0.5);
            readings.cadence.push_back(zan.measure.cadence);
            readings.power.push_back(zan.measure.powerTotal);
            readings.heartRate.push_back(zan.measure.heartRate);
            readings.speed.push_back(zan.measure.speed);
            readings.battery.push_back(zan.measure.batteryLevel);
        }
        framesPerSecond =
            static_cast<double>(zan.link.assembler.linkFrames - frames) / (engine.now - start);
        Press(SAVE);
    }

    // The same minute's ride on a clean link, then through the noise, each on a fresh station:
    // the noisy ride's mean cadence and power lie within the bound (a share) of the clean one's.
    // The readings start once the shown power, which halves its distance to each window's mean,
    // has long settled after the start (a few windows of noisy starts settle later).
    void ExpectNearTheCleanRide(const std::string& fault, double share, double bound) {
        constexpr int ticks = 120;
        constexpr double settle = 15.0;
        double framesPerSecond = 0.0;
        Readings clean;
        Readings noisy;
        RideThroughNoise(fault, 0.0, clean, framesPerSecond, ticks, settle);
        crank.Stop();
        CloseCom(zan.setup.comPort);
        ResetStation(zan);
        RideThroughNoise(fault, share, noisy, framesPerSecond, ticks, settle);
        EXPECT_NEAR(Mean(noisy.cadence), Mean(clean.cadence), bound * Mean(clean.cadence));
        EXPECT_NEAR(Mean(noisy.power), Mean(clean.power), bound * Mean(clean.power));
    }

    // Noise is no lost link: the watchdog never asked, and every row reached the file whole,
    // every cell a number.
    void ExpectLinkKeptAndEveryRowRecorded() {
        for (const PopupRecord& popup : engine.popups) EXPECT_NE(popup.title, "Attenzione !!!");
        const SessionRows session = ReadSessionRows(zan.record.sessionPath);
        EXPECT_TRUE(session.wholeLines);
        EXPECT_EQ(static_cast<int>(session.rows.size()), zan.record.sessionRow);
        EXPECT_GE(session.rows.size(), 12u);
        EXPECT_TRUE(RowsNumberedWithoutGap(session));
        EXPECT_EQ(session.trailer.size(), 6u);
        for (const std::vector<std::string>& row : session.rows)
            for (const std::string& cell : row)
                EXPECT_EQ(cell.find_first_of("ni"), std::string::npos) << cell;
    }
};

TEST_F(FaultLinkTest, OnePercentCorruptedBytesKeepTheFramesTheLinkAndTheSessionGoing) {
    Readings readings;
    double framesPerSecond = 0.0;
    RideThroughNoise("--corrupt", 0.01, readings, framesPerSecond);
    // Only a byte corrupted into a frame start cuts a frame.
    EXPECT_GT(framesPerSecond, 45.0);
    // A value carried by one frame is wrong only while that frame is the last one read.
    EXPECT_GE(ShareNear(readings.heartRate, 120.0, 0.5), 0.8);
    EXPECT_GE(ShareNear(readings.speed, 30.0, 0.5), 0.8);
    EXPECT_GE(ShareNear(readings.battery, 80.0, 0.1), 0.8);
    ExpectLinkKeptAndEveryRowRecorded();
}

TEST_F(FaultLinkTest, OnePercentDroppedBytesCostTheCutFramesOnly) {
    Readings readings;
    double framesPerSecond = 0.0;
    RideThroughNoise("--drop", 0.01, readings, framesPerSecond);
    // A frame short of a byte is dropped whole at the next frame start: 1 - 0.99^18 of them.
    EXPECT_NEAR(framesPerSecond, 50.0 * std::pow(0.99, 18), 5.0);
    EXPECT_GE(ShareNear(readings.heartRate, 120.0, 0.5), 0.9);
    EXPECT_GE(ShareNear(readings.speed, 30.0, 0.5), 0.9);
    EXPECT_GE(ShareNear(readings.battery, 80.0, 0.1), 0.9);
    ExpectLinkKeptAndEveryRowRecorded();
}

// Cadence and power through the same noise, against a clean ride of the same crank in the same
// run: the reader mends words no pedalling crank can produce, ignores marks no revolution can
// have made, and counts a frame cut short as its 20 ms. The 2-minute rides on the virtual clock
// (LinkFaultsTest) hold the same bounds for every fault; these ride a minute in real time.
TEST_F(FaultLinkTest, OnePercentCorruptedBytesLeaveCadenceAndPowerNearTheCranks) {
    ExpectNearTheCleanRide("--corrupt", 0.01, 0.02);
}

TEST_F(FaultLinkTest, OnePercentDroppedBytesLeaveCadenceAndPowerNearTheCranks) {
    ExpectNearTheCleanRide("--drop", 0.01, 0.03);
}

TEST_F(FaultLinkTest, EmulatorKilledMidSessionLeavesTheStationRunningAndEveryRowInTheFile) {
    // An emulator of the test's own, so it can be killed without a word to the station.
    ChildProcess emulator;
    ASSERT_TRUE(emulator.Run({ZAN_CRANK_PATH, "--port", "5", "--quiet"}));
    ASSERT_TRUE(WaitForPath("ports/COM5", 10.0));
    ASSERT_EQ(StartStation(EngineStation(), nullptr, ""), 0);
    RealTimeTimers timers(engine);
    ASSERT_TRUE(timers.RunUntil([&] { return zan.link.handshakeFrames > 65; }, 10.0));
    std::filesystem::create_directory("ride");
    engine.dirAnswers = {(std::filesystem::current_path() / "ride").string()};
    Press(SAVE);
    ASSERT_EQ(zan.record.sessionActive, 1);
    engine.popups.clear();
    ASSERT_TRUE(timers.RunUntil([&] { return zan.record.sessionRow >= 3; }, 10.0));
    EXPECT_EQ(LinkLamp(), 1.0);

    emulator.Signal(SIGKILL);
    ASSERT_TRUE(emulator.WaitForEnd(10.0));
    // Two seconds without a frame: the watchdog's dialog; Skip keeps the session going.
    engine.genericAnswers = {{2, ""}};
    ASSERT_TRUE(timers.RunUntil([&] { return !engine.popups.empty(); }, 10.0));
    EXPECT_EQ(engine.popups[0].title, "Attenzione !!!");
    const int rowsAtDialog = zan.record.sessionRow;
    // Skipped, the dialog stays away; two seconds on, the lamp shows the link down again.
    timers.RunFor(3.0);
    EXPECT_EQ(LinkLamp(), 0.0);
    EXPECT_EQ(engine.popups.size(), 1u);
    EXPECT_GT(zan.record.sessionRow, rowsAtDialog);
    Press(SAVE);

    const SessionRows session = ReadSessionRows(zan.record.sessionPath);
    EXPECT_TRUE(session.wholeLines);
    EXPECT_EQ(static_cast<int>(session.rows.size()), zan.record.sessionRow);
    EXPECT_TRUE(RowsNumberedWithoutGap(session));
    EXPECT_EQ(session.trailer.size(), 6u);
    EXPECT_EQ(engine.Control(zan.setup.mainPanel, MAIN_SESSION_FILE).text, "Session closed !");

    // A crank back on the port is found again by the link lamp's reconnect.
    ASSERT_TRUE(crank.Start(5, {}));
    const int frames = zan.link.frameCounter;
    Press(ONLINE);
    EXPECT_TRUE(timers.RunUntil([&] { return zan.link.frameCounter > frames + 50; }, 10.0));
    timers.RunFor(0.6);
    EXPECT_EQ(LinkLamp(), 1.0);
}

#endif
