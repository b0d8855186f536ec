// The live display on the real panel: frames from the emulator's crank model go through the frame
// reader, the display tick puts them on the Qt widgets.
#include "app/callbacks.h"
#include "app/display.h"
#include "app/link_timer.h"
#include "app/setup_panel.h"
#include "app/startup.h"
#include "app/station.h"
#include "link/frame_reader.h"
#include "protocol/frame.h"
#include "setup/setup_file.h"
#include "tests/gui/polar_peak.h"
#include "tests/gui/qt_fixture.h"
#include "tools/crank_model.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <cmath>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>

namespace {
// The Qt engine with the crank's bytes in memory instead of a serial port.
class FedQtEngine : public QtEngine {
  public:
    std::deque<unsigned char> input;
    int OpenComConfig(int, const char*, long, int, int, int, int, int) override { return 0; }
    int SetComTime(int, double) override { return 0; }
    int CloseCom(int) override { return 0; }
    int GetInQLen(int) override { return static_cast<int>(input.size()); }
    int ComRdByte(int) override {
        const int byte = input.front();
        input.pop_front();
        return byte;
    }
    // Byte by byte from the queue above, not from a serial port.
    int ComRdBlock(int port, unsigned char* buffer, int count) override {
        return Engine::ComRdBlock(port, buffer, count);
    }
    int ComWrtByte(int, int) override { return 1; }
};

// 90 rpm, 300 N peaks, the emulator's scales; the station's setup matches them.
void Pedal(FedQtEngine& engine, long long frame) {
    const StrokeSettings stroke{90.0, 50.0, 300.0, 300.0};
    const FrameScales scales{1000.0, 0.5, 0.4};
    const CrankSample sample = SampleCrank(stroke, frame);
    CrankFrame words{};
    SetForceWords(words, sample.rightForce, sample.leftForce, scales);
    words.crankWord = CrankWord(90.0, sample.revolutionStart);
    words.wheelWord = WheelWord(30.0, 2096.0);
    words.heartRateWord = HeartRateWord(132.0);
    words.battery = BatteryCode(80.0);
    unsigned char bytes[frameLength];
    EncodeFrame(words, bytes);
    engine.input.insert(engine.input.end(), bytes, bytes + frameLength);
}
// A standing crank with these forces on its pedals, the right one forward, at the emulator's
// scales with a gain a tenth above the station's.
void Stand(FedQtEngine& engine, double right, double left) {
    const FrameScales scales{1000.0, 0.55, 0.4};
    CrankFrame words{};
    SetForceWords(words, right, left, scales);
    words.crankWord = CrankWord(0.0, false);
    words.battery = BatteryCode(80.0);
    unsigned char bytes[frameLength];
    EncodeFrame(words, bytes);
    engine.input.insert(engine.input.end(), bytes, bytes + frameLength);
}

// Answers the popups as they come up, one after the other, each from inside its own loop.
void AnswerPopups(std::deque<std::function<void(QWidget*)>> answers) {
    if (answers.empty()) return;
    QTimer::singleShot(0, [answers]() mutable {
        QWidget* popup = QApplication::activeModalWidget();
        ASSERT_NE(popup, nullptr);
        const auto answer = answers.front();
        answers.pop_front();
        AnswerPopups(answers);
        answer(popup);
    });
}

void Click(QWidget* popup, const QString& label) {
    for (QPushButton* button : popup->findChildren<QPushButton*>())
        if (button->text().remove('&') == label) return button->click();
    FAIL() << label.toStdString();
}

void Yes(QWidget* popup) {
    static_cast<QMessageBox*>(popup)->button(QMessageBox::Yes)->click();
}

void Mass(QWidget* popup) {
    popup->findChild<QLineEdit*>()->insert("30");
    Click(popup, "OK");
}
} // namespace

