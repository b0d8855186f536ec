// A recorded ride played in the station's window, as zan_pc --replay FILE --speed N plays it: the
// real panel on the Qt engine, the stream recorded first by a station on the emulated crank.
#include "app/callbacks.h"
#include "app/startup.h"
#include "app/window_replay.h"
#include "export/raw_stream_reader.h"
#include "record/session_columns.h"
#include "tests/gui/qt_fixture.h"
#include "tests/support/session_rows.h"
#include "tests/support/station_fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {
// The GUI tests' callbacks only record their calls: the timers' ticks go on to the station's own
// (a tick may record others inside it, so the call is taken out first).
void RunStationTimers(const RecordedCall& recorded) {
    const RecordedCall call = recorded;
    ClearRecordedCalls();
    if (call.name == "TIMER") TIMER(call.panel, call.control, call.event, nullptr, 0, 0);
    if (call.name == "DISPLAY") DISPLAY(call.panel, call.control, call.event, nullptr, 0, 0);
}

// What the panel showed while the ride played, and after.
struct Watched {
    bool titleSaysReplay = false;
    bool lampLit = false;
    double power = 0.0; // the highest shown while the lamp was lit
    double cadence = 0.0;
    double heartRate = 0.0;
    int curvePoints = 0;
    int timePoints = 0;
    std::vector<std::string> popups; // "title: text" of each, closed as it came
    bool ended = false;
    bool lampOffAtEnd = false;
    double powerAtEnd = -1.0;
    double cadenceAtEnd = -1.0;
    // The replay's place on the panel, each text as it changed; the notice and the title at its
    // end.
    std::vector<std::string> positions;
    std::string noticeAtEnd;
    bool noticeShownAtEnd = false;
    std::string titleAtEnd;
    std::string messagesAtEnd;
};

std::string LabelText(const QtEngine& engine, int panel, int control) {
    const auto* label = qobject_cast<QLabel*>(engine.ControlWidget(panel, control));
    return label != nullptr && !label->isHidden() ? label->text().toStdString() : "";
}

double Shown(int panel, int control) {
    double value = 0.0;
    GetCtrlVal(panel, control, &value);
    return value;
}

// The lowest or highest value of a cell over the rows after the first five seconds (the
// handshake's and the first windows').
double CellRange(const SessionRows& session, std::size_t cell, bool highest) {
    double found = highest ? 0.0 : 1e9;
    for (std::size_t row = 5; row < session.rows.size(); ++row) {
        const double value = std::stod(session.rows[row][cell]);
        found = highest ? std::max(found, value) : std::min(found, value);
    }
    return found;
}
} // namespace

class WindowReplayTest : public StationTest {
  protected:
    void TearDown() override {
        afterCall = nullptr;
        StationTest::TearDown();
    }
};

