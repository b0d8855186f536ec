#include "link/frame_reader.h"
#include "link/revolution_tracking.h"
#include "setup/catalogue.h"
#include "tests/support/station_fixture.h"

#include <vector>

class RevolutionTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        ASSERT_EQ(Start(), 0);
        zan.setup.crankLength = 170.0f;
    }

    // One frame through revolution tracking; true when it started a revolution.
    bool Frame(int crankWord, float right = 0.0f, float left = 0.0f) {
        zan.frameCounter += 1;
        zan.crankPeriodWord = crankWord;
        zan.rightForce = right;
        zan.leftForce = left;
        FrameEvents events{};
        TrackRevolution(zan, zan.setup.turnDetection, events);
        HandOnRevolution(events);
        zan.frameIndex += 1;
        return zan.lastTurnFrame == zan.frameCounter;
    }
    bool Marker(int bit) { return Frame(bit != 0 ? 0x2000 : 0); }

    std::vector<int> StartsOf(const std::vector<int>& bits) {
        std::vector<int> starts;
        for (std::size_t i = 0; i < bits.size(); ++i)
            if (Marker(bits[i])) starts.push_back(static_cast<int>(i) + 1);
        return starts;
    }
};

// --- Detection methods ---

TEST_F(RevolutionTest, MarkerMethodStartsARevolutionAfterMoreThanTwoClearFrames) {
    zan.setup.turnDetection = 0;
    EXPECT_EQ(StartsOf({1, 1, 1, 0, 0, 0, 1}), (std::vector<int>{1, 7}));
    ResetStation();
    ASSERT_EQ(Start(), 0);
    EXPECT_EQ(StartsOf({1, 0, 0, 1}), (std::vector<int>{1}));
}

TEST_F(RevolutionTest, InvertedMarkerMethodWorksOnTheClearBit) {
    zan.setup.turnDetection = 1;
    EXPECT_EQ(StartsOf({0, 0, 0, 1, 1, 1, 0}), (std::vector<int>{1, 7}));
    // Only the period is left in the word, whatever the method did with the marker.
    EXPECT_EQ(zan.crankPeriodWord & 0x2000, 0);
}

TEST_F(RevolutionTest, ForceMethodThresholdFollowsHalfTheRightPeakWithinItsBounds) {
    zan.setup.turnDetection = 2;
    zan.rightForceMax = 40.0f;
    EXPECT_FALSE(Frame(0, 0.0f, 35.0f));
    EXPECT_EQ(zan.turnThreshold, 35);
    EXPECT_TRUE(Frame(0, 0.0f, 35.5f));

    zan.rightForceMax = 1000.0f;
    EXPECT_FALSE(Frame(0, 0.0f, 300.0f)); // held: no new start until re-armed
    EXPECT_EQ(zan.turnThreshold, 250);
    EXPECT_EQ(zan.rearmThreshold, 375);
    Frame(0, 375.0f, 0.0f);
    Frame(0, 376.0f, 0.0f);
    Frame(0, 376.0f, 0.0f);
    EXPECT_EQ(zan.markerHits, 2);
    Frame(0, 376.0f, 0.0f);
    EXPECT_EQ(zan.markerHits, 0);
    EXPECT_EQ(zan.turnLed, 0);
    EXPECT_TRUE(Frame(0, 0.0f, 251.0f));
}

TEST_F(RevolutionTest, ForceDifferenceMethodStartsOnTheRightAndReArmsOnTheLeftAtOnce) {
    zan.setup.turnDetection = 3;
    EXPECT_FALSE(Frame(0, 130.0f, 100.0f));
    EXPECT_TRUE(Frame(0, 130.5f, 100.0f));
    EXPECT_FALSE(Frame(0, 200.0f, 100.0f));
    Frame(0, 100.0f, 130.5f);
    EXPECT_EQ(zan.markerHits, 0);
    EXPECT_EQ(zan.turnLed, 0);
    EXPECT_TRUE(Frame(0, 200.0f, 100.0f));
}

TEST_F(RevolutionTest, MaskRestrictsDetectionToTheMarkerMethods) {
    zan.setup.turnDetection = 3;
    zan.turnModeMask = 1;
    EXPECT_TRUE(Frame(0, 0.0f, 0.0f)); // method 1: a clear bit is the inverted marker
    EXPECT_EQ(zan.turnMode, 1);
    zan.setup.turnDetection = 7;
    zan.turnModeMask = 255;
    EXPECT_FALSE(Frame(0x2000, 500.0f, 0.0f));
}

// --- Period and stall ---

TEST_F(RevolutionTest, ARevolutionEveryFiftyFramesGivesOneSecondAfterFourRevolutions) {
    zan.setup.turnDetection = 0;
    for (int frame = 0; frame < 5 * 50; ++frame) Marker(frame % 50 == 0);
    EXPECT_FLOAT_EQ(zan.turnPeriod, 1000.0f);
}

TEST_F(RevolutionTest, ARevolutionWhoseFrameCountSteppedBackKeepsTheMeanPeriod) {
    zan.setup.turnDetection = 0;
    for (int frame = 0; frame < 5 * 50; ++frame) Marker(frame % 50 == 0);
    ASSERT_FLOAT_EQ(zan.turnPeriod, 1000.0f);
    // Simulated frames set the count from their own clock, behind the crank's: revolutions of
    // no frames and of fewer than none.
    for (const int back : {1, 10}) {
        for (int frame = 0; frame < 3; ++frame) Marker(0);
        zan.frameCounter = zan.lastTurnFrame - back;
        EXPECT_TRUE(Marker(1));
        EXPECT_FLOAT_EQ(zan.turnPeriod, 1000.0f) << back;
    }
    // The next real revolution is measured from the one that stepped back.
    for (int frame = 0; frame < 49; ++frame) Marker(0);
    Marker(1);
    EXPECT_FLOAT_EQ(zan.turnPeriod, 1000.0f);
    EXPECT_FLOAT_EQ(zan.turnFrames, 50.0f);
}

