#include "app/callbacks.h"
#include "app/display.h"
#include "app/link_timer.h"
#include "measure/power.h"
#include "setup/catalogue.h"
#include "tests/support/station_fixture.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <iterator>
#include <limits>

class DisplayTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        engine.Device("COM1");
        ASSERT_EQ(Start(), 0);
    }
    void Tick(int count = 1) {
        for (int i = 0; i < count; ++i)
            DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
    }
    long SentCount(unsigned char byte) {
        const auto& sent = engine.Device("COM1").sent;
        return std::count(sent.begin(), sent.end(), byte);
    }
    std::vector<HeadlessPlot>& Plots() { return Main(MAIN_GRAPH).plots; }
};

// --- Read-outs ---

TEST_F(DisplayTest, BeforeTheFirstRevolutionCadenceAndSpeedAreZero) {
    Tick();
    EXPECT_EQ(Main(MAIN_CADENCE).value, 0.0);
    EXPECT_EQ(Main(MAIN_SPEED).value, 0.0);
}

TEST_F(DisplayTest, SpeedAboveNinetyNineOrBelowOneShowsZero) {
    // 3.6 × circumference / (word / 2) = 99 km/h.
    zan.setup.wheelCircumference = 2750.0f;
    zan.link.soundWheelWord = 200;
    Tick();
    EXPECT_FLOAT_EQ(static_cast<float>(Main(MAIN_SPEED).value), 99.0f);
    zan.setup.wheelCircumference = 2750.3f;
    Tick();
    EXPECT_EQ(Main(MAIN_SPEED).value, 0.0);
    zan.setup.wheelCircumference = 2100.0f;
    zan.link.soundWheelWord = 20000;
    Tick();
    EXPECT_EQ(Main(MAIN_SPEED).value, 0.0);
}

// A heart rate or a battery level no strap or crank can give keeps the last sound one, and the
// battery reads 0 before the first frame.
TEST_F(DisplayTest, HeartRateAndBatteryShowOnlyValuesAStrapAndACrankCanGive) {
    const struct {
        int heartRateWord; // half beats a minute
        int batteryByte;
        double heartRate;
        double battery;
    } ticks[] = {
        {0, 0, 0.0, 0.0},          // no frame yet
        {240, 154, 120.0, 80.0},   // a rider and a crank
        {39424, 250, 120.0, 80.0}, // a word shifted by a lost byte
        {40, 100, 120.0, 80.0},    // 20 bpm, a battery below empty
        {500, 158, 250.0, 100.0},  // the highest there are
        {0, 138, 0.0, 0.0},        // the strap taken off, the battery empty
    };
    for (const auto& tick : ticks) {
        zan.link.heartRateWord = tick.heartRateWord;
        zan.link.batteryByte = tick.batteryByte;
        Tick();
        EXPECT_EQ(Main(MAIN_HEART_RATE).value, tick.heartRate) << tick.heartRateWord;
        EXPECT_EQ(Main(MAIN_BATTERY).value, tick.battery) << tick.batteryByte;
    }
}

TEST_F(DisplayTest, ForcesHeartRateBatteryAndCrankCadenceFollowTheLastFrame) {
    zan.setup.setup.rightForceOffset = 1000.0f;
    zan.setup.setup.rightForceGain = 0.5f;
    zan.setup.setup.rightCorrectionCoeff = 0.5f;
    zan.setup.setup.correctionReference = 57.0f;
    zan.measure.pedals.counts.rightForce = 1200;
    zan.measure.pedals.counts.leftAux = 1100;
    zan.setup.setup.leftAuxOffset = 1000.0f;
    zan.link.heartRateWord = 241;
    zan.link.batteryByte = 154;
    zan.link.crankPeriodWord = 1333;
    Tick();
    EXPECT_FLOAT_EQ(static_cast<float>(Main(MAIN_RIGHT_FORCE).value), 99.0f);
    EXPECT_FLOAT_EQ(static_cast<float>(Main(MAIN_LEFT_AUX).value), 100.0f);
    EXPECT_FLOAT_EQ(static_cast<float>(Main(MAIN_HEART_RATE).value), 120.5f);
    EXPECT_FLOAT_EQ(static_cast<float>(Main(MAIN_BATTERY).value), 80.0f);
    EXPECT_NEAR(Main(MAIN_CRANK_CADENCE).value, 90.02, 0.01);
}

