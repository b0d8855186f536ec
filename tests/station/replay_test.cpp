// A ride played again from its raw stream: the station on the virtual clock records a session
// from the emulated crank, then the station's core plays its stream and writes the session anew.
#include "app/callbacks.h"
#include "review/ride_review.h"
#include "setup/catalogue.h"
#include "station/replay.h"
#include "tests/support/emulated_crank.h"
#ifndef _WIN32
#include "tests/support/fit_messages.h"
#endif
#include "tests/support/session_rows.h"
#include "tests/support/station_fixture.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {
struct LinkCase {
    const char* what;
    double corruptShare;
    double sessionAt; // 0: the session opens before the first byte
    int version;      // the stream's format version, as written or written again
};

void PutInstant(std::vector<unsigned char>& out, std::uint32_t milliseconds, double dateTime) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &dateTime, 8);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(milliseconds >> (8 * i)));
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<unsigned char>(bits >> (8 * i)));
}

// The stream at path written again in another format version, block for block.
void RewriteStream(const std::string& path, int version) {
    RawStream stream;
    std::string error;
    ASSERT_TRUE(ReadRawStream(path, stream, error)) << error;
    RawStreamHeader header = stream.header;
    header.version = version;
    std::vector<unsigned char> bytes = EncodeRawHeader(header);
    RawBlockReader reader(stream);
    std::uint32_t lastTick = 0;
    for (RawStreamBlock block{}; reader.Next(block); lastTick = block.tick) {
        std::vector<unsigned char> payload(block.bytes.begin(), block.bytes.end());
        if (block.kind == RawBlockKind::Setup) {
            unsigned char setup[rawSetupLength];
            EncodeRawSetup(block.setup, setup);
            payload.assign(std::begin(setup), std::end(setup));
        }
        if (block.kind == RawBlockKind::Display || block.kind == RawBlockKind::Session)
            PutInstant(payload, block.displayMs, block.dateTime);
        AppendRawBlock(bytes, version, RawBlockHead{block.kind, block.tick, payload.size()},
                       lastTick, payload.data());
    }
    ASSERT_FALSE(reader.Broken());
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}
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
    if (GetParam().version != rawStreamVersion) RewriteStream(stream, GetParam().version);

    // The replay runs in a working folder of its own, which it leaves as it found it: the
    // station it starts makes no data folder there.
    const std::filesystem::path working = std::filesystem::current_path();
    std::filesystem::create_directory(folder / "elsewhere");
    std::filesystem::current_path(folder / "elsewhere");
    std::string replayed;
    std::string note;
    std::string error;
    // The core measures the replay with no engine at all: no screen, no clock but the ride's.
    UseEngine(nullptr);
    const bool written = ReplayExport(stream, replayed, note, error);
    UseEngine(&engine);
    EXPECT_TRUE(std::filesystem::is_empty(folder / "elsewhere"));
    std::filesystem::current_path(working);
    ASSERT_TRUE(written) << error;
    EXPECT_EQ(note, "");
    // About 1.1 KB a second: a read of a frame or two takes a head of 2 bytes and a checksum of
    // 2.
    const double perSecond =
        static_cast<double>(std::filesystem::file_size(stream)) / (60.0 + GetParam().sessionAt);
    std::printf("raw stream: %.0f bytes a second, %.2f MB an hour\n", perSecond,
                perSecond * 3600.0 / 1e6);
    EXPECT_LT(perSecond, 1200.0);
    // The live session's file is there: the replay takes a name of its own beside it.
    EXPECT_NE(replayed, live);
    EXPECT_EQ(std::filesystem::path(replayed).parent_path(),
              std::filesystem::path(live).parent_path());
    const SessionRows liveRows = ReadSessionRows(live);
    const SessionRows replayRows = ReadSessionRows(replayed);
    ASSERT_GE(liveRows.rows.size(), 59u);
    EXPECT_TRUE(SameRows(liveRows, replayRows));
    EXPECT_TRUE(std::filesystem::exists(replayed.substr(0, replayed.size() - 4) + ".tcx"));
    // The replay's FIT records carry the live ones' power phases, angle for angle. Garmin's
    // decoder runs on Node, which the Windows tests under Wine have not.
