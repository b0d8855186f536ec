// A whole ride on the headless engine: the station's event loop on the virtual clock, the crank
// emulator's model on COM5, a session of three minutes with a turn file and a 1000-frame capture.
#include "app/callbacks.h"
#include "record/session_columns.h"
#include "setup/catalogue.h"
#include "tests/support/emulated_crank.h"
#include "tests/support/station_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {
std::vector<std::string> Cells(const std::string& line) {
    std::vector<std::string> cells;
    std::stringstream stream(line);
    for (std::string cell; std::getline(stream, cell, ',');) cells.push_back(cell);
    return cells;
}

void Press(CtrlCallbackPtr command) {
    Station& zan = EngineStation();
    command(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
}
} // namespace

class RecordedRideTest : public StationTest {};

TEST_F(RecordedRideTest, ThreeMinuteSessionRecordsEveryRowTurnAndCapture) {
    WriteFile("zan_01.set", MatchingSetupFile());
    WriteFile("zan_com.set", "5\n0\n0\n0\n");
    EmulatedCrankSettings settings;
    settings.rightPeak = 300.0;
    settings.leftPeak = 200.0;
    settings.heartRate = 135.0;
    PlayEmulatedCrank(engine, "COM5", settings);
    std::filesystem::create_directory(folder / "ride");
    engine.dirAnswers.push_back((folder / "ride").string());
    engine.At(10.0, [] { Press(SAVE); });
    engine.At(60.0, [] { Press(SAVET); });
    engine.At(70.0, [] { Press(SAVE10); });
    engine.At(190.0, [] { Press(SAVE); });
    ASSERT_EQ(StartAndQuit("", 191.0), 0);

    const std::vector<std::string> session = ReadLines("ride/S_071226_09-00.csv");
    // Header, one row a second for 180 s, trailer.
    ASSERT_GE(session.size(), 4u + 179u + 6u);
    ASSERT_LE(session.size(), 4u + 181u + 6u);
    EXPECT_EQ(session[0], "ZAN_session_file ,S_071226_09-00.csv");
    EXPECT_EQ(session[2], "Time @ Start ,09:00:10");
    const double period = 60000.0 / 90.0;
    const double rightPower = 6.2831853 * 0.9 * 300.0 / 3.1415926 * 172.5 / period;
    const double leftPower = 6.2831853 * 0.9 * 200.0 / 3.1415926 * 172.5 / period;
    int index = 0;
    for (std::size_t row = 4; row + 6 < session.size(); ++row, ++index) {
        const std::vector<std::string> cells = Cells(session[row]);
        ASSERT_EQ(cells.size(), SessionCell::Count) << session[row];
        EXPECT_EQ(std::stoi(cells[SessionCell::Index]), index);
        EXPECT_EQ(cells[SessionCell::Longitude], "000");
        EXPECT_EQ(cells[SessionCell::HeartRate], "135.0");
        EXPECT_NEAR(std::stod(cells[SessionCell::Cadence]), 90.0, 1.0);
        EXPECT_NEAR(std::stod(cells[SessionCell::Speed]), 30.0, 0.3);
        EXPECT_NEAR(std::stod(cells[SessionCell::PowerLeft]), leftPower, 0.05 * leftPower);
        EXPECT_NEAR(std::stod(cells[SessionCell::PowerRight]), rightPower, 0.05 * rightPower);
        EXPECT_EQ(cells[SessionCell::CrankBattery], "80.0");
        EXPECT_EQ(cells[SessionCell::PhoneBattery], "99.9");
        EXPECT_EQ(cells[SessionCell::TotalKm], "1234.500");
        for (const std::string& cell : cells)
            EXPECT_EQ(cell.find_first_of("ni"), std::string::npos) << session[row];
    }
    EXPECT_EQ(session[session.size() - 6], "#####");
    EXPECT_EQ(session[session.size() - 4], "Time @ Stop ,09:03:10");
    // About 180 s at 233 W: 233 × 180 / 0.22 / 4186 J per kcal.
    const double kcal = std::stod(Cells(session[session.size() - 3])[1]);
    EXPECT_NEAR(kcal, (rightPower + leftPower) * 180.0 / 0.22 / 4186.0, 2.0);

    const std::vector<std::string> turn = ReadLines("ride/T_071226_09-01-00.csv");
    ASSERT_GT(turn.size(), 60u);
    EXPECT_EQ(turn[2].substr(0, 9), "   1,0.0,");
    EXPECT_EQ(turn.back(), "#####");
    // The capture ends some 21 s after it was armed, at the next window end plus 1000 frames.
    std::string captureName;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "ride"))
        if (entry.path().filename().string().rfind("X_071226_09-01-", 0) == 0)
            captureName = entry.path().filename().string();
    ASSERT_FALSE(captureName.empty());
    const std::vector<std::string> capture = ReadLines("ride/" + captureName);
    ASSERT_EQ(capture.size(), 1003u);
    EXPECT_EQ(capture[1001].substr(0, 11), " 999,10.000");
    EXPECT_EQ(Main(MAIN_SESSION_FILE).text, "Session closed !");
}