TEST_F(RevolutionTest, StallResetFiresOnThe250thFrameAfterTheLastStartAndEveryFrameAfter) {
    zan.setup.turnDetection = 0;
    for (const int bit : {1, 0, 0, 0, 1}) Marker(bit); // two starts end a window
    zan.powerTotal = 150.0f;
    for (int frame = 1; frame < 250; ++frame) Marker(0);
    EXPECT_FLOAT_EQ(zan.powerTotal, 150.0f);
    EXPECT_NE(zan.turnPeriod, 60000.0f);
    Marker(0);
    EXPECT_FLOAT_EQ(zan.turnPeriod, 60000.0f);
    EXPECT_FLOAT_EQ(zan.powerTotal, 0.0f);
    EXPECT_EQ(zan.frameCounter, 1000);
    zan.powerTotal = 5.0f;
    Marker(0);
    EXPECT_FLOAT_EQ(zan.powerTotal, 0.0f);
    EXPECT_EQ(zan.frameCounter, 1000);
    // The first revolution after a stall enters a long period into the ring.
    Marker(1);
    EXPECT_FLOAT_EQ(zan.periodRing[0], 20.0f * 1001.0f);
}

// --- Window end and warm-up ---

TEST_F(RevolutionTest, SecondRevolutionEndsTheWindowAndClearsItsSums) {
    zan.setup.turnDetection = 0;
    zan.powerSum = 10.0f;
    Marker(1);
    for (int frame = 0; frame < 9; ++frame) Marker(0);
    zan.powerSum = 10.0f * 10;
    Marker(1);
    EXPECT_EQ(zan.lastWindowFrames, 10);
    EXPECT_EQ(zan.frameIndex, 1); // the test's own advance after the window end
    EXPECT_EQ(zan.turnCount, 0);
    EXPECT_FLOAT_EQ(zan.powerSum, 0.0f);
    EXPECT_FLOAT_EQ(zan.meanPower, 10.0f);
}

class WarmupTest : public RevolutionTest {
  protected:
    void Window(float power) {
        // CalcWatt averages with the previous window; keep both at the wanted power.
        zan.previousPower = power;
        zan.powerSum = power * 4;
        zan.frameIndex = 4;
        zan.turnCount = 1;
        Marker(1);
        for (int i = 0; i < 3; ++i) Marker(0);
    }
};

TEST_F(WarmupTest, FirstWindowShowsThePanelOnTopAndAlreadyCounts) {
    zan.warmupMode = 1;
    zan.warmupState = WarmupState::ToShow;
    Window(100.0f);
    EXPECT_TRUE(engine.Panel(zan.warmupPanel).visible);
    EXPECT_TRUE(engine.Panel(zan.warmupPanel).onTop);
    EXPECT_TRUE(Warmup(WARMUP_RESET).Dimmed());
    EXPECT_FALSE(Warmup(WARMUP_SKIP).Dimmed());
    EXPECT_EQ(zan.warmupState, WarmupState::Filling);
    EXPECT_EQ(zan.warmupLevel, 5);
    EXPECT_EQ(Warmup(WARMUP_PROGRESS).value, 5);
}

TEST_F(WarmupTest, PowerMustExceedTheModesLimit) {
    zan.warmupState = WarmupState::Filling;
    zan.warmupMode = 1;
    Window(80.0f);
    EXPECT_EQ(zan.warmupLevel, 0);
    Window(80.1f);
    EXPECT_EQ(zan.warmupLevel, 5);
    zan.warmupMode = 2;
    Window(150.0f);
    EXPECT_EQ(zan.warmupLevel, 5);
    Window(150.5f);
    EXPECT_EQ(zan.warmupLevel, 10);
}

TEST_F(WarmupTest, TwentyWindowsCompleteTheWarmupAndTheResetButtonBlinks) {
    zan.warmupState = WarmupState::ToShow;
    zan.warmupMode = 2;
    for (int window = 0; window < 19; ++window) Window(200.0f);
    EXPECT_EQ(zan.warmupState, WarmupState::Filling);
    Window(200.0f);
    EXPECT_EQ(zan.warmupLevel, 100);
    EXPECT_FALSE(Warmup(WARMUP_RESET).Dimmed());
    EXPECT_TRUE(Warmup(WARMUP_SKIP).Dimmed());
    EXPECT_EQ(Warmup(WARMUP_RESET).intAttributes.at(ATTR_CMD_BUTTON_COLOR), VAL_YELLOW);
    Window(0.0f);
    EXPECT_EQ(Warmup(WARMUP_RESET).intAttributes.at(ATTR_CMD_BUTTON_COLOR), VAL_LT_GRAY);
    Window(0.0f);
    EXPECT_EQ(Warmup(WARMUP_RESET).intAttributes.at(ATTR_CMD_BUTTON_COLOR), VAL_YELLOW);
    EXPECT_EQ(zan.warmupLevel, 100);
}

TEST_F(WarmupTest, NoWarmupLeavesThePanelHidden) {
    zan.warmupState = WarmupState::Off;
    Window(300.0f);
    EXPECT_FALSE(engine.Panel(zan.warmupPanel).visible);
    EXPECT_EQ(zan.warmupLevel, 0);
}
