#include "app/link_timer.h"
#include "link/frame_reader.h"
#include "link/revolution_tracking.h"
#include "measure/power.h"
#include "tests/support/station_fixture.h"

class PowerTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        zan.setup.setup.crankLength = 170.0f;
        zan.link.turnPeriod = 1000.0f;
        zan.measure.previousPower = 1.0f;
    }

    // Fills the window traces and sums as the frame reader would, frame by frame.
    void Window(const std::vector<float>& right, const std::vector<float>& left) {
        StartWindowSums(zan.measure);
        for (std::size_t i = 0; i < right.size(); ++i) {
            zan.link.frameIndex = static_cast<int>(i);
            zan.measure.pedals.rightForce = right[i];
            zan.measure.pedals.leftForce = left[i];
            FramePower(zan.measure, CurrentPowerFrame(EngineStation()));
        }
        zan.link.frameIndex = static_cast<int>(right.size());
    }
};

// --- Per frame ---

TEST_F(PowerTest, HundredNewtonsOnA170mmCrankAtOneSecondGive106Point8WattsPerPedal) {
    zan.measure.pedals.rightForce = 100.0f;
    zan.measure.pedals.leftForce = 100.0f;
    FramePower(zan.measure, CurrentPowerFrame(EngineStation()));
    EXPECT_NEAR(zan.measure.rightPower, 106.814, 0.001);
    EXPECT_NEAR(zan.measure.leftPower, 106.814, 0.001);
    EXPECT_NEAR(zan.measure.powerTrace[0], 213.628, 0.002);
    EXPECT_FLOAT_EQ(zan.measure.rightForceTrace[0], 100.0f);
    EXPECT_NEAR(zan.measure.powerSum, 213.628, 0.002);
}

TEST_F(PowerTest, NegativeForcesGiveNegativePower) {
    zan.measure.pedals.rightForce = -50.0f;
    zan.measure.pedals.leftForce = 0.0f;
    FramePower(zan.measure, CurrentPowerFrame(EngineStation()));
    EXPECT_LT(zan.measure.powerTrace[0], 0.0f);
    EXPECT_LT(zan.measure.rightPowerSum, 0.0f);
}

TEST_F(PowerTest, EnergyCountsOnlyWhileASessionRecordsAboveTwentyRpm) {
    zan.measure.pedals.rightForce = zan.measure.pedals.leftForce = 100.0f;
    zan.measure.cadence = 90.0f;
    FramePower(zan.measure, CurrentPowerFrame(EngineStation()));
    EXPECT_FLOAT_EQ(zan.measure.kcalTotal, 0.0f);
    zan.record.sessionActive = 1;
    zan.measure.cadence = 20.0f;
    FramePower(zan.measure, CurrentPowerFrame(EngineStation()));
    EXPECT_FLOAT_EQ(zan.measure.kcalTotal, 0.0f);
    zan.measure.cadence = 20.01f;
    FramePower(zan.measure, CurrentPowerFrame(EngineStation()));
    EXPECT_GT(zan.measure.kcalTotal, 0.0f);
}

TEST_F(PowerTest, AnHourAt200WattsAddsAbout781Point8Kilocalories) {
    zan.record.sessionActive = 1;
    zan.measure.cadence = 60.0f;
    // 100 W per pedal at 170 mm and one second per revolution.
    const float force = static_cast<float>(100.0 * 1000.0 / (6.2831853 * 170.0));
    zan.measure.pedals.rightForce = zan.measure.pedals.leftForce = force;
    for (int frame = 0; frame < 3600 * 50; ++frame) {
        zan.link.frameIndex = frame % 100;
        FramePower(zan.measure, CurrentPowerFrame(EngineStation()));
    }
    EXPECT_NEAR(zan.measure.kcalTotal, 781.8, 0.05);
}

