// The station killed outright: mid-session with SIGKILL, and in the middle of saving its setup.
// What it had written is all there, and no file is left half written.
#ifndef _WIN32

#include "app/callbacks.h"
#include "app/setup_panel.h"
#include "app/startup.h"
#include "app/station.h"
#include "setup/catalogue.h"
#include "setup/setup_file.h"
#include "station/replay.h"
#include "tests/support/child_process.h"
#include "tests/support/crank_link_fixture.h"
#include "tests/support/real_time_timers.h"
#include "tests/support/session_rows.h"
#include "tests/support/station_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include <poll.h>
#include <unistd.h>

#ifndef ZAN_PC_PATH
#define ZAN_PC_PATH "zan_pc"
#endif

namespace {
// Reads the row counts the station child reports until one reaches the wanted count; returns
// the last count read, or -1 when the child went quiet for too long.
int ReadRowsUntil(int fd, int wanted) {
    int last = -1;
    while (last < wanted) {
        pollfd input{fd, POLLIN, 0};
        if (poll(&input, 1, 15000) <= 0) return -1;
        int row = 0;
        if (read(fd, &row, sizeof row) != static_cast<ssize_t>(sizeof row)) return -1;
        last = row;
    }
    return last;
}

// The last row count the killed child managed to report.
int LastReportedRows(int fd, int known) {
    int row = 0;
    while (read(fd, &row, sizeof row) == static_cast<ssize_t>(sizeof row)) known = row;
    return known;
}

unsigned Seed() {
    return static_cast<unsigned>(::testing::UnitTest::GetInstance()->random_seed()) ^
           std::random_device{}();
}
} // namespace

class FaultKillTest : public CrankLinkFixture {};

TEST_F(FaultKillTest, StationKilledMidSessionKeepsEveryRowItWroteAndNoHalfLine) {
    ASSERT_TRUE(crank.Start(5, {}));
    const std::string ride = (std::filesystem::current_path() / "ride").string();
    std::filesystem::create_directory(ride);
    int rows[2];
    ASSERT_EQ(pipe(rows), 0);

    // The station records in a child of its own: the link and display timers on the real clock,
    // reporting each row once its write has returned.
    ChildProcess station;
    ASSERT_TRUE(station.Fork([&] {
        close(rows[0]);
        if (StartStation(EngineStation(), nullptr, "") != 0) return;
        engine.dirAnswers = {ride};
        SAVE(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
        if (zan.record.sessionActive != 1) return;
        int reported = 0;
        RealTimeTimers timers(engine);
        timers.RunUntil(
            [&] {
                if (zan.record.sessionRow != reported) {
                    reported = zan.record.sessionRow;
                    if (write(rows[1], &reported, sizeof reported) < 0) return true;
                }
                return false;
            },
            60.0);
    }));
    close(rows[1]);

    ASSERT_GE(ReadRowsUntil(rows[0], 4), 4);
    // Anywhere within the next row's second.
    const unsigned seed = Seed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::this_thread::sleep_for(
        std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 1000)(random)));
    station.Signal(SIGKILL);
    ASSERT_TRUE(station.WaitForEnd(10.0));
    EXPECT_EQ(station.EndSignal(), SIGKILL);
    const int written = LastReportedRows(rows[0], 4);
    close(rows[0]);

    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(ride))
        if (entry.path().extension() == ".csv") files.push_back(entry);
    ASSERT_EQ(files.size(), 1u);
    const SessionRows session = ReadSessionRows(files[0].string());
    EXPECT_TRUE(session.wholeLines);
    ASSERT_EQ(session.header.size(), 4u);
    EXPECT_EQ(session.header[0].rfind("ZAN_session_file ,S_", 0), 0u);
    EXPECT_TRUE(RowsNumberedWithoutGap(session));
    // Every row reported written is in the file; at most the one being written besides.
    EXPECT_GE(static_cast<int>(session.rows.size()), written);
    EXPECT_LE(static_cast<int>(session.rows.size()), written + 1);
    EXPECT_TRUE(session.trailer.empty());

    // The raw stream beside it holds every byte behind those rows: its replay writes each of
    // them again, cell for cell.
    std::filesystem::path stream = files[0];
    stream.replace_extension(".zanraw");
    std::string replayed;
    std::string note;
    std::string error;
    ASSERT_TRUE(ReplayExport(stream.string(), replayed, note, error)) << error;
    SessionRows again = ReadSessionRows(replayed);
    ASSERT_GE(again.rows.size(), session.rows.size());
    again.rows.resize(session.rows.size());
    EXPECT_TRUE(SameRows(session, again));
}

