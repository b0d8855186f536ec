// The crank's numbers through a faulty link: two stations ride side by side on the virtual clock,
// one on a clean link and one on a link that drops or corrupts bytes, each on its own emulated
// crank pedalling the same stroke. Total power and cadence on the faulty link stay near the
// clean one's.
#include "app/callbacks.h"
#include "measure/power.h"
#include "tests/support/emulated_crank.h"
#include "tests/support/rider_station.h"
#include "tests/support/session_command.h"
#include "tests/support/session_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {
struct LinkFault {
    const char* name;
    double cadence;
    double dropShare;
    double corruptShare;
    double bound; // of the clean values
};

struct RideMeans {
    double power = 0.0;
    double cadence = 0.0;
    double lowestCadence = 1e9;
    double highestCadence = 0.0;
    double lastPower = 0.0; // at the last tick
    long long rejected = 0;
    std::string sessionPath; // the ride's session file, when one was recorded
};

EmulatedCrankSettings Stroke(double cadence, double dropShare, double corruptShare) {
    EmulatedCrankSettings settings;
    settings.cadence = cadence;
    settings.rightPeak = 400.0;
    settings.leftPeak = 300.0;
    settings.dropShare = dropShare;
    settings.corruptShare = corruptShare;
    settings.seed = 20261207;
    return settings;
}

// The emulator's setup file with the crank's own force gain.
std::string SetupFileFor(const FrameScales& scales) {
    std::string text = MatchingSetupFile();
    const std::string gain = "\n" + std::to_string(scales.gain) + "\n";
    for (const std::size_t line : {std::size_t{1}, std::size_t{5}}) {
        std::size_t at = 0;
        for (std::size_t i = 0; i < line; ++i) at = text.find('\n', at) + 1;
        text.replace(at - 1, text.find('\n', at) - at + 2, gain);
    }
    return text;
}

// A ride, a pedal stroke on each side, from the crank's first frame; the means of the panel's
// total power and cadence at every display tick from `from` seconds on. A recorded session
// starts at 2 s.
RideMeans Ride(RiderStation& rider, const EmulatedCrankSettings& settings, double from = 10.0,
               double to = 130.0, bool record = false) {
    rider.Use();
    PlayEmulatedCrank(rider.engine, "COM5", settings);
    std::ofstream(rider.folder / "zan_01.set") << SetupFileFor(settings.scales);
    std::ofstream(rider.folder / "zan_com.set") << "5\n0\n0\n0\n";
    EXPECT_EQ(rider.Start(), 0);
    if (record) {
        rider.engine.dirAnswers.push_back(rider.folder.string());
        rider.engine.At(2.0, [&rider] { rider.Press(SAVE); });
    }
    RideMeans means;
    int ticks = 0;
    for (double t = from; t <= to; t += 0.5) {
        rider.engine.RunUntil(t);
        means.power += rider.station->measure.powerTotal;
        means.cadence += rider.station->measure.cadence;
        means.lowestCadence = std::min<double>(means.lowestCadence, rider.station->measure.cadence);
        means.highestCadence =
            std::max<double>(means.highestCadence, rider.station->measure.cadence);
        means.lastPower = rider.station->measure.powerTotal;
        ticks += 1;
    }
    if (record) rider.Press(SAVE);
    means.power /= ticks;
    means.cadence /= ticks;
    means.rejected = rider.station->link.screen.rejectedFrames;
    means.sessionPath = rider.station->record.sessionPath;
    return means;
}

RideMeans Ride(RiderStation& rider, double cadence, double dropShare, double corruptShare) {
    return Ride(rider, Stroke(cadence, dropShare, corruptShare));
}

// Two stations side by side, each in its own folder.
class TwoRidersTest : public ::testing::Test {
  protected:
    void SetUpRiders(const std::string& name) {
        previous = std::filesystem::current_path();
        base = std::filesystem::temp_directory_path() / ("zan_link_faults_" + name);
        std::filesystem::remove_all(base);
        for (RiderStation* rider : {&clean, &faulty}) {
            rider->folder = base / (rider == &clean ? "clean" : "faulty");
            std::filesystem::create_directories(rider->folder);
        }
    }
    void TearDown() override {
        for (RiderStation* rider : {&clean, &faulty}) rider->LeaveFolder();
        UseEngine(nullptr);
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(base);
    }
    std::filesystem::path previous;
    std::filesystem::path base;
    RiderStation clean;
    RiderStation faulty;
};