TEST_F(DisplayTest, DivisionsByZeroShowZeroNeverNanOrInf) {
    zan.link.crankPeriodWord = 0;
    zan.link.turnPeriod = 0.0f;
    zan.link.soundWheelWord = 0;
    zan.measure.powerTotal = 50.0f;
    zan.measure.powerLeft = 10.0f;
    zan.measure.powerRight = -10.0f;
    Tick();
    EXPECT_EQ(Main(MAIN_CRANK_CADENCE).value, 0.0);
    EXPECT_EQ(Main(MAIN_CADENCE).value, 0.0);
    EXPECT_EQ(zan.measure.cadence, 0.0f);
    EXPECT_EQ(Main(MAIN_SPEED).value, 0.0);
    EXPECT_EQ(Main(MAIN_BALANCE_LEFT).value, 0.0);
    EXPECT_EQ(zan.measure.balanceLeft, 0.0f);
}

TEST_F(DisplayTest, AForceBeyondSinglePrecisionShowsTheLargestNumberNotInf) {
    // A gain a setup file may hold: the force in double precision exceeds what the field holds.
    zan.setup.setup.leftForceGain = 1e38f;
    zan.measure.pedals.counts.leftForce = 1000;
    zan.setup.setup.rightForceGain = -1e38f;
    zan.measure.pedals.counts.rightForce = 1000;
    Tick();
    // Exact: inf is one unit in the last place from the largest float.
    EXPECT_EQ(Main(MAIN_LEFT_FORCE).value, static_cast<double>(FLT_MAX));
    EXPECT_EQ(Main(MAIN_RIGHT_FORCE).value, -static_cast<double>(FLT_MAX));
}

TEST_F(DisplayTest, BalanceNeedsMoreThanThirtyWatts) {
    zan.measure.powerLeft = 12.0f;
    zan.measure.powerRight = 18.0f;
    zan.measure.powerTotal = 30.0f;
    Tick();
    EXPECT_EQ(Main(MAIN_BALANCE_LEFT).value, 0.0);
    EXPECT_EQ(Main(MAIN_BALANCE_RIGHT).value, 0.0);
    zan.measure.powerTotal = 30.5f;
    Tick();
    EXPECT_FLOAT_EQ(static_cast<float>(Main(MAIN_BALANCE_LEFT).value), 40.0f);
    EXPECT_FLOAT_EQ(static_cast<float>(Main(MAIN_BALANCE_RIGHT).value), 60.0f);
}

// --- Colours ---

TEST_F(DisplayTest, PedalFigureColoursChangeAtTheirExactEdges) {
    struct Case {
        float figure;
        int color;
    };
    for (const Case& c : {Case{2.5f, VAL_GREEN}, Case{2.51f, VAL_RED}, Case{-2.51f, VAL_CYAN},
                          Case{-2.5f, VAL_CYAN}, Case{0.0f, VAL_GREEN}, Case{-2.5f, VAL_GREEN}}) {
        zan.measure.ofLeft = c.figure;
        zan.measure.ofRight = c.figure;
        zan.core.peakTicks = -5; // keep the figures as set
        Tick();
        EXPECT_EQ(Main(MAIN_OFL).Color(), c.color) << c.figure;
        EXPECT_EQ(Main(MAIN_OFR).Color(), c.color) << c.figure;
        EXPECT_FLOAT_EQ(static_cast<float>(Main(MAIN_OFL_2).value), -c.figure);
    }
}

