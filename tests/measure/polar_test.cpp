// The polar view's figures from the emulator's stroke, frame by frame as the frame path gives them.
#include "measure/polar.h"
#include "tools/crank_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

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

// Strokes with known angles: each pedal peaks at 90 degrees from its own top, pushes from 0 to
// 180 and pulls back on the way up; at half its peak from asin(0.5^(1/peakedness)) to 180 less
// that. The crank's frames fall on the top only when the cadence divides them evenly.
struct KnownStroke {
    double cadence;
    double peakedness;
    double rightPeak;
    double leftPeak;
    long long
        firstFrame; // the emulator's frame the ride starts on: mid-ride, the marks fall anywhere
    float phaseTolerance; // degrees; 0 when the push leaves zero too flat to place its start
    // How far the peak may wander, degrees: at 87 rpm a revolution is nearly a whole number of
    // frames and a half, so the marks move through their frames slowly and show where the frames
    // fell only over many revolutions.
    float steadyDegrees = 2.0f;
};

const KnownStroke knownStrokes[] = {
    {60.0, 1.0, 300.0, 300.0, 0, 1.4f},    {90.0, 1.0, 300.0, 300.0, 0, 1.4f},
    {90.0, 1.0, 350.0, 250.0, 1234, 1.4f}, {87.0, 1.0, 300.0, 300.0, 77, 1.4f, 5.0f},
    {120.0, 1.0, 400.0, 380.0, 5, 1.4f},   {75.0, 4.0, 500.0, 450.0, 31, 0.0f},
    {95.0, 6.0, 600.0, 600.0, 999, 0.0f},
};

TEST(PolarTest, KnownStrokesReadTheirAnglesFromEachPedalsOwnTop) {
    for (const KnownStroke& known : knownStrokes) {
        SCOPED_TRACE(testing::Message() << known.cadence << " rpm, peakedness " << known.peakedness
                                        << ", from frame " << known.firstFrame);
        PolarRide ride;
        ride.stroke =
            StrokeSettings{known.cadence, 50.0, known.rightPeak, known.leftPeak, known.peakedness};
        ride.frame = known.firstFrame;
        // Twenty seconds: the marks of every revolution kept show where the frames fell.
        ride.Turns(30);
        const PolarFigures& figures = PolarFiguresNow(*ride.polar);
        EXPECT_EQ(figures.turns, polarDefaultTurns);
        const double halfAngle =
            std::asin(std::pow(0.5, 1.0 / known.peakedness)) * 180.0 / std::numbers::pi;
        // The mean of sin^k over the downstroke: 2/pi for an even sine, 3/8 for sin^4.
        double downstroke = 0.0;
        for (int i = 0; i < 1800; ++i)
            downstroke +=
                std::pow(std::sin((i + 0.5) * std::numbers::pi / 1800.0), known.peakedness) /
                1800.0;
        for (const bool left : {false, true}) {
            SCOPED_TRACE(left ? "left" : "right");
            const PedalPolar& pedal = left ? figures.leftPedal : figures.rightPedal;
            const double peak = left ? known.leftPeak : known.rightPeak;
            EXPECT_NEAR(pedal.peakAngle, 90.0, 1.0);
            EXPECT_NEAR(pedal.peakForce, peak, 0.02 * peak);
            EXPECT_NEAR(pedal.phase.peakStart, halfAngle, 1.4);
            EXPECT_NEAR(pedal.phase.peakEnd, 180.0 - halfAngle, 1.4);
            if (known.phaseTolerance > 0.0f) {
                EXPECT_NEAR(std::fmod(pedal.phase.start + 180.0f, 360.0f), 180.0f,
                            known.phaseTolerance);
                EXPECT_NEAR(pedal.phase.end, 180.0f, known.phaseTolerance);
            }
            EXPECT_NEAR(pedal.shapeScore, 100.0 * downstroke, 2.0);
            // Weakest where the push turns into the pull, near the top and the bottom, and the
            // upstroke's pull (a tenth of the peak) is a negative half.
            EXPECT_NEAR(std::fmod(pedal.topDeadSpotAngle + 180.0f, 360.0f), 180.0f, 20.0f);
            EXPECT_NEAR(pedal.bottomDeadSpotAngle, 180.0f, 20.0f);
            EXPECT_LT(std::fabs(pedal.topDeadSpotDepth), 0.05 * peak);
            EXPECT_NEAR(pedal.negativeShare, 50.0f, 6.0f);
        }
    }
}

TEST(PolarTest, ASteadyCranksPeakStaysWithinTwoDegreesRevolutionAfterRevolution) {
    for (const KnownStroke& known : knownStrokes) {
        SCOPED_TRACE(testing::Message() << known.cadence << " rpm from frame " << known.firstFrame);
        PolarRide ride;
        ride.stroke =
            StrokeSettings{known.cadence, 50.0, known.rightPeak, known.leftPeak, known.peakedness};
        ride.frame = known.firstFrame;
        // Once twenty revolutions have shown where a cadence's frames fall.
        ride.Turns(20);
        float lowest = 360.0f;
        float highest = 0.0f;
        // Twenty seconds, the figures made after each revolution.
        for (int turn = 0; turn < known.cadence / 3.0; ++turn) {
            ride.Turns(1);
            const PolarFigures& figures = PolarFiguresNow(*ride.polar);
            for (const float angle : {figures.rightPedal.peakAngle, figures.leftPedal.peakAngle}) {
                lowest = std::min(lowest, angle);
                highest = std::max(highest, angle);
            }
        }
        EXPECT_LT(highest - lowest, known.steadyDegrees);
    }
}

TEST(PolarTest, AMeanOfPowerPhasesGoesRoundTheCircle) {
    const PowerPhase phases[] = {
        {355.0f, 175.0f, 30.0f, 150.0f}, {5.0f, 185.0f, 32.0f, 148.0f}, {}};
    const PowerPhase mean = MeanPowerPhase(phases, 3);
    EXPECT_NEAR(std::fmod(mean.start + 180.0f, 360.0f), 180.0f, 0.01f);
    EXPECT_NEAR(mean.end, 180.0f, 0.01f);
    EXPECT_NEAR(mean.peakStart, 31.0f, 0.01f);
    EXPECT_TRUE(std::isnan(MeanPowerPhase(phases + 2, 1).start));
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
    for (int k = 0; k < polarPoints; ++k) {
        EXPECT_EQ(after.right[k], before->right[k]) << k;
        EXPECT_EQ(after.left[k], before->left[k]) << k;
    }
}
