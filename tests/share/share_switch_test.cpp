#include "app/callbacks.h"
#include "setup/catalogue.h"
#include "share/share_file.h"
#include "share/share_server.h"
#include "tests/support/share_client.h"
#include "tests/support/station_fixture.h"

#include <filesystem>
#include <string>

class ShareSwitchTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        engine.Device("COM1");
        zan.share.loopbackAnyPort = true;
    }
    void Switch(int on) {
        SetCtrlVal(zan.setup.mainPanel, MAIN_SHARE, on);
        SHARE(zan.setup.mainPanel, MAIN_SHARE, EVENT_COMMIT, nullptr, 0, 0);
    }
    std::string Line() {
        DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
        return Main(MAIN_SHARE_STATUS).text;
    }
    bool Told(const std::string& words) {
        for (const std::string& line : Main(MAIN_MESSAGES).lines)
            if (line.find(words) != std::string::npos) return true;
        return false;
    }
};

// The switch shares at once and is kept for the next run; the line says where and how many.
TEST_F(ShareSwitchTest, TheSwitchSharesAtOnceIsKeptAndTheLineSaysWhereAndHowMany) {
    ASSERT_EQ(Start(), 0);
    EXPECT_FALSE(zan.share.listening);
    EXPECT_EQ(Line(), "Not shared with training apps.");
    EXPECT_FALSE(std::filesystem::exists(folder / "zan_share.set"));

    Switch(1);
    ASSERT_TRUE(zan.share.listening);
    EXPECT_EQ(ReadLines("zan_share.set"), std::vector<std::string>{"1"});
    const std::string where = "127.0.0.1:" + std::to_string(zan.share.port);
    EXPECT_EQ(Line(),
              "Power, cadence, balance and heart rate shared at " + where + "; 0 apps connected.");
    ShareTestClient app;
    ASSERT_TRUE(app.Connect(zan.share.port));
    EXPECT_EQ(Line(),
              "Power, cadence, balance and heart rate shared at " + where + "; 1 app connected.");

    Switch(0);
    EXPECT_FALSE(zan.share.listening);
    EXPECT_EQ(ReadLines("zan_share.set"), std::vector<std::string>{"0"});
    EXPECT_EQ(Line(), "Not shared with training apps.");
    app.Receive();
    EXPECT_TRUE(app.closed);
}

TEST_F(ShareSwitchTest, ASwitchLeftOnSharesFromTheStart) {
    WriteFile("zan_share.set", "1\n");
    ASSERT_EQ(Start(), 0);
    EXPECT_TRUE(zan.share.listening);
    EXPECT_EQ(Main(MAIN_SHARE).value, 1.0);
}

// --share-power switches sharing on for one run: the file is not written.
TEST_F(ShareSwitchTest, SharePowerForOneRunWritesNoFile) {
    zan.share.onForRun = true;
    ASSERT_EQ(Start(), 0);
    EXPECT_TRUE(zan.share.listening);
    EXPECT_EQ(Main(MAIN_SHARE).value, 1.0);
    EXPECT_FALSE(std::filesystem::exists(folder / "zan_share.set"));
}

// A sharing file the station could not read is told and never written over; the switch still
// works for the run.
TEST_F(ShareSwitchTest, AnUnreadableSharingFileIsToldAndKept) {
    WriteFile("zan_share.set", "yes\n");
    ASSERT_EQ(Start(), 0);
    EXPECT_FALSE(zan.share.listening);
    EXPECT_TRUE(Told("Sharing file \"zan_share.set\""));
    Switch(1);
    EXPECT_TRUE(zan.share.listening);
    EXPECT_TRUE(Told("the switch holds for this run only"));
    EXPECT_EQ(ReadFile("zan_share.set"), "yes\n");
}

// Only 0 and 1 are a switch; the first line alone counts.
TEST(ShareFileTest, OnlyZeroOrOneOnTheFirstLineIsASwitch) {
    const struct {
        const char* text;
        SetupRead read;
        bool on;
    } cases[] = {
        {"1\n", SetupRead::Read, true},         {"0\r\n", SetupRead::Read, false},
        {" 1\nx\n", SetupRead::Read, true},     {"2\n", SetupRead::NotANumber, false},
        {"on\n", SetupRead::NotANumber, false}, {"", SetupRead::NotANumber, false},
    };
    for (const auto& c : cases) {
        bool on = false;
        const std::string text = c.text;
        EXPECT_EQ(ReadShareText(text.data(), text.size(), on).read, c.read) << c.text;
        EXPECT_EQ(on, c.on) << c.text;
    }
}