TEST_F(DisplayTest, UdColoursAreGreenAboveZeroElseRed) {
    zan.measure.udLeft = 0.01f;
    zan.measure.udRight = 0.0f;
    Tick();
    EXPECT_EQ(Main(MAIN_UDL).Color(), VAL_GREEN);
    EXPECT_EQ(Main(MAIN_UDR).Color(), VAL_RED);
    EXPECT_FLOAT_EQ(static_cast<float>(Main(MAIN_UDL_2).value), 0.01f);
}

TEST_F(DisplayTest, RawCountsShowFromTheCalibrationCodeWithTheirRangeColours) {
    zan.measure.pedals.counts.rightForce = 149;
    zan.measure.pedals.counts.rightAux = 150;
    zan.measure.pedals.counts.leftForce = 1900;
    zan.measure.pedals.counts.leftAux = 1901;
    zan.setup.accessCode = 6867;
    Tick();
    EXPECT_EQ(Main(MAIN_RIGHT_RAW_FORCE).setCount, 0);
    zan.setup.accessCode = 6868;
    Tick();
    EXPECT_EQ(Main(MAIN_RIGHT_RAW_FORCE).value, 149);
    EXPECT_EQ(Main(MAIN_RIGHT_RAW_FORCE).Color(), VAL_RED);
    EXPECT_EQ(Main(MAIN_RIGHT_RAW_AUX).Color(), VAL_LT_GRAY);
    EXPECT_EQ(Main(MAIN_LEFT_RAW_FORCE).Color(), VAL_LT_GRAY);
    EXPECT_EQ(Main(MAIN_LEFT_RAW_AUX).Color(), VAL_RED);
}

TEST_F(DisplayTest, AuxRatiosShowAboveThirtyFiveNewtonsAndKeepTheirValueAtIt) {
    zan.setup.accessCode = 24517;
    std::fill(std::begin(zan.measure.pedals.rightRatioRing),
              std::end(zan.measure.pedals.rightRatioRing), 55.0f);
    zan.measure.pedals.rightForce = 36.0f;
    Tick();
    EXPECT_FLOAT_EQ(static_cast<float>(Main(MAIN_RIGHT_AUX_RATIO).value), 55.0f);
    std::fill(std::begin(zan.measure.pedals.rightRatioRing),
              std::end(zan.measure.pedals.rightRatioRing), 44.0f);
    zan.measure.pedals.rightForce = 35.0f;
    Tick();
    EXPECT_FLOAT_EQ(static_cast<float>(Main(MAIN_RIGHT_AUX_RATIO).value), 55.0f);
    zan.measure.pedals.rightForce = 34.0f;
    Tick();
    EXPECT_EQ(Main(MAIN_RIGHT_AUX_RATIO).value, 0.0);
}

// --- Pedalling figures ---

TEST_F(DisplayTest, PedalFiguresAreEvaluatedEverySecondTickAndTheTrackersRestart) {
    zan.setup.setup.rightRatioScale = 2.0f;
    zan.setup.setup.correctionReference = 55.0f;
    zan.measure.pedals.rightForceMax = 100.0f;
    zan.measure.pedals.rightAuxAtMax = 2800.0f;
    zan.measure.pedals.leftForceMax = 50.0f; // not above 50: left keeps its figure
    zan.measure.ofLeft = 1.5f;
    Tick();
    EXPECT_EQ(zan.measure.ofRight, 0.0f);
    Tick();
    EXPECT_FLOAT_EQ(zan.measure.ofRight, 1.0f);
    EXPECT_FLOAT_EQ(zan.measure.ofLeft, 1.5f);
    EXPECT_FLOAT_EQ(zan.measure.pedals.rightForceMax, -99999.0f);
    EXPECT_FLOAT_EQ(zan.measure.pedals.rightForceMin, 99999.0f);
    zan.link.framesSinceTurn = 251;
    zan.measure.udLeft = 12.0f;
    Tick(2);
    EXPECT_EQ(zan.measure.ofRight, 0.0f);
    EXPECT_EQ(zan.measure.ofLeft, 0.0f);
    EXPECT_EQ(zan.measure.udLeft, 0.0f);
}