#ifndef _WIN32
    const auto fitOf = [](const std::string& session) {
        return DecodeFitFile(session.substr(0, session.size() - 4) + ".fit");
    };
    const std::vector<FitMessage> liveRecords = fitOf(live)["recordMesgs"];
    const std::vector<FitMessage> replayRecords = fitOf(replayed)["recordMesgs"];
    ASSERT_EQ(replayRecords.size(), liveRecords.size());
    int phases = 0;
    for (std::size_t i = 0; i < liveRecords.size(); ++i)
        for (const auto& [field, value] : liveRecords[i])
            if (field.find("PowerPhase") != std::string::npos) {
                phases += 1;
                EXPECT_EQ(replayRecords[i].count(field) ? replayRecords[i].at(field) : -1.0, value)
                    << "record " << i << " " << field;
            }
    EXPECT_GE(phases, 40 * 8);
#endif
}

INSTANTIATE_TEST_SUITE_P(Links, ReplayTest,
                         ::testing::Values(LinkCase{"clean", 0.0, 0.0, rawStreamVersion},
                                           LinkCase{"corrupted", 0.01, 0.0, rawStreamVersion},
                                           LinkCase{"openedMidRide", 0.01, 10.0, rawStreamVersion},
                                           LinkCase{"versionTwo", 0.01, 10.0, 2}),
                         [](const auto& info) { return std::string(info.param.what); });

// A session opened once the crank had streamed for 20 s, its folder popup held open 6 s, on a
// clock 0.7 s into its second: the review of its file and of its raw stream sum the same rows
// over the same time, from the press to the close, and the stream's length is the session's,
// without the link's history before it. The stream is read in memory, with no engine: the
// folders around it are left as they were.
TEST_F(StationTest, BothReviewsOfARideAndItsReplayTellTheSessionsLengthAndFigures) {
    engine.dirPopupSeconds = 6.0;
    engine.startDateTime += 0.7;
    const std::string live = RecordEmulatedSession(EmulatedCrankSettings{}, 60.0, 20.0);
    ReviewRide file;
    ReviewRide stream;
    std::string error;
    ASSERT_TRUE(ReadReviewRide(live, file, error)) << error;
    const auto filesIn = [](const std::filesystem::path& where) {
        std::size_t count = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(where)) {
            static_cast<void>(entry);
            count += 1;
        }
        return count;
    };
    const std::size_t here = filesIn(folder);
    UseEngine(nullptr);
    ASSERT_TRUE(ReadReviewStream(StreamBeside(live), stream, error)) << error;
    UseEngine(&engine);
    EXPECT_EQ(filesIn(folder), here);
    const ReviewSummary& a = file.summary;
    const ReviewSummary& b = stream.summary;
    EXPECT_EQ(a.seconds, 60.0);
    EXPECT_EQ(b.seconds, a.seconds);
    // Each row stands for its second at 30 km/h: the popup's seconds rode nothing.
    EXPECT_NEAR(a.distance, static_cast<double>(file.seconds.size()) / 120.0, 0.002);
    for (const auto field : {&ReviewSummary::distance, &ReviewSummary::work,
                             &ReviewSummary::meanPower, &ReviewSummary::normalizedPower,
                             &ReviewSummary::meanCadence, &ReviewSummary::leftBalance})
        EXPECT_DOUBLE_EQ(b.*field, a.*field);
    EXPECT_GT(b.leftTorqueEffectiveness, 0.0);

    RawStream raw;
    ASSERT_TRUE(ReadRawStream(StreamBeside(live), raw, error)) << error;
    // The stream holds the link's 20 s before the press too (the headless popup has no ticks).
    EXPECT_GT(raw.lastTick, 70u * 50u);
    EXPECT_EQ(RideMinutes(RecordedSessionSeconds(raw)), "1:00");
}

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
// say why: the replay's port cannot be written.
TEST_F(StationTest, CommandsToTheCrankAreRefusedDuringAReplay) {
    WriteFile("zan_com.set", "5\n0\n1\n1\n");
    engine.Device("COM5");
    ASSERT_EQ(Start(), 0);
    RawStream none;
    ReplayPort replay(none);
    zan.port = &replay;
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
    zan.port = nullptr;
}

