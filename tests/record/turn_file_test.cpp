#include "app/callbacks.h"
#include "setup/catalogue.h"
#include "tests/support/station_fixture.h"

class TurnFileTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        ASSERT_EQ(Start(), 0);
        engine.dirAnswers.push_back(folder.string());
        SAVE(zan.setup.mainPanel, 100, EVENT_COMMIT, nullptr, 0, 0);
        ASSERT_EQ(zan.record.sessionActive, 1);
    }
    void Snapshot(int frames) {
        for (int i = 0; i < frames; ++i) {
            zan.measure.snapshotPower[i] = 10.0f * i;
            zan.measure.snapshotLeft[i] = 1.25f * i;
            zan.measure.snapshotRight[i] = -0.5f * i;
        }
        zan.measure.snapshotFrames = frames;
    }
    std::vector<std::string> PressAndRead(const std::string& name = "T_071226_09-00-00.csv") {
        SAVET(zan.setup.mainPanel, MAIN_SESSION_CMD_1, EVENT_COMMIT, nullptr, 0, 0);
        return ReadLines(name);
    }
};

TEST_F(TurnFileTest, WithoutACompletedWindowTheFileHoldsOnlyItsFrame) {
    for (const int frames : {0, 1}) {
        Snapshot(frames);
        engine.now += 1.0;
        const std::string name = frames == 0 ? "T_071226_09-00-01.csv" : "T_071226_09-00-02.csv";
        EXPECT_EQ(PressAndRead(name),
                  (std::vector<std::string>{"ZAN_Single_Turn_file ," + name,
                                            "INDEX,DEGREE,POWT,FORCE L (N),FORCE R (N)", "#####"}));
    }
}

TEST_F(TurnFileTest, HundredFramesStepSevenDegreesAndNeverReach720) {
    Snapshot(100);
    const std::vector<std::string> lines = PressAndRead();
    ASSERT_EQ(lines.size(), 2u + 99u + 1u);
    EXPECT_EQ(lines[2], "   1,0.0,10.0,1.2,-0.5");
    EXPECT_EQ(lines[3], "   2,7.0,20.0,2.5,-1.0");
    EXPECT_EQ(lines[100], "  99,686.0,990.0,123.8,-49.5");
    EXPECT_EQ(lines[101], "#####");
}

TEST_F(TurnFileTest, AboveSevenHundredTwentyFramesEveryAngleIsZero) {
    Snapshot(800);
    const std::vector<std::string> lines = PressAndRead();
    ASSERT_EQ(lines.size(), 2u + 799u + 1u);
    EXPECT_EQ(lines[800].substr(0, 10), " 799,0.0,7");
}

TEST_F(TurnFileTest, CaptureTurnsTheSessionClockYellowForFourTicks) {
    Snapshot(10);
    PressAndRead();
    EXPECT_EQ(Main(MAIN_SESSION_CLOCK).Color(), VAL_YELLOW);
    EXPECT_EQ(zan.record.ledFlashTimer, -4);
}

TEST_F(TurnFileTest, TwoPressesInTheSameSecondKeepBothFiles) {
    Snapshot(10);
    PressAndRead();
    Snapshot(20);
    const std::vector<std::string> second = PressAndRead("T_071226_09-00-00_2.csv");
    EXPECT_EQ(second.size(), 2u + 19u + 1u);
    EXPECT_EQ(ReadLines("T_071226_09-00-00.csv").size(), 2u + 9u + 1u);
}

TEST_F(TurnFileTest, WithoutASessionThePressDoesNothing) {
    SAVE(zan.setup.mainPanel, 100, EVENT_COMMIT, nullptr, 0, 0);
    Snapshot(10);
    PressAndRead();
    EXPECT_FALSE(std::filesystem::exists(folder / "T_071226_09-00-00.csv"));
}
