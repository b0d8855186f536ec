// Two stations in one process, each with its own engine, folder and emulated crank: what one
// reads, shows and writes never reaches the other.
#include "app/callbacks.h"
#include "app/station.h"
#include "setup/catalogue.h"
#include "tests/support/emulated_crank.h"
#include "tests/support/rider_station.h"
#include "tests/support/session_command.h"
#include "tests/support/session_rows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

// The setup matching the emulated crank, stamped with the given crank's serial number.
std::string SetupFileFor(int serial) {
    std::string text = MatchingSetupFile();
    text.erase(text.rfind("123"));
    return text + std::to_string(serial) + "\n";
}

double MeanPower(const SessionRows& session) {
    double sum = 0.0;
    for (const std::vector<std::string>& row : session.rows)
        sum += std::stod(row[SessionCell::PowerTotal]);
    return session.rows.empty() ? 0.0 : sum / static_cast<double>(session.rows.size());
}

std::string LineOf(const std::filesystem::path& path, int line) {
    std::ifstream in(path);
    std::string text;
    for (int i = 0; i < line && std::getline(in, text);) ++i;
    return text;
}

} // namespace

TEST(TwoStationsTest, TwoStationsOnTheirOwnCranksNeverMixTheirReadOutsOrFiles) {
    const std::filesystem::path previous = std::filesystem::current_path();
    const std::filesystem::path base =
        std::filesystem::temp_directory_path() /
        ("zan_two_stations_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::remove_all(base);

    struct Rider {
        int serial;
        double peak;
    };
    const Rider riders[2] = {{111, 300.0}, {222, 150.0}};
    RiderStation stations[2];
    for (int i = 0; i < 2; ++i) {
        RiderStation& rider = stations[i];
        rider.folder = base / ("rider" + std::to_string(i));
        std::filesystem::create_directories(rider.folder / "ride");
        std::ofstream(rider.folder / "zan_01.set") << SetupFileFor(riders[i].serial);
        std::ofstream(rider.folder / "zan_com.set") << "5\n0\n0\n0\n";
        EmulatedCrankSettings settings;
        settings.serial = riders[i].serial;
        settings.rightPeak = settings.leftPeak = riders[i].peak;
        PlayEmulatedCrank(rider.engine, "COM5", settings);
        rider.engine.dirAnswers.push_back((rider.folder / "ride").string());
        rider.Use();
        ASSERT_EQ(rider.Start(), 0);
    }

    // A minute of riding, the two stations taking turns a second at a time.
    for (double t = 1.0; t <= 60.0; t += 1.0) {
        for (RiderStation& rider : stations) {
            if (t == 5.0) rider.Press(SAVE);
            rider.Use();
            rider.engine.RunUntil(t);
        }
    }
    for (RiderStation& rider : stations) rider.Press(SAVE);

    for (int i = 0; i < 2; ++i) {
        const Station& station = *stations[i].station;
        HeadlessEngine& engine = stations[i].engine;
        EXPECT_EQ(station.link.deviceSerial, riders[i].serial);
        EXPECT_NE(engine.Panel(station.setup.mainPanel)
                      .Title()
                      .find("SN_" + std::to_string(riders[i].serial)),
                  std::string::npos);
        const SessionRows session = ReadSessionRows(station.record.sessionPath);
        ASSERT_TRUE(session.found) << station.record.sessionPath;
        EXPECT_NE(std::string(station.record.sessionPath).find("rider" + std::to_string(i)),
                  std::string::npos);
        EXPECT_NEAR(static_cast<double>(session.rows.size()), 55.0, 2.0);
        // Both pedals at 0.9 × peak / π of mean force, 172.5 mm cranks at 90 rpm.
        const double power = 6.2831853 * 0.9 * 2.0 * riders[i].peak / 3.1415926 * 172.5 / 666.67;
        EXPECT_NEAR(MeanPower(session), power, 0.1 * power) << "rider " << i;
        EXPECT_NEAR(engine.Control(station.setup.mainPanel, MAIN_POWER_TOTAL).value, power,
                    0.1 * power);
    }

    // Quitting saves each station's setup into its own folder, stamped with its own crank.
    for (int i = 0; i < 2; ++i) {
        stations[i].Press(FINE);
        EXPECT_EQ(LineOf(stations[i].folder / "zan_01.set", 23), std::to_string(riders[i].serial));
    }
    for (RiderStation& rider : stations) rider.LeaveFolder();
    UseEngine(nullptr);
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(base);
}

// A station started a second time in the same folder (a double click too many) is told at once,
// in the message box, a popup and on the standard error, and writes nothing there: no session,
// no setup or port file at its quit or a save, so the first one's calibration stays. Once the
// first has quit, the folder is free for the next station.
TEST(TwoStationsTest, ASecondStationInTheSameFolderIsToldAtStartAndSavesNothingThere) {
    const std::filesystem::path previous = std::filesystem::current_path();
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("zan_one_folder_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "ride");
    std::ofstream(folder / "zan_01.set") << SetupFileFor(123);
    std::ofstream(folder / "zan_com.set") << "5\n0\n0\n0\n";

    RiderStation stations[3];
    std::string said[3];
    for (int i = 0; i < 3; ++i) {
        RiderStation& rider = stations[i];
        rider.folder = folder;
        PlayEmulatedCrank(rider.engine, "COM5", EmulatedCrankSettings{});
        rider.engine.dirAnswers.push_back((folder / "ride").string());
        if (i == 2) continue;
        rider.Use();
        testing::internal::CaptureStderr();
        ASSERT_EQ(rider.Start(), 0);
        said[i] = testing::internal::GetCapturedStderr();
    }
    RiderStation& first = stations[0];
    RiderStation& second = stations[1];
    const std::string notice =
        "Another ZAN station is running in this folder (" + folder.string() +
        "): this one shows what its port gives but saves nothing here, no setup, no port file "
        "and no session. Quit it, or start it in a folder of its own.";
    EXPECT_TRUE(first.engine.popups.empty());
    EXPECT_EQ(said[0], "");
    ASSERT_EQ(second.engine.popups.size(), 1u);
    EXPECT_EQ(second.engine.popups[0].title, "Working folder");
    EXPECT_EQ(second.engine.popups[0].message, notice);
    EXPECT_EQ(said[1], notice + "\n");
    const Station& secondStation = *second.station;
    EXPECT_EQ(second.engine.Control(secondStation.setup.mainPanel, MAIN_MESSAGES).lines,
              std::vector<std::string>{notice});

    // The second one's session, zero and port are refused, each with its popup.
    second.Press(SAVE);
    EXPECT_EQ(secondStation.record.sessionActive, 0);
    EXPECT_EQ(second.engine.Control(secondStation.setup.mainPanel, MAIN_SESSION_FILE).text,
              "Session NOT started: another station runs in this folder !");
    EXPECT_EQ(second.engine.popups.back().message,
              "Session file not written: another ZAN station is running in this folder.");
    EXPECT_TRUE(std::filesystem::is_empty(folder / "ride"));
    second.Press(DEFX);
    EXPECT_EQ(second.engine.popups.back().message,
              "Port file not written: another ZAN station is running in this folder.");

    // The first one records and saves as ever; the second one's quit leaves its setup alone.
    first.Press(SAVE);
    EXPECT_EQ(first.station->record.sessionActive, 1);
    first.Use();
    first.engine.RunUntil(5.0);
    first.Press(SAVE);
    first.Press(FINE);
    EXPECT_EQ(LineOf(folder / "zan_01.set", 23), "123");
    EXPECT_FALSE(std::filesystem::is_empty(folder / "ride"));
    // A mark no save writes: still there after the second one's quit.
    std::ofstream(folder / "zan_01.set", std::ios::app) << "first\n";
    const std::size_t popupsBefore = second.engine.popups.size();
    second.Press(FINE);
    EXPECT_EQ(LineOf(folder / "zan_01.set", 24), "first");
    EXPECT_EQ(second.engine.popups.size(), popupsBefore);

    // Both have quit: a new station has the folder.
    RiderStation& third = stations[2];
    third.Use();
    ASSERT_EQ(third.Start(), 0);
    EXPECT_TRUE(third.engine.popups.empty());
    EXPECT_FALSE(third.station->app.folderTaken);

    for (RiderStation& rider : stations) rider.LeaveFolder();
    UseEngine(nullptr);
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(folder);
}