class LiveDisplayTest : public testing::Test {
  protected:
    void SetUp() override {
        UseEngine(&engine);
        UseStation(*station);
        zan.setup.mainPanel = LoadPanel(0, resourcePath, MAIN);
        zan.setup.warmupPanel = LoadPanel(0, resourcePath, WARMUP);
        ASSERT_GT(zan.setup.mainPanel, 0);
        zan.setup.setup.rightForceOffset = zan.setup.setup.leftForceOffset = 1000.0f;
        zan.setup.setup.rightAuxOffset = zan.setup.setup.leftAuxOffset = 1000.0f;
        zan.setup.setup.rightForceGain = zan.setup.setup.leftForceGain = 0.5f;
        zan.setup.setup.rightRatioScale = zan.setup.setup.leftRatioScale = 137.5f;
        zan.setup.setup.correctionReference = 55.0f;
        zan.setup.setup.crankLength = 172.5f;
        zan.setup.setup.displayFilter = 1;
        zan.setup.wheelCircumference = 2096.0f;
        GiveWorkingDefaults(EngineStation());
        zan.link.handshakeFrames = 100;
        zan.setup.setup.wheelDiameter = 667.18f;
        zan.setup.setup.recordInterval = 1;
        ShowSetupParameters(EngineStation());
        SetCtrlAttribute(zan.setup.mainPanel, MAIN_CRANK_CADENCE, ATTR_VISIBLE, 0);
        DisplayPanel(zan.setup.mainPanel);
    }
    void TearDown() override { UseEngine(nullptr); }

    // Ten seconds of pedalling: a link tick every frame, a display tick every 25 frames.
    void Ride(int seconds) {
        for (long long frame = 0; frame < seconds * 50LL; ++frame) {
            Pedal(engine, frame);
            ReadZAN(EngineStation());
            if (frame % 25 == 24) DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
        }
    }
    double Shown(int control) {
        return qobject_cast<QAbstractSpinBox*>(engine.ControlWidget(zan.setup.mainPanel, control))
            ->text()
            .toDouble();
    }
    QList<QCPGraph*> VisibleTraces() {
        return Traces(engine.GraphPlot(zan.setup.mainPanel, MAIN_GRAPH));
    }
    QString Style(int control) {
        return engine.ControlWidget(zan.setup.mainPanel, control)->styleSheet();
    }

    FedQtEngine engine;
    // The fixture's own station, attached to its engine.
    std::unique_ptr<Station> station = std::make_unique<Station>();
    Station& zan = *station;
};

TEST_F(LiveDisplayTest, WidgetsShowThePedallingAndTheGraphHoldsTheForceCurves) {
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, 0);
    Ride(10);
    // Each pedal pushes 0.9 × 300 / π N on average over a revolution of 2/3 s.
    const double pedalPower = 6.2831853 * 0.9 * 300.0 / 3.1415926 * 172.5 / (60000.0 / 90.0);
    EXPECT_NEAR(Shown(MAIN_CADENCE), 90.0, 1.0);
    EXPECT_NEAR(Shown(MAIN_POWER_TOTAL), 2 * pedalPower, 0.05 * 2 * pedalPower);
    EXPECT_NEAR(Shown(MAIN_POWER_LEFT), pedalPower, 0.05 * pedalPower);
    EXPECT_NEAR(Shown(MAIN_BALANCE_LEFT), 50.0, 2.0);
    EXPECT_NEAR(Shown(MAIN_SPEED), 30.0, 0.3);
    EXPECT_EQ(Shown(MAIN_HEART_RATE), 132.0);
    EXPECT_EQ(Shown(MAIN_BATTERY), 80.0);
    // The pedals push and barely pull: the other pedal carries little at each one's peak.
    EXPECT_TRUE(Style(MAIN_UDL).contains("#ff0000") || Style(MAIN_UDL).contains("#00ff00"));
    EXPECT_FALSE(Style(MAIN_OFL).isEmpty());

    const QList<QCPGraph*> traces = VisibleTraces();
    ASSERT_EQ(traces.size(), 2);
    // Two revolutions at 90 rpm are 66 or 67 frames.
    EXPECT_NEAR(traces[0]->data()->size(), 67, 1);
    EXPECT_EQ(traces[0]->pen().color(), QColor(0, 0, 255));
    EXPECT_EQ(traces[1]->pen().color(), QColor(255, 0, 0));
    double highest = 0.0;
    for (const QCPGraphData& point : *traces[0]->data()) highest = std::max(highest, point.value);
    EXPECT_NEAR(highest, 300.0, 15.0);

    if (const char* shot = std::getenv("ZAN_LIVE_SCREENSHOT"))
        engine.PanelWindow(zan.setup.mainPanel)->grab().save(QString::fromLocal8Bit(shot));
}

