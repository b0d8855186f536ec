// A ride played again from its raw stream: the station on the virtual clock records a session
// from the emulated crank, then the headless replay of its stream writes the session anew.
#include "app/callbacks.h"
#include "app/replay.h"
#include "setup/catalogue.h"
#include "tests/support/emulated_crank.h"
#include "tests/support/session_rows.h"
#include "tests/support/station_fixture.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {
struct LinkCase {
    const char* what;
    double corruptShare;
    double sessionAt; // 0: the session opens before the first byte
};
} // namespace

class ReplayTest : public StationTest, public ::testing::WithParamInterface<LinkCase> {};

// The replay measures what the live station measured: every row's every cell, with the setup
// change at its instant, on a clean link and on one that corrupts 1 % of the bytes, and for a
// session opened while the crank had long been streaming, as a rider opens it.
TEST_P(ReplayTest, TheReplayedSessionHasTheLiveSessionsRowsValueForValue) {
    EmulatedCrankSettings settings;
    settings.corruptShare = GetParam().corruptShare;
    const std::string live = RecordEmulatedSession(settings, 60.0, GetParam().sessionAt);
    const std::string stream = StreamBeside(live);
    ASSERT_TRUE(std::filesystem::exists(stream));

    std::string replayed;
    std::string note;
    std::string error;
    ASSERT_TRUE(ReplayExport(stream, replayed, note, error)) << error;
    UseEngine(&engine);
    EXPECT_EQ(note, "");
    // About 1 KB a second: a read of a frame or two takes a head of 2 bytes.
    const double perSecond =
        static_cast<double>(std::filesystem::file_size(stream)) / (60.0 + GetParam().sessionAt);
    std::printf("raw stream: %.0f bytes a second, %.2f MB an hour\n", perSecond,
                perSecond * 3600.0 / 1e6);
    EXPECT_LT(perSecond, 1100.0);
    // The live session's file is there: the replay takes a name of its own beside it.
    EXPECT_NE(replayed, live);
    EXPECT_EQ(std::filesystem::path(replayed).parent_path(),
              std::filesystem::path(live).parent_path());
    const SessionRows liveRows = ReadSessionRows(live);
    const SessionRows replayRows = ReadSessionRows(replayed);
    ASSERT_GE(liveRows.rows.size(), 59u);
    EXPECT_TRUE(SameRows(liveRows, replayRows));
    EXPECT_TRUE(std::filesystem::exists(replayed.substr(0, replayed.size() - 4) + ".fit"));
    EXPECT_TRUE(std::filesystem::exists(replayed.substr(0, replayed.size() - 4) + ".tcx"));
}

INSTANTIATE_TEST_SUITE_P(Links, ReplayTest,
                         ::testing::Values(LinkCase{"clean", 0.0, 0.0},
                                           LinkCase{"corrupted", 0.01, 0.0},
                                           LinkCase{"openedMidRide", 0.01, 10.0}),
                         [](const auto& info) { return std::string(info.param.what); });

// A replay writes its session, FIT and TCX under the stream's name only when none of them is
// there: a FIT left beside the stream without its session file (the live one's, with the
// pedalling metrics) is kept byte for byte, and the replay's files take the next free name.
TEST_F(StationTest, AReplayNeverWritesOverARideFileLeftBesideTheStream) {
    const std::string live = RecordEmulatedSession(EmulatedCrankSettings{}, 10.0);
    const std::string stem = std::filesystem::path(live).replace_extension().string();
    const auto slurp = [](const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    ASSERT_FALSE(slurp(stem + ".fit").empty());
    // Each case removes these files of the stream's set, then replays it.
    const struct {
        std::vector<const char*> removed;
        std::string replayed;
    } cases[] = {
        {{".csv"}, stem + "_2.csv"}, {{".fit", ".tcx"}, live}, {{".tcx"}, stem + "_3.csv"}};
    for (const auto& c : cases) {
        for (const char* ending : c.removed) std::filesystem::remove(stem + ending);
        const std::string fitBefore = slurp(stem + ".fit");
        std::string replayed;
        std::string note;
        std::string error;
        ASSERT_TRUE(ReplayExport(StreamBeside(live), replayed, note, error)) << error;
        UseEngine(&engine);
        EXPECT_EQ(replayed, c.replayed);
        if (c.replayed != live) {
            EXPECT_EQ(slurp(stem + ".fit"), fitBefore) << c.replayed;
        }
        EXPECT_TRUE(std::filesystem::exists(replayed.substr(0, replayed.size() - 4) + ".fit"));
    }
}

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

// However many ticks one read reaches (a replay at a high speed reaches hundreds), the bytes
// recorded before a setup change are read before it is taken, and those after it only after.
TEST(ReplayPortTest, ASetupChangeWaitsForTheBytesBeforeItAndHoldsBackThoseAfterIt) {
    RawStream stream;
    RawSetup changed{};
    changed.parameters.rightForceOffset = 1040.0f;
    stream.blocks = {{RawBlockKind::Port, 1, {1, 2}, {}, 0, 0.0},
                     {RawBlockKind::Display, 2, {}, {}, 40, 0.0},
                     {RawBlockKind::Setup, 3, {}, changed, 0, 0.0},
                     {RawBlockKind::Port, 3, {3, 4, 5}, {}, 0, 0.0},
                     {RawBlockKind::End, 4, {}, {}, 0, 0.0}};
    ReplayPort port(stream);
    port.ReachTick(4);
    EXPECT_EQ(port.TakeSetupChange(), nullptr);
    EXPECT_EQ(port.InQLen(), 2);
    unsigned char bytes[8] = {};
    ASSERT_EQ(port.Read(bytes, 8), 2);
    EXPECT_EQ(port.InQLen(), 0);
    EXPECT_FALSE(port.Ended());
    const RawSetup* taken = port.TakeSetupChange();
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->parameters.rightForceOffset, 1040.0f);
    EXPECT_EQ(port.TakeSetupChange(), nullptr);
    EXPECT_EQ(port.InQLen(), 3);
    ASSERT_EQ(port.Read(bytes, 8), 3);
    EXPECT_EQ(bytes[2], 5);
    EXPECT_TRUE(port.Ended());
}
