#include "app/link_timer.h"
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
        zan.setup.setup.crankLength = 170.0f;
    }

    // One frame through revolution tracking; true when it started a revolution.
    bool Frame(int crankWord, float right = 0.0f, float left = 0.0f) {
        zan.link.frameCounter += 1;
        zan.link.crankPeriodWord = crankWord;
        zan.measure.pedals.rightForce = right;
        zan.measure.pedals.leftForce = left;
        FrameEvents events{};
        TrackRevolution(zan.link, zan.setup.setup.turnDetection,
                        TurnForces{right, left, zan.measure.pedals.rightForceMax}, events);
        HandOnRevolution(EngineStation(), events);
        zan.link.frameIndex += 1;
        return zan.link.lastTurnFrame == zan.link.frameCounter;
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
    zan.setup.setup.turnDetection = 0;
    EXPECT_EQ(StartsOf({1, 1, 1, 0, 0, 0, 1}), (std::vector<int>{1, 7}));
    ResetStation(zan);
    ASSERT_EQ(Start(), 0);
    EXPECT_EQ(StartsOf({1, 0, 0, 1}), (std::vector<int>{1}));
}

TEST_F(RevolutionTest, InvertedMarkerMethodWorksOnTheClearBit) {
    zan.setup.setup.turnDetection = 1;
    EXPECT_EQ(StartsOf({0, 0, 0, 1, 1, 1, 0}), (std::vector<int>{1, 7}));
    // Only the period is left in the word, whatever the method did with the marker.
    EXPECT_EQ(zan.link.crankPeriodWord & 0x2000, 0);
}

TEST_F(RevolutionTest, ForceMethodThresholdFollowsHalfTheRightPeakWithinItsBounds) {
    zan.setup.setup.turnDetection = 2;
    zan.measure.pedals.rightForceMax = 40.0f;
    EXPECT_FALSE(Frame(0, 0.0f, 35.0f));
    EXPECT_EQ(zan.link.turnThreshold, 35);
    EXPECT_TRUE(Frame(0, 0.0f, 35.5f));

    zan.measure.pedals.rightForceMax = 1000.0f;
    EXPECT_FALSE(Frame(0, 0.0f, 300.0f)); // held: no new start until re-armed
    EXPECT_EQ(zan.link.turnThreshold, 250);
    EXPECT_EQ(zan.link.rearmThreshold, 375);
    Frame(0, 375.0f, 0.0f);
    Frame(0, 376.0f, 0.0f);
    Frame(0, 376.0f, 0.0f);
    EXPECT_EQ(zan.link.markerHits, 2);
    Frame(0, 376.0f, 0.0f);
    EXPECT_EQ(zan.link.markerHits, 0);
    EXPECT_EQ(zan.link.turnLed, 0);
    EXPECT_TRUE(Frame(0, 0.0f, 251.0f));
}

TEST_F(RevolutionTest, ForceDifferenceMethodStartsOnTheRightAndReArmsOnTheLeftAtOnce) {
    zan.setup.setup.turnDetection = 3;
    EXPECT_FALSE(Frame(0, 130.0f, 100.0f));
    EXPECT_TRUE(Frame(0, 130.5f, 100.0f));
    EXPECT_FALSE(Frame(0, 200.0f, 100.0f));
    Frame(0, 100.0f, 130.5f);
    EXPECT_EQ(zan.link.markerHits, 0);
    EXPECT_EQ(zan.link.turnLed, 0);
    EXPECT_TRUE(Frame(0, 200.0f, 100.0f));
}

TEST_F(RevolutionTest, MaskRestrictsDetectionToTheMarkerMethods) {
    zan.setup.setup.turnDetection = 3;
    zan.link.turnModeMask = 1;
    EXPECT_TRUE(Frame(0, 0.0f, 0.0f)); // method 1: a clear bit is the inverted marker
    EXPECT_EQ(zan.link.turnMode, 1);
    zan.setup.setup.turnDetection = 7;
    zan.link.turnModeMask = 255;
    EXPECT_FALSE(Frame(0x2000, 500.0f, 0.0f));
}

