#include "app/callbacks.h"
#include "app/setup_panel.h"
#include "setup/catalogue.h"
#include "setup/port_file.h"
#include "tests/support/station_fixture.h"

class PortFileTest : public StationTest {};

TEST_F(PortFileTest, FourLinesGoToPortWarmupAndPlotSwitches) {
    // Blanks before a number, an editor's byte-order mark and line ends, a decimal comma.
    for (const char* text : {"  3\n2\n1\n0\n",
                             "\xEF\xBB\xBF"
                             "3\r\n2\r\n1\r\n0\r\n",
                             "3,0\n2\n1\n0"}) {
        ResetStation(zan);
        engine.popups.clear();
        WriteFile("zan_com.set", text);
        ASSERT_EQ(Start(), 0);
        EXPECT_EQ(zan.setup.comPort, 3) << text;
        EXPECT_EQ(zan.setup.warmupMode, 2);
        EXPECT_EQ(zan.setup.plotHeartRate, 1);
        EXPECT_EQ(zan.setup.plotCadence, 0);
        EXPECT_EQ(Main(MAIN_COM_PORT).value, 3);
        EXPECT_EQ(Main(MAIN_PLOT_HR).value, 1);
        EXPECT_TRUE(engine.popups.empty());
    }
}

TEST_F(PortFileTest, ALineThatIsNotANumberLeavesTheDefaultsInUseAndTheFileAsItIs) {
    struct Case {
        const char* text;
        int line;
    };
    for (const Case& c : {Case{"COM3\n2\n1\n0\n", 1}, Case{"3\n\n1\n0\n", 2}, Case{"3\n2\non\n", 3},
                          Case{"\xFF\xFE"
                               "3\n",
                               1}}) {
        ResetStation(zan);
        engine.popups.clear();
        // The crank's port is there: the box holds the file's line alone.
        engine.Device("COM1");
        WriteFile("zan_com.set", c.text);
        ASSERT_EQ(Start(), 0);
        const std::string message = "Port file \"zan_com.set\" line " + std::to_string(c.line) +
                                    " is not a number: the default port settings are in use, and "
                                    "the file is kept as it is until they are saved.";
        ASSERT_EQ(engine.popups.size(), 1u) << c.text;
        EXPECT_EQ(engine.popups[0].message, message);
        EXPECT_EQ(Main(MAIN_MESSAGES).lines, std::vector<std::string>{message});
        EXPECT_EQ(zan.setup.comPort, 1);
        EXPECT_EQ(zan.setup.warmupMode, 0);
        FINE(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
        EXPECT_EQ(ReadFile("zan_com.set"), c.text);
    }
}

TEST_F(PortFileTest, LongLinesCountTheirFirstTenCharactersAndShortFilesKeepDefaults) {
    WriteFile("zan_com.set", "12345678901\n1\n");
    ASSERT_EQ(Start(), 0);
    EXPECT_EQ(zan.setup.comPort, 1234567890);
    EXPECT_EQ(zan.setup.warmupMode, 1);
    EXPECT_EQ(zan.setup.plotHeartRate, 0);
    EXPECT_EQ(zan.setup.plotCadence, 0);
}

TEST_F(PortFileTest, SavePortSettingsWritesTheControlsAndKeepsTheOpenPort) {
    engine.Device("COM7");
    WriteFile("zan_com.set", "7\n0\n0\n0\n");
    ASSERT_EQ(Start(), 0);
    SetCtrlVal(zan.setup.mainPanel, MAIN_COM_PORT, 12);
    SetCtrlVal(zan.setup.mainPanel, MAIN_WARMUP_MODE, 1);
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_CADENCE, 1);
    DEFX(zan.setup.mainPanel, MAIN_SERVICE_CMD, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(ReadFile("zan_com.set"), "12\n1\n0\n1\n");
    EXPECT_EQ(zan.setup.comPort, 12);
    EXPECT_EQ(zan.setup.warmupMode, 1);
    // The port opened under the previous number stays open until the next reconnect.
    EXPECT_TRUE(engine.Port(7).open);
    EXPECT_FALSE(engine.Port(12).open);
}

TEST_F(PortFileTest, WrittenPortFileIsReadBackTheSame) {
    ASSERT_EQ(Start(), 0);
    SaveProblem problem{};
    ASSERT_EQ(WritePortFile(PortSettings{4, 2, 1, 1}, &problem), 0);
    ResetStation(zan);
    ASSERT_EQ(Start(), 0);
    EXPECT_EQ(zan.setup.comPort, 4);
    EXPECT_EQ(zan.setup.warmupMode, 2);
    EXPECT_EQ(zan.setup.plotHeartRate, 1);
    EXPECT_EQ(zan.setup.plotCadence, 1);
}

TEST_F(PortFileTest, FailedPortSaveKeepsThePreviousFileAndSaysSo) {
    WriteFile("zan_com.set", "5\n0\n0\n0\n");
    ASSERT_EQ(Start(), 0);
    std::filesystem::create_directory(folder / "zan_com.set.new");
    zan.setup.comPort = 9;
    EXPECT_EQ(SavePortFile(zan), -1);
    EXPECT_EQ(ReadFile("zan_com.set"), "5\n0\n0\n0\n");
    ASSERT_EQ(engine.popups.size(), 1u);
    EXPECT_EQ(engine.popups[0].title, "Port file");
}
