// A ride played again from its raw stream: the station on the virtual clock records a session
// from the emulated crank, then the headless replay of its stream writes the session anew.
#include "app/callbacks.h"
#include "app/replay.h"
#include "setup/catalogue.h"
#include "tests/support/emulated_crank.h"
#include "tests/support/session_rows.h"
#include "tests/support/station_fixture.h"

#include <filesystem>

namespace {
struct LinkCase {
    const char* what;
    double corruptShare;
};
} // namespace

class ReplayTest : public StationTest, public ::testing::WithParamInterface<LinkCase> {
  protected:
    // A minute's session from the first byte, the right offset moved mid-way as a zero moves it.
    std::string RecordLiveSession(const EmulatedCrankSettings& settings) {
        WriteFile("zan_01.set", MatchingSetupFile());
        WriteFile("zan_com.set", "5\n0\n1\n1\n");
        PlayEmulatedCrank(engine, "COM5", settings);
        std::filesystem::create_directory(folder / "ride");
        engine.dirAnswers.push_back((folder / "ride").string());
        EXPECT_EQ(Start(), 0);
        SESSION(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
        engine.RunUntil(30.01);
        zan.setup.setup.rightForceOffset += 40.0f;
        engine.RunUntil(60.01);
        const std::string session = zan.record.sessionPath;
        SESSION(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
        return session;
    }
};

// The replay measures what the live station measured: every row's every cell, with the setup
// change at its instant, on a clean link and on one that corrupts 1 % of the bytes.
TEST_P(ReplayTest, TheReplayedSessionHasTheLiveSessionsRowsValueForValue) {
    EmulatedCrankSettings settings;
    settings.corruptShare = GetParam().corruptShare;
    const std::string live = RecordLiveSession(settings);
    const std::string stream = live.substr(0, live.size() - 4) + ".zanraw";
    ASSERT_TRUE(std::filesystem::exists(stream));

    std::string replayed;
    std::string note;
    std::string error;
    ASSERT_TRUE(ReplayExport(stream, replayed, note, error)) << error;
    UseEngine(&engine);
    EXPECT_EQ(note, "");
    // The live session's file is there: the replay takes a name of its own beside it.
    EXPECT_NE(replayed, live);
    EXPECT_EQ(std::filesystem::path(replayed).parent_path(),
              std::filesystem::path(live).parent_path());
    const SessionRows liveRows = ReadSessionRows(live);
    const SessionRows replayRows = ReadSessionRows(replayed);
    ASSERT_GE(liveRows.rows.size(), 59u);
    EXPECT_EQ(replayRows.rows, liveRows.rows);
    EXPECT_TRUE(std::filesystem::exists(replayed.substr(0, replayed.size() - 4) + ".fit"));
    EXPECT_TRUE(std::filesystem::exists(replayed.substr(0, replayed.size() - 4) + ".tcx"));
}

INSTANTIATE_TEST_SUITE_P(Links, ReplayTest,
                         ::testing::Values(LinkCase{"clean", 0.0}, LinkCase{"corrupted", 0.01}),
                         [](const auto& info) { return std::string(info.param.what); });

// While a recorded ride plays, the rider's commands that would talk to a crank send nothing and
// say why.
TEST_F(StationTest, CommandsToTheCrankAreRefusedDuringAReplay) {
    WriteFile("zan_com.set", "5\n0\n1\n1\n");
    engine.Device("COM5");
    ASSERT_EQ(Start(), 0);
    zan.app.replaying = true;
    const struct {
        const char* what;
        CtrlCallbackPtr command;
        int control;
    } commands[] = {{"reconnect", ONLINE, 0},
                    {"search", SRCH, 0},
                    {"marker only", CADI, MAIN_CADI},
                    {"debug", DEBU, MAIN_DEBU},
                    {"serial", SERIAL, MAIN_SERIAL}};
    for (const auto& command : commands) {
        SCOPED_TRACE(command.what);
        engine.Device("COM5").sent.clear();
        if (command.control != 0) Main(command.control).value = 1;
        const std::size_t popups = engine.popups.size();
        command.command(zan.setup.mainPanel, command.control, EVENT_COMMIT, nullptr, 0, 0);
        EXPECT_TRUE(engine.Device("COM5").sent.empty());
        ASSERT_EQ(engine.popups.size(), popups + 1);
        EXPECT_EQ(engine.popups.back().title, "Replay");
    }
}