// However many ticks one read reaches (a replay at a high speed reaches hundreds), the bytes
// recorded before a setup change are read before it is taken, and those after it only after.
TEST(ReplayPortTest, ASetupChangeWaitsForTheBytesBeforeItAndHoldsBackThoseAfterIt) {
    RawStreamHeader header{};
    header.version = rawStreamVersion;
    std::vector<unsigned char> bytes = EncodeRawHeader(header);
    RawSetup changed{};
    changed.parameters.rightForceOffset = 1040.0f;
    unsigned char setup[rawSetupLength];
    EncodeRawSetup(changed, setup);
    const unsigned char first[] = {1, 2};
    const unsigned char second[] = {3, 4, 5};
    const unsigned char instant[rawDisplayLength] = {40};
    const struct {
        RawBlockKind kind;
        std::uint32_t tick;
        const unsigned char* payload;
        std::size_t length;
    } blocks[] = {{RawBlockKind::Port, 1, first, sizeof first},
                  {RawBlockKind::Display, 2, instant, sizeof instant},
                  {RawBlockKind::Setup, 3, setup, sizeof setup},
                  {RawBlockKind::Port, 3, second, sizeof second},
                  {RawBlockKind::End, 4, nullptr, 0}};
    std::uint32_t lastTick = 0;
    for (const auto& block : blocks) {
        AppendRawBlock(bytes, rawStreamVersion, RawBlockHead{block.kind, block.tick, block.length},
                       lastTick, block.payload);
        lastTick = block.tick;
    }
    RawStream stream;
    std::string error;
    ASSERT_TRUE(ParseRawStream(bytes.data(), bytes.size(), stream, error)) << error;
    ReplayPort port(stream);
    port.ReachTick(4);
    EXPECT_EQ(port.TakeSetupChange(), nullptr);
    EXPECT_EQ(port.InQLen(), 2);
    unsigned char read[8] = {};
    ASSERT_EQ(port.Read(read, 8), 2);
    EXPECT_EQ(port.InQLen(), 0);
    EXPECT_FALSE(port.Ended());
    const RawSetup* taken = port.TakeSetupChange();
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->parameters.rightForceOffset, 1040.0f);
    EXPECT_EQ(port.TakeSetupChange(), nullptr);
    EXPECT_EQ(port.InQLen(), 3);
    ASSERT_EQ(port.Read(read, 8), 3);
    EXPECT_EQ(read[2], 5);
    EXPECT_TRUE(port.Ended());

    // A port told whom to give its setup changes gives them itself, within one read of the link:
    // the bytes before the change, then the change, then the bytes after it.
    ReplayPort told(stream);
    std::vector<std::string> order;
    told.OnSetupChange(&order, [](void* data, const RawSetup& setup) {
        static_cast<std::vector<std::string>*>(data)->push_back(
            "setup " + std::to_string(static_cast<int>(setup.parameters.rightForceOffset)));
    });
    told.ReachTick(4);
    for (int waiting = told.InQLen(); waiting > 0; waiting = told.InQLen())
        order.push_back(std::to_string(told.Read(read, 8)) + " bytes");
    EXPECT_EQ(order, (std::vector<std::string>{"2 bytes", "setup 1040", "3 bytes"}));
    EXPECT_TRUE(told.Ended());
}