// --- Period and stall ---

TEST_F(RevolutionTest, ARevolutionEveryFiftyFramesGivesOneSecondAfterFourRevolutions) {
    zan.setup.setup.turnDetection = 0;
    for (int frame = 0; frame < 5 * 50; ++frame) Marker(frame % 50 == 0);
    EXPECT_FLOAT_EQ(zan.link.turnPeriod, 1000.0f);
}

TEST_F(RevolutionTest, ARevolutionWhoseFrameCountSteppedBackKeepsTheMeanPeriod) {
    zan.setup.setup.turnDetection = 0;
    for (int frame = 0; frame < 5 * 50; ++frame) Marker(frame % 50 == 0);
    ASSERT_FLOAT_EQ(zan.link.turnPeriod, 1000.0f);
    // Simulated frames set the count from their own clock, behind the crank's: revolutions of
    // no frames and of fewer than none.
    for (const int back : {1, 10}) {
        for (int frame = 0; frame < 3; ++frame) Marker(0);
        zan.link.frameCounter = zan.link.lastTurnFrame - back;
        EXPECT_TRUE(Marker(1));
        EXPECT_FLOAT_EQ(zan.link.turnPeriod, 1000.0f) << back;
    }
    // The next real revolution is measured from the one that stepped back.
    for (int frame = 0; frame < 49; ++frame) Marker(0);
    Marker(1);
    EXPECT_FLOAT_EQ(zan.link.turnPeriod, 1000.0f);
    EXPECT_FLOAT_EQ(zan.link.turnFrames, 50.0f);
}

TEST_F(RevolutionTest, StallResetFiresOnThe250thFrameAfterTheLastStartAndEveryFrameAfter) {
    zan.setup.setup.turnDetection = 0;
    for (const int bit : {1, 0, 0, 0, 1}) Marker(bit); // two starts end a window
    zan.measure.powerTotal = 150.0f;
    for (int frame = 1; frame < 250; ++frame) Marker(0);
    EXPECT_FLOAT_EQ(zan.measure.powerTotal, 150.0f);
    EXPECT_NE(zan.link.turnPeriod, 60000.0f);
    Marker(0);
    EXPECT_FLOAT_EQ(zan.link.turnPeriod, 60000.0f);
    EXPECT_FLOAT_EQ(zan.measure.powerTotal, 0.0f);
    EXPECT_EQ(zan.link.frameCounter, 1000);
    zan.measure.powerTotal = 5.0f;
    Marker(0);
    EXPECT_FLOAT_EQ(zan.measure.powerTotal, 0.0f);
    EXPECT_EQ(zan.link.frameCounter, 1000);
    // The first revolution after a stall enters a long period into the ring.
    Marker(1);
    EXPECT_FLOAT_EQ(zan.link.periodRing[0], 20.0f * 1001.0f);
}

// --- Window end and warm-up ---

TEST_F(RevolutionTest, FirstMarkOpensTheWindowAndTheSecondRevolutionEndsIt) {
    zan.setup.setup.turnDetection = 0;
    // Frames before the first mark are part of a revolution: they count for nothing.
    for (int frame = 0; frame < 4; ++frame) Marker(0);
    zan.measure.powerSum = 10.0f;
    Marker(1);
    EXPECT_FLOAT_EQ(zan.measure.powerSum, 0.0f);
    EXPECT_EQ(zan.link.frameIndex, 1);
    for (int frame = 0; frame < 9; ++frame) Marker(0);
    Marker(1);
    EXPECT_EQ(zan.link.turnCount, 1);
    for (int frame = 0; frame < 9; ++frame) Marker(0);
    zan.measure.powerSum = 10.0f * 20;
    Marker(1);
    EXPECT_EQ(zan.link.lastWindowFrames, 20);
    EXPECT_EQ(zan.link.frameIndex, 1); // the test's own advance after the window end
    EXPECT_EQ(zan.link.turnCount, 0);
    EXPECT_FLOAT_EQ(zan.measure.powerSum, 0.0f);
    EXPECT_FLOAT_EQ(zan.measure.meanPower, 10.0f);
}

