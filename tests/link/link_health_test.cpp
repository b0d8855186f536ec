// The link's health: the frame reader counts the frames it hands on, the bytes a 0xFF made it
// drop and the frames so cut short; the display shows the counts to the technician.
#include "app/callbacks.h"
#include "app/link_timer.h"
#include "link/frame_reader.h"
#include "setup/catalogue.h"
#include "tests/support/frames.h"
#include "tests/support/station_fixture.h"

#include <string>
#include <vector>

class LinkHealthTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        engine.Device("COM1");
        ASSERT_EQ(Start(), 0);
        // Past the handshake, so nothing is read as an identity.
        zan.link.handshakeFrames = 100;
    }

    void Push(const std::vector<unsigned char>& bytes) {
        auto& input = engine.Device("COM1").input;
        input.insert(input.end(), bytes.begin(), bytes.end());
    }
    void EnterCode(int code) {
        SetCtrlVal(zan.setup.mainPanel, MAIN_ACCESS_CODE, code);
        PWD(zan.setup.mainPanel, MAIN_ACCESS_CODE, EVENT_COMMIT, nullptr, 0, 0);
    }
    void Tick() { DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0); }
};

// --- Counting ---

namespace {
// Frames of increasing right force: 1100, 1101, ...
std::vector<unsigned char> Frames(int count) {
    std::vector<unsigned char> stream;
    for (int i = 0; i < count; ++i) Append(stream, MakeFrame({.rightForce = 1100 + i}));
    return stream;
}

struct StreamCase {
    const char* name;
    std::vector<unsigned char> (*stream)();
    long long frames;  // handed on
    long long skipped; // bytes dropped by restarts
    long long cut;     // frames cut short
    int lastForce;     // the right force word of the last frame handed on
};

const StreamCase streamCases[] = {
    {"CleanStreamCountsEveryFrameAndSkipsNothing", [] { return Frames(50); }, 50, 0, 0, 1149},
    // Seven bytes of a frame, then a whole one: its 0xFF restarts the reader.
    {"FrameCutShortByTheNextStartSkipsWhatHadCome",
     [] {
         std::vector<unsigned char> stream = MakeFrame({.rightForce = 1500});
         stream.resize(7);
         Append(stream, MakeFrame({.rightForce = 1200}));
         return stream;
     },
     1, 7, 1, 1200},
    // Position 5 of the second frame: its first five bytes go, and the stray 0xFF starts a frame
    // of its own that the third frame's start cuts after 13 bytes.
    {"ByteCorruptedIntoFFCutsItsFrameAndThePieceAfterIt",
     [] {
         std::vector<unsigned char> stream = Frames(3);
         stream[18 + 5] = 0xFF;
         return stream;
     },
     2, 18, 2, 1102},
    {"DroppedByteCostsItsFrameAndNotTheNext",
     [] {
         std::vector<unsigned char> stream = Frames(3);
         stream.erase(stream.begin() + 18 + 9);
         return stream;
     },
     2, 17, 1, 1102},
    // The port opened in the middle of a frame: its last ten bytes come first.
    {"BytesBeforeTheFirstStartAreSkippedOnce",
     [] {
         std::vector<unsigned char> stream = MakeFrame({.rightForce = 1500});
         stream.erase(stream.begin(), stream.begin() + 8);
         Append(stream, Frames(4));
         return stream;
     },
     4, 10, 1, 1103},
};
} // namespace

class LinkHealthStreamTest : public LinkHealthTest,
                             public ::testing::WithParamInterface<StreamCase> {};

TEST_P(LinkHealthStreamTest, ReaderCountsWhatTheStreamCostIt) {
    const StreamCase& entry = GetParam();
    Push(entry.stream());
    ReadZAN(EngineStation());
    EXPECT_EQ(zan.link.assembler.linkFrames, entry.frames);
    EXPECT_EQ(zan.link.assembler.linkSkippedBytes, entry.skipped);
    EXPECT_EQ(zan.link.assembler.linkCutFrames, entry.cut);
    EXPECT_EQ(zan.link.rawRightForce, entry.lastForce);
}

