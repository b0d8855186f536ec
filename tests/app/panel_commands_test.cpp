#include "app/callbacks.h"
#include "app/link_timer.h"
#include "link/frame_reader.h"
#include "measure/power.h"
#include "setup/catalogue.h"
#include "tests/support/station_fixture.h"

class PanelCommandsTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        // The crank's port is there: the box holds the commands' lines alone.
        engine.Device("COM1");
        ASSERT_EQ(Start(), 0);
    }
    void Press(CtrlCallbackPtr command, int event = EVENT_COMMIT) {
        command(zan.setup.mainPanel, 0, event, nullptr, 0, 0);
    }
};

TEST_F(PanelCommandsTest, HoldTogglesTheButtonsLabelAndIcon) {
    Press(HOLD);
    EXPECT_EQ(zan.app.holdDisplay, 1);
    EXPECT_EQ(Main(MAIN_HOLD).textAttributes[ATTR_LABEL_TEXT], "Run");
    EXPECT_EQ(Main(MAIN_HOLD).textAttributes[ATTR_IMAGE_FILE], "start.ico");
    Press(HOLD);
    EXPECT_EQ(zan.app.holdDisplay, 0);
    EXPECT_EQ(Main(MAIN_HOLD).textAttributes[ATTR_LABEL_TEXT], "Hold");
    EXPECT_EQ(Main(MAIN_HOLD).textAttributes[ATTR_IMAGE_FILE], "pausa.ico");
    Press(HOLD, EVENT_LEFT_DOUBLE_CLICK);
    EXPECT_EQ(zan.app.holdDisplay, 0);
}

TEST_F(PanelCommandsTest, ClearKeepsTheStaleFirstPointOfTheTimePlot) {
    zan.measure.historyIndex = 9;
    zan.measure.powerHistory[0] = 123.0f;
    PlotY(zan.setup.mainPanel, MAIN_GRAPH, zan.measure.powerHistory, 9, VAL_BLACK);
    Press(CLR);
    EXPECT_TRUE(Main(MAIN_GRAPH).plots.empty());
    EXPECT_EQ(zan.measure.historyIndex, 1);
    zan.link.frameIndex = 0;
    CalcWatt(zan.measure, CurrentPowerWindow(EngineStation()));
    zan.link.lastWindowFrames = 1;
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, 2);
    DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
    ASSERT_EQ(Main(MAIN_GRAPH).plots.size(), 1u);
    EXPECT_EQ(Main(MAIN_GRAPH).plots[0].samples.size(), 2u);
    EXPECT_FLOAT_EQ(Main(MAIN_GRAPH).plots[0].samples[0], 123.0f);
}

TEST_F(PanelCommandsTest, OnlyADoubleClickEmptiesTheMessageBox) {
    InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, "Search ZAN sn12 on COM1");
    Press(RTEXT, EVENT_COMMIT);
    EXPECT_EQ(Main(MAIN_MESSAGES).lines.size(), 1u);
    Press(RTEXT, EVENT_LEFT_DOUBLE_CLICK);
    EXPECT_TRUE(Main(MAIN_MESSAGES).lines.empty());
}

TEST_F(PanelCommandsTest, PrintWithoutThePdfPrinterWritesAPdfIntoTheDataFolderAndSaysWhere) {
    Press(PRINT);
    ASSERT_EQ(engine.printed.size(), 1u);
    const std::string path = engine.printed[0].substr(4);
    EXPECT_EQ(engine.printed[0].substr(0, 4), "pdf:");
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::path(path).parent_path(), folder / "dati");
    EXPECT_EQ(std::filesystem::path(path).filename(), "P_071226_09-00-00.pdf");
    ASSERT_EQ(Main(MAIN_MESSAGES).lines.size(), 1u);
    EXPECT_EQ(Main(MAIN_MESSAGES).lines[0], "Panel saved as PDF: " + path);
}

TEST_F(PanelCommandsTest, PrintUsesThePdfPrinterWhereItIsInstalled) {
    engine.printerNames = {"Office", "CutePDF Writer"};
    Press(PRINT);
    EXPECT_EQ(engine.printed, (std::vector<std::string>{"printer:CutePDF Writer"}));
    EXPECT_FALSE(std::filesystem::exists(folder / "dati" / "P_071226_09-00-00.pdf"));
}

TEST_F(PanelCommandsTest, ReviewOpensTheChosenRideBesideThePanelAndTellsWhyItCouldNot) {
    engine.fileAnswers = {"dati/S_071226_09-00.csv", "", "dati/notes.csv"};
    Press(REVIEW);
    EXPECT_EQ(engine.reviewed, (std::vector<std::string>{"dati/S_071226_09-00.csv"}));
    // A cancelled popup opens nothing and says nothing.
    Press(REVIEW);
    EXPECT_EQ(engine.reviewed.size(), 1u);
    EXPECT_TRUE(Main(MAIN_MESSAGES).lines.empty());
    engine.reviewRefusal = "dati/notes.csv is not a ZAN session file";
    Press(REVIEW);
    EXPECT_EQ(engine.reviewed.size(), 1u);
    ASSERT_EQ(Main(MAIN_MESSAGES).lines.size(), 1u);
    EXPECT_EQ(Main(MAIN_MESSAGES).lines[0],
              "Ride not opened: dati/notes.csv is not a ZAN session file");
}
