// A past ride as the review window reads it: its series, its summary, the row at an instant, and
// a raw stream's frames as the force curves and the polar view take them.
#include "review/ride_review.h"
#include "tests/support/session_rows.h"
#include "tools/crank_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>

namespace {
constexpr double none = std::numeric_limits<double>::quiet_NaN();

class RideReviewTest : public testing::Test {
  protected:
    void SetUp() override {
        folder =
            std::filesystem::temp_directory_path() /
            ("zan_review_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::filesystem::path folder;
};
} // namespace

TEST_F(RideReviewTest, LostLinkAndMissingStrapLeaveGapsAndTheSummaryCountsOnlyWhatWasMeasured) {
    std::vector<RideSecond> seconds(30, RideSecond{130.0, 90.0, 36.0, 100.0, 150.0});
    seconds.insert(seconds.end(), 5, RideSecond{0.0, 0.0, 0.0, 0.0, 0.0});
    seconds.insert(seconds.end(), 5, RideSecond{0.0, 80.0, 36.0, 100.0, 150.0});
    ReviewRide ride;
    std::string error;
    ASSERT_TRUE(ReadReviewRide(WriteSessionFile(folder.string(), seconds), ride, error)) << error;

    EXPECT_EQ(ride.name, "S_071226_10-00.csv");
    ASSERT_EQ(ride.seconds.size(), 40u);
    EXPECT_EQ(ride.seconds.front(), 1.0);
    EXPECT_EQ(ride.seconds.back(), 40.0);
    EXPECT_EQ(ride.powerTotal[0], 250.0);
    EXPECT_EQ(ride.powerLeft[0], 100.0);
    EXPECT_EQ(ride.powerRight[0], 150.0);
    EXPECT_NEAR(ride.speed[0], 36.0, 1e-9);
    for (const auto* series : {&ride.powerTotal, &ride.powerLeft, &ride.powerRight, &ride.cadence,
                               &ride.heartRate, &ride.speed})
        EXPECT_TRUE(std::isnan((*series)[32])) << "a row of the lost link has no value";
    EXPECT_TRUE(std::isnan(ride.heartRate[37])) << "no strap, no heart rate";
    EXPECT_EQ(ride.cadence[37], 80.0);

    const ReviewSummary& s = ride.summary;
    EXPECT_EQ(s.seconds, 41.0);
    // 35 seconds measured at 10 m/s and 250 W.
    EXPECT_NEAR(s.distance, 0.35, 1e-9);
    EXPECT_NEAR(s.work, 8.75, 1e-9);
    EXPECT_EQ(s.meanPower, 250.0);
    EXPECT_EQ(s.maximumPower, 250.0);
    EXPECT_NEAR(s.normalizedPower, 250.0, 1e-9);
    EXPECT_NEAR(s.meanCadence, (30 * 90.0 + 5 * 80.0) / 35.0, 1e-9);
    EXPECT_EQ(s.meanHeartRate, 130.0);
    EXPECT_NEAR(s.leftBalance, 40.0, 1e-9);
    // A session file keeps no forces through the revolution.
    EXPECT_TRUE(std::isnan(s.leftTorqueEffectiveness));
    EXPECT_TRUE(std::isnan(s.rightPedalSmoothness));
}

TEST_F(RideReviewTest, AFileThatIsNoSessionIsRefusedByName) {
    const std::filesystem::path notes = folder / "notes.csv";
    std::ofstream(notes) << "a,b,c\n1,2,3\n";
    ReviewRide ride;
    std::string error;
    EXPECT_FALSE(ReadReviewRide(notes.string(), ride, error));
    EXPECT_NE(error.find("notes.csv"), std::string::npos) << error;
}

TEST(NormalizedPower, WeighsHardEffortsAboveTheirMeanAndNeedsHalfAMinute) {
    const auto series = [](int count, auto power) {
        std::pair<std::vector<double>, std::vector<double>> ride;
        for (int i = 1; i <= count; ++i) {
            ride.first.push_back(i);
            ride.second.push_back(power(i));
        }
        return ride;
    };
    const auto steady = series(600, [](int) { return 200.0; });
    EXPECT_NEAR(NormalizedPower(steady.first, steady.second), 200.0, 1e-9);
    const auto gaps = series(600, [](int i) { return i % 50 < 5 ? none : 200.0; });
    EXPECT_NEAR(NormalizedPower(gaps.first, gaps.second), 200.0, 1e-9)
        << "seconds without power are no effort, not 0 W";
    // Two minutes at 100 W and two at 400 W: the mean is 250 W, the hard half costs more.
    const auto intervals =
        series(1200, [](int i) { return (i - 1) / 120 % 2 == 0 ? 100.0 : 400.0; });
    const double normalized = NormalizedPower(intervals.first, intervals.second);
    EXPECT_GT(normalized, 300.0);
    EXPECT_LT(normalized, 400.0);
    const auto short_ = series(29, [](int) { return 200.0; });
    EXPECT_TRUE(std::isnan(NormalizedPower(short_.first, short_.second)));
}

TEST(ReviewRows, TheCursorReadsTheLastRowAtOrBeforeItsInstant) {
    ReviewRide ride;
    ride.seconds = {2.0, 4.0, 6.0};
    const struct {
        double at;
        std::size_t row;
    } cases[] = {{0.0, 0}, {2.0, 0}, {3.9, 0}, {4.0, 1}, {5.0, 1}, {6.0, 2}, {100.0, 2}};
    for (const auto& c : cases) EXPECT_EQ(RowAt(ride, c.at), c.row) << c.at;
    EXPECT_EQ(ClockText(3723.4), "1:02:03");
    EXPECT_EQ(ValueText(none, 0, "W"), "--");
    EXPECT_EQ(ValueText(32.25, 1, "km/h"), "32.2 km/h");
}

// The polar view at an instant is the one the live station showed then, from the same frames:
// revolutions spoiled by a rejected mark, lost frames or a stall are left out as live, however
// far back the last ten whole ones go.
TEST(ReviewFrames, ThePolarViewAtAnInstantIsTheLiveOneWithSpoiledRevolutionsLeftOut) {
    ReviewRide ride;
    const StrokeSettings stroke{90.0, 50.0, 300.0, 300.0};
    bool marked = false;
    int turn = 0;
    for (long long n = 0; n < 50 * 60; ++n) {
        const CrankSample sample = SampleCrank(stroke, n);
        turn += sample.revolutionStart ? 1 : 0;
        PolarFrame frame{static_cast<float>(sample.rightForce),
                         static_cast<float>(sample.leftForce),
                         sample.revolutionStart,
                         marked ? 1 : 0,
                         false,
                         0,
                         false};
        marked = marked || sample.revolutionStart;
        const bool spoiling = n % 33 == 12 && !sample.revolutionStart;
        frame.markRejected = spoiling && turn % 7 == 3;
        frame.lostBefore = spoiling && turn % 7 == 5 ? 2 : 0;
        frame.stalled = spoiling && turn % 7 == 6 && turn > 60;
        ride.frames.push_back(ReviewFrame{static_cast<double>(n) / 50.0, frame});
    }
    const auto live = std::make_unique<PolarState>();
    live->turnsAveraged = polarDefaultTurns;
    ClearPolar(*live);
    const auto atCursor = std::make_unique<PolarState>();
    std::size_t fed = 0;
    for (const double at : {2.0, 7.3, 31.0, 59.9}) {
        SCOPED_TRACE(at);
        for (; fed < ride.frames.size() && ride.frames[fed].seconds <= at; ++fed)
            PolarFrameIn(*live, ride.frames[fed].frame);
        PolarAt(ride, at, polarDefaultTurns, *atCursor);
        const PolarFigures& shown = PolarFiguresNow(*live);
        const PolarFigures& reviewed = PolarFiguresNow(*atCursor);
        EXPECT_EQ(reviewed.turns, shown.turns);
        if (at > 30.0) {
            EXPECT_EQ(reviewed.turns, polarDefaultTurns);
        }
        for (int k = 0; k < polarPoints; ++k) {
            EXPECT_EQ(reviewed.right[k], shown.right[k]) << k;
            EXPECT_EQ(reviewed.left[k], shown.left[k]) << k;
        }
        EXPECT_EQ(reviewed.rightPedal.topDeadSpotAngle, shown.rightPedal.topDeadSpotAngle);
    }

    // The force curves take the last two whole revolutions before the instant, mark to mark.
    const FrameSpan span = TwoTurnsAt(ride, 31.0);
    ASSERT_LT(span.end, ride.frames.size());
    EXPECT_TRUE(ride.frames[span.first].frame.revolutionStarts);
    EXPECT_TRUE(ride.frames[span.end].frame.revolutionStarts);
    EXPECT_NEAR(static_cast<double>(span.end - span.first), 2.0 * 50.0 * 60.0 / 90.0, 1.5);
    EXPECT_LE(ride.frames[span.end].seconds, 31.0);
    EXPECT_GT(ride.frames[span.end].seconds, 31.0 - 60.0 / 90.0);
    EXPECT_EQ(TwoTurnsAt(ride, 0.5).end, 0u) << "no two whole revolutions yet";
}