INSTANTIATE_TEST_SUITE_P(EveryStream, LinkHealthStreamTest, ::testing::ValuesIn(streamCases),
                         [](const ::testing::TestParamInfo<StreamCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(LinkHealthTest, CountsAreTheSameWhereverTheReadsCutTheStream) {
    std::vector<unsigned char> stream = Frames(6);
    stream[18 + 5] = 0xFF;                     // a stray start in the second frame
    stream.erase(stream.begin() + 3 * 18 + 2); // a byte lost from the fourth
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        SCOPED_TRACE(cut);
        zan.link.assembler.linkFrames = zan.link.assembler.linkSkippedBytes =
            zan.link.assembler.linkCutFrames = 0;
        zan.link.assembler.rxPos = zan.link.assembler.rxPending = 0;
        Push({stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut)});
        ReadZAN(EngineStation());
        Push({stream.begin() + static_cast<std::ptrdiff_t>(cut), stream.end()});
        ReadZAN(EngineStation());
        EXPECT_EQ(zan.link.assembler.linkFrames, 4);
        EXPECT_EQ(zan.link.assembler.linkSkippedBytes, 18 + 17);
        EXPECT_EQ(zan.link.assembler.linkCutFrames, 3);
    }
}

TEST_F(LinkHealthTest, SimulatedFramesAreNotLinkFrames) {
    zan.setup.setup.simulation = 1;
    for (int call = 0; call < 10; ++call) ReadZAN(EngineStation());
    EXPECT_EQ(zan.link.assembler.linkFrames, 0);
    Push(Frames(2));
    ReadZAN(EngineStation());
    EXPECT_EQ(zan.link.assembler.linkFrames, 2);
}

TEST_F(LinkHealthTest, APartOfAFrameWaitsForItsRestWithoutCountingAsSkipped) {
    // Ten bytes at one tick, the rest at the next.
    std::vector<unsigned char> stream = Frames(2);
    Push({stream.begin(), stream.begin() + 10});
    ReadZAN(EngineStation());
    EXPECT_EQ(zan.link.assembler.linkFrames, 0);
    EXPECT_EQ(zan.link.assembler.rxPending, 10);
    Push({stream.begin() + 10, stream.end()});
    ReadZAN(EngineStation());
    EXPECT_EQ(zan.link.assembler.linkFrames, 2);
    EXPECT_EQ(zan.link.assembler.linkSkippedBytes, 0);
}

// --- On the panel ---

TEST_F(LinkHealthTest, CountsStartHiddenAndShowFromTheCalibrationCodeUp) {
    const int counts[] = {MAIN_LINK_FRAMES, MAIN_LINK_SKIPPED, MAIN_LINK_CUT};
    for (const int control : counts) EXPECT_FALSE(Main(control).Visible()) << control;
    zan.link.assembler.linkFrames = 1234;
    zan.link.assembler.linkSkippedBytes = 56;
    zan.link.assembler.linkCutFrames = 7;
    for (const auto& [code, shown] :
         {std::pair{0, false}, std::pair{2740, false}, std::pair{6867, false},
          std::pair{6868, true}, std::pair{6869, true}, std::pair{24517, true},
          std::pair{0, false}}) {
        SCOPED_TRACE(code);
        for (const int control : counts) Main(control).setCount = 0;
        EnterCode(code);
        Tick();
        for (const int control : counts) {
            EXPECT_EQ(Main(control).Visible(), shown) << control;
            EXPECT_EQ(Main(control).setCount > 0, shown) << control;
        }
        if (shown) {
            EXPECT_EQ(Main(MAIN_LINK_FRAMES).value, 1234.0);
            EXPECT_EQ(Main(MAIN_LINK_SKIPPED).value, 56.0);
            EXPECT_EQ(Main(MAIN_LINK_CUT).value, 7.0);
        }
    }
}

TEST_F(LinkHealthTest, TheDisplayShowsTheCountsOfACorruptedStreamAsTheyGrow) {
    EnterCode(6868);
    std::vector<unsigned char> stream = Frames(10);
    stream[5 * 18 + 3] = 0xFF;
    Push(stream);
    ReadZAN(EngineStation());
    Tick();
    EXPECT_EQ(Main(MAIN_LINK_FRAMES).value, 9.0);
    EXPECT_EQ(Main(MAIN_LINK_SKIPPED).value, 18.0);
    EXPECT_EQ(Main(MAIN_LINK_CUT).value, 2.0);
    Push(Frames(5));
    ReadZAN(EngineStation());
    Tick();
    EXPECT_EQ(Main(MAIN_LINK_FRAMES).value, 14.0);
}

TEST_F(LinkHealthTest, AHeldDisplayKeepsTheCountsItShowed) {
    EnterCode(6868);
    Push(Frames(3));
    ReadZAN(EngineStation());
    Tick();
    HOLD(zan.setup.mainPanel, MAIN_HOLD, EVENT_COMMIT, nullptr, 0, 0);
    Push(Frames(3));
    ReadZAN(EngineStation());
    Tick();
    EXPECT_EQ(Main(MAIN_LINK_FRAMES).value, 3.0);
    EXPECT_EQ(zan.link.assembler.linkFrames, 6);
}
