#include "link/frame_screen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
// A frame of a crank pedalling at 60 rpm with the right force word at the given counts.
CrankFrame Frame(int rightForce, int heartRateWord = 240) {
    return CrankFrame{rightForce, 1200, 1100, 1150, 0, 2000, 500, heartRateWord, 154};
}

// The right force words the screen lets through for the stream, a rejected frame written as
// "r<word of its stand-in>".
std::string Through(const std::vector<CrankFrame>& stream) {
    FrameScreen screen{};
    const ScreenLimits limits = CrankLimits(0.5f, 0.5f, 1000.0f, 1000.0f);
    std::string out;
    for (const CrankFrame& frame : stream) {
        const ScreenedFrames screened = ScreenFrame(screen, frame, limits);
        for (int i = 0; i < screened.count; ++i)
            out += (screened.rejected[i] ? "r" : "") +
                   std::to_string(screened.frames[i].rightForce) + " ";
    }
    return out;
}
} // namespace

TEST(FrameScreenTest, EachStreamGivesTheFramesAPedallingCrankCanProduce) {
    // 150 N at 0.5 N per count: a force word may move 300 counts in a frame unjudged.
    const struct {
        const char* what;
        std::vector<CrankFrame> stream;
        std::string through;
    } cases[] = {
        {"a smooth stroke goes through at once",
         {Frame(1000), Frame(1250), Frame(1500)},
         "1000 1250 1500 "},
        {"a steep stroke is held a frame at a time and goes on whole",
         {Frame(1000), Frame(1500), Frame(2000), Frame(2200)},
         "1000 1500 2000 2200 "},
        {"a sprinter's stroke, up to six limits a frame on a line, goes on whole",
         {Frame(1000), Frame(2700), Frame(4400), Frame(4500)},
         "1000 2700 4400 4500 "},
        {"a spike is rejected and the middle of its neighbours stands in",
         {Frame(1000), Frame(30000), Frame(1010)},
         "1000 r1005 1010 "},
        {"a smaller spike off the stroke's line is rejected too",
         {Frame(1000), Frame(1500), Frame(1000)},
         "1000 r1000 1000 "},
        {"a real jump is held one frame, then both go on",
         {Frame(1000), Frame(3000), Frame(3010)},
         "1000 3000 3010 "},
        {"a spike followed by one twice as far draws no stroke's line",
         {Frame(1000), Frame(27000), Frame(53000), Frame(990)},
         "1000 r1000 r995 990 "},
        {"two spikes in a row, near each other, are no jump a pedal can make",
         {Frame(1000), Frame(46643), Frame(46568), Frame(992)},
         "1000 r1000 r996 992 "},
        {"two spikes in a row are both rejected",
         {Frame(1000), Frame(30000), Frame(50000), Frame(1000)},
         "1000 r1000 r1000 1000 "},
        {"a spike in the heart rate rejects the frame",
         {Frame(1000), Frame(1000, 240 + 256), Frame(1000)},
         "1000 r1000 1000 "},
        {"a frame held at the end of the stream waits", {Frame(1000), Frame(30000)}, "1000 "},
        {"a first frame with a force no pedal gives reads no force",
         {Frame(30000), Frame(1000)},
         "r1000 1000 "},
        {"bytes at random: a force replaced ten frames in a row reads no force",
         {Frame(1250), Frame(20000), Frame(40000), Frame(20000), Frame(40000), Frame(20000),
          Frame(40000), Frame(20000), Frame(40000), Frame(20000), Frame(40000), Frame(20000),
          Frame(40000)},
         "1250 r1250 r1250 r1250 r1250 r1250 r1250 r1250 r1250 r1250 r1000 r1000 "},
    };
    for (const auto& c : cases) EXPECT_EQ(Through(c.stream), c.through) << c.what;
}

TEST(FrameScreenTest, AReleasedFrameGoesOnAndTheNextIsJudgedAgainstNothing) {
    FrameScreen screen{};
    const ScreenLimits limits = CrankLimits(0.5f, 0.5f, 1000.0f, 1000.0f);
    ScreenFrame(screen, Frame(1000), limits);
    ScreenFrame(screen, Frame(9000), limits);
    const ScreenedFrames released = ReleaseHeldFrame(screen);
    ASSERT_EQ(released.count, 1);
    EXPECT_EQ(released.frames[0].rightForce, 9000);
    EXPECT_EQ(ScreenFrame(screen, Frame(5000), limits).count, 1);
    EXPECT_EQ(screen.rejectedFrames, 0);
}

TEST(FrameScreenTest, AFrameLateByItsCorruptedStartByteIsMendedInEveryWord) {
    FrameScreen screen{};
    const ScreenLimits limits = CrankLimits(0.5f, 0.5f, 1000.0f, 1000.0f);
    ScreenFrame(screen, Frame(1000), limits);
    // Shifted by a byte: the right force jumps, the heart rate looks plausible by chance.
    ScreenFrame(screen, Frame(41062, 250), limits, false);
    const ScreenedFrames out = ScreenFrame(screen, Frame(1010), limits);
    ASSERT_EQ(out.count, 2);
    EXPECT_TRUE(out.rejected[0]);
    EXPECT_EQ(out.frames[0].rightForce, 1005);
    EXPECT_EQ(out.frames[0].heartRateWord, 240);
}