// Twenty times the recorded pace: the forty seconds play in two, a display tick every half
// second of them.
TEST_F(WindowReplayTest, TheWindowShowsTheRecordedRideRefusesCrankCommandsAndEndsWithoutADialog) {
    afterCall = RunStationTimers;
    EmulatedCrankSettings settings;
    settings.leftPeak = 200.0;
    settings.heartRate = 135.0;
    // Opened 4 s into the crank's stream: the link's history plays first, counted down to the
    // session, and the ride's length is the session's 40 s, not the stream's 44.
    const std::string live = RecordEmulatedSession(settings, 40.0, 4.0);
    const SessionRows rows = ReadSessionRows(live);
    ASSERT_GE(rows.rows.size(), 39u);
    RawStream stream;
    std::string error;
    ASSERT_TRUE(ReadRawStream(StreamBeside(live), stream, error)) << error;

    QtEngine window;
    UseEngine(&window);
    const auto replaying = std::make_unique<Station>();
    UseStation(*replaying);
    WindowReplay replay(stream);
    PlayStreamInWindow(*replaying, replay, StreamBeside(live), 20.0);
    ASSERT_EQ(StartStation(*replaying, nullptr, ""), 0);
    const int panel = replaying->setup.mainPanel;
    // The polar view's box shows the revolutions it averages from the start.
    EXPECT_EQ(Shown(panel, MAIN_POLAR_TURNS), polarDefaultTurns);

    Watched seen;
    bool refusalAsked = false;
    QElapsedTimer waited;
    waited.start();
    // Each popup is noted and closed as it comes up, from inside its own loop.
    const auto closePopup = [&seen] {
        QWidget* popup = QApplication::activeModalWidget();
        if (popup == nullptr) return false;
        const auto* box = qobject_cast<QMessageBox*>(popup);
        seen.popups.push_back(popup->windowTitle().toStdString() + ": " +
                              (box != nullptr ? box->text().toStdString() : ""));
        popup->close();
        return true;
    };
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (closePopup()) return;
        char title[512] = "";
        window.GetPanelAttributeText(panel, ATTR_TITLE, title, sizeof title);
        seen.titleSaysReplay = seen.titleSaysReplay || std::string(title).rfind("REPLAY ", 0) == 0;
        const bool lamp = Shown(panel, MAIN_LINK_LED) != 0.0;
        if (lamp) {
            seen.lampLit = true;
            seen.power = std::max(seen.power, Shown(panel, MAIN_POWER_TOTAL));
            seen.cadence = std::max(seen.cadence, Shown(panel, MAIN_CADENCE));
            seen.heartRate = std::max(seen.heartRate, Shown(panel, MAIN_HEART_RATE));
        }
        const QList<QCPGraph*> traces = Traces(window.GraphPlot(panel, MAIN_GRAPH));
        if (Shown(panel, MAIN_PLOT_MODE) == 0.0 && traces.size() == 2) {
            seen.curvePoints = traces[0]->data()->size();
            // The force curves are drawn: the time plot next, and a command to the crank.
            SetCtrlVal(panel, MAIN_PLOT_MODE, 2);
        } else if (Shown(panel, MAIN_PLOT_MODE) == 2.0 && !traces.isEmpty()) {
            seen.timePoints = std::max(seen.timePoints, traces[0]->data()->size());
        }
        if (seen.curvePoints > 0 && !refusalAsked) {
            refusalAsked = true;
            QTimer::singleShot(0, [&closePopup] { closePopup(); });
            ONLINE(panel, 0, EVENT_COMMIT, nullptr, 0, 0);
        }
        const QString messages =
            qobject_cast<QPlainTextEdit*>(window.ControlWidget(panel, MAIN_MESSAGES))
                ->toPlainText();
        const std::string position = LabelText(window, panel, MAIN_REPLAY_POSITION);
        if (!position.empty() && (seen.positions.empty() || seen.positions.back() != position))
            seen.positions.push_back(position);
        seen.ended = messages.contains("ended");
        seen.lampOffAtEnd = seen.ended && !lamp;
        if (seen.lampOffAtEnd) {
            seen.powerAtEnd = Shown(panel, MAIN_POWER_TOTAL);
            seen.cadenceAtEnd = Shown(panel, MAIN_CADENCE);
            seen.noticeAtEnd = LabelText(window, panel, MAIN_START_NOTICE);
            seen.noticeShownAtEnd = !window.ControlWidget(panel, MAIN_START_NOTICE)->isHidden();
            seen.titleAtEnd = title;
            seen.messagesAtEnd = messages.toStdString();
        }
        if (seen.lampOffAtEnd || waited.elapsed() > 60000) QuitUserInterface(0);
    });
    watch.start(50);
    RunUserInterface();

    EXPECT_TRUE(seen.titleSaysReplay);
    EXPECT_TRUE(seen.lampLit);
    // The read-outs show the ride's figures: the shown power lies among the rows' (the right
    // offset moved half-way), the cadence and heart rate are the rows'.
    EXPECT_GT(seen.power, 0.99 * CellRange(rows, SessionCell::PowerTotal, false));
    EXPECT_LT(seen.power, 1.01 * CellRange(rows, SessionCell::PowerTotal, true));
    EXPECT_NEAR(seen.cadence, CellRange(rows, SessionCell::Cadence, true), 1.0);
    EXPECT_EQ(seen.heartRate, 135.0);
    // Two revolutions at 90 rpm are 66 or 67 frames; the time plot has a point each window.
    EXPECT_NEAR(seen.curvePoints, 67, 1);
    EXPECT_GT(seen.timePoints, 5);
    // The one popup is the refused command's; the ride's end brings none: the lamp goes out and
    // the read-outs fall to 0, as for a crank that fell silent.
    EXPECT_EQ(seen.popups, std::vector<std::string>{"Replay: Replay: commands to the crank are not "
                                                    "sent; the ride plays as recorded."});
    EXPECT_TRUE(seen.lampOffAtEnd);
    EXPECT_EQ(seen.powerAtEnd, 0.0);
    EXPECT_EQ(seen.cadenceAtEnd, 0.0);
    // The panel shows where the ride stands, a second at a time, and how long it is; its end
    // says the replay ended, where a live station waits for the crank.
    const std::string length = " / 0:40";
    ASSERT_GE(seen.positions.size(), 4u);
    // The first text seen may come a poll, a second of the ride, after the first shown.
    EXPECT_EQ(seen.positions.front().rfind("Replay -0:0", 0), 0u) << seen.positions.front();
    for (std::size_t i = 0; i + 1 < seen.positions.size(); ++i) {
        EXPECT_EQ(seen.positions[i].rfind("Replay ", 0), 0u) << seen.positions[i];
        EXPECT_NE(seen.positions[i].find(length), std::string::npos) << seen.positions[i];
    }
    EXPECT_EQ(seen.positions.back(), "Replay ended 0:40" + length);
    EXPECT_NE(seen.messagesAtEnd.find("ended: the ride's 0:40 are played."), std::string::npos)
        << seen.messagesAtEnd;
    EXPECT_TRUE(seen.noticeShownAtEnd);
    EXPECT_EQ(seen.noticeAtEnd, "Replay ended");
    EXPECT_EQ(seen.titleAtEnd.rfind("REPLAY ENDED ", 0), 0u) << seen.titleAtEnd;
    UseStation(zan);
}
