// The pedal figures of a stretch of a ride (the review window's range and cursor) and of the
// whole of it (the before-and-after report).
#include "review/ride_figures.h"
#include "tools/crank_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace {
constexpr double none = std::numeric_limits<double>::quiet_NaN();

// How far apart two angles are round the circle, in degrees.
double Apart(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

PowerPhase Phase(float start, float end, float peakStart, float peakEnd) {
    return PowerPhase{start, end, peakStart, peakEnd};
}
} // namespace

// The rows' phases are averaged round the circle (a start at 354 and one at 6 is one at 0), the
// rows without figures (a lost link) are left out, and the balance is the left pedal's share of
// the power both gave rather than the mean of the rows' shares.
TEST(RangeFigures, PhasesMeetRoundTheTopRowsWithoutFiguresCountForNothingBalanceWeighsPower) {
    ReviewRide ride;
    const struct {
        double seconds, left, right, balance, effectiveness, smoothness;
        PowerPhase phase;
    } rows[] = {
        {1.0, 100.0, 100.0, 50.0, 80.0, 20.0, Phase(354.0f, 170.0f, 30.0f, 150.0f)},
        {2.0, 300.0, 100.0, 75.0, 90.0, 30.0, Phase(6.0f, 190.0f, 40.0f, 160.0f)},
        // The link lost: no power, no figures, no phase.
        {3.0, none, none, none, none, none, PowerPhase{}},
        {4.0, 50.0, 150.0, 25.0, 70.0, 40.0, Phase(0.0f, 180.0f, 35.0f, 155.0f)},
    };
    for (const auto& row : rows) {
        ride.seconds.push_back(row.seconds);
        ride.powerLeft.push_back(row.left);
        ride.powerRight.push_back(row.right);
        // The right pedal's figures a tenth above the left's, to tell them apart.
        ride.pedalling.push_back(ReviewPedalling{row.balance, row.effectiveness,
                                                 row.effectiveness * 1.1, row.smoothness,
                                                 row.smoothness * 1.1, row.phase, row.phase});
    }
    const RangeFigures two = FiguresOfRows(ride, 0, 2);
    EXPECT_EQ(two.rows, 2u);
    EXPECT_LT(Apart(two.left.phase.start, 0.0), 0.01) << two.left.phase.start;
    EXPECT_NEAR(two.left.phase.end, 180.0, 0.01);
    EXPECT_NEAR(two.right.phase.peakStart, 35.0, 0.01);
    EXPECT_NEAR(two.left.torqueEffectiveness, 85.0, 1e-9);
    EXPECT_NEAR(two.right.torqueEffectiveness, 93.5, 1e-9);
    EXPECT_NEAR(two.right.pedalSmoothness, 27.5, 1e-9);
    EXPECT_NEAR(two.leftBalance, 100.0 * 400.0 / 600.0, 1e-9) << "not the rows' mean share, 62.5";

    // The same rows by their instants, the range given end first; the lost row in it adds
    // nothing but its count.
    const RangeFigures all = FiguresBetween(ride, 4.0, 0.5);
    EXPECT_EQ(all.rows, 4u);
    EXPECT_NEAR(all.left.torqueEffectiveness, 80.0, 1e-9);
    EXPECT_NEAR(all.leftBalance, 100.0 * 450.0 / 800.0, 1e-9);
    EXPECT_LT(Apart(all.right.phase.start, 0.0), 0.01);

    // A stretch of the lost row alone, and one past the ride, have no figures.
    for (const RangeFigures& empty : {FiguresBetween(ride, 2.5, 3.5), FiguresOfRows(ride, 7, 9)}) {
        EXPECT_TRUE(std::isnan(empty.leftBalance));
        EXPECT_TRUE(std::isnan(empty.right.torqueEffectiveness));
        EXPECT_TRUE(std::isnan(empty.left.phase.start));
    }
    EXPECT_EQ(FiguresOfRows(ride, 7, 9).rows, 0u);
}

