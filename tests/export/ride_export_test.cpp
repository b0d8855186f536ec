// A session leaves the station as FIT and TCX files: from a file written by hand and cut short,
// and from a ride recorded through the panel on the emulated crank.
#include "app/callbacks.h"
#include "app/startup.h"
#include "export/ride_export.h"
#include "export/session_reader.h"
#include "tests/support/emulated_crank.h"
#include "tests/support/fit_messages.h"
#include "tests/support/rider_station.h"
#include "tests/support/session_rows.h"
#include "tools/crank_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

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

TEST_F(RideExportTest, ATenMinuteRideThroughThePanelLeavesItsFitAndTcxBesideItsFile) {
    RiderStation rider;
    rider.folder = folder;
    rider.Use();
    EmulatedCrankSettings settings;
    settings.cadence = 60.0;
    settings.rightPeak = 400.0;
    settings.leftPeak = 300.0;
    PlayEmulatedCrank(rider.engine, "COM5", settings);
    std::ofstream(folder / "zan_01.set") << MatchingSetupFile();
    std::ofstream(folder / "zan_com.set") << "5\n0\n0\n0\n";
    ASSERT_EQ(StartStation(nullptr, ""), 0);
    std::filesystem::create_directory(folder / "ride");
    rider.engine.dirAnswers = {(folder / "ride").string()};
    const CtrlCallbackPtr sessionButton = FindCallback("SAVE");
    rider.engine.RunUntil(5.0);
    rider.Press(sessionButton);
    rider.engine.RunUntil(605.0);
    rider.Press(sessionButton);

    const std::filesystem::path csv = rider.station->sessionPath;
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
        }
    }
    // 30 km/h for the ten minutes of rows.
    EXPECT_NEAR(previousDistance, 5000.0, 100.0);
}
