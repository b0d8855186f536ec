// The polar view's figures from the emulator's stroke, frame by frame as the frame path gives them.
#include "measure/polar.h"
#include "tools/crank_model.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct PolarRide {
    std::unique_ptr<PolarState> polar = std::make_unique<PolarState>();
    StrokeSettings stroke{90.0, 50.0, 300.0, 300.0};
    long long frame = 0;
    bool marked = false;

    PolarRide() {
        polar->turnsAveraged = polarDefaultTurns;
        ClearPolar(*polar);
    }

    // Rides whole revolutions; the first mark of the ride follows no mark.
    void Turns(int turns, bool spoiled = false) {
        for (int done = 0; done < turns;) {
            const CrankSample sample = SampleCrank(stroke, frame++);
            PolarFrame in{static_cast<float>(sample.rightForce),
                          static_cast<float>(sample.leftForce),
                          sample.revolutionStart,
                          marked ? 1 : 0,
                          false,
                          0,
                          false};
            if (sample.revolutionStart) done += marked ? 1 : 0;
            if (spoiled && !sample.revolutionStart) in.markRejected = true;
            marked = marked || sample.revolutionStart;
            PolarFrameIn(*polar, in);
        }
    }
};

} // namespace

TEST(PolarTest, TheEmulatorsStrokePeaksAtNinetyAndTheLeftHalfATurnLater) {
    for (double cadence : {60.0, 90.0, 120.0}) {
        SCOPED_TRACE(cadence);
        PolarRide ride;
        ride.stroke.cadenceRpm = cadence;
        ride.Turns(12);
        const PolarFigures& figures = PolarFiguresNow(*ride.polar);
        const float frameAngle = static_cast<float>(360.0 * cadence / 60.0 / 50.0);
        EXPECT_EQ(figures.turns, polarDefaultTurns);
        EXPECT_NEAR(figures.rightPedal.peakAngle, 90.0f, frameAngle);
        EXPECT_NEAR(figures.leftPedal.peakAngle, 270.0f, frameAngle);
        EXPECT_NEAR(figures.rightPedal.peakForce, 300.0f, 10.0f);
        // The upstroke pulls back with a tenth of the peak, deepest at the bottom of the way up.
        EXPECT_NEAR(figures.rightPedal.deadSpotAngle, 270.0f, 2.0f * frameAngle);
        EXPECT_NEAR(figures.leftPedal.deadSpotAngle, 90.0f, 2.0f * frameAngle);
        EXPECT_NEAR(figures.rightPedal.deadSpotDepth, -30.0f, 3.0f);
        EXPECT_NEAR(figures.rightPedal.negativeShare, 50.0f, 100.0f * frameAngle / 360.0f);
    }
}

TEST(PolarTest, OnlyWholeRevolutionsBetweenTwoMarksEnterTheMean) {
    PolarRide ride;
    EXPECT_EQ(PolarFiguresNow(*ride.polar).turns, 0);
    ride.Turns(3);
    EXPECT_EQ(PolarFiguresNow(*ride.polar).turns, 3);
    // A revolution with a rejected mark, lost frames or a stall in it is left out, however it
    // pushed.
    ride.stroke.rightPeak = 900.0;
    ride.Turns(2, true);
    EXPECT_EQ(PolarFiguresNow(*ride.polar).turns, 3);
    EXPECT_NEAR(PolarFiguresNow(*ride.polar).rightPedal.peakForce, 300.0f, 10.0f);
    PolarFrameIn(*ride.polar, PolarFrame{0, 0, false, 0, false, 2, false});
    ride.Turns(1);
    PolarFrameIn(*ride.polar, PolarFrame{0, 0, false, 0, false, 0, true});
    ride.Turns(1);
    EXPECT_EQ(PolarFiguresNow(*ride.polar).turns, 3);
    // A mark after lost marks closes frames spanning more than a revolution.
    for (int i = 0; i < 30; ++i)
        PolarFrameIn(*ride.polar, PolarFrame{900, 0, false, 0, false, 0, false});
    PolarFrameIn(*ride.polar, PolarFrame{0, 0, true, 2, false, 0, false});
    EXPECT_EQ(PolarFiguresNow(*ride.polar).turns, 3);
}

TEST(PolarTest, TheMeanTakesTheLastTurnsAsSet) {
    PolarRide ride;
    ride.Turns(10);
    ride.stroke.rightPeak = 600.0;
    ride.Turns(2);
    EXPECT_NEAR(PolarFiguresNow(*ride.polar).rightPedal.peakForce, 360.0f, 12.0f);
    SetPolarTurns(*ride.polar, 1);
    EXPECT_NEAR(PolarFiguresNow(*ride.polar).rightPedal.peakForce, 600.0f, 20.0f);
    SetPolarTurns(*ride.polar, 0);
    EXPECT_EQ(ride.polar->turnsAveraged, 1);
    SetPolarTurns(*ride.polar, 500);
    EXPECT_EQ(ride.polar->turnsAveraged, polarMostTurns);
    EXPECT_EQ(PolarFiguresNow(*ride.polar).turns, 12);
}

TEST(PolarTest, TheRevolutionUnderWayNeverEntersTheMeanOfTheMostTurns) {
    PolarRide ride;
    SetPolarTurns(*ride.polar, polarMostTurns);
    ride.Turns(polarMostTurns + 5);
    const auto before = std::make_unique<PolarFigures>(PolarFiguresNow(*ride.polar));
    EXPECT_EQ(before->turns, polarMostTurns);
    // Half a revolution pushing three times harder, its closing mark not yet come.
    for (int i = 0; i < 15; ++i)
        PolarFrameIn(*ride.polar, PolarFrame{900, 900, false, 0, false, 0, false});
    SetPolarTurns(*ride.polar, polarMostTurns);
    const PolarFigures& after = PolarFiguresNow(*ride.polar);
    ASSERT_EQ(after.points, before->points);
    for (int k = 0; k < after.points; ++k) {
        EXPECT_EQ(after.right[k], before->right[k]) << k;
        EXPECT_EQ(after.left[k], before->left[k]) << k;
    }
}