TEST_F(FaultKillTest, RealProgramKilledMidSessionKeepsEveryRowItShowedAndNoHalfLine) {
    ASSERT_TRUE(crank.Start(5, {}));
    // The session button a second after the start; its folder popup cancelled, it records into
    // dati.
    ChildProcess station;
    ASSERT_TRUE(station.Run({ZAN_PC_PATH}, {"QT_QPA_PLATFORM=offscreen", "ZAN_AUTOMATE=1:session"},
                            "stderr.txt"));
    std::string path;
    std::size_t rowsSeen = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (rowsSeen < 3 && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("dati", error))
            if (entry.path().extension() == ".csv") path = entry.path().string();
        if (!path.empty()) rowsSeen = ReadSessionRows(path).rows.size();
    }
    ASSERT_GE(rowsSeen, 3u);
    const unsigned seed = Seed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::this_thread::sleep_for(
        std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 1000)(random)));
    station.Signal(SIGKILL);
    ASSERT_TRUE(station.WaitForEnd(10.0));
    EXPECT_EQ(station.EndSignal(), SIGKILL);

    const SessionRows session = ReadSessionRows(path);
    EXPECT_TRUE(session.wholeLines);
    ASSERT_EQ(session.header.size(), 4u);
    EXPECT_TRUE(RowsNumberedWithoutGap(session));
    EXPECT_GE(session.rows.size(), rowsSeen);
    EXPECT_TRUE(session.trailer.empty());
}

// A quit by SIGTERM whose ride files cannot be written: nobody is at the window, so the failure
// goes to the standard error, once, and the program still ends with code 0.
TEST_F(FaultKillTest, RealProgramQuitBySignalSaysARideFileFailureOnce) {
    ASSERT_TRUE(crank.Start(5, {}));
    ChildProcess station;
    ASSERT_TRUE(station.Run({ZAN_PC_PATH}, {"QT_QPA_PLATFORM=offscreen", "ZAN_AUTOMATE=1:session"},
                            "stderr.txt"));
    std::filesystem::path session;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (session.empty() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("dati", error))
            if (entry.path().extension() == ".csv") session = entry.path();
    }
    ASSERT_FALSE(session.empty());
    // The FIT file's bytes cannot be made: its temporary name is a folder.
    std::filesystem::path blocked = session;
    blocked.replace_extension(".fit.new");
    std::filesystem::create_directory(blocked);
    station.Signal(SIGTERM);
    ASSERT_TRUE(station.WaitForEnd(15.0));
    EXPECT_EQ(station.ExitCode(), 0);

    std::ifstream errors("stderr.txt");
    const std::string said(std::istreambuf_iterator<char>(errors), {});
    std::size_t told = 0;
    for (std::size_t at = said.find("FIT and TCX files not written"); at != std::string::npos;
         at = said.find("FIT and TCX files not written", at + 1))
        told += 1;
    EXPECT_EQ(told, 1u) << said;
}

class FaultSetupSaveTest : public StationTest {};

TEST_F(FaultSetupSaveTest, SetupSaveKilledAtAnyMomentLeavesTheOldOrTheNewFileWhole) {
    ASSERT_EQ(Start(), 0);
    SetCtrlVal(zan.setup.mainPanel, MAIN_TOTAL_KM, 2222.0);
    ASSERT_EQ(SavePar(EngineStation(), "zan_01.set"), 0);
    const std::string second = ReadFile("zan_01.set");
    SetCtrlVal(zan.setup.mainPanel, MAIN_TOTAL_KM, 1111.0);
    ASSERT_EQ(SavePar(EngineStation(), "zan_01.set"), 0);
    const std::string first = ReadFile("zan_01.set");
    ASSERT_NE(first, second);

    const unsigned seed = Seed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    int killedMidSave = 0;
    for (int kill = 0; kill < 40; ++kill) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        // The child saves the two setups in turn as fast as it can.
        ChildProcess saver;
        ASSERT_TRUE(saver.Fork([&] {
            close(ready[0]);
            for (long save = 0;; ++save) {
                SetCtrlVal(zan.setup.mainPanel, MAIN_TOTAL_KM, save % 2 == 0 ? 2222.0 : 1111.0);
                SavePar(EngineStation(), "zan_01.set");
                if (save == 0 && write(ready[1], "s", 1) < 0) return;
            }
        }));
        close(ready[1]);
        char started = 0;
        ASSERT_EQ(read(ready[0], &started, 1), 1);
        close(ready[0]);
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, 3000)(random)));
        saver.Signal(SIGKILL);
        ASSERT_TRUE(saver.WaitForEnd(10.0));

        const std::string now = ReadFile("zan_01.set");
        EXPECT_TRUE(now == first || now == second) << "kill " << kill << " left:\n" << now;
        if (std::filesystem::exists(folder / "zan_01.set.new")) ++killedMidSave;
    }
    // The kills did land while a new file was being written.
    EXPECT_GT(killedMidSave, 0);

    // A leftover new file, however cut, is never read: the station loads its setup file.
    WriteFile("zan_01.set.new", "9999.000\n  0.5");
    ResetStation(zan);
    ASSERT_EQ(Start(), 0);
    EXPECT_TRUE(zan.setup.setup.totalKm == 1111.0f || zan.setup.setup.totalKm == 2222.0f);
    EXPECT_FLOAT_EQ(zan.setup.setup.rightForceOffset, 0.0f);
    // And the next save replaces it.
    ASSERT_EQ(SavePar(EngineStation(), "zan_01.set"), 0);
    EXPECT_FALSE(std::filesystem::exists(folder / "zan_01.set.new"));
    const std::string saved = ReadFile("zan_01.set");
    EXPECT_TRUE(saved == first || saved == second);
}

#endif
