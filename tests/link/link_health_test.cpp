// The link's health: the frame reader counts the frames it hands on, the bytes a 0xFF made it
// drop and the frames so cut short; the display shows the counts to the technician.
#include "app/callbacks.h"
#include "link/frame_reader.h"
#include "setup/catalogue.h"
#include "tests/support/frames.h"
#include "tests/support/station_fixture.h"

#include <vector>

class LinkHealthTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        engine.Device("COM1");
        ASSERT_EQ(Start(), 0);
        // Past the handshake, so nothing is read as an identity.
        zan.handshakeFrames = 100;
    }

    void Push(const std::vector<unsigned char>& bytes) {
        auto& input = engine.Device("COM1").input;
        input.insert(input.end(), bytes.begin(), bytes.end());
    }
    // Frames of increasing right force: 1100, 1101, ...
    static std::vector<unsigned char> Frames(int count) {
        std::vector<unsigned char> stream;
        for (int i = 0; i < count; ++i) Append(stream, MakeFrame({.rightForce = 1100 + i}));
        return stream;
    }
    void EnterCode(int code) {
        SetCtrlVal(zan.mainPanel, MAIN_ACCESS_CODE, code);
        PWD(zan.mainPanel, MAIN_ACCESS_CODE, EVENT_COMMIT, nullptr, 0, 0);
    }
    void Tick() { DISPLAY(zan.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0); }
};

// --- Counting ---

TEST_F(LinkHealthTest, ACleanStreamCountsEveryFrameAndSkipsNothing) {
    Push(Frames(50));
    ReadZAN();
    EXPECT_EQ(zan.linkFrames, 50);
    EXPECT_EQ(zan.linkSkippedBytes, 0);
    EXPECT_EQ(zan.linkCutFrames, 0);
}

TEST_F(LinkHealthTest, AFrameCutShortByTheNextStartSkipsWhatHadCome) {
    // Seven bytes of a frame, then a whole one: the 0xFF of the second restarts the reader.
    std::vector<unsigned char> stream = MakeFrame({.rightForce = 1500});
    stream.resize(7);
    Append(stream, MakeFrame({.rightForce = 1200}));
    Push(stream);
    ReadZAN();
    EXPECT_EQ(zan.linkFrames, 1);
    EXPECT_EQ(zan.linkSkippedBytes, 7);
    EXPECT_EQ(zan.linkCutFrames, 1);
    EXPECT_EQ(zan.rawRightForce, 1200);
}

TEST_F(LinkHealthTest, AByteCorruptedIntoFFCutsItsFrameAndThePieceAfterIt) {
    std::vector<unsigned char> stream = Frames(3);
    // Position 5 of the second frame: the first five bytes go, the stray 0xFF starts a frame of
    // its own that the third frame's start cuts after 13 bytes.
    stream[18 + 5] = 0xFF;
    Push(stream);
    ReadZAN();
    EXPECT_EQ(zan.linkFrames, 2);
    EXPECT_EQ(zan.linkSkippedBytes, 18);
    EXPECT_EQ(zan.linkCutFrames, 2);
    EXPECT_EQ(zan.rawRightForce, 1102);
}

TEST_F(LinkHealthTest, ADroppedByteCostsItsFrameAndNotTheNext) {
    std::vector<unsigned char> stream = Frames(3);
    stream.erase(stream.begin() + 18 + 9);
    Push(stream);
    ReadZAN();
    EXPECT_EQ(zan.linkFrames, 2);
    EXPECT_EQ(zan.linkSkippedBytes, 17);
    EXPECT_EQ(zan.linkCutFrames, 1);
    EXPECT_EQ(zan.rawRightForce, 1102);
}

TEST_F(LinkHealthTest, BytesBeforeTheFirstStartAreSkippedOnce) {
    // The port opened in the middle of a frame: its last ten bytes come first.
    std::vector<unsigned char> stream = MakeFrame({.rightForce = 1500});
    stream.erase(stream.begin(), stream.begin() + 8);
    Append(stream, Frames(4));
    Push(stream);
    ReadZAN();
    EXPECT_EQ(zan.linkFrames, 4);
    EXPECT_EQ(zan.linkSkippedBytes, 10);
    EXPECT_EQ(zan.linkCutFrames, 1);
}

TEST_F(LinkHealthTest, CountsAreTheSameWhereverTheReadsCutTheStream) {
    std::vector<unsigned char> stream = Frames(6);
    stream[18 + 5] = 0xFF;                     // a stray start in the second frame
    stream.erase(stream.begin() + 3 * 18 + 2); // a byte lost from the fourth
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        SCOPED_TRACE(cut);
        zan.linkFrames = zan.linkSkippedBytes = zan.linkCutFrames = 0;
        zan.rxPos = zan.rxPending = 0;
        Push({stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut)});
        ReadZAN();
        Push({stream.begin() + static_cast<std::ptrdiff_t>(cut), stream.end()});
        ReadZAN();
        EXPECT_EQ(zan.linkFrames, 4);
        EXPECT_EQ(zan.linkSkippedBytes, 18 + 17);
        EXPECT_EQ(zan.linkCutFrames, 3);
    }
}

TEST_F(LinkHealthTest, SimulatedFramesAreNotLinkFrames) {
    zan.setup.simulation = 1;
    for (int call = 0; call < 10; ++call) ReadZAN();
    EXPECT_EQ(zan.linkFrames, 0);
    Push(Frames(2));
    ReadZAN();
    EXPECT_EQ(zan.linkFrames, 2);
}

TEST_F(LinkHealthTest, APartOfAFrameWaitsForItsRestWithoutCountingAsSkipped) {
    // Ten bytes at one tick, the rest at the next.
    std::vector<unsigned char> stream = Frames(2);
    Push({stream.begin(), stream.begin() + 10});
    ReadZAN();
    EXPECT_EQ(zan.linkFrames, 0);
    EXPECT_EQ(zan.rxPending, 10);
    Push({stream.begin() + 10, stream.end()});
    ReadZAN();
    EXPECT_EQ(zan.linkFrames, 2);
    EXPECT_EQ(zan.linkSkippedBytes, 0);
}

// --- On the panel ---

TEST_F(LinkHealthTest, CountsStartHiddenAndShowFromTheCalibrationCodeUp) {
    const int counts[] = {MAIN_LINK_FRAMES, MAIN_LINK_SKIPPED, MAIN_LINK_CUT};
    for (const int control : counts) EXPECT_FALSE(Main(control).Visible()) << control;
    zan.linkFrames = 1234;
    zan.linkSkippedBytes = 56;
    zan.linkCutFrames = 7;
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
    ReadZAN();
    Tick();
    EXPECT_EQ(Main(MAIN_LINK_FRAMES).value, 9.0);
    EXPECT_EQ(Main(MAIN_LINK_SKIPPED).value, 18.0);
    EXPECT_EQ(Main(MAIN_LINK_CUT).value, 2.0);
    Push(Frames(5));
    ReadZAN();
    Tick();
    EXPECT_EQ(Main(MAIN_LINK_FRAMES).value, 14.0);
}

TEST_F(LinkHealthTest, AHeldDisplayKeepsTheCountsItShowed) {
    EnterCode(6868);
    Push(Frames(3));
    ReadZAN();
    Tick();
    HOLD(zan.mainPanel, MAIN_HOLD, EVENT_COMMIT, nullptr, 0, 0);
    Push(Frames(3));
    ReadZAN();
    Tick();
    EXPECT_EQ(Main(MAIN_LINK_FRAMES).value, 3.0);
    EXPECT_EQ(zan.linkFrames, 6);
}