// --- Keep-alive, single side and hold ---

TEST_F(DisplayTest, KeepAliveGoesEveryTwentiethTick) {
    Tick(19);
    EXPECT_EQ(SentCount('3'), 0);
    Tick();
    EXPECT_EQ(SentCount('3'), 1);
    Tick(40);
    EXPECT_EQ(SentCount('3'), 3);
}

TEST_F(DisplayTest, TheWaitingNoticeGoesWhenFramesArriveAndComesBackWhenTheLinkIsLost) {
    Tick(40);
    EXPECT_TRUE(Main(MAIN_START_NOTICE).Visible());
    zan.link.frameSeen = true;
    Tick();
    EXPECT_FALSE(Main(MAIN_START_NOTICE).Visible());
    zan.link.linkLost = 1;
    Tick();
    EXPECT_TRUE(Main(MAIN_START_NOTICE).Visible());
    zan.link.linkLost = 0;
    Tick();
    EXPECT_FALSE(Main(MAIN_START_NOTICE).Visible());
}

// A lost link says so wherever the rider looks: the title (once the crank has named itself), a
// blank battery (its last level would read as the crank's now) and one gap in the time plot for
// the whole loss; title and battery come back with the frames.
TEST_F(DisplayTest, ALostLinkSaysSoInTheTitleBlanksTheBatteryAndBreaksTheTimePlotOnce) {
    const std::string titleStart =
        "Orvelta (ZAN_pc Ver -> 1.6 (110126) ) (Setup file -> zan_01.set) ";
    const auto window = [this] {
        zan.link.frameIndex = 0;
        CalcWatt(zan.measure, CurrentPowerWindow(zan));
    };
    zan.link.batteryByte = 154;
    zan.link.frameSeen = true;
    zan.link.linkLost = 1;
    Tick();
    EXPECT_EQ(MainTitle(), titleStart + "(Waiting connection ->)");
    zan.link.crankIdentified = 1;
    zan.link.deviceVersion = 4;
    zan.link.deviceSerial = 123;
    zan.link.linkLost = 0;
    Tick();
    EXPECT_EQ(Main(MAIN_BATTERY).value, 80.0);
    window();
    window();
    const int before = zan.measure.historyIndex;

    const struct {
        int linkLost;
        bool windowBefore;
        const char* title;
        bool batteryShown;
        int newPoints;
        bool endsInGap;
    } ticks[] = {
        {1, false, "( Link lost -> SW_04  SN_123 )", false, 1, true},
        {1, false, "( Link lost -> SW_04  SN_123 )", false, 0, true},
        {0, false, "( Connected to ZAN -> SW_04  SN_123 )", true, 0, true},
        {1, false, "( Link lost -> SW_04  SN_123 )", false, 0, true}, // no point since the gap
        {0, true, "( Connected to ZAN -> SW_04  SN_123 )", true, 1, false},
        {1, false, "( Link lost -> SW_04  SN_123 )", false, 1, true},
    };
    int index = before;
    for (const auto& tick : ticks) {
        SCOPED_TRACE(index);
        if (tick.windowBefore) window();
        zan.link.linkLost = tick.linkLost;
        Tick();
        EXPECT_EQ(MainTitle(), titleStart + tick.title);
        EXPECT_EQ(std::isnan(Main(MAIN_BATTERY).value), !tick.batteryShown);
        EXPECT_EQ(zan.measure.historyIndex, index + tick.newPoints);
        index = zan.measure.historyIndex;
        EXPECT_EQ(std::isnan(zan.measure.powerHistory[index - 1]), tick.endsInGap);
    }
    // The time plot draws the gap where it came.
    zan.link.lastWindowFrames = 40;
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, 2);
    zan.link.linkLost = 0;
    Tick();
    ASSERT_FALSE(Plots().empty());
    EXPECT_TRUE(std::isnan(Plots()[0].samples[static_cast<std::size_t>(before)]));
    EXPECT_FALSE(std::isnan(Plots()[0].samples[static_cast<std::size_t>(before - 1)]));
}