// The whole ride is every revolution counted once: the lots of polarMostTurns and the rest after
// them weigh as many revolutions as they hold. The right pedal's zero moves 20 N a third of the
// way in, so its upstroke reads the ride's share of revolutions after the move (lots weighed
// alike would read 1.7 N more of it).
TEST(WholeRidePolar, EveryRevolutionCountsOnceAcrossTheLotsAndThePedalsKeepTheirOwnFigures) {
    ReviewRide ride;
    const StrokeSettings stroke{90.0, 50.0, 300.0, 200.0};
    const long long frames = 50 * 75; // 112 revolutions: two lots of 50 and 12 over
    const long long moved = frames / 3;
    bool marked = false;
    // The link's history before the session, pulling hard, which the ride leaves out.
    for (long long n = -500; n < frames; ++n) {
        const CrankSample sample = SampleCrank(stroke, n + 500);
        const float shift = n >= moved ? -20.0f : 0.0f;
        const float pull = n < 0 ? -150.0f : 0.0f;
        ride.frames.push_back(
            ReviewFrame{static_cast<double>(n) / 50.0,
                        PolarFrame{static_cast<float>(sample.rightForce) + shift + pull,
                                   static_cast<float>(sample.leftForce) + pull,
                                   sample.revolutionStart, marked ? 1 : 0, false, 0, false}});
        marked = marked || sample.revolutionStart;
    }
    // The revolutions one by one, as a reference: each one's upstroke.
    const auto polar = std::make_unique<PolarState>();
    polar->turnsAveraged = 1;
    ClearPolar(*polar);
    PolarFigures one{};
    long long seen = 0;
    double upstroke[2] = {};
    int turns = 0;
    int afterMove = 0;
    for (const ReviewFrame& frame : ride.frames) {
        if (frame.seconds < 0.0) continue;
        PolarFrameIn(*polar, frame.frame);
        if (polar->keptTotal == seen) continue;
        seen = polar->keptTotal;
        MakeRecentFigures(*polar, 1, one);
        const bool after = frame.seconds > static_cast<double>(moved) / 50.0;
        for (int k = 70; k < 110; ++k) upstroke[after ? 1 : 0] += one.right[k] / 40.0;
        turns += 1;
        afterMove += after ? 1 : 0;
    }
    ASSERT_GT(turns, 2 * polarMostTurns);
    ASSERT_NE(turns % polarMostTurns, 0);
    ASSERT_GT(afterMove, 0);

    PolarFigures figures{};
    WholeRidePolar(ride, figures);
    EXPECT_EQ(figures.turns, turns);
    double rideUpstroke = 0.0;
    for (int k = 70; k < 110; ++k) rideUpstroke += figures.right[k] / 40.0;
    EXPECT_NEAR(rideUpstroke, (upstroke[0] + upstroke[1]) / turns, 0.2);
    EXPECT_NEAR(upstroke[1] / afterMove - upstroke[0] / (turns - afterMove), -20.0, 1.0);

    // The stroke peaks at 90 degrees from each pedal's own top and pushes from 0 to 180; an even
    // sine is at half its peak from 30 to 150 degrees and scores 64.
    for (const PedalPolar* pedal : {&figures.rightPedal, &figures.leftPedal}) {
        EXPECT_NEAR(pedal->peakAngle, 90.0, 2.0);
        EXPECT_NEAR(pedal->phase.peakStart, 30.0, 3.0);
        EXPECT_NEAR(pedal->phase.peakEnd, 150.0, 3.0);
        EXPECT_NEAR(pedal->shapeScore, 64.0, 3.0);
    }
    EXPECT_NEAR(figures.leftPedal.peakForce, 200.0, 6.0);
    EXPECT_LT(Apart(figures.leftPedal.phase.end, 180.0), 4.0);
    // The right pedal pulls 20 N on its upstroke after the move: its mean force turns positive
    // only once the push is past that.
    EXPECT_GT(figures.rightPedal.phase.start, 1.0);

    ReviewRide noFrames;
    WholeRidePolar(noFrames, figures);
    EXPECT_EQ(figures.turns, 0);
}