class LinkFaultsTest : public TwoRidersTest, public ::testing::WithParamInterface<LinkFault> {
  protected:
    void SetUp() override { SetUpRiders(GetParam().name); }
};

class LostMarksTest : public TwoRidersTest {
  protected:
    void SetUp() override { SetUpRiders("lost_marks"); }
};
} // namespace

TEST_P(LinkFaultsTest, PowerAndCadenceStayNearTheCleanLinks) {
    const LinkFault& fault = GetParam();
    const RideMeans truth = Ride(clean, fault.cadence, 0.0, 0.0);
    const RideMeans noisy = Ride(faulty, fault.cadence, fault.dropShare, fault.corruptShare);
    std::printf("%s: power %+.1f %%, cadence %+.1f %%\n", fault.name,
                100.0 * (noisy.power / truth.power - 1.0),
                100.0 * (noisy.cadence / truth.cadence - 1.0));
    ASSERT_GT(truth.power, 100.0);
    EXPECT_NEAR(truth.cadence, fault.cadence, 0.5);
    EXPECT_EQ(truth.rejected, 0);
    EXPECT_NEAR(noisy.power, truth.power, fault.bound * truth.power);
    EXPECT_NEAR(noisy.cadence, truth.cadence, fault.bound * truth.cadence);
    if (fault.corruptShare > 0.0) {
        EXPECT_GT(noisy.rejected, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, LinkFaultsTest,
                         ::testing::Values(LinkFault{"corrupt1_60rpm", 60.0, 0.0, 0.01, 0.02},
                                           LinkFault{"drop1_60rpm", 60.0, 0.01, 0.0, 0.03},
                                           LinkFault{"corrupt5_60rpm", 60.0, 0.0, 0.05, 0.05},
                                           LinkFault{"corrupt1_90rpm", 90.0, 0.0, 0.01, 0.02},
                                           LinkFault{"drop1_90rpm", 90.0, 0.01, 0.0, 0.03},
                                           LinkFault{"corrupt5_90rpm", 90.0, 0.0, 0.05, 0.05}),
                         [](const auto& info) { return std::string(info.param.name); });

// A crank that loses its signal at one pedal angle loses the revolution mark every other
// revolution, from its very first frame: a 40-byte burst every 2 s at 60 rpm. Every frame still
// carries the crank's own period, so from the fifth revolution on (5 s; the first mark the
// station sees comes at 3 s) the cadence is the crank's, and the power, once its filter has
// settled, the clean link's.
TEST_F(LostMarksTest, MarkLostEveryOtherRevolutionFromTheStartKeepsTheCranksCadence) {
    EmulatedCrankSettings lossy = Stroke(60.0, 0.0, 0.0);
    lossy.burstEvery = 2.0;
    lossy.burstBytes = 40;
    const RideMeans truth = Ride(clean, Stroke(60.0, 0.0, 0.0), 5.0, 60.0);
    const RideMeans lost = Ride(faulty, lossy, 5.0, 60.0);
    std::printf("marks lost: %.2f to %.2f rpm, %.1f W; clean link: %.2f rpm, %.1f W\n",
                lost.lowestCadence, lost.highestCadence, lost.lastPower, truth.cadence,
                truth.lastPower);
    EXPECT_NEAR(truth.cadence, 60.0, 0.5);
    EXPECT_NEAR(lost.lowestCadence, 60.0, 0.02 * 60.0);
    EXPECT_NEAR(lost.highestCadence, 60.0, 0.02 * 60.0);
    EXPECT_NEAR(lost.lastPower, truth.lastPower, 0.02 * truth.lastPower);
}

namespace {
struct NoisyRide {
    const char* name;
    double dropShare;
    double corruptShare;
    // Some windows come through whole enough to measure: rows hold the crank's values. With 10 %
    // of the bytes dropped no window is, and the rows are written as a lost link's.
    bool crankHeard;
};

class NoisyRowsTest : public TwoRidersTest, public ::testing::WithParamInterface<NoisyRide> {
  protected:
    void SetUp() override { SetUpRiders(GetParam().name); }
};

double Cell(const std::vector<std::string>& row, std::size_t column) {
    return std::atof(row.at(column).c_str());
}
} // namespace

// Every row of a session on a noisy link holds values a crank and a rider can produce: heart rate
// 0 or 25-250 bpm, power within the crank's limits and, where the crank is heard at all, the
// speed of the clean ride.
TEST_P(NoisyRowsTest, EveryRowHoldsValuesACrankAndARiderCanProduce) {
    const NoisyRide& noise = GetParam();
    const RideMeans truth = Ride(clean, Stroke(60.0, 0.0, 0.0), 5.0, 60.0, true);
    const RideMeans noisy =
        Ride(faulty, Stroke(60.0, noise.dropShare, noise.corruptShare), 5.0, 60.0, true);
    const SessionRows cleanRows = ReadSessionRows(truth.sessionPath);
    const SessionRows rows = ReadSessionRows(noisy.sessionPath);
    ASSERT_GT(rows.rows.size(), 50u);
    const double speed = Cell(cleanRows.rows.back(), SessionCell::Speed);
    EXPECT_NEAR(speed, 30.0, 0.1);
    double highestHeart = 0.0;
    double highestPower = 0.0;
    int soundSpeeds = 0;
    for (const std::vector<std::string>& row : rows.rows) {
        const double heart = Cell(row, SessionCell::HeartRate);
        EXPECT_TRUE(heart == 0.0 || (heart >= 25.0 && heart <= 250.0))
            << "row " << row.at(SessionCell::Index) << ": " << heart << " bpm";
        highestHeart = std::max(highestHeart, heart);
        for (const std::size_t column :
             {SessionCell::PowerTotal, SessionCell::PowerLeft, SessionCell::PowerRight}) {
            EXPECT_LT(Cell(row, column), largestPower) << "row " << row.at(SessionCell::Index);
            highestPower = std::max(highestPower, Cell(row, column));
        }
        // The first rows come before the crank's first frames.
        // A row before the wheel's periods agree holds 0.
        const double rowSpeed = Cell(row, SessionCell::Speed);
        if (rowSpeed != 0.0) {
            EXPECT_NEAR(rowSpeed, speed, 0.03 * speed) << "row " << row.at(SessionCell::Index);
        }
        if (std::fabs(rowSpeed - speed) <= 0.03 * speed) soundSpeeds += 1;
    }
    if (noise.crankHeard) {
        EXPECT_GE(soundSpeeds, 0.9 * static_cast<double>(rows.rows.size()));
    }
    std::printf("%s: heart rate up to %.1f bpm, power up to %.1f W\n", noise.name, highestHeart,
                highestPower);
}

INSTANTIATE_TEST_SUITE_P(Noise, NoisyRowsTest,
                         ::testing::Values(NoisyRide{"drop10", 0.10, 0.0, false},
                                           NoisyRide{"random", 0.0, 1.0, false},
                                           NoisyRide{"corrupt1", 0.0, 0.01, true}),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {
struct StrokeNoise {
    const char* name;
    double dropShare;
    double corruptShare;
    unsigned long long seed;
    // How far the mean power of the rows with power may lie from the clean ride's, as a share;
    // 0 where too few frames come whole for any window to be measured.
    double meanBound;
};

class PeakedStrokeTest : public TwoRidersTest, public ::testing::WithParamInterface<StrokeNoise> {
  protected:
    void SetUp() override { SetUpRiders(GetParam().name); }
};

// A rider's stroke: a short high peak on each downstroke (sin^6), 400 counts above the no-force
// word at 3 N a count, at 60 rpm.
EmulatedCrankSettings PeakedStroke(double dropShare, double corruptShare, unsigned long long seed) {
    EmulatedCrankSettings settings = Stroke(60.0, dropShare, corruptShare);
    settings.scales.gain = 3.0;
    settings.rightPeak = 400.0 * settings.scales.gain;
    settings.leftPeak = 400.0 * settings.scales.gain;
    settings.peakedness = 6.0;
    settings.seed = seed;
    return settings;
}

struct RowFigures {
    double meanPower = 0.0;
    double highestPower = 0.0;
    double highestCadence = 0.0;
    int rowsWithPower = 0;
    // Rows with the crank's values that read no power: a pedalling rider's crank seen as standing.
    int rowsAtNoPower = 0;
};

// The rows from 10 s on, once the shown values have settled. A row without the crank's values (a
// lost link, a window too damaged to measure) holds no power to compare.
RowFigures Figures(const SessionRows& session) {
    RowFigures figures;
    for (std::size_t i = 8; i < session.rows.size(); ++i) {
        const std::vector<std::string>& row = session.rows[i];
        const double power = Cell(row, SessionCell::PowerTotal);
        figures.highestPower = std::max(figures.highestPower, power);
        figures.highestCadence = std::max(figures.highestCadence, Cell(row, SessionCell::Cadence));
        if (Cell(row, SessionCell::HeartRate) == 0.0) continue;
        figures.meanPower += power;
        figures.rowsWithPower += 1;
        if (power == 0.0) figures.rowsAtNoPower += 1;
    }
    figures.meanPower /= std::max(figures.rowsWithPower, 1);
    return figures;
}
} // namespace

// Dropped or corrupted bytes never inflate a rider's stroke: frames cut and joined across a lost
// byte, and frames the screen mended, are not measured nor read for marks; the frames lost are
// filled from the frames the crank sent at their angle lately, or from those around them; and a
// window of too few whole frames, or a crank whose marks the link hides, has no power (never 0 W).
TEST_P(PeakedStrokeTest, RowsOfAPeakedStrokeNeverReadAboveTheCleanRide) {
    const StrokeNoise& noise = GetParam();
    const RideMeans truth = Ride(clean, PeakedStroke(0.0, 0.0, noise.seed), 5.0, 60.0, true);
    const RideMeans noisy = Ride(
        faulty, PeakedStroke(noise.dropShare, noise.corruptShare, noise.seed), 5.0, 60.0, true);
    const RowFigures cleanRows = Figures(ReadSessionRows(truth.sessionPath));
    const RowFigures rows = Figures(ReadSessionRows(noisy.sessionPath));
    std::printf("%s: clean %.1f W; %d rows with power, mean %.3f of the clean, highest %.3f of the "
                "clean's highest, cadence up to %.1f rpm\n",
                noise.name, cleanRows.meanPower, rows.rowsWithPower,
                rows.meanPower / cleanRows.meanPower, rows.highestPower / cleanRows.highestPower,
                rows.highestCadence);
    ASSERT_GT(cleanRows.rowsWithPower, 40);
    EXPECT_NEAR(cleanRows.meanPower, 323.6, 0.5);
    EXPECT_LE(rows.highestPower, 1.5 * cleanRows.highestPower);
    EXPECT_EQ(rows.rowsAtNoPower, 0);
    if (noise.meanBound > 0.0) {
        EXPECT_LE(rows.highestCadence, 1.05 * 60.0);
        EXPECT_GT(rows.rowsWithPower, 20);
        EXPECT_NEAR(rows.meanPower, cleanRows.meanPower, noise.meanBound * cleanRows.meanPower);
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, PeakedStrokeTest,
                         ::testing::Values(StrokeNoise{"drop2_seed1", 0.02, 0.0, 1, 0.03},
                                           StrokeNoise{"drop2_seed2", 0.02, 0.0, 2, 0.03},
                                           StrokeNoise{"drop2_seed3", 0.02, 0.0, 3, 0.03},
                                           StrokeNoise{"drop5_seed1", 0.05, 0.0, 1, 0.03},
                                           StrokeNoise{"drop5_seed2", 0.05, 0.0, 2, 0.03},
                                           StrokeNoise{"drop5_seed3", 0.05, 0.0, 3, 0.03},
                                           StrokeNoise{"drop10_seed1", 0.10, 0.0, 1, 0.0},
                                           StrokeNoise{"drop10_seed2", 0.10, 0.0, 2, 0.0},
                                           StrokeNoise{"drop10_seed3", 0.10, 0.0, 3, 0.0},
                                           StrokeNoise{"corrupt20_seed1", 0.0, 0.20, 1, 0.0},
                                           StrokeNoise{"corrupt20_seed2", 0.0, 0.20, 2, 0.0},
                                           StrokeNoise{"corrupt20_seed3", 0.0, 0.20, 3, 0.0}),
                         [](const auto& info) { return std::string(info.param.name); });
// A sprinter's stroke, 2000 N peaks in a sixth of a turn (390 N a frame on its flanks at 60 rpm),
// passes the screen whole on a clean link: its power is the stroke's, five thirds of the 1200 N
// one's.
TEST_F(TwoRidersTest, ASprintersSteepStrokePassesWholeOnACleanLink) {
    SetUpRiders("sprinter");
    EmulatedCrankSettings sprint = PeakedStroke(0.0, 0.0, 1);
    sprint.scales.gain = 5.0;
    sprint.rightPeak = sprint.leftPeak = 2000.0;
    const RideMeans ride = Ride(clean, sprint, 5.0, 60.0, true);
    EXPECT_EQ(ride.rejected, 0);
    EXPECT_NEAR(Figures(ReadSessionRows(ride.sessionPath)).meanPower, 323.6 * 5.0 / 3.0, 1.0);
}

// A session opened before the crank streams: the first window starts at the crank's first mark,
// so every row holds whole revolutions, the steady stroke's power and its even split; the crank
// then stands, and its rows read cadence 0.
TEST_F(TwoRidersTest, ASessionOpenedBeforeTheCrankStreamsRecordsWholeRevolutionsOnly) {
    SetUpRiders("first_window");
    const EmulatedCrankSettings stroke = PeakedStroke(0.0, 0.0, 1);
    clean.Use();
    clean.engine.Device("COM5");
    std::ofstream(clean.folder / "zan_01.set") << SetupFileFor(stroke.scales);
    std::ofstream(clean.folder / "zan_com.set") << "5\n0\n0\n0\n";
    ASSERT_EQ(clean.Start(), 0);
    clean.engine.dirAnswers.push_back(clean.folder.string());
    clean.engine.At(1.0, [this] { clean.Press(SAVE); });
    clean.engine.RunUntil(3.3);
    EmulatedCrank& crank = PlayEmulatedCrank(clean.engine, "COM5", stroke);
    clean.engine.RunUntil(40.0);
    crank.settings.cadence = 0.0;
    clean.engine.RunUntil(60.0);
    clean.Press(SAVE);
    const SessionRows session = ReadSessionRows(clean.station->record.sessionPath);
    int pedalled = 0;
    int standing = 0;
    for (const std::vector<std::string>& row : session.rows) {
        // Rows before the first window hold none of the crank's figures.
        if (Cell(row, SessionCell::HeartRate) == 0.0) continue;
        const double cadence = Cell(row, SessionCell::Cadence);
        if (cadence == 0.0) {
            EXPECT_EQ(Cell(row, SessionCell::PowerTotal), 0.0) << "row " << row.at(0);
            standing += 1;
            continue;
        }
        EXPECT_NEAR(cadence, 60.0, 0.5) << "row " << row.at(0);
        EXPECT_NEAR(Cell(row, SessionCell::PowerTotal), 323.6, 0.02 * 323.6) << "row " << row.at(0);
        EXPECT_NEAR(Cell(row, SessionCell::PowerLeft), 161.8, 0.02 * 161.8) << "row " << row.at(0);
        EXPECT_NEAR(Cell(row, SessionCell::PowerRight), 161.8, 0.02 * 161.8) << "row " << row.at(0);
        pedalled += 1;
    }
    EXPECT_GT(pedalled, 25);
    EXPECT_GT(standing, 10);
}
