#include "link/frame_reader.h"
#include "link/revolution_tracking.h"
#include "measure/power.h"
#include "tests/support/station_fixture.h"

class PowerTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        zan.setup.crankLength = 170.0f;
        zan.turnPeriod = 1000.0f;
        zan.previousPower = 1.0f;
    }

    // Fills the window traces and sums as the frame reader would, frame by frame.
    void Window(const std::vector<float>& right, const std::vector<float>& left) {
        zan.powerSum = zan.rightPowerSum = zan.leftPowerSum = 0.0f;
        for (std::size_t i = 0; i < right.size(); ++i) {
            zan.frameIndex = static_cast<int>(i);
            zan.rightForce = right[i];
            zan.leftForce = left[i];
            FramePower(zan, CurrentPowerFrame());
        }
        zan.frameIndex = static_cast<int>(right.size());
    }
};

// --- Per frame ---

TEST_F(PowerTest, HundredNewtonsOnA170mmCrankAtOneSecondGive106Point8WattsPerPedal) {
    zan.rightForce = 100.0f;
    zan.leftForce = 100.0f;
    FramePower(zan, CurrentPowerFrame());
    EXPECT_NEAR(zan.rightPower, 106.814, 0.001);
    EXPECT_NEAR(zan.leftPower, 106.814, 0.001);
    EXPECT_NEAR(zan.powerTrace[0], 213.628, 0.002);
    EXPECT_FLOAT_EQ(zan.rightForceTrace[0], 100.0f);
    EXPECT_NEAR(zan.powerSum, 213.628, 0.002);
}

TEST_F(PowerTest, NegativeForcesGiveNegativePower) {
    zan.rightForce = -50.0f;
    zan.leftForce = 0.0f;
    FramePower(zan, CurrentPowerFrame());
    EXPECT_LT(zan.powerTrace[0], 0.0f);
    EXPECT_LT(zan.rightPowerSum, 0.0f);
}

TEST_F(PowerTest, EnergyCountsOnlyWhileASessionRecordsAboveTwentyRpm) {
    zan.rightForce = zan.leftForce = 100.0f;
    zan.cadence = 90.0f;
    FramePower(zan, CurrentPowerFrame());
    EXPECT_FLOAT_EQ(zan.kcalTotal, 0.0f);
    zan.sessionActive = 1;
    zan.cadence = 20.0f;
    FramePower(zan, CurrentPowerFrame());
    EXPECT_FLOAT_EQ(zan.kcalTotal, 0.0f);
    zan.cadence = 20.01f;
    FramePower(zan, CurrentPowerFrame());
    EXPECT_GT(zan.kcalTotal, 0.0f);
}

TEST_F(PowerTest, AnHourAt200WattsAddsAbout781Point8Kilocalories) {
    zan.sessionActive = 1;
    zan.cadence = 60.0f;
    // 100 W per pedal at 170 mm and one second per revolution.
    const float force = static_cast<float>(100.0 * 1000.0 / (6.2831853 * 170.0));
    zan.rightForce = zan.leftForce = force;
    for (int frame = 0; frame < 3600 * 50; ++frame) {
        zan.frameIndex = frame % 100;
        FramePower(zan, CurrentPowerFrame());
    }
    EXPECT_NEAR(zan.kcalTotal, 781.8, 0.05);
}

TEST_F(PowerTest, EnergyStaysExactOverALongRideAndRestartsWhenTheSessionClearsIt) {
    zan.sessionActive = 1;
    zan.cadence = 60.0f;
    zan.rightForce = zan.leftForce = static_cast<float>(100.0 * 1000.0 / (6.2831853 * 170.0));
    for (int frame = 0; frame < 4 * 3600 * 50; ++frame) FramePower(zan, CurrentPowerFrame());
    EXPECT_NEAR(zan.kcalTotal, 4 * 781.8, 0.2);
    zan.kcalTotal = 0.0f;
    for (int frame = 0; frame < 3600 * 50; ++frame) FramePower(zan, CurrentPowerFrame());
    EXPECT_NEAR(zan.kcalTotal, 781.8, 0.05);
}

// --- Window results ---

TEST_F(PowerTest, FirstWindowAveragesItsMeanWithTheStartValueOne) {
    Window({100, 100, 100, 100}, {100, 100, 100, 100});
    CalcWatt(zan, CurrentPowerWindow());
    EXPECT_NEAR(zan.meanPower, 213.628, 0.002);
    EXPECT_NEAR(zan.powerTotal, (213.628 + 1.0) / 2.0, 0.002);
    EXPECT_NEAR(zan.powerRight, 106.814, 0.001);
    EXPECT_NEAR(zan.powerLeft, 106.814, 0.001);
    EXPECT_FLOAT_EQ(zan.previousPower, zan.powerTotal);
}

TEST_F(PowerTest, SingleSideTotalIsThatSidesPowerAndTheOtherShowsZero) {
    zan.singleSide = SingleSide::RightOnly;
    Window({100, 100}, {300, 300});
    CalcWatt(zan, CurrentPowerWindow());
    EXPECT_NEAR(zan.powerTotal, 106.814, 0.001);
    EXPECT_FLOAT_EQ(zan.powerLeft, 0.0f);
    zan.singleSide = SingleSide::LeftOnly;
    Window({100, 100}, {300, 300});
    CalcWatt(zan, CurrentPowerWindow());
    EXPECT_NEAR(zan.powerTotal, 320.442, 0.002);
    EXPECT_FLOAT_EQ(zan.powerRight, 0.0f);
}