TEST_F(DisplayTest, SingleSideSelectorIsReadBackOnlyAboveTheServiceCode) {
    SetCtrlVal(zan.setup.mainPanel, MAIN_SINGLE_SIDE, 2);
    zan.setup.accessCode = 2739;
    Tick();
    EXPECT_EQ(zan.setup.singleSide, SingleSide::Both);
    zan.setup.accessCode = 2740;
    Tick();
    EXPECT_EQ(zan.setup.singleSide, SingleSide::LeftOnly);
}

TEST_F(DisplayTest, HeldDisplayKeepsTheCrankAliveAndTheClockRunningButFreezesTheReadouts) {
    zan.record.sessionActive = 1;
    zan.setup.setup.recordInterval = 100;
    GetCurrentDateTime(&zan.record.sessionStartTime);
    HOLD(zan.setup.mainPanel, MAIN_HOLD, EVENT_COMMIT, nullptr, 0, 0);
    zan.link.lastWindowFrames = 10;
    Tick(20);
    EXPECT_EQ(SentCount('3'), 1);
    EXPECT_EQ(zan.record.rowTicks, 20);
    EXPECT_EQ(Main(MAIN_SESSION_CLOCK).text, "00:00:00");
    EXPECT_EQ(Main(MAIN_CADENCE).setCount, 0);
    EXPECT_TRUE(Plots().empty());
    EXPECT_EQ(zan.link.lastWindowFrames, 10);
    HOLD(zan.setup.mainPanel, MAIN_HOLD, EVENT_COMMIT, nullptr, 0, 0);
    Tick();
    EXPECT_EQ(Main(MAIN_CADENCE).setCount, 1);
    EXPECT_EQ(Plots().size(), 2u);
}

// --- Session clock ---

TEST_F(DisplayTest, SessionClockBlinksGreenAndWhiteAndShowsTheElapsedTimeModulo24Hours) {
    zan.record.sessionActive = 1;
    zan.setup.setup.recordInterval = 1000;
    GetCurrentDateTime(&zan.record.sessionStartTime);
    zan.record.sessionStartTime -= 25 * 3600 + 62;
    Tick();
    EXPECT_EQ(Main(MAIN_SESSION_CLOCK).text, "01:01:02");
    EXPECT_EQ(Main(MAIN_SESSION_CLOCK).Color(), VAL_GREEN);
    Tick();
    EXPECT_EQ(Main(MAIN_SESSION_CLOCK).Color(), VAL_WHITE);
    zan.record.ledFlashTimer = -4; // a captured turn file keeps it yellow
    SetCtrlAttribute(zan.setup.mainPanel, MAIN_SESSION_CLOCK, ATTR_TEXT_BGCOLOR, VAL_YELLOW);
    Tick(4);
    EXPECT_EQ(Main(MAIN_SESSION_CLOCK).Color(), VAL_YELLOW);
    Tick();
    EXPECT_EQ(Main(MAIN_SESSION_CLOCK).Color(), VAL_GREEN);
    zan.record.sessionActive = 0;
    Tick();
    EXPECT_EQ(Main(MAIN_SESSION_CLOCK).Color(), VAL_WHITE);
}

TEST_F(DisplayTest, RowIntervalOfZeroOrLessGivesARowOnEveryTick) {
    zan.record.sessionActive = 1;
    for (const int interval : {0, -3}) {
        zan.setup.setup.recordInterval = interval;
        Tick(3);
        EXPECT_EQ(zan.record.rowTicks, 0);
    }
    zan.setup.setup.recordInterval = 2;
    Tick(3);
    EXPECT_EQ(zan.record.rowTicks, 3);
    Tick();
    EXPECT_EQ(zan.record.rowTicks, 0);
}

// --- Plots ---