TEST_F(PowerTest, EnergyStaysExactOverALongRideAndRestartsWhenTheSessionClearsIt) {
    zan.record.sessionActive = 1;
    zan.measure.cadence = 60.0f;
    zan.measure.pedals.rightForce = zan.measure.pedals.leftForce =
        static_cast<float>(100.0 * 1000.0 / (6.2831853 * 170.0));
    for (int frame = 0; frame < 4 * 3600 * 50; ++frame)
        FramePower(zan.measure, CurrentPowerFrame(EngineStation()));
    EXPECT_NEAR(zan.measure.kcalTotal, 4 * 781.8, 0.2);
    zan.measure.kcalTotal = 0.0f;
    for (int frame = 0; frame < 3600 * 50; ++frame)
        FramePower(zan.measure, CurrentPowerFrame(EngineStation()));
    EXPECT_NEAR(zan.measure.kcalTotal, 781.8, 0.05);
}

// --- Window results ---

TEST_F(PowerTest, FirstWindowAveragesItsMeanWithTheStartValueOne) {
    Window({100, 100, 100, 100}, {100, 100, 100, 100});
    CalcWatt(zan.measure, CurrentPowerWindow(EngineStation()));
    EXPECT_NEAR(zan.measure.meanPower, 213.628, 0.002);
    EXPECT_NEAR(zan.measure.powerTotal, (213.628 + 1.0) / 2.0, 0.002);
    EXPECT_NEAR(zan.measure.powerRight, 106.814, 0.001);
    EXPECT_NEAR(zan.measure.powerLeft, 106.814, 0.001);
    EXPECT_FLOAT_EQ(zan.measure.previousPower, zan.measure.powerTotal);
}

TEST_F(PowerTest, SingleSideTotalIsThatSidesPowerAndTheOtherShowsZero) {
    zan.setup.singleSide = SingleSide::RightOnly;
    Window({100, 100}, {300, 300});
    CalcWatt(zan.measure, CurrentPowerWindow(EngineStation()));
    EXPECT_NEAR(zan.measure.powerTotal, 106.814, 0.001);
    EXPECT_FLOAT_EQ(zan.measure.powerLeft, 0.0f);
    zan.setup.singleSide = SingleSide::LeftOnly;
    Window({100, 100}, {300, 300});
    CalcWatt(zan.measure, CurrentPowerWindow(EngineStation()));
    EXPECT_NEAR(zan.measure.powerTotal, 320.442, 0.002);
    EXPECT_FLOAT_EQ(zan.measure.powerRight, 0.0f);
}

TEST_F(PowerTest, ImplausibleOrEmptyWindowLeavesTheShownPowerUnchanged) {
    zan.measure.powerTotal = 150.0f;
    zan.measure.powerRight = zan.measure.powerLeft = 75.0f;
    zan.measure.previousPower = 150.0f;
    zan.link.turnPeriod = 100.0f; // 2000 W or more
    Window({936.5f, 936.5f}, {0, 0});
    CalcWatt(zan.measure, CurrentPowerWindow(EngineStation()));
    EXPECT_GE(zan.measure.meanPower, 2000.0f);
    EXPECT_FLOAT_EQ(zan.measure.powerTotal, 150.0f);
    EXPECT_FLOAT_EQ(zan.measure.powerRight, 75.0f);
    EXPECT_FLOAT_EQ(zan.measure.previousPower, 150.0f);
    zan.link.frameIndex = 0;
    zan.measure.powerSum = 0.0f;
    CalcWatt(zan.measure, CurrentPowerWindow(EngineStation()));
    EXPECT_FLOAT_EQ(zan.measure.powerTotal, 150.0f);
}

