// A session leaves the station as FIT and TCX files: from a file written by hand and cut short,
// and from a ride recorded through the panel on the emulated crank.
#include "app/callbacks.h"
#include "export/ride_export.h"
#include "export/session_reader.h"
#include "tests/support/emulated_crank.h"
#include "tests/support/fit_messages.h"
#include "tests/support/rider_station.h"
#include "tests/support/session_rows.h"
#include "tests/support/tcx_schema.h"
#include "tools/crank_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {
constexpr double fitEpoch = 631065600.0; // 1989-12-31 00:00:00 UTC in Unix seconds

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        count += 1;
    return count;
}

class RideExportTest : public testing::Test {
  protected:
    void SetUp() override {
        previous = std::filesystem::current_path();
        folder = std::filesystem::temp_directory_path() /
                 ("zan_ride_export_" +
                  std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        // A zone one hour east of UTC without summer time: local 10:00 is 09:00 UTC.
        const char* zone = std::getenv("TZ");
        savedZone = zone == nullptr ? "" : zone;
        hadZone = zone != nullptr;
        setenv("TZ", "ZAN-1", 1);
        tzset();
    }
    void TearDown() override {
        if (hadZone)
            setenv("TZ", savedZone.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
        UseEngine(nullptr);
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
    }
    std::filesystem::path previous;
    std::filesystem::path folder;
    std::string savedZone;
    bool hadZone = false;
};

const char* const header = "ZAN_session_file ,S_071226_10-00.csv\n"
                           "KM @ Start ,1234.500\n"
                           "Time @ Start ,10:00:00\n"
                           "INDEX,ELAT,LON E+ W-,LAT N+ S-,ALTI,HR,CAD,SPEED,KCAL,POWT,POWL,POWR,"
                           "OFL,OFR,UDL,UDR,BATzan,BATphone,KmTOT,TorqT,TorqL,TorqR,Ratio% L\n";

std::string Row(int index, const char* time, double power) {
    char row[256];
    std::snprintf(row, sizeof row,
                  "%5d,%s,000,000,000,130.0,90.0,36.0,1.5,%.1f,%.1f,%.1f,0.0,0.0,0.0,0.0,80.0,"
                  "99.9,1234.500,0.00,0.00,0.00,48\n",
                  index, time, power, power * 0.48, power * 0.52);
    return row;
}
} // namespace

TEST_F(RideExportTest, ASessionCutShortBecomesRecordsWithItsTimesPowersAndDistance) {
    const std::filesystem::path csv = folder / "S_071226_10-00.csv";
    // The crash came while the fourth row was being written: it has no line end.
    std::ofstream(csv, std::ios::binary)
        << header << Row(0, "10:00:02", 200.0) << Row(1, "10:00:04", 210.0)
        << Row(2, "10:00:06", 220.0) << "    3,10:00:0";
    std::string error;
    ASSERT_TRUE(ExportRide(csv.string(), 0, nullptr, RideZone{}, error)) << error;

    const FitMessages fit = DecodeFitFile(folder / "S_071226_10-00.fit");
    ASSERT_EQ(fit.at("recordMesgs").size(), 3u);
    // 2026-12-07 09:00:00 UTC.
    const double start = 1796634000.0;
    for (int i = 0; i < 3; ++i) {
        const FitMessage& record = fit.at("recordMesgs")[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(record.at("timestamp"), (start + 2.0 * (i + 1)) * 1000.0);
        EXPECT_EQ(record.at("power"), 200.0 + 10.0 * i);
        EXPECT_EQ(record.at("cadence"), 90.0);
        EXPECT_EQ(record.at("heartRate"), 130.0);
        EXPECT_NEAR(record.at("speed"), 10.0, 0.001);
        // 36 km/h is 10 m/s, over the two seconds each row stands for.
        EXPECT_NEAR(record.at("distance"), 20.0 * (i + 1), 0.01);
        // The byte holds the right pedal's share, marked as the right's.
        EXPECT_EQ(record.at("leftRightBalance"), 128.0 + 52.0);
        EXPECT_EQ(record.count("leftTorqueEffectiveness"), 0u);
    }
    const FitMessage& session = fit.at("sessionMesgs").at(0);
    EXPECT_EQ(session.at("startTime"), start * 1000.0);
    EXPECT_NEAR(session.at("totalDistance"), 60.0, 0.01);
    EXPECT_EQ(session.at("totalWork"), 2.0 * (200.0 + 210.0 + 220.0));
    EXPECT_EQ(session.at("maxPower"), 220.0);

    const std::string tcx = Slurp(folder / "S_071226_10-00.tcx");
    EXPECT_EQ(Count(tcx, "<Trackpoint>"), 3u);
    EXPECT_EQ(Count(tcx, "<Time>2026-12-07T09:00:06Z</Time>"), 1u);
    EXPECT_EQ(Count(tcx, ">210</ns3:Watts>"), 1u);
    EXPECT_EQ(Count(tcx, "<DistanceMeters>60.00</DistanceMeters>"), 2u); // the lap's and the last
}

// The reader takes each value from the cell the writer put it in: every value differs, so one
// taken from a neighbour's cell shows.
TEST_F(RideExportTest, TheReaderTakesEachValueFromTheCellTheWriterPutItIn) {
    SessionRowSource source{};
    source.row = 7;
    source.timeOfDay = "10:00:14";
    source.result.heartRate = 131.0f;
    source.result.cadence = 92.0f;
    source.result.speed = 33.5f;
    source.result.powerLeft = 101.0f;
    source.result.powerRight = 99.5f;
    source.result.ofLeft = 11.0f;
    source.result.ofRight = 12.0f;
    source.result.udLeft = 13.0f;
    source.result.udRight = 14.0f;
    source.result.batteryLevel = 81.0f;
    source.kcal = 7.5f;
    source.phoneBattery = 98.5f;
    source.totalKm = 1234.5f;
    source.torqueTotal = 20.75f;
    source.torqueLeft = 10.5f;
    source.torqueRight = 10.25f;
    source.ratioLeft = 51.0f;
    const std::filesystem::path csv = folder / "S_071226_10-00.csv";
    std::ofstream(csv, std::ios::binary) << "ZAN_session_file ,S_071226_10-00.csv\n"
                                            "KM @ Start ,1234.500\nTime @ Start ,10:00:00\n"
                                         << SessionColumnNames() << '\n'
                                         << SessionRowText(source) << '\n';
    SessionRide ride{};
    std::string error;
    ASSERT_TRUE(ReadSessionRide(csv.string(), ride, error)) << error;
    ASSERT_EQ(ride.rows.size(), 1u);
    const SessionRow& row = ride.rows[0];
    EXPECT_EQ(row.secondsOfDay, 10 * 3600 + 14);
    EXPECT_EQ(row.heartRate, 131.0);
    EXPECT_EQ(row.cadence, 92.0);
    EXPECT_EQ(row.speed, 33.5);
    EXPECT_EQ(row.kcal, 7.5);
    EXPECT_EQ(row.powerTotal, 200.5);
    EXPECT_EQ(row.powerLeft, 101.0);
    EXPECT_EQ(row.powerRight, 99.5);
    EXPECT_EQ(row.leftShare, 51.0);
}

TEST_F(RideExportTest, AFileThatIsNoSessionIsRefusedAndNothingIsWritten) {
    for (const std::string& text :
         {std::string("a,b,c\n1,2,3\n"), std::string(header) + "    0,10:00:02,000,1,2\n",
          std::string(header).replace(0, 16, "ZAN_session_fill")}) {
        const std::filesystem::path csv = folder / "S_071226_10-00.csv";
        std::ofstream(csv, std::ios::binary) << text;
        std::string error;
        EXPECT_FALSE(ExportRide(csv.string(), 0, nullptr, RideZone{}, error));
        EXPECT_NE(error.find("is not a ZAN session file"), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(folder / "S_071226_10-00.fit"));
        EXPECT_FALSE(std::filesystem::exists(folder / "S_071226_10-00.tcx"));
    }
}

namespace {
// The emulator's stroke pushes from each pedal's top to its bottom, at half its peak or more from
// 30 to 150 degrees: each angle within one step of FIT's field (360/256 degrees).
void ExpectStrokePhases(const FitMessage& message, const std::string& name) {
    const std::pair<const char*, double> angles[] = {
        {".0", 0.0}, {".1", 180.0}, {"Peak.0", 30.0}, {"Peak.1", 150.0}};
    for (const auto& [field, truth] : angles) {
        ASSERT_EQ(message.count(name + field), 1u) << name + field;
        const double apart = std::fmod(std::fabs(message.at(name + field) - truth), 360.0);
        EXPECT_LE(std::min(apart, 360.0 - apart), 360.0 / 256.0) << name + field;
    }
}
} // namespace

TEST_F(RideExportTest, ATenMinuteRideThroughThePanelLeavesItsFitAndTcxBesideItsFile) {
    RiderStation rider;
    rider.folder = folder;
    rider.Use();
    EmulatedCrankSettings settings;
    settings.cadence = 90.0;
    settings.rightPeak = 400.0;
    settings.leftPeak = 300.0;
    PlayEmulatedCrank(rider.engine, "COM5", settings);
    std::ofstream(folder / "zan_01.set") << MatchingSetupFile();
    std::ofstream(folder / "zan_com.set") << "5\n0\n0\n0\n";
    ASSERT_EQ(rider.Start(), 0);
    std::filesystem::create_directory(folder / "ride");
    rider.engine.dirAnswers = {(folder / "ride").string()};
    const CtrlCallbackPtr sessionButton = FindCallback("SAVE");
    rider.engine.RunUntil(5.0);
    rider.Press(sessionButton);
    rider.engine.RunUntil(605.0);
    rider.Press(sessionButton);

    const std::filesystem::path csv = rider.station->record.sessionPath;
    std::filesystem::path fitPath = csv, tcxPath = csv;
    fitPath.replace_extension(".fit");
    tcxPath.replace_extension(".tcx");
    ASSERT_TRUE(std::filesystem::exists(fitPath));
    ASSERT_TRUE(std::filesystem::exists(tcxPath));
    const SessionRows rows = ReadSessionRows(csv.string());
    ASSERT_GE(rows.rows.size(), 290u);
    const FitMessages fit = DecodeFitFile(fitPath);
    ASSERT_EQ(fit.at("recordMesgs").size(), rows.rows.size());
    EXPECT_EQ(fit.at("fileIdMesgs").at(0).at("serialNumber"), 123.0);
    EXPECT_EQ(Count(Slurp(tcxPath), "<Trackpoint>"), rows.rows.size());
    // The crank's stroke: a sine on the downstroke and a tenth of it against the upstroke, so
    // torque effectiveness is 100 (1 - 0.1) and smoothness that over pi.
    const double effectiveness = 100.0 * (1.0 - upstrokeShare);
    const double smoothness = effectiveness / 3.14159265;
    double previousDistance = 0.0;
    for (std::size_t i = 10; i < rows.rows.size(); ++i) {
        SCOPED_TRACE(i);
        const std::vector<std::string>& row = rows.rows[i];
        const FitMessage& record = fit.at("recordMesgs")[i];
        EXPECT_NEAR(record.at("power"), std::stod(row[SessionCell::PowerTotal]), 0.5);
        EXPECT_NEAR(record.at("cadence"), std::stod(row[SessionCell::Cadence]), 0.5);
        EXPECT_NEAR(record.at("heartRate"), std::stod(row[SessionCell::HeartRate]), 0.5);
        EXPECT_NEAR(record.at("speed"), std::stod(row[SessionCell::Speed]) / 3.6, 0.001);
        EXPECT_EQ(record.at("leftRightBalance"),
                  128.0 + 100.0 - std::stod(row[SessionCell::RatioLeft]));
        EXPECT_GT(record.at("distance"), previousDistance);
        previousDistance = record.at("distance");
        for (const char* side : {"left", "right"}) {
            const std::string name(side);
            EXPECT_NEAR(record.at(name + "TorqueEffectiveness"), effectiveness, 1.5) << side;
            EXPECT_NEAR(record.at(name + "PedalSmoothness"), smoothness, 1.5) << side;
            ExpectStrokePhases(record, name + "PowerPhase");
        }
    }
    for (const char* kind : {"lapMesgs", "sessionMesgs"})
        for (const char* side : {"avgLeft", "avgRight"})
            ExpectStrokePhases(fit.at(kind).at(0), std::string(side) + "PowerPhase");
    // 30 km/h for the ten minutes of rows.
    EXPECT_NEAR(previousDistance, 5000.0, 100.0);
}

namespace {
// A ride as a file from elsewhere: rows on its record interval, their clock read in the zone.
struct RideShape {
    const char* name;
    const char* computerZone; // the converting computer's TZ
    const char* utcOffset;    // given with --utc-offset; nullptr: the computer's zone
    std::int64_t start;       // Unix seconds
    int interval;
    int rows;
    int clockBackAt = -1;  // from this row on the rows' clock reads 3 s behind
    int linkLostFrom = -1; // rows [linkLostFrom, linkLostTo) have no crank values
    int linkLostTo = -1;
    bool heartRate = true;
    int negativeAt = -1; // this row's power is -12 W
    const char* lineEnd = "\n";
    bool byteOrderMark = false;
    int stopAfter = 1; // seconds from the last row (or the start) to "Time @ Stop"
};

double RowPower(const RideShape& shape, int i) {
    if (i >= shape.linkLostFrom && i < shape.linkLostTo) return 0.0;
    return i == shape.negativeAt ? -12.0 : 200.0 + 10.0 * (i % 5);
}

bool RowLive(const RideShape& shape, int i) {
    return !(i >= shape.linkLostFrom && i < shape.linkLostTo);
}

std::tm WallClock(std::int64_t unixTime, std::int32_t offset, bool fixed) {
    std::tm wall{};
    const std::time_t shifted = static_cast<std::time_t>(unixTime + (fixed ? offset : 0));
    if (fixed)
        gmtime_r(&shifted, &wall);
    else
        localtime_r(&shifted, &wall);
    return wall;
}

std::string Clock(const std::tm& wall) {
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &wall);
    return text;
}

// The session file the station would have written for the shape, with its trailer.
std::string ShapeFile(const RideShape& shape) {
    std::int32_t offset = 0;
    const bool fixed = shape.utcOffset != nullptr && ParseUtcOffset(shape.utcOffset, offset);
    const std::tm start = WallClock(shape.start, offset, fixed);
    char name[64];
    std::strftime(name, sizeof name, "S_%d%m%y_%H-%M.csv", &start);
    const std::string end = shape.lineEnd;
    std::string text = shape.byteOrderMark ? "\xEF\xBB\xBF" : "";
    text += "ZAN_session_file ," + std::string(name) + end + "KM @ Start ,1234.500" + end +
            "Time @ Start ," + Clock(start) + end + SessionColumnNames() + end;
    double powerSum = 0.0, live = 0.0, kcal = 0.0;
    for (int i = 0; i < shape.rows; ++i) {
        const std::int64_t at = shape.start + std::int64_t{i + 1} * shape.interval;
        const std::int64_t shown = at - (shape.clockBackAt >= 0 && i >= shape.clockBackAt ? 3 : 0);
        const bool crank = RowLive(shape, i);
        const double power = RowPower(shape, i);
        const double heart = crank && shape.heartRate ? 130.0 + i % 10 : 0.0;
        kcal += 0.25;
        if (crank) {
            powerSum += std::max(power, 0.0);
            live += 1.0;
        }
        char row[256];
        std::snprintf(row, sizeof row,
                      "%5d,%s,000,000,000,%.1f,%.1f,%.1f,%.1f,%.1f,%.1f,%.1f,%.1f,0.0,0.0,0.0,80.0,"
                      "99.9,1234.500,0.00,0.00,0.00,%.0f",
                      i, Clock(WallClock(shown, offset, fixed)).c_str(), heart, crank ? 90.0 : 0.0,
                      crank ? 36.0 : 0.0, kcal, power, power * 0.48, power * 0.52,
                      crank ? 1.0 : 0.0, power > 0.0 ? 48.0 : 0.0);
        text += row + end;
    }
    const std::int64_t last = shape.start + std::int64_t{shape.rows} * shape.interval;
    char trailer[256];
    std::snprintf(trailer, sizeof trailer, "Kcal @ Stop ,%.1f%sPOWER ave ,%.1f%sSPEED ave ,%.1f",
                  kcal, end.c_str(), live > 0 ? powerSum / live : 0.0, end.c_str(),
                  live > 0 ? 36.0 : 0.0);
    const int back = shape.clockBackAt >= 0 && shape.rows > shape.clockBackAt ? 3 : 0;
    text += "#####" + end + "KM @ Stop ,1234.600" + end + "Time @ Stop ," +
            Clock(WallClock(last + shape.stopAfter - back, offset, fixed)) + end + trailer + end;
    return text;
}

const std::int64_t december7 = 1796634000; // 2026-12-07 09:00:00 UTC
const RideShape rideShapes[] = {
    {"an ordinary ride", "Europe/Rome", nullptr, december7, 2, 30},
    // 23:59:50 in Rome on 6 December, rows past midnight.
    {"across midnight", "Europe/Rome", nullptr, 1796597990, 2, 20},
    {"into the New Year", "Europe/Rome", nullptr, 1798757995, 1, 12},
    // Clocks go back from 03:00 to 02:00 on 25 October: the ride starts at 01:50 summer time.
    {"over the October change", "Europe/Rome", nullptr, 1792885800, 60, 90},
    // Clocks go forward from 02:00 to 03:00 on 29 March: the ride starts at 01:50.
    {"over the March change", "Europe/Rome", nullptr, 1774745400, 60, 30},
    {"a clock stepped back", "Europe/Rome", nullptr, december7, 1, 12, 6},
    {"no heart-rate strap", "Europe/Rome", nullptr, december7, 2, 20, -1, -1, -1, false},
    {"link lost and standing", "Europe/Rome", nullptr, december7, 2, 30, -1, 8, 18},
    {"no rows", "Europe/Rome", nullptr, december7, 2, 0, -1, -1, -1, true, -1, "\n", false, 42},
    {"negative power", "Europe/Rome", nullptr, december7, 2, 10, -1, -1, -1, true, 4},
    {"CR LF line ends", "Europe/Rome", nullptr, december7, 2, 10, -1, -1, -1, true, -1, "\r\n"},
    {"a byte-order mark", "Europe/Rome", nullptr, december7, 2, 10, -1, -1, -1, true, -1, "\n",
     true},
    // Converted in New York for a ride in Rome, with the ride's offset given.
    {"its zone given", "America/New_York", "+01:00", december7, 2, 10},
};

// A message's field; not a number when the message has none.
double Field(const FitMessage& message, const char* name) {
    const auto found = message.find(name);
    return found == message.end() ? std::nan("") : found->second;
}

// A figure of the trailer, read from the file's text whatever its line ends.
double TrailerValue(const std::string& file, const std::string& label) {
    const std::size_t at = file.find("\n" + label + " ,", file.find("#####"));
    if (at == std::string::npos) {
        ADD_FAILURE() << "no " << label << " in the trailer";
        return 0.0;
    }
    return std::stod(file.substr(at + label.size() + 3));
}
} // namespace

// Each shape of ride, as a file the station wrote, comes out with its rows at the start plus
// their record intervals, no value where no sensor gave one, and totals that agree with the
// file's own trailer; Garmin's decoder and the TCX schema both accept the files.
TEST_F(RideExportTest, EveryShapeOfRideKeepsItsInstantsItsMissingSensorsAndItsTrailersTotals) {
    for (const RideShape& shape : rideShapes) {
        SCOPED_TRACE(shape.name);
        setenv("TZ", shape.computerZone, 1);
        tzset();
        const std::filesystem::path csv = folder / "S_ride.csv";
        std::ofstream(csv, std::ios::binary) << ShapeFile(shape);
        // The shape before left its files, which are never written over.
        std::filesystem::remove(folder / "S_ride.fit");
        std::filesystem::remove(folder / "S_ride.tcx");
        RideZone zone;
        if (shape.utcOffset != nullptr) {
            ASSERT_TRUE(ParseUtcOffset(shape.utcOffset, zone.offsetSeconds));
            zone.fixedOffset = true;
        }
        std::string error;
        const bool exported = ExportRide(csv.string(), 0, nullptr, zone, error);
        EXPECT_TRUE(exported) << error;
        if (!exported) continue;
        const std::string file = Slurp(csv);

        const FitMessages fit = DecodeFitFile(folder / "S_ride.fit");
        const std::vector<FitMessage> none;
        const auto& records = fit.count("recordMesgs") ? fit.at("recordMesgs") : none;
        EXPECT_EQ(records.size(), static_cast<std::size_t>(shape.rows));
        if (records.size() != static_cast<std::size_t>(shape.rows)) continue;
        double heartSum = 0.0, hearts = 0.0;
        for (int i = 0; i < shape.rows; ++i) {
            SCOPED_TRACE(i);
            const FitMessage& record = records[i];
            EXPECT_EQ(Field(record, "timestamp"),
                      1000.0 *
                          static_cast<double>(shape.start + std::int64_t{i + 1} * shape.interval));
            const double power = std::max(RowPower(shape, i), 0.0);
            if (!RowLive(shape, i)) {
                for (const char* field : {"power", "cadence", "speed", "heartRate"})
                    EXPECT_EQ(record.count(field), 0u) << field;
            } else {
                EXPECT_EQ(Field(record, "power"), power);
                EXPECT_EQ(Field(record, "cadence"), 90.0);
            }
            EXPECT_EQ(record.count("leftRightBalance"), power > 0.0 ? 1u : 0u);
            EXPECT_EQ(record.count("heartRate"), shape.heartRate && RowLive(shape, i) ? 1u : 0u);
            if (record.count("heartRate")) {
                heartSum += Field(record, "heartRate");
                hearts += 1.0;
            }
        }
        const FitMessage& session = fit.at("sessionMesgs").at(0);
        const double elapsed = shape.rows * shape.interval + shape.stopAfter;
        EXPECT_EQ(Field(session, "startTime"), 1000.0 * static_cast<double>(shape.start));
        EXPECT_EQ(Field(session, "totalElapsedTime"), elapsed);
        EXPECT_EQ(Field(session, "totalCalories"), std::round(TrailerValue(file, "Kcal @ Stop")));
        if (shape.rows > 0) {
            EXPECT_NEAR(Field(session, "avgPower"), TrailerValue(file, "POWER ave"), 0.5);
            EXPECT_NEAR(Field(session, "avgSpeed"), TrailerValue(file, "SPEED ave") / 3.6, 0.001);
        }
        EXPECT_EQ(session.count("avgHeartRate"), hearts > 0 ? 1u : 0u);
        if (hearts > 0) {
            EXPECT_NEAR(Field(session, "avgHeartRate"), heartSum / hearts, 0.5);
        }

        const std::filesystem::path tcxPath = folder / "S_ride.tcx";
        ExpectValidTcx(tcxPath);
        const std::string tcx = Slurp(tcxPath);
        EXPECT_EQ(Count(tcx, "<Trackpoint>"), static_cast<std::size_t>(shape.rows));
        char total[64];
        std::snprintf(total, sizeof total, "<TotalTimeSeconds>%.1f</TotalTimeSeconds>", elapsed);
        EXPECT_EQ(Count(tcx, total), 1u);
        EXPECT_EQ(Count(tcx, "<HeartRateBpm>"), static_cast<std::size_t>(hearts));
        if (hearts > 0) {
            const std::string average = "<AverageHeartRateBpm>\n                    <Value>" +
                                        std::to_string(std::lround(heartSum / hearts)) + "<";
            EXPECT_EQ(Count(tcx, average), 1u);
        }
    }
}

TEST_F(RideExportTest, AFileItsOwnRideFileWouldReplaceIsLeftAsItIs) {
    RideShape shape = rideShapes[0];
    for (const char* name : {"ride.tcx", "ride.fit"}) {
        const std::filesystem::path path = folder / name;
        std::ofstream(path, std::ios::binary) << ShapeFile(shape);
        const std::string before = Slurp(path);
        std::string error;
        EXPECT_FALSE(ExportRide(path.string(), 0, nullptr, RideZone{}, error));
        EXPECT_NE(error.find("written over"), std::string::npos) << error;
        EXPECT_EQ(Slurp(path), before);
    }
}

// A ride file already beside the session (its own FIT, written live with the pedalling metrics,
// or a file of another ride) is never written over: the new files take the session's name with
// _2, or with _3 when a file of the _2 set is there too, and say which.
TEST_F(RideExportTest, RideFilesBesideASessionAreKeptByteForByteAndTheNewOnesTakeANewName) {
    const struct {
        std::vector<const char*> there;
        const char* taken;
        const char* written;
    } cases[] = {
        {{"S_071226_10-00.fit"}, "S_071226_10-00.fit", "S_071226_10-00_2"},
        {{"S_071226_10-00.tcx"}, "S_071226_10-00.tcx", "S_071226_10-00_2"},
        {{"S_071226_10-00.fit", "S_071226_10-00_2.zanraw"},
         "S_071226_10-00.fit",
         "S_071226_10-00_3"},
        {{"S_071226_10-00.tcx", "S_071226_10-00_2.csv"}, "S_071226_10-00.tcx", "S_071226_10-00_3"},
        {{"S_071226_10-00.zanraw"}, "", "S_071226_10-00"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        const std::filesystem::path csv = folder / "S_071226_10-00.csv";
        std::ofstream(csv, std::ios::binary) << header << Row(0, "10:00:02", 200.0);
        for (const char* name : c.there)
            std::ofstream(folder / name, std::ios::binary) << "the rider's own " << name;
        std::string error;
        RideFiles files;
        ASSERT_TRUE(ExportRide(csv.string(), 0, nullptr, RideZone{}, error, &files)) << error;
        for (const char* name : c.there)
            EXPECT_EQ(Slurp(folder / name), std::string("the rider's own ") + name);
        const std::string written = (folder / c.written).string();
        EXPECT_EQ(files.fit, written + ".fit");
        EXPECT_EQ(files.tcx, written + ".tcx");
        EXPECT_EQ(DecodeFitFile(files.fit).at("recordMesgs").size(), 1u) << c.written;
        EXPECT_EQ(Count(Slurp(files.tcx), ">200</ns3:Watts>"), 1u) << c.written;
        const std::string taken = c.taken[0] == '\0' ? "" : (folder / c.taken).string();
        EXPECT_EQ(files.taken, taken);
        EXPECT_EQ(RideFilesNote(files),
                  taken.empty() ? ""
                                : "FIT and TCX files written as " + written + ".fit and " +
                                      written + ".tcx: " + taken + " is there already.");
    }
}

// A ride the station recorded: its instants are those it kept, not the rows' clock, and the rows
// of a lost link carry no pedal metrics, which average over the others.
TEST_F(RideExportTest, ARecordedRideTakesTheInstantsAndMetricsTheStationKept) {
    setenv("TZ", "Europe/Rome", 1);
    tzset();
    RideShape shape = rideShapes[0];
    shape.rows = 10;
    shape.linkLostFrom = 3;
    shape.linkLostTo = 5;
    const std::filesystem::path csv = folder / "S_ride.csv";
    std::ofstream(csv, std::ios::binary) << ShapeFile(shape);
    // The wall clock in Rome, an hour ahead of UTC; the first row came 7 s after the press.
    KeptSession kept{static_cast<double>(shape.start + 3600) + 0.25, 0.0, 30.0, {}};
    for (int i = 0; i < shape.rows; ++i) {
        const bool live = RowLive(shape, i);
        kept.rows.push_back(KeptRow{
            7.0 + 2.0 * i, live, live ? PedalMetrics{70.0f, 80.0f, 20.0f, 25.0f} : PedalMetrics{},
            PowerPhase{}, PowerPhase{}});
    }
    std::string error;
    ASSERT_TRUE(ExportRide(csv.string(), 0, &kept, RideZone{}, error)) << error;
    const FitMessages fit = DecodeFitFile(folder / "S_ride.fit");
    const auto& records = fit.at("recordMesgs");
    ASSERT_EQ(records.size(), 10u);
    for (int i = 0; i < shape.rows; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Field(records[i], "timestamp"),
                  1000.0 * static_cast<double>(shape.start + 7 + 2 * i));
        EXPECT_EQ(records[i].count("leftTorqueEffectiveness"), RowLive(shape, i) ? 1u : 0u);
        EXPECT_EQ(records[i].count("rightPedalSmoothness"), RowLive(shape, i) ? 1u : 0u);
    }
    const FitMessage& lap = fit.at("lapMesgs").at(0);
    EXPECT_EQ(Field(lap, "totalElapsedTime"), 30.0);
    EXPECT_EQ(Field(lap, "avgLeftTorqueEffectiveness"), 70.0);
    EXPECT_EQ(Field(lap, "avgRightPedalSmoothness"), 25.0);
    ExpectValidTcx(folder / "S_ride.tcx");
}

// Pressed at 23:59:45 in Rome, the folder popup closed after midnight, the clock stepped back
// 3 s mid-ride: the ride is on 6 December from the press, its rows one after another.
TEST_F(RideExportTest, ARideStartedBeforeMidnightWithThePopupOpenPastItKeepsItsDayAndItsOrder) {
    setenv("TZ", "Europe/Rome", 1);
    tzset();
    RiderStation rider;
    rider.folder = folder;
    rider.Use();
    // 2026-12-06 23:59:40 on the wall clock.
    rider.engine.startDateTime = 20793.0 * 86400.0 + 86400.0 - 20.0;
    PlayEmulatedCrank(rider.engine, "COM5", EmulatedCrankSettings{});
    std::ofstream(folder / "zan_01.set") << MatchingSetupFile();
    std::ofstream(folder / "zan_com.set") << "5\n0\n0\n0\n";
    ASSERT_EQ(rider.Start(), 0);
    std::filesystem::create_directory(folder / "ride");
    rider.engine.dirAnswers = {(folder / "ride").string()};
    rider.engine.dirPopupSeconds = 25.0;
    const CtrlCallbackPtr sessionButton = FindCallback("SAVE");
    rider.engine.RunUntil(5.0);
    rider.Press(sessionButton);
    rider.engine.At(60.0, [&rider] { rider.engine.startDateTime -= 3.0; });
    rider.engine.RunUntil(95.0);
    rider.Press(sessionButton);

    const std::filesystem::path csv = rider.station->record.sessionPath;
    EXPECT_EQ(csv.filename(), "S_061226_23-59.csv");
    std::filesystem::path fitPath = csv, tcxPath = csv;
    fitPath.replace_extension(".fit");
    tcxPath.replace_extension(".tcx");
    const SessionRows rows = ReadSessionRows(csv.string());
    EXPECT_EQ(rows.header.at(2), "Time @ Start ,23:59:45");
    const FitMessages fit = DecodeFitFile(fitPath);
    // 2026-12-06 22:59:45 UTC.
    const double start = 1796597985.0 * 1000.0;
    const FitMessage& session = fit.at("sessionMesgs").at(0);
    EXPECT_EQ(session.at("startTime"), start);
    EXPECT_EQ(session.at("totalElapsedTime"), 90.0);
    // The totals are the station's own, and the lap shows what training tools do.
    const std::string file = Slurp(csv);
    EXPECT_NEAR(Field(session, "avgPower"), TrailerValue(file, "POWER ave"), 1.0);
    EXPECT_EQ(Field(session, "totalCalories"), std::round(TrailerValue(file, "Kcal @ Stop")));
    for (const char* field :
         {"maxPower", "maxHeartRate", "maxCadence", "maxSpeed", "leftRightBalance",
          "avgLeftTorqueEffectiveness", "avgRightTorqueEffectiveness", "avgLeftPedalSmoothness",
          "avgRightPedalSmoothness", "totalWork"})
        EXPECT_EQ(fit.at("lapMesgs").at(0).count(field), 1u) << field;
    const auto& records = fit.at("recordMesgs");
    ASSERT_EQ(records.size(), rows.rows.size());
    ASSERT_GE(records.size(), 30u);
    EXPECT_GE(records.front().at("timestamp"), start + 25000.0);
    // A row every record interval, the clock's step back notwithstanding.
    const double interval = records[1].at("timestamp") - records[0].at("timestamp");
    EXPECT_GE(interval, 1000.0);
    for (std::size_t i = 1; i < records.size(); ++i)
        EXPECT_EQ(records[i].at("timestamp") - records[i - 1].at("timestamp"), interval) << i;
    EXPECT_LE(records.back().at("timestamp"), start + 90000.0);
    ExpectValidTcx(tcxPath);
    EXPECT_EQ(Count(Slurp(tcxPath), "<Id>2026-12-06T22:59:45Z</Id>"), 1u);
}
