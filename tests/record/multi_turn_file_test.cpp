#include "app/callbacks.h"
#include "app/link_timer.h"
#include "link/frame_reader.h"
#include "setup/catalogue.h"
#include "tests/support/frames.h"
#include "tests/support/station_fixture.h"

#include <cstdio>

class MultiTurnTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        engine.Device("COM1");
        ASSERT_EQ(Start(), 0);
        zan.link.handshakeFrames = 100;
        zan.setup.setup.rightForceOffset = zan.setup.setup.leftForceOffset = 1000.0f;
        zan.setup.setup.rightForceGain = zan.setup.setup.leftForceGain = 0.5f;
        zan.setup.setup.crankLength = 170.0f;
    }
    void OpenSession() {
        engine.dirAnswers.push_back(folder.string());
        SAVE(zan.setup.mainPanel, 100, EVENT_COMMIT, nullptr, 0, 0);
    }
    void Arm() { SAVE10(zan.setup.mainPanel, MAIN_SESSION_CMD_2, EVENT_COMMIT, nullptr, 0, 0); }
    // Pedalling: a revolution marker every 50 frames, forces changing frame by frame.
    void Pedal(int frames, bool turning = true) {
        std::vector<unsigned char> stream;
        for (int i = 0; i < frames; ++i, ++frameNumber)
            Append(stream, MakeFrame({.rightForce = 1000 + frameNumber % 50 * 4,
                                      .leftForce = 1200 - frameNumber % 50 * 2,
                                      .crankWord = turning && frameNumber % 50 == 0 ? 0x2000 : 0}));
        auto& input = engine.Device("COM1").input;
        input.insert(input.end(), stream.begin(), stream.end());
        ReadZAN(EngineStation());
    }
    int frameNumber = 0;
};

TEST_F(MultiTurnTest, CaptureStartsAtAWindowEndAndWritesExactly1000Rows) {
    OpenSession();
    Pedal(51); // the mark of frame 0 opens the first window; windows end on frames 100, 200, ...
    Arm();
    EXPECT_EQ(zan.record.captureState, CaptureState::Armed);
    Pedal(50); // frame 100 ends a window: the capture's sample 0
    EXPECT_EQ(zan.record.captureState, CaptureState::Recording);
    EXPECT_EQ(Main(MAIN_SESSION_CLOCK).Color(), VAL_YELLOW);
    EXPECT_EQ(zan.record.ledFlashTimer, -4);
    Pedal(999);
    EXPECT_EQ(zan.record.captureState, CaptureState::Recording);
    EXPECT_EQ(zan.record.captureCount, 1000);
    Pedal(1);
    EXPECT_EQ(zan.record.captureState, CaptureState::Idle);

    const std::vector<std::string> lines = ReadLines("X_071226_09-00-00.csv");
    ASSERT_EQ(lines.size(), 2u + 1000u + 1u);
    EXPECT_EQ(lines[0], "ZAN_Multi_Turn_file ,X_071226_09-00-00.csv");
    EXPECT_EQ(lines[1], "INDEX,TIME,POWT,FORCE L (N),FORCE R (N)");
    for (int i = 0; i < 1000; ++i) {
        char start[32];
        std::snprintf(start, sizeof start, "%4d,%.3f,", i, (i + 1) / 100.0);
        ASSERT_EQ(lines[static_cast<std::size_t>(i) + 2].substr(0, std::string(start).size()),
                  start)
            << "row " << i;
    }
    EXPECT_EQ(lines[1002], "#####");
    // Sample 0 is frame 100: 0 N right, 100 N left.
    char first[64];
    std::snprintf(first, sizeof first, "   0,0.010,%.1f,100.0,0.0",
                  static_cast<double>(zan.record.capturePower[0]));
    EXPECT_EQ(lines[2], first);
    EXPECT_EQ(lines[1001].substr(0, 11), " 999,10.000");
}

TEST_F(MultiTurnTest, PowerColumnIsTheCapturedFramesOwnPower) {
    OpenSession();
    Pedal(51);
    Arm();
    Pedal(50);
    EXPECT_FLOAT_EQ(zan.record.capturePower[0], zan.measure.powerTrace[zan.link.frameIndex - 1]);
    EXPECT_FLOAT_EQ(zan.record.captureLeft[0], 100.0f);
    EXPECT_FLOAT_EQ(zan.record.captureRight[0], 0.0f);
    Pedal(1);
    EXPECT_FLOAT_EQ(zan.record.capturePower[1], zan.measure.powerTrace[zan.link.frameIndex - 1]);
}

TEST_F(MultiTurnTest, ArmingWhileArmedOrCapturingChangesNothing) {
    Pedal(51);
    Arm();
    Pedal(60);
    ASSERT_EQ(zan.record.captureState, CaptureState::Recording);
    const int count = zan.record.captureCount;
    Arm();
    EXPECT_EQ(zan.record.captureState, CaptureState::Recording);
    EXPECT_EQ(zan.record.captureCount, count);
}

TEST_F(MultiTurnTest, StillPedalsNeverStartAnArmedCapture) {
    Arm();
    Pedal(600, false);
    EXPECT_EQ(zan.record.captureState, CaptureState::Armed);
}

TEST_F(MultiTurnTest, CaptureEndingWithoutASessionWritesNothingAndReturnsToIdle) {
    Pedal(75);
    Arm();
    Pedal(1100);
    EXPECT_EQ(zan.record.captureState, CaptureState::Idle);
    EXPECT_TRUE(std::filesystem::is_empty(folder / "dati"));
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().rfind("X_", 0) == 0) ++files;
    EXPECT_EQ(files, 0u);
    Arm();
    EXPECT_EQ(zan.record.captureState, CaptureState::Armed);
}

TEST_F(MultiTurnTest, SessionOpenedAfterArmingStillGetsTheFile) {
    Pedal(75);
    Arm();
    Pedal(500);
    OpenSession();
    Pedal(600);
    EXPECT_EQ(ReadLines("X_071226_09-00-00.csv").size(), 1003u);
}