// A mended frame and the frames lost around it push as the middle of the measured frames either
// side, the window's edges as the middle of its first and last; with fewer than 30 % of its
// frames whole a window has no power, and its row is written as a lost link's.
TEST_F(PowerTest, MendedAndLostFramesAreFilledAndAWindowOfTooFewWholeFramesHasNone) {
    const auto frame = [this](int index, float force, bool mended, int lostBefore) {
        PowerFrame powerFrame{index, force, 0.0f, 170.0f, 1000.0f, false, lostBefore};
        powerFrame.mended = mended;
        FramePower(zan.measure, powerFrame);
    };
    StartWindowSums(zan.measure);
    frame(0, 100.0f, false, 0);
    frame(1, 900.0f, true, 0);
    frame(2, 300.0f, false, 1);
    CalcWatt(zan.measure, PowerWindow{3, 6, 2, SingleSide::Both, 0.0f, 0.0f});
    // 100, 200, 200 and 300 N, and two frames at the window's edges at 200 N: 200 N a frame.
    EXPECT_FALSE(zan.measure.powerUnmeasured);
    EXPECT_NEAR(zan.measure.powerRight, PedalPower(200.0f, 170.0f, 1000.0f), 0.01);
    StartWindowSums(zan.measure);
    frame(0, 100.0f, false, 0);
    frame(1, 300.0f, false, 9);
    CalcWatt(zan.measure, PowerWindow{2, 11, 0, SingleSide::Both, 0.0f, 0.0f});
    EXPECT_TRUE(zan.measure.powerUnmeasured);
    EXPECT_FLOAT_EQ(zan.measure.powerTotal, 0.0f);
    EXPECT_FLOAT_EQ(zan.measure.powerRight, 0.0f);
}

// A stroke's short peak lost on the link comes round again: the frames lost take the forces the
// crank sent at their angle a revolution before, and the middle of their neighbours only when
// the crank sent none there within the last three revolutions.
TEST_F(PowerTest, FramesLostAtThePeakTakeThePeakOfTheRevolutionBefore) {
    const auto frame = [this](int crankFrame, float force, int lostBefore) {
        PowerFrame powerFrame{0, force, 0.0f, 170.0f, 1000.0f, false, lostBefore};
        powerFrame.crankFrame = crankFrame;
        powerFrame.turnFrame = crankFrame % 50;
        FramePower(zan.measure, powerFrame);
    };
    const auto lostPeakSum = [&](int revolution) {
        StartWindowSums(zan.measure);
        frame(revolution * 50 + 8, 0.0f, 0);
        frame(revolution * 50 + 12, 0.0f, 3);
        return zan.measure.rightPowerSum;
    };
    for (int i = 0; i < 50; ++i) frame(i, i == 10 ? 1000.0f : 0.0f, 0);
    EXPECT_NEAR(lostPeakSum(1), PedalPower(1000.0f, 170.0f, 1000.0f), 0.01);
    EXPECT_FLOAT_EQ(lostPeakSum(9), 0.0f);
}

TEST_F(PowerTest, OverflowingSidePowerKeepsTheLastSoundPowers) {
    zan.setup.singleSide = SingleSide::RightOnly;
    Window({100, 100}, {0, 0});
    CalcWatt(zan.measure, CurrentPowerWindow(EngineStation()));
    const float sound = zan.measure.powerTotal;
    // The sides cancel in the total, but the right side's sum overflows.
    Window({1e38f, 1e38f, 1e38f, 1e38f}, {-1e38f, -1e38f, -1e38f, -1e38f});
    CalcWatt(zan.measure, CurrentPowerWindow(EngineStation()));
    EXPECT_FLOAT_EQ(zan.measure.powerTotal, sound);
    EXPECT_FLOAT_EQ(zan.measure.powerRight, sound);
    EXPECT_FLOAT_EQ(zan.measure.previousPower, sound);
}

TEST_F(PowerTest, UdPercentagesCompareEachPedalWithItsPeakWhenTheOtherPeaks) {
    // Right peaks (200) in the first half with left at 20; left peaks (400) in the second half
    // with right at -40.
    Window({50, 200, 100, -40, 0, 0}, {0, 20, 0, 400, 100, 0});
    CalcWatt(zan.measure, CurrentPowerWindow(EngineStation()));
    EXPECT_FLOAT_EQ(zan.measure.udRight, 100.0f * -40.0f / 200.0f);
    EXPECT_FLOAT_EQ(zan.measure.udLeft, 100.0f * 20.0f / 400.0f);
}