TEST_F(PowerTest, ImplausibleOrEmptyWindowLeavesTheShownPowerUnchanged) {
    zan.powerTotal = 150.0f;
    zan.powerRight = zan.powerLeft = 75.0f;
    zan.previousPower = 150.0f;
    zan.turnPeriod = 100.0f; // 2000 W or more
    Window({936.5f, 936.5f}, {0, 0});
    CalcWatt(zan, CurrentPowerWindow());
    EXPECT_GE(zan.meanPower, 2000.0f);
    EXPECT_FLOAT_EQ(zan.powerTotal, 150.0f);
    EXPECT_FLOAT_EQ(zan.powerRight, 75.0f);
    EXPECT_FLOAT_EQ(zan.previousPower, 150.0f);
    zan.frameIndex = 0;
    zan.powerSum = 0.0f;
    CalcWatt(zan, CurrentPowerWindow());
    EXPECT_FLOAT_EQ(zan.powerTotal, 150.0f);
}

TEST_F(PowerTest, OverflowingSidePowerKeepsTheLastSoundPowers) {
    zan.singleSide = SingleSide::RightOnly;
    Window({100, 100}, {0, 0});
    CalcWatt(zan, CurrentPowerWindow());
    const float sound = zan.powerTotal;
    // The sides cancel in the total, but the right side's sum overflows.
    Window({1e38f, 1e38f, 1e38f, 1e38f}, {-1e38f, -1e38f, -1e38f, -1e38f});
    CalcWatt(zan, CurrentPowerWindow());
    EXPECT_FLOAT_EQ(zan.powerTotal, sound);
    EXPECT_FLOAT_EQ(zan.powerRight, sound);
    EXPECT_FLOAT_EQ(zan.previousPower, sound);
}

TEST_F(PowerTest, UdPercentagesCompareEachPedalWithItsPeakWhenTheOtherPeaks) {
    // Right peaks (200) in the first half with left at 20; left peaks (400) in the second half
    // with right at -40.
    Window({50, 200, 100, -40, 0, 0}, {0, 20, 0, 400, 100, 0});
    CalcWatt(zan, CurrentPowerWindow());
    EXPECT_FLOAT_EQ(zan.udRight, 100.0f * -40.0f / 200.0f);
    EXPECT_FLOAT_EQ(zan.udLeft, 100.0f * 20.0f / 400.0f);
}

TEST_F(PowerTest, SingleSideUdIsTheSmallestOverTheLargestForce) {
    zan.singleSide = SingleSide::RightOnly;
    Window({50, 200, -20}, {100, 100, 100});
    CalcWatt(zan, CurrentPowerWindow());
    EXPECT_FLOAT_EQ(zan.udRight, -10.0f);
    EXPECT_FLOAT_EQ(zan.udLeft, 100.0f);
}

TEST_F(PowerTest, UdOfAnEmptyHalfOrAPeakNotAboveZeroIsZero) {
    zan.udRight = zan.udLeft = 33.0f;
    Window({500}, {500});
    CalcWatt(zan, CurrentPowerWindow());
    EXPECT_FLOAT_EQ(zan.udRight, 0.0f);
    EXPECT_FLOAT_EQ(zan.udLeft, 0.0f);

    Window({-5, -1, 10, 20}, {3, 4, 0, 0});
    CalcWatt(zan, CurrentPowerWindow());
    EXPECT_FLOAT_EQ(zan.udRight, 0.0f); // right peak -1
    EXPECT_FLOAT_EQ(zan.udLeft, 0.0f);  // left peak 0

    zan.singleSide = SingleSide::LeftOnly;
    Window({-5, -1}, {-3, -4});
    CalcWatt(zan, CurrentPowerWindow());
    EXPECT_FLOAT_EQ(zan.udRight, 0.0f);
    EXPECT_FLOAT_EQ(zan.udLeft, 0.0f);
}

TEST_F(PowerTest, HistoriesAdvanceOncePerWindowAndWrapAfter8000) {
    zan.heartRate = 120.0f;
    zan.cadence = 90.0f;
    Window({100, 100}, {100, 100});
    CalcWatt(zan, CurrentPowerWindow());
    EXPECT_EQ(zan.historyIndex, 1);
    EXPECT_FLOAT_EQ(zan.powerHistory[0], zan.powerTotal);
    EXPECT_FLOAT_EQ(zan.heartRateHistory[0], 120.0f);
    EXPECT_FLOAT_EQ(zan.cadenceHistory[0], 90.0f);
    zan.historyIndex = 8000;
    CalcWatt(zan, CurrentPowerWindow());
    EXPECT_EQ(zan.historyIndex, 0);
    EXPECT_FLOAT_EQ(zan.powerHistory[8000], zan.powerTotal);
}

TEST_F(PowerTest, SnapshotKeepsTheLastWindowUnlessAWindowIsEmpty) {
    Window({1, 2, 3}, {4, 5, 6});
    CalcWatt(zan, CurrentPowerWindow());
    EXPECT_EQ(zan.snapshotFrames, 3);
    EXPECT_FLOAT_EQ(zan.snapshotRight[2], 3.0f);
    EXPECT_FLOAT_EQ(zan.snapshotLeft[0], 4.0f);
    EXPECT_FLOAT_EQ(zan.snapshotPower[1], zan.powerTrace[1]);
    zan.frameIndex = 0;
    CalcWatt(zan, CurrentPowerWindow());
    EXPECT_EQ(zan.snapshotFrames, 3);
}
