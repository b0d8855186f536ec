// The measuring aid's script: read strictly, and each step reaches the command a rider's press
// reaches, on the real panel.
#include "app/automation.h"
#include "app/station.h"
#include "tests/gui/qt_fixture.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSpinBox>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

TEST(AutomationScript, StepsAreReadWithTheirTimesActionsAndValues) {
    std::vector<AutomationStep> steps;
    std::string error;
    ASSERT_TRUE(ParseAutomation(
        "1:session;20:plot=1;40.5:plot=2;;45:code=6868;50:turn;55:capture;60:quit", steps, error))
        << error;
    ASSERT_EQ(steps.size(), 7u);
    EXPECT_EQ(steps[0].milliseconds, 1000);
    EXPECT_EQ(steps[0].action, AutomationAction::Session);
    EXPECT_EQ(steps[1].action, AutomationAction::Plot);
    EXPECT_EQ(steps[1].value, 1);
    EXPECT_EQ(steps[2].milliseconds, 40500);
    EXPECT_EQ(steps[2].value, 2);
    EXPECT_EQ(steps[3].action, AutomationAction::Code);
    EXPECT_EQ(steps[3].value, 6868);
    EXPECT_EQ(steps[4].action, AutomationAction::Turn);
    EXPECT_EQ(steps[5].action, AutomationAction::Capture);
    EXPECT_EQ(steps[6].milliseconds, 60000);
    EXPECT_EQ(steps[6].action, AutomationAction::Quit);
}

TEST(AutomationScript, AMalformedStepRefusesTheWholeScript) {
    for (const char* script : {"session", "x:quit", "-1:quit", "5:jump", "5:plot", "5:quit=1",
                               "5:plot=a", "5:code=-3", "90000:quit", "1:session;2:plot=9x"}) {
        SCOPED_TRACE(script);
        std::vector<AutomationStep> steps{{0, AutomationAction::Quit, 0}};
        std::string error;
        EXPECT_FALSE(ParseAutomation(script, steps, error));
        EXPECT_TRUE(steps.empty());
        EXPECT_FALSE(error.empty());
    }
}

// In the GUI tests the callbacks record their calls: a step is seen reaching its command.
class AutomationTest : public QtEngineTest {
  protected:
    void SetUp() override {
        QtEngineTest::SetUp();
        ResetStation(zan);
        zan.setup.mainPanel = mainPanel;
        zan.setup.warmupPanel = warmupPanel;
    }
    int PlotMode() { return Widget<QComboBox>(MAIN_PLOT_MODE)->currentIndex(); }
    std::vector<std::string> Commands() {
        std::vector<std::string> names;
        for (const RecordedCall& call : RecordedCalls()) names.push_back(call.name);
        return names;
    }
};

TEST_F(AutomationTest, EachStepReachesTheCommandOfTheRidersPress) {
    RunAutomationStep({0, AutomationAction::Turn, 0});
    RunAutomationStep({0, AutomationAction::Capture, 0});
    RunAutomationStep({0, AutomationAction::Quit, 0});
    EXPECT_EQ(Commands(), (std::vector<std::string>{"SAVET", "SAVE10", "FINE"}));
    for (const RecordedCall& call : RecordedCalls()) {
        EXPECT_EQ(call.panel, mainPanel);
        EXPECT_EQ(call.event, EVENT_COMMIT);
    }
}

TEST_F(AutomationTest, HistoriesFillTheTimePlotAsAFourHourRideWould) {
    std::vector<AutomationStep> steps;
    std::string error;
    ASSERT_TRUE(ParseAutomation("1:histories=8000", steps, error)) << error;
    RunAutomationStep(steps[0]);
    EXPECT_EQ(zan.measure.historyIndex, 0);
    EXPECT_NEAR(zan.measure.historyMinutes[7999], 7999 * 2.0 / 60.0, 0.01);
    EXPECT_GT(zan.measure.powerHistory[4000], 100.0f);
    RunAutomationStep({0, AutomationAction::Histories, 30});
    EXPECT_EQ(zan.measure.historyIndex, 30);
}

TEST_F(AutomationTest, PlotSetsTheSelectorAndCodeEntersTheNumberInItsField) {
    RunAutomationStep({0, AutomationAction::Plot, 2});
    EXPECT_EQ(PlotMode(), 2);
    EXPECT_TRUE(RecordedCalls().empty());
    RunAutomationStep({0, AutomationAction::Code, 6868});
    EXPECT_EQ(Widget<QSpinBox>(MAIN_ACCESS_CODE)->value(), 6868);
    ASSERT_EQ(Commands(), std::vector<std::string>{"PWD"});
    EXPECT_EQ(RecordedCalls()[0].control, MAIN_ACCESS_CODE);
}

TEST_F(AutomationTest, ReadoutsKeepWhatThePanelShowsForAScriptWithoutAConsole) {
    const std::filesystem::path before = std::filesystem::current_path();
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "zan_readouts_test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    SetCtrlVal(mainPanel, MAIN_POWER_TOTAL, 231.4);
    SetCtrlVal(mainPanel, MAIN_CADENCE, 90.2);
    RunAutomationStep({0, AutomationAction::Readouts, 0});
    RunAutomationStep({0, AutomationAction::Readouts, 0});
    std::ifstream kept("readouts.txt");
    const std::string text((std::istreambuf_iterator<char>(kept)),
                           std::istreambuf_iterator<char>());
    std::filesystem::current_path(before);
    std::filesystem::remove_all(folder);
    EXPECT_EQ(text, "power 231.4 cadence 90.2\npower 231.4 cadence 90.2\n");
}

TEST_F(AutomationTest, StartingASessionCancelsTheFolderPopupItAsks) {
    int answer = -1;
    afterCall = [&answer](const RecordedCall& call) {
        if (call.name != "SAVE") return;
        char folder[512] = "unchanged";
        answer = DirSelectPopup("", "Selezionare FOLDER", folder, sizeof folder);
    };
    RunAutomationStep({0, AutomationAction::Session, 0});
    EXPECT_EQ(Commands(), std::vector<std::string>{"SAVE"});
    EXPECT_EQ(answer, 0);
}

TEST_F(AutomationTest, ScheduledStepsRunInTheirOrderOnceTheEventLoopTurns) {
    ScheduleAutomation({{0, AutomationAction::Plot, 1}, {50, AutomationAction::Plot, 2}});
    EXPECT_EQ(PlotMode(), 0);
    QElapsedTimer waited;
    waited.start();
    bool sawFirst = false;
    while (PlotMode() != 2 && waited.elapsed() < 3000) {
        QCoreApplication::processEvents();
        if (PlotMode() == 1) sawFirst = true;
    }
    EXPECT_TRUE(sawFirst);
    EXPECT_EQ(PlotMode(), 2);
}