// --- The same files as before ---

namespace {
// Every line of the expected file, cell by cell: the first difference names its file, line,
// column and both values.
std::string FirstDifference(const std::filesystem::path& expected,
                            const std::filesystem::path& written) {
    std::ifstream want(expected);
    std::ifstream got(written);
    if (!got) return written.filename().string() + " was not written";
    std::string header;
    std::string wantLine;
    std::string gotLine;
    for (int line = 1;; ++line) {
        const bool wantMore = static_cast<bool>(std::getline(want, wantLine));
        const bool gotMore = static_cast<bool>(std::getline(got, gotLine));
        const std::string where = expected.filename().string() + " line " + std::to_string(line);
        if (!wantMore && !gotMore) return "";
        if (wantMore != gotMore) return where + ": " + (wantMore ? "missing" : "one line too many");
        if (line == 2 || line == 4) header = wantLine;
        const std::vector<std::string> wantCells = Cells(wantLine);
        const std::vector<std::string> gotCells = Cells(gotLine);
        for (std::size_t i = 0; i < std::max(wantCells.size(), gotCells.size()); ++i) {
            const std::string want = i < wantCells.size() ? wantCells[i] : "(none)";
            const std::string have = i < gotCells.size() ? gotCells[i] : "(none)";
            if (want == have) continue;
            const std::vector<std::string> names = Cells(header);
            const std::string column = i < names.size() ? names[i] : std::to_string(i + 1);
            return where + ", column \"" + column + "\": \"" + want + "\" before, \"" + have +
                   "\" now";
        }
    }
}
} // namespace

// A ride that changes pace, stands long enough to stall, loses its link and comes back, with a
// single-turn file and a capture, leaves the session, single-turn and multi-turn files the
// station wrote for it before the window's result was made apart from the display. Setting
// ZAN_KEEP_RECORDED_RIDE to a folder keeps this run's files there instead.
TEST_F(RecordedRideTest, ARideLeavesTheSameSessionTurnAndCaptureFilesFieldForField) {
    WriteFile("zan_01.set", MatchingSetupFile());
    WriteFile("zan_com.set", "5\n0\n0\n0\n");
    EmulatedCrankSettings settings;
    settings.rightPeak = 320.0;
    settings.leftPeak = 260.0;
    settings.heartRate = 120.0;
    EmulatedCrank& crank = PlayEmulatedCrank(engine, "COM5", settings);
    std::filesystem::create_directory(folder / "ride");
    engine.dirAnswers.push_back((folder / "ride").string());
    engine.At(10.0, [] { Press(SAVE); });
    engine.At(30.0, [&crank] {
        crank.settings.cadence = 110.0;
        crank.settings.heartRate = 160.0;
        crank.settings.speed = 20.0;
    });
    engine.At(40.0, [] { Press(HOLD); });
    engine.At(45.0, [] { Press(SAVET); });
    engine.At(50.0, [] { Press(SAVE10); });
    engine.At(75.0, [] { Press(HOLD); });
    engine.At(80.0, [&crank] { crank.settings.cadence = 0.0; });
    engine.At(95.0, [&crank] { crank.settings.cadence = 70.0; });
    engine.At(110.0, [&crank] { crank.settings.dropShare = 1.0; });
    engine.At(115.0, [&crank] { crank.settings.dropShare = 0.0; });
    engine.At(130.0, [] { Press(SAVE); });
    ASSERT_EQ(StartAndQuit("", 131.0), 0);

    const char* keep = std::getenv("ZAN_KEEP_RECORDED_RIDE");
    const std::filesystem::path expected = std::filesystem::path(ZAN_TEST_DATA) / "recorded_ride";
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "ride")) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".csv") continue;
        if (keep != nullptr) {
            std::filesystem::copy_file(entry.path(), std::filesystem::path(keep) / name,
                                       std::filesystem::copy_options::overwrite_existing);
            continue;
        }
        ASSERT_TRUE(std::filesystem::exists(expected / name)) << name << " is a file of its own";
        EXPECT_EQ(FirstDifference(expected / name, entry.path()), "");
        ++compared;
    }
    if (keep == nullptr) {
        EXPECT_EQ(compared, 3);
    }
}
