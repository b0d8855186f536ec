#include "export/fit_activity.h"
#include "tests/support/fit_messages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <sstream>

namespace {

constexpr double none = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr std::uint32_t start = 1'100'000'000; // 2024-11-09, FIT seconds

double Ms(std::uint32_t fitSeconds) {
    return (double{fitEpochUnixSeconds} + fitSeconds) * 1000;
}

// A ride's rows: values that wander, with a heart rate missing now and then, stretches without
// pedal metrics, one row with no value at all and one with values beyond their fields.
FitRecord Row(int i) {
    const double t = i;
    FitRecord row{start + static_cast<std::uint32_t>(i),
                  180.4 + 120 * std::sin(t / 17),
                  88 + 10 * std::sin(t / 23),
                  8 + 3 * std::sin(t / 31),
                  120 + t / 10,
                  8.5 * t + 0.0037 * t,
                  50 + 6.3 * std::sin(t / 13),
                  70 + 9.7 * std::sin(t / 11),
                  72 + 9 * std::cos(t / 9),
                  20 + 5.2 * std::sin(t / 7),
                  22 + 5 * std::cos(t / 5)};
    // Power phases that wander across the top (355 to 5 degrees) and round the bottom.
    const auto wander = [t](double middle, double reach, double period) {
        return static_cast<float>(std::fmod(middle + reach * std::sin(t / period) + 360.0, 360.0));
    };
    row.leftPhase = {wander(0, 8, 7), wander(180, 12, 9), wander(30, 5, 11), wander(150, 5, 13)};
    row.rightPhase = {wander(350, 4, 5), wander(190, 6, 8), wander(40, 9, 6), wander(140, 3, 4)};
    if (i % 7 == 3) row.heartRate = none;
    if (i % 50 >= 40) {
        row.leftTorqueEffectiveness = row.rightTorqueEffectiveness = none;
        row.leftPedalSmoothness = row.rightPedalSmoothness = none;
        row.leftPhase = row.rightPhase = PowerPhase{};
    }
    if (i == 300)
        row = {row.timestamp, none,      infinity, -infinity, none, infinity,
               none,          -infinity, none,     infinity,  none};
    if (i == 301) row = {row.timestamp, -4, 300, 70, 255.4, -0.2, 130, 150, -1, 127.4, 0};
    return row;
}

// A row's field as Garmin's decoder names it, its resolution and the largest value it holds.
struct RecordField {
    const char* name;
    double FitRecord::*value;
    double step;
    double largest;
};
const RecordField recordFields[] = {
    {"power", &FitRecord::power, 1, 65534},
    {"cadence", &FitRecord::cadence, 1, 254},
    {"speed", &FitRecord::speed, 0.001, 65.534},
    {"enhancedSpeed", &FitRecord::speed, 0.001, 65.534},
    {"heartRate", &FitRecord::heartRate, 1, 254},
    {"distance", &FitRecord::distance, 0.01, 42949672.94},
    {"leftTorqueEffectiveness", &FitRecord::leftTorqueEffectiveness, 0.5, 127},
    {"rightTorqueEffectiveness", &FitRecord::rightTorqueEffectiveness, 0.5, 127},
    {"leftPedalSmoothness", &FitRecord::leftPedalSmoothness, 0.5, 127},
    {"rightPedalSmoothness", &FitRecord::rightPedalSmoothness, 0.5, 127},
};

// A pedal's power phase as Garmin's decoder names it: start and end are the array's elements.
struct PhaseField {
    const char* name;
    PowerPhase FitRecord::*phase;
    bool peak;
};
const PhaseField phaseFields[] = {
    {"leftPowerPhase", &FitRecord::leftPhase, false},
    {"leftPowerPhasePeak", &FitRecord::leftPhase, true},
    {"rightPowerPhase", &FitRecord::rightPhase, false},
    {"rightPowerPhasePeak", &FitRecord::rightPhase, true},
};

// Degrees between two angles, round the circle.
double AngleApart(double a, double b) {
    const double apart = std::fmod(std::fabs(a - b), 360.0);
    return std::min(apart, 360.0 - apart);
}

using Message = FitMessage;

// The phase's two angles as the message holds them, within half a FIT step (360/256 degrees);
// none written when the phase has none.
void ExpectPhase(const Message& message, const std::string& name, const PowerPhase& phase,
                 bool peak) {
    const float angles[2] = {peak ? phase.peakStart : phase.start,
                             peak ? phase.peakEnd : phase.end};
    for (int at = 0; at < 2; ++at) {
        const std::string field = name + "." + std::to_string(at);
        if (!std::isfinite(angles[at])) {
            EXPECT_EQ(message.count(field), 0u) << field;
            continue;
        }
        ASSERT_EQ(message.count(field), 1u) << field;
        // 255 is the field's "no value": angles there take a neighbour, a step away at most.
        const bool noValueStep = std::fabs(angles[at] - 255.0 * 360.0 / 256.0) < 180.0 / 256.0;
        EXPECT_LE(AngleApart(message.at(field), angles[at]),
                  (noValueStep ? 360.0 : 180.0) / 256.0 + 1e-3)
            << field;
    }
}

class FitActivityTest : public testing::Test {
  protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("zan_fit_" + std::to_string(testing::UnitTest::GetInstance()->random_seed()) +
                  "_" + testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    void Decode(const std::filesystem::path& file) { messages = DecodeFitFile(file); }

    std::filesystem::path folder;
    FitMessages messages;
};

FitActivity Ride() {
    FitActivity ride{123456,   start, 7200,  {},   600.4, 5123.456,
                     108000.4, 180.4, 410.6, 88.2, 130.6, 432.2};
    std::vector<PowerPhase> left, right;
    for (int i = 0; i < 600; ++i) {
        ride.records.push_back(Row(i));
        left.push_back(ride.records.back().leftPhase);
        right.push_back(ride.records.back().rightPhase);
    }
    ride.leftPhase = MeanPowerPhase(left.data(), static_cast<int>(left.size()));
    ride.rightPhase = MeanPowerPhase(right.data(), static_cast<int>(right.size()));
    return ride;
}

} // namespace

TEST_F(FitActivityTest, EveryRecordReadsBackAsTheRowHoldsIt) {
    const FitActivity ride = Ride();
    std::string error;
    ASSERT_TRUE(WriteFitActivity((folder / "ride.fit").string(), ride, error)) << error;
    ASSERT_NO_FATAL_FAILURE(Decode(folder / "ride.fit"));

    const std::vector<Message>& records = messages["recordMesgs"];
    ASSERT_EQ(records.size(), ride.records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const FitRecord& row = ride.records[i];
        const Message& record = records[i];
        SCOPED_TRACE("record " + std::to_string(i));
        EXPECT_EQ(record.at("timestamp"), Ms(row.timestamp));
        for (const RecordField& field : recordFields) {
            const double value = row.*field.value;
            // Not finite or below zero: left out; beyond the field: its largest value.
            if (!std::isfinite(value) || value < -field.step / 2) {
                EXPECT_EQ(record.count(field.name), 0u) << field.name;
            } else {
                ASSERT_EQ(record.count(field.name), 1u) << field.name;
                EXPECT_NEAR(record.at(field.name), std::min(value, field.largest),
                            field.step / 2 + 1e-9)
                    << field.name;
            }
        }
        for (const PhaseField& field : phaseFields)
            ExpectPhase(record, field.name, row.*field.phase, field.peak);
        // The right pedal's share, flagged as the right's: the left is the rest.
        if (!std::isfinite(row.leftBalance)) {
            EXPECT_EQ(record.count("leftRightBalance"), 0u);
        } else {
            const auto balance = static_cast<int>(record.at("leftRightBalance"));
            EXPECT_EQ(balance & 0x80, 0x80);
            EXPECT_NEAR(100 - (balance & 0x7F), std::min(row.leftBalance, 100.0), 0.5);
        }
    }

    // What names the file and the ride, and the totals the lap and the session both hold.
    const double end = Ms(start + 600);
    const Message totals = {
        {"startTime", Ms(start)},  {"timestamp", end},         {"totalElapsedTime", 600.4},
        {"totalTimerTime", 600.4}, {"totalDistance", 5123.46}, {"totalWork", 108000},
        {"avgPower", 180},         {"maxPower", 411},          {"avgCadence", 88},
        {"avgHeartRate", 131},     {"totalCalories", 432},     {"sport", 2},
        {"messageIndex", 0}};
    const Message file = {
        {"type", 4}, {"manufacturer", 255}, {"serialNumber", 123456}, {"timeCreated", Ms(start)}};
    const Message device = {{"serialNumber", 123456}, {"deviceIndex", 0}};
    const Message activity = {{"timestamp", end},
                              {"totalTimerTime", 600.4},
                              {"numSessions", 1},
                              {"type", 0},
                              {"event", 26},
                              {"eventType", 1},
                              {"localTimestamp", start + 600 + 7200}};
    std::map<std::string, Message> expected = {{"fileIdMesgs", file},
                                               {"deviceInfoMesgs", device},
                                               {"activityMesgs", activity},
                                               {"lapMesgs", totals},
                                               {"sessionMesgs", totals}};
    expected["sessionMesgs"].insert({{"numLaps", 1}, {"firstLapIndex", 0}});
    // The lap's and the session's phases: the records' means round the circle.
    for (const char* kind : {"lapMesgs", "sessionMesgs"}) {
        ASSERT_EQ(messages[kind].size(), 1u) << kind;
        SCOPED_TRACE(kind);
        ExpectPhase(messages[kind][0], "avgLeftPowerPhase", ride.leftPhase, false);
        ExpectPhase(messages[kind][0], "avgLeftPowerPhasePeak", ride.leftPhase, true);
        ExpectPhase(messages[kind][0], "avgRightPowerPhase", ride.rightPhase, false);
        ExpectPhase(messages[kind][0], "avgRightPowerPhasePeak", ride.rightPhase, true);
    }
    for (const auto& [kind, fields] : expected) {
        ASSERT_EQ(messages[kind].size(), 1u) << kind;
        const Message& message = messages[kind][0];
        for (const auto& [field, value] : fields)
            EXPECT_EQ(message.count(field) ? message.at(field) : none, value)
                << kind << " " << field;
    }
}

TEST_F(FitActivityTest, WritingMakesTheFileWholeOrLeavesNothingAndNeverWritesOverOne) {
    const std::filesystem::path older = folder / "older.fit";
    std::ofstream(older) << "an older export";
    std::string error;
    EXPECT_FALSE(WriteFitActivity(older.string(), Ride(), error));
    EXPECT_EQ(error, older.string() + " is there already: not written over");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(std::ifstream(older).rdbuf()), {}),
              "an older export");
    EXPECT_FALSE(std::filesystem::exists(older.string() + ".new"));

    const std::filesystem::path path = folder / "ride.fit";
    ASSERT_TRUE(WriteFitActivity(path.string(), Ride(), error)) << error;
    const std::vector<std::uint8_t> bytes = EncodeFitActivity(Ride());
    std::ifstream file(path, std::ios::binary);
    EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {}), bytes);
    EXPECT_FALSE(std::filesystem::exists(path.string() + ".new"));

    const std::filesystem::path nowhere = folder / "missing" / "ride.fit";
    EXPECT_FALSE(WriteFitActivity(nowhere.string(), Ride(), error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
}