class WarmupTest : public RevolutionTest {
  protected:
    void SetUp() override {
        RevolutionTest::SetUp();
        // The crank's first mark opens the first window.
        Marker(1);
        for (int i = 0; i < 3; ++i) Marker(0);
    }
    void Window(float power) {
        // CalcWatt averages with the previous window; keep both at the wanted power.
        zan.measure.previousPower = power;
        zan.measure.powerSum = power * 4;
        zan.link.frameIndex = 4;
        zan.link.turnCount = 1;
        Marker(1);
        for (int i = 0; i < 3; ++i) Marker(0);
    }
};

TEST_F(WarmupTest, FirstWindowShowsThePanelOnTopAndAlreadyCounts) {
    zan.setup.warmupMode = 1;
    zan.setup.warmupState = WarmupState::ToShow;
    Window(100.0f);
    EXPECT_TRUE(engine.Panel(zan.setup.warmupPanel).visible);
    EXPECT_TRUE(engine.Panel(zan.setup.warmupPanel).onTop);
    EXPECT_TRUE(Warmup(WARMUP_RESET).Dimmed());
    EXPECT_FALSE(Warmup(WARMUP_SKIP).Dimmed());
    EXPECT_EQ(zan.setup.warmupState, WarmupState::Filling);
    EXPECT_EQ(zan.setup.warmupLevel, 5);
    EXPECT_EQ(Warmup(WARMUP_PROGRESS).value, 5);
}

TEST_F(WarmupTest, PowerMustExceedTheModesLimit) {
    zan.setup.warmupState = WarmupState::Filling;
    zan.setup.warmupMode = 1;
    Window(80.0f);
    EXPECT_EQ(zan.setup.warmupLevel, 0);
    Window(80.1f);
    EXPECT_EQ(zan.setup.warmupLevel, 5);
    zan.setup.warmupMode = 2;
    Window(150.0f);
    EXPECT_EQ(zan.setup.warmupLevel, 5);
    Window(150.5f);
    EXPECT_EQ(zan.setup.warmupLevel, 10);
}

TEST_F(WarmupTest, TwentyWindowsCompleteTheWarmupAndTheResetButtonBlinks) {
    zan.setup.warmupState = WarmupState::ToShow;
    zan.setup.warmupMode = 2;
    for (int window = 0; window < 19; ++window) Window(200.0f);
    EXPECT_EQ(zan.setup.warmupState, WarmupState::Filling);
    Window(200.0f);
    EXPECT_EQ(zan.setup.warmupLevel, 100);
    EXPECT_FALSE(Warmup(WARMUP_RESET).Dimmed());
    EXPECT_TRUE(Warmup(WARMUP_SKIP).Dimmed());
    EXPECT_EQ(Warmup(WARMUP_RESET).intAttributes.at(ATTR_CMD_BUTTON_COLOR), VAL_YELLOW);
    Window(0.0f);
    EXPECT_EQ(Warmup(WARMUP_RESET).intAttributes.at(ATTR_CMD_BUTTON_COLOR), VAL_LT_GRAY);
    Window(0.0f);
    EXPECT_EQ(Warmup(WARMUP_RESET).intAttributes.at(ATTR_CMD_BUTTON_COLOR), VAL_YELLOW);
    EXPECT_EQ(zan.setup.warmupLevel, 100);
}

TEST_F(WarmupTest, NoWarmupLeavesThePanelHidden) {
    zan.setup.warmupState = WarmupState::Off;
    Window(300.0f);
    EXPECT_FALSE(engine.Panel(zan.setup.warmupPanel).visible);
    EXPECT_EQ(zan.setup.warmupLevel, 0);
}