TEST_F(LiveDisplayTest, PolarViewDrawsEachPedalsPeakAtItsAngleOnASquareWithItsFiguresBeside) {
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, 0);
    Ride(3);
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, polarPlotMode);
    Ride(10);
    QCustomPlot* plot = engine.GraphPlot(zan.setup.mainPanel, MAIN_POLAR_GRAPH);
    ASSERT_NE(plot, nullptr);
    // A frame is 10.8 degrees of a revolution at 90 rpm. Each pedal's stroke peaks at 90 degrees
    // from its own top; the curve is drawn through its points, the figure found between frames,
    // and the dot put on the figure.
    const double frameAngle = 360.0 * 90.0 / 60.0 / 50.0;
    for (const QColor& pedal : {QColor(0, 0, 255), QColor(255, 0, 0)}) {
        SCOPED_TRACE(pedal.name().toStdString());
        EXPECT_NEAR(PolarPeakAngle(*plot, pedal), 90.0, polarPointDegrees);
        const std::vector<double> dots = PolarDotAngles(*plot, pedal);
        ASSERT_EQ(dots.size(), 1u);
        EXPECT_NEAR(dots[0], 90.0, 2.0);
    }
    EXPECT_NEAR(Shown(MAIN_POLAR_RIGHT_PEAK), 90.0, 2.0);
    EXPECT_NEAR(Shown(MAIN_POLAR_LEFT_PEAK), 90.0, 2.0);
    EXPECT_NEAR(Shown(MAIN_POLAR_RIGHT_NEGATIVE), 50.0, 100.0 * frameAngle / 360.0);
    // The stroke pushes from the top to the bottom and pulls back up: the power phase spans the
    // downstroke, the dead spots lie near the top and the bottom.
    EXPECT_NEAR(std::fmod(Shown(MAIN_POLAR_LEFT_DEAD) + 180.0, 360.0), 180.0, 45.0);
    EXPECT_NEAR(Shown(MAIN_POLAR_LEFT_BOTTOM), 180.0, 45.0);
    EXPECT_GT(Shown(MAIN_POLAR_RIGHT_SHAPE), 30.0);
    EXPECT_LE(Shown(MAIN_POLAR_RIGHT_SHAPE), 100.0);
    for (int phase : {MAIN_POLAR_RIGHT_PHASE, MAIN_POLAR_LEFT_PHASE, MAIN_POLAR_RIGHT_PEAK_PHASE,
                      MAIN_POLAR_LEFT_PEAK_PHASE}) {
        const QString text =
            qobject_cast<QLabel*>(engine.ControlWidget(zan.setup.mainPanel, phase))->text();
        EXPECT_TRUE(QRegularExpression("^\\d+ - \\d+$").match(text).hasMatch())
            << text.toStdString();
    }
    EXPECT_EQ(engine.ControlWidget(zan.setup.mainPanel, MAIN_POLAR_LEFT_DEAD)->accessibleName(),
              "Left top dead spot (deg)");

    // The plot is square, marked, and every figure lies beside it, never over it; the force
    // plot's graph, with its axis titles, is away.
    QWidget* window = engine.PanelWindow(zan.setup.mainPanel);
    std::vector<QWidget*> readouts;
    for (int control = MAIN_POLAR_RIGHT_PEAK; control <= MAIN_POLAR_GRAPH; ++control) {
        QWidget* widget = engine.ControlWidget(zan.setup.mainPanel, control);
        if (widget == nullptr || !widget->objectName().startsWith("MAIN_POLAR_") ||
            control == MAIN_POLAR_GRAPH)
            continue;
        readouts.push_back(widget);
        if (QLabel* caption = CaptionOf(widget)) readouts.push_back(caption);
    }
    EXPECT_EQ(readouts.size(), 2u * 19u);
    ExpectPolarLayout(*plot, *window, readouts);
    EXPECT_FALSE(engine.ControlWidget(zan.setup.mainPanel, MAIN_GRAPH)->isVisible());
    if (const char* shot = std::getenv("ZAN_POLAR_SCREENSHOT")) {
        // The panel as a maximized window on a common screen shows it.
        window->resize(1600, 900);
        Ride(1);
        window->grab().save(QString::fromLocal8Bit(shot));
    }

    // Back to the force curves, the figures go with the circle and the titles come back.
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, 0);
    Ride(3);
    EXPECT_FALSE(engine.ControlWidget(zan.setup.mainPanel, MAIN_POLAR_RIGHT_PEAK)->isVisible());
    EXPECT_FALSE(engine.ControlWidget(zan.setup.mainPanel, MAIN_POLAR_GRAPH)->isVisible());
    EXPECT_TRUE(engine.ControlWidget(zan.setup.mainPanel, MAIN_GRAPH)->isVisible());
    EXPECT_EQ(VisibleTraces().size(), 2);
    QCustomPlot* graph = engine.GraphPlot(zan.setup.mainPanel, MAIN_GRAPH);
    EXPECT_EQ(graph->xAxis->label(), "2 Turns");
    EXPECT_EQ(graph->yAxis->label(), "N");
    EXPECT_TRUE(graph->xAxis->visible());
}