TEST_F(DisplayTest, PlotsOnlyAfterACompletedWindowWithTheirLabelsGainsAndColours) {
    Tick();
    EXPECT_TRUE(Plots().empty());
    zan.link.lastWindowFrames = 66;
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, 0);
    Tick();
    ASSERT_EQ(Plots().size(), 2u);
    EXPECT_EQ(Plots()[0].samples.size(), 66u);
    EXPECT_EQ(Plots()[0].color, VAL_BLUE);
    EXPECT_EQ(Plots()[1].color, VAL_RED);
    EXPECT_EQ(Main(MAIN_GRAPH).textAttributes[ATTR_XNAME], "2 Turns");
    EXPECT_EQ(Main(MAIN_GRAPH).textAttributes[ATTR_YNAME], "N");
    EXPECT_EQ(Main(MAIN_GRAPH).doubleAttributes[ATTR_XAXIS_GAIN], 1.0);
    EXPECT_EQ(zan.link.lastWindowFrames, 0);
    Tick();
    EXPECT_EQ(Plots().size(), 2u); // nothing new without a new window

    zan.link.lastWindowFrames = 40;
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, 1);
    Tick();
    ASSERT_EQ(Plots().size(), 1u);
    EXPECT_EQ(Plots()[0].color, VAL_BLACK);
    EXPECT_EQ(Plots()[0].samples.size(), 40u);
    EXPECT_EQ(Main(MAIN_GRAPH).textAttributes[ATTR_YNAME], "W");

    zan.link.lastWindowFrames = 40;
    zan.measure.historyIndex = 7;
    // The switches as clicked, no save between.
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_HR, 1);
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_CADENCE, 1);
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, 2);
    Tick();
    ASSERT_EQ(Plots().size(), 3u);
    EXPECT_EQ(Plots()[0].samples.size(), 7u);
    EXPECT_EQ(Plots()[1].color, VAL_ORANGE);
    EXPECT_EQ(Plots()[2].color, VAL_CYAN);
    EXPECT_EQ(Main(MAIN_GRAPH).textAttributes[ATTR_XNAME], "Time plot (min)");
    // Each history point lies at the minute its window ended.
    EXPECT_EQ(Plots()[0].x,
              std::vector<float>(zan.measure.historyMinutes, zan.measure.historyMinutes + 7));

    zan.link.lastWindowFrames = 40;
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_HR, 0);
    Tick();
    ASSERT_EQ(Plots().size(), 2u);
    EXPECT_EQ(Plots()[1].color, VAL_CYAN);

    zan.link.lastWindowFrames = 40;
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, 4);
    Tick();
    EXPECT_TRUE(Plots().empty());
}

TEST_F(DisplayTest, PolarModeTakesTheGraphsPlaceWithItsOwnPlotAndFiguresAndGivesItBack) {
    EXPECT_EQ(Main(MAIN_POLAR_TURNS).value, polarDefaultTurns);
    zan.link.lastWindowFrames = 40;
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, polarPlotMode);
    Tick();
    EXPECT_FALSE(Main(MAIN_GRAPH).Visible());
    for (int control : {MAIN_POLAR_GRAPH, MAIN_POLAR_LEFT_BOTTOM, MAIN_POLAR_RIGHT_PEAK_PHASE,
                        MAIN_POLAR_LEFT_SHAPE, MAIN_POLAR_TURNS})
        EXPECT_TRUE(Main(control).Visible()) << control;
    // Nothing of the other modes is drawn on either plot.
    EXPECT_TRUE(Plots().empty());
    EXPECT_TRUE(Main(MAIN_POLAR_GRAPH).plots.empty());

    zan.link.lastWindowFrames = 40;
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, 0);
    Tick();
    EXPECT_TRUE(Main(MAIN_GRAPH).Visible());
    EXPECT_FALSE(Main(MAIN_POLAR_GRAPH).Visible());
    EXPECT_FALSE(Main(MAIN_POLAR_RIGHT_PHASE).Visible());
    EXPECT_EQ(Main(MAIN_GRAPH).textAttributes[ATTR_YNAME], "N");
}