TEST_F(PowerTest, SingleSideUdIsTheSmallestOverTheLargestForce) {
    zan.setup.singleSide = SingleSide::RightOnly;
    Window({50, 200, -20}, {100, 100, 100});
    CalcWatt(zan.measure, CurrentPowerWindow(EngineStation()));
    EXPECT_FLOAT_EQ(zan.measure.udRight, -10.0f);
    EXPECT_FLOAT_EQ(zan.measure.udLeft, 100.0f);
}

TEST_F(PowerTest, UdOfAnEmptyHalfOrAPeakNotAboveZeroIsZero) {
    zan.measure.udRight = zan.measure.udLeft = 33.0f;
    Window({500}, {500});
    CalcWatt(zan.measure, CurrentPowerWindow(EngineStation()));
    EXPECT_FLOAT_EQ(zan.measure.udRight, 0.0f);
    EXPECT_FLOAT_EQ(zan.measure.udLeft, 0.0f);

    Window({-5, -1, 10, 20}, {3, 4, 0, 0});
    CalcWatt(zan.measure, CurrentPowerWindow(EngineStation()));
    EXPECT_FLOAT_EQ(zan.measure.udRight, 0.0f); // right peak -1
    EXPECT_FLOAT_EQ(zan.measure.udLeft, 0.0f);  // left peak 0

    zan.setup.singleSide = SingleSide::LeftOnly;
    Window({-5, -1}, {-3, -4});
    CalcWatt(zan.measure, CurrentPowerWindow(EngineStation()));
    EXPECT_FLOAT_EQ(zan.measure.udRight, 0.0f);
    EXPECT_FLOAT_EQ(zan.measure.udLeft, 0.0f);
}

TEST_F(PowerTest, HistoriesAdvanceOncePerWindowAndWrapAfter8000) {
    zan.measure.heartRate = 120.0f;
    zan.measure.cadence = 90.0f;
    Window({100, 100}, {100, 100});
    CalcWatt(zan.measure, CurrentPowerWindow(EngineStation()));
    EXPECT_EQ(zan.measure.historyIndex, 1);
    EXPECT_FLOAT_EQ(zan.measure.powerHistory[0], zan.measure.powerTotal);
    EXPECT_FLOAT_EQ(zan.measure.heartRateHistory[0], 120.0f);
    EXPECT_FLOAT_EQ(zan.measure.cadenceHistory[0], 90.0f);
    zan.measure.historyIndex = 8000;
    CalcWatt(zan.measure, CurrentPowerWindow(EngineStation()));
    EXPECT_EQ(zan.measure.historyIndex, 0);
    EXPECT_FLOAT_EQ(zan.measure.powerHistory[8000], zan.measure.powerTotal);
}

TEST_F(PowerTest, SnapshotKeepsTheLastWindowUnlessAWindowIsEmpty) {
    Window({1, 2, 3}, {4, 5, 6});
    CalcWatt(zan.measure, CurrentPowerWindow(EngineStation()));
    EXPECT_EQ(zan.measure.snapshotFrames, 3);
    EXPECT_FLOAT_EQ(zan.measure.snapshotRight[2], 3.0f);
    EXPECT_FLOAT_EQ(zan.measure.snapshotLeft[0], 4.0f);
    EXPECT_FLOAT_EQ(zan.measure.snapshotPower[1], zan.measure.powerTrace[1]);
    zan.link.frameIndex = 0;
    CalcWatt(zan.measure, CurrentPowerWindow(EngineStation()));
    EXPECT_EQ(zan.measure.snapshotFrames, 3);
}