TEST_F(LiveDisplayTest, CalibrationWithAMassEndsOnOldAndNewValuesSideBySide) {
    zan.setup.accessCode = 6868;
    const double weight = 30.0 * 9.80665;
    // Frames of a standing crank until the step under way has its own.
    const auto standUntilGathered = [this](double right, double left) {
        const CalibrationStep step = zan.app.calibration.step;
        for (int frame = 0; frame < 1000 && zan.app.calibration.step == step; ++frame) {
            Stand(engine, right, left);
            ReadZAN(EngineStation());
        }
    };
    AnswerPopups({Yes});
    CALM(zan.setup.mainPanel, MAIN_CALIBRATE_MASS, EVENT_COMMIT, nullptr, 0, 0);
    standUntilGathered(0.0, 0.0);
    AnswerPopups({Mass});
    QApplication::processEvents();
    standUntilGathered(weight, 0.0);
    AnswerPopups({Yes, Yes});
    QApplication::processEvents();
    standUntilGathered(0.0, 0.0);
    AnswerPopups({Mass});
    QApplication::processEvents();
    standUntilGathered(0.0, weight);
    QString lastPage;
    AnswerPopups({[&lastPage](QWidget* popup) {
        lastPage = static_cast<QMessageBox*>(popup)->text();
        if (const char* shot = std::getenv("ZAN_CALIBRATION_SCREENSHOT"))
            popup->grab().save(QString::fromLocal8Bit(shot));
        static_cast<QMessageBox*>(popup)->button(QMessageBox::No)->click();
    }});
    QApplication::processEvents();
    EXPECT_TRUE(lastPage.contains("Right pedal: offset 1000.0 -> 1000.0 counts; gain 0.50000 -> "
                                  "0.55"))
        << lastPage.toStdString();
    EXPECT_TRUE(lastPage.contains("Left pedal: offset 1000.0 -> 1000.0 counts"));
    // Dropped: the setup keeps its values.
    EXPECT_EQ(zan.setup.setup.rightForceGain, 0.5f);
    EXPECT_EQ(zan.setup.setup.leftForceGain, 0.5f);
    EXPECT_EQ(zan.app.calibration.step, CalibrationStep::Idle);
}

TEST_F(LiveDisplayTest, TimePlotDrawsPowerHeartRateAndCadenceHistories) {
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_HR, 1);
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_CADENCE, 1);
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, 2);
    Ride(12);
    const QList<QCPGraph*> traces = VisibleTraces();
    ASSERT_EQ(traces.size(), 3);
    EXPECT_EQ(traces[0]->data()->size(), zan.measure.historyIndex);
    EXPECT_EQ(traces[1]->pen().color(), QColor(255, 128, 0));
    EXPECT_EQ(traces[2]->pen().color(), QColor(0, 255, 255));
    // One history point per window, two revolutions: 4/3 s at 90 rpm, on an axis of minutes.
    EXPECT_NEAR(traces[0]->data()->at(4)->key - traces[0]->data()->at(3)->key, 2.0 / 90.0, 0.001);
}

TEST_F(LiveDisplayTest, EnterOnTheZeroQuestionChangesNoOffsetWhileThePedalsAreLoaded) {
    Ride(3);
    ASSERT_NE(zan.link.rawRightForce, 1000);
    QTimer::singleShot(0, [] {
        QWidget* popup = QApplication::activeModalWidget();
        ASSERT_NE(popup, nullptr);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(popup, &enter);
    });
    ZERO(zan.setup.mainPanel, 104, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(zan.setup.setup.rightForceOffset, 1000.0f);
    EXPECT_EQ(zan.setup.setup.leftForceOffset, 1000.0f);
    EXPECT_EQ(zan.setup.setup.rightAuxOffset, 1000.0f);
}