TEST(AngleSpanText, ReadsStartToEndInWholeDegreesRoundTheTurnOrDashesWithoutOne) {
    const double none = std::nan("");
    const struct {
        double start;
        double end;
        const char* text;
    } cases[] = {
        {12.4, 187.6, "12 - 188"},
        // A phase over the top ends below its start.
        {300.0, 20.0, "300 - 20"},
        // Just short of a full turn is the top.
        {359.6, 180.2, "0 - 180"},
        {360.0, 720.4, "0 - 0"},
        {-0.4, -90.0, "0 - 270"},
        {none, 180.0, "--"},
        {10.0, none, "--"},
        {10.0, std::numeric_limits<double>::infinity(), "--"},
    };
    for (const auto& one : cases) {
        char text[32];
        AngleSpanText(one.start, one.end, text, sizeof text);
        EXPECT_STREQ(text, one.text) << one.start << " " << one.end;
    }
    char small[4];
    AngleSpanText(300.0, 20.0, small, sizeof small);
    EXPECT_STREQ(small, "300");
}

// A link tick reads the timer alone: its date-time runs on from the clock the last display tick
// read whole, so a clock set on between them is taken at the next display tick.
TEST_F(DisplayTest, ALinkTickDateTimeRunsOnFromTheLastDisplayTicksReading) {
    Tick();
    engine.now += 0.3;
    ReadZAN(zan);
    EXPECT_DOUBLE_EQ(zan.record.now.timer, engine.now);
    EXPECT_DOUBLE_EQ(zan.record.now.dateTime, engine.startDateTime + engine.now);
    engine.startDateTime += 3600.0;
    engine.now += 0.1;
    ReadZAN(zan);
    EXPECT_DOUBLE_EQ(zan.record.now.dateTime, engine.startDateTime - 3600.0 + engine.now);
    Tick();
    ReadZAN(zan);
    EXPECT_DOUBLE_EQ(zan.record.now.dateTime, engine.startDateTime + engine.now);
}

// --- The polar view on the emulated crank ---

// The emulator's stroke peaks at 90 degrees from each pedal's own top, pushes to 180 and is at
// half its peak from 30. At 90 and 72 rpm the crank's frames divide a revolution into thirds of a
// frame; the station reads the angles within two degrees, second after second, once ten
// revolutions are kept.
class LivePolarTest : public StationTest {
  protected:
    void RideAndRead(double cadence) {
        EmulatedCrankSettings settings;
        settings.cadence = cadence;
        settings.rightPeak = 350.0;
        WriteFile("zan_01.set", MatchingSetupFile());
        WriteFile("zan_com.set", "5\n0\n1\n1\n");
        PlayEmulatedCrank(engine, "COM5", settings);
        ASSERT_EQ(Start(), 0);
        for (int second = 14; second < 34; ++second) {
            engine.RunUntil(second);
            const PolarFigures& figures = PolarFiguresNow(zan.measure.polar);
            ASSERT_EQ(figures.turns, polarDefaultTurns);
            EXPECT_NEAR(figures.rightPedal.peakAngle, 90.0f, 2.0f) << second;
            EXPECT_NEAR(figures.leftPedal.peakAngle, 90.0f, 2.0f) << second;
            EXPECT_NEAR(figures.rightPedal.phase.end, 180.0f, 1.4f) << second;
            EXPECT_NEAR(figures.leftPedal.phase.peakStart, 30.0f, 1.4f) << second;
        }
    }
};

TEST_F(LivePolarTest, AtNinetyRpmBothPedalsPeakAtNinetyDegreesAndHoldThere) {
    RideAndRead(90.0);
}

TEST_F(LivePolarTest, AtSeventyTwoRpmBothPedalsPeakAtNinetyDegreesAndHoldThere) {
    RideAndRead(72.0);
}
