#include "app/callbacks.h"
#include "app/link_timer.h"
#include "link/frame_reader.h"
#include "setup/catalogue.h"
#include "tests/support/emulated_crank.h"
#include "tests/support/frames.h"
#include "tests/support/station_fixture.h"

class ZeroResetTest : public StationTest {
  protected:
    void UnloadedFrame() {
        engine.Device("COM1");
        Start();
        zan.link.handshakeFrames = 100;
        const std::vector<unsigned char> frame =
            MakeFrame({.rightForce = 1012, .rightAux = 998, .leftForce = 1003, .leftAux = 1001});
        engine.Device("COM1").input.assign(frame.begin(), frame.end());
        ReadZAN(EngineStation());
    }
    void Press(CtrlCallbackPtr command, int panel) {
        command(panel, 0, EVENT_COMMIT, nullptr, 0, 0);
    }
};

TEST_F(ZeroResetTest, ZeroAnsweredYesTakesTheLastRawCountsShowsAndSavesThem) {
    UnloadedFrame();
    std::snprintf(zan.setup.setupPath, sizeof zan.setup.setupPath, "%s", "other.set");
    engine.confirmAnswers.push_back(1);
    Press(ZERO, zan.setup.mainPanel);
    ASSERT_EQ(engine.popups.size(), 1u);
    EXPECT_EQ(engine.popups[0].title, "ZERO value ?");
    EXPECT_EQ(engine.popups[0].message, "Unload pedals & press [YES] to reset ...");
    EXPECT_FLOAT_EQ(zan.setup.setup.rightForceOffset, 1012.0f);
    EXPECT_FLOAT_EQ(zan.setup.setup.rightAuxOffset, 998.0f);
    EXPECT_FLOAT_EQ(zan.setup.setup.leftForceOffset, 1003.0f);
    EXPECT_FLOAT_EQ(zan.setup.setup.leftAuxOffset, 1001.0f);
    EXPECT_EQ(Main(MAIN_LEFT_AUX_OFFSET).value, 1001.0);
    EXPECT_STREQ(zan.setup.setupPath, "zan_01.set");
    const std::vector<std::string> lines = ReadLines("zan_01.set");
    ASSERT_EQ(lines.size(), 23u);
    EXPECT_EQ(lines[0], "1012.000");
    EXPECT_EQ(lines[2], "998.000");
    EXPECT_EQ(lines[4], "1003.000");
    EXPECT_EQ(lines[6], "1001.000");
    // The next unloaded frame reads near 0 N.
    ReadZAN(EngineStation());
    engine.Device("COM1").input.clear();
    const std::vector<unsigned char> frame =
        MakeFrame({.rightForce = 1012, .rightAux = 998, .leftForce = 1003, .leftAux = 1001});
    engine.Device("COM1").input.assign(frame.begin(), frame.end());
    ReadZAN(EngineStation());
    EXPECT_FLOAT_EQ(zan.measure.pedals.rightForce, 0.0f);
    EXPECT_FLOAT_EQ(zan.measure.pedals.leftForce, 0.0f);
}

TEST_F(ZeroResetTest, ZeroWithOnePedalMeasuredKeepsTheOtherPedalsOffsets) {
    UnloadedFrame();
    zan.setup.singleSide = SingleSide::RightOnly;
    const float leftOffset = zan.setup.setup.leftForceOffset;
    const float leftAuxOffset = zan.setup.setup.leftAuxOffset;
    ReadZAN(EngineStation());
    engine.confirmAnswers.push_back(1);
    Press(ZERO, zan.setup.mainPanel);
    EXPECT_FLOAT_EQ(zan.setup.setup.rightForceOffset, 1012.0f);
    EXPECT_FLOAT_EQ(zan.setup.setup.leftForceOffset, leftOffset);
    EXPECT_FLOAT_EQ(zan.setup.setup.leftAuxOffset, leftAuxOffset);
}

TEST_F(ZeroResetTest, ZeroAnsweredNoChangesNothing) {
    UnloadedFrame();
    const float offset = zan.setup.setup.rightForceOffset;
    engine.confirmAnswers.push_back(0);
    Press(ZERO, zan.setup.mainPanel);
    EXPECT_FLOAT_EQ(zan.setup.setup.rightForceOffset, offset);
    EXPECT_FALSE(std::filesystem::exists(folder / "zan_01.set"));
}

class WarmupEndTest : public ZeroResetTest {
  protected:
    void SetUp() override {
        ZeroResetTest::SetUp();
        WriteFile("zan_01.set", MatchingSetupFile());
        WriteFile("zan_com.set", "1\n1\n0\n0\n");
        PlayEmulatedCrank(engine, "COM1", EmulatedCrankSettings{});
        ASSERT_EQ(Start(), 0);
        ASSERT_EQ(zan.setup.warmupState, WarmupState::ToShow);
    }
};

TEST_F(WarmupEndTest, PedallingFillsTheWarmupAndResetZeroesAndEndsIt) {
    // The identity frames of the first second are not measured; five revolutions after them the
    // period has settled and the windows carry the rider's power.
    engine.RunUntil(6.0);
    EXPECT_TRUE(engine.Panel(zan.setup.warmupPanel).visible);
    EXPECT_EQ(zan.setup.warmupState, WarmupState::Filling);
    EXPECT_GT(zan.setup.warmupLevel, 0);
    EXPECT_FALSE(Warmup(WARMUP_SKIP).Dimmed());
    engine.RunUntil(40.0);
    EXPECT_EQ(zan.setup.warmupLevel, 100);
    EXPECT_FALSE(Warmup(WARMUP_RESET).Dimmed());
    EXPECT_TRUE(Warmup(WARMUP_SKIP).Dimmed());
    EXPECT_GE(zan.setup.warmupState, WarmupState::CompleteYellow);

    Press(RESET, zan.setup.warmupPanel);
    EXPECT_EQ(zan.setup.warmupState, WarmupState::Off);
    EXPECT_EQ(zan.setup.warmupLevel, 0);
    EXPECT_FALSE(engine.Panel(zan.setup.warmupPanel).visible);
    EXPECT_FLOAT_EQ(zan.setup.setup.rightForceOffset, static_cast<float>(zan.link.rawRightForce));
    EXPECT_EQ(ReadLines("zan_01.set")[0], std::to_string(zan.link.rawRightForce) + ".000");
    // It stays off while the rider goes on pedalling.
    engine.RunUntil(60.0);
    EXPECT_FALSE(engine.Panel(zan.setup.warmupPanel).visible);
}

TEST_F(WarmupEndTest, SkipEndsTheWarmupAndLeavesOffsetsAndFileAlone) {
    const std::string setupBefore = ReadFile("zan_01.set");
    engine.RunUntil(10.0);
    ASSERT_EQ(zan.setup.warmupState, WarmupState::Filling);
    Press(SKIP, zan.setup.warmupPanel);
    EXPECT_EQ(zan.setup.warmupState, WarmupState::Off);
    EXPECT_FALSE(engine.Panel(zan.setup.warmupPanel).visible);
    EXPECT_FLOAT_EQ(zan.setup.setup.rightForceOffset, 1000.0f);
    EXPECT_EQ(ReadFile("zan_01.set"), setupBefore);
}
