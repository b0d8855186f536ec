// The arithmetic of a calibration with a known mass, on raw counts as the frames bring them.
#include "setup/calibration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {
CountMean Mean(const std::vector<int>& counts) {
    return AverageCounts(counts.data(), static_cast<int>(counts.size()));
}
} // namespace

TEST(CalibrationTest, TheGainIsTheMassesWeightOverTheCountsAboveTheOffset) {
    // 20 kg on a pedal whose counts are 0.5 N each: 392.27 counts above 1000.
    const CountMean offset = Mean(std::vector<int>(100, 1000));
    const CountMean loaded = Mean({1392, 1393, 1392, 1392, 1393});
    const GainResult gain = ComputeGain(offset, loaded, 20.0, 0.5);
    EXPECT_EQ(gain.stop, CalibrationStop::None);
    EXPECT_NEAR(gain.gain, 20.0 * 9.80665 / 392.4, 1e-9);
    EXPECT_NEAR(gain.change, 100.0 * (gain.gain - 0.5) / 0.5, 1e-9);
    // The scatter of the loaded counts (sd 0.548 over 5 frames) is all the uncertainty.
    EXPECT_NEAR(gain.uncertainty, gain.gain * (std::sqrt(0.3) / std::sqrt(5.0)) / 392.4, 1e-9);
    EXPECT_DOUBLE_EQ(offset.uncertainty, 0.0);
    EXPECT_DOUBLE_EQ(loaded.span, 1.0);
}

TEST(CalibrationTest, AStepThatCannotGiveAGainStopsWithItsReason) {
    const CountMean offset = Mean(std::vector<int>(100, 1000));
    const CountMean loaded = Mean(std::vector<int>(250, 1392));
    struct Case {
        const char* what;
        CountMean offset;
        CountMean loaded;
        const char* mass; // as the rider typed it
        double gainInUse;
        CalibrationStop stop;
        double massTaken; // kg, for a step that gives a gain
    };
    const Case cases[] = {
        {"a mass of 0", offset, loaded, "0", 0.5, CalibrationStop::NoMass, 0.0},
        {"a mass below 0", offset, loaded, "-20", 0.5, CalibrationStop::NoMass, 0.0},
        {"a mass not a number", offset, loaded, "nan", 0.5, CalibrationStop::NoMass, 0.0},
        {"a mass in words", offset, loaded, "twenty", 0.5, CalibrationStop::NoMass, 0.0},
        {"no mass", offset, loaded, "", 0.5, CalibrationStop::NoMass, 0.0},
        {"nothing hung", offset, offset, "20", 0.5, CalibrationStop::NoCounts, 0.0},
        {"a quarter more", offset, loaded, "25", 0.5, CalibrationStop::GainChange, 0.0},
        {"a fifth less and a bit", offset, loaded, "15.9", 0.5, CalibrationStop::GainChange, 0.0},
        {"within a fifth", offset, loaded, "23.5", 0.5, CalibrationStop::None, 23.5},
        {"with a decimal comma", offset, loaded, "20,9", 0.5, CalibrationStop::None, 20.9},
        {"with its unit", offset, loaded, " 20,5 kg", 0.5, CalibrationStop::None, 20.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        double mass = -1.0;
        const CalibrationStop read = ReadMass(c.mass, &mass);
        const GainResult gain = ComputeGain(c.offset, c.loaded, mass, c.gainInUse);
        EXPECT_EQ(read != CalibrationStop::None ? read : gain.stop, c.stop);
        if (c.stop == CalibrationStop::None) {
            EXPECT_NEAR(gain.gain, c.massTaken * standardGravity / 392.0, 1e-12);
        }
    }
}

TEST(CalibrationTest, ACrankThatMovesDuringAStepStopsIt) {
    std::vector<int> counts(250, 1392);
    EXPECT_EQ(CheckSteady(Mean(counts), 0.5), CalibrationStop::None);
    counts[100] = 1392 + 41; // 20.5 N at 0.5 N a count
    EXPECT_EQ(CheckSteady(Mean(counts), 0.5), CalibrationStop::Moved);
    EXPECT_EQ(CheckSteady(Mean({}), 0.5), CalibrationStop::NoFrames);
}

TEST(CalibrationTest, GatheringSkipsTheSettlingFramesAndStopsAtTheFramesWanted) {
    auto gathered = std::make_unique<CalibrationCounts>();
    StartCounts(*gathered, 3, 2);
    EXPECT_FALSE(TakeCount(*gathered, 7));
    EXPECT_FALSE(TakeCount(*gathered, 8));
    EXPECT_FALSE(TakeCount(*gathered, 1));
    EXPECT_FALSE(TakeCount(*gathered, 2));
    EXPECT_TRUE(TakeCount(*gathered, 3));
    EXPECT_TRUE(TakeCount(*gathered, 4));
    EXPECT_EQ(gathered->frames, 3);
    EXPECT_EQ(gathered->counts[0], 1);
    StartCounts(*gathered, 1000000);
    EXPECT_EQ(gathered->wanted, calibrationMostFrames);
}
