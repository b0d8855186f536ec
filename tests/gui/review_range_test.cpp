// The review window's range and report on the offscreen platform: a stretch of a recorded ride
// chosen by keys and by a drag with Shift, its pedal figures beside the cursor's row's, and the
// report written from the window.
#include "app/callbacks.h"
#include "review/review_window.h"
#include "review/ride_figures.h"
#include "station/replay.h"
#include "tests/support/session_rows.h"
#include "tests/support/station_fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QThread>

#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace {
void Key(QWidget* widget, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

QString Read(const QWidget& window, const char* name) {
    const QLabel* label = window.findChild<QLabel*>(name);
    return label != nullptr ? label->text() : QString("no %1").arg(name);
}

// A mouse event at an instant of the power plot, with the button and keys given.
void Mouse(QCustomPlot* plot, QEvent::Type type, double seconds, Qt::MouseButtons buttons,
           Qt::KeyboardModifiers keys) {
    QCPAxisRect* power = plot->axisRect(0);
    const QPointF at(power->axis(QCPAxis::atBottom)->coordToPixel(seconds),
                     power->rect().center().y());
    QMouseEvent event(type, at, plot->mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, keys);
    QCoreApplication::sendEvent(plot, &event);
}

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A minute of the emulated crank (the left pedal weaker) recorded by the station, its raw stream
// beside the session file. This program's callback table only records the timers' ticks: the
// station's own timers run here, at their intervals.
class ReviewRangeTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        WriteFile("zan_01.set", MatchingSetupFile());
        WriteFile("zan_com.set", "5\n0\n1\n1\n");
        EmulatedCrankSettings settings;
        settings.leftPeak = 220.0;
        PlayEmulatedCrank(engine, "COM5", settings);
        std::filesystem::create_directory(folder / "ride");
        engine.dirAnswers.push_back((folder / "ride").string());
        ASSERT_EQ(Start(), 0);
        engine.timersRunning = false;
        for (int tick = 1; tick <= 3300; ++tick) {
            if (tick == 201) SESSION(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
            engine.RunUntil(tick * 0.020);
            TIMER(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
            if (tick % 25 == 0) DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
        }
        stream = StreamBeside(zan.record.sessionPath);
        SESSION(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
    }
    std::string stream;
};

// The report written from the window, waited for: the reason it was refused, empty once written.
std::string WriteReport(ReviewWindow& window, const std::string& second,
                        const std::filesystem::path& pdf, bool chosen) {
    bool done = false;
    std::string failure = "not done";
    window.Range()->WriteReport(second, pdf.string(), chosen,
                                [&done, &failure](const std::string& reason) {
                                    failure = reason;
                                    done = true;
                                });
    QElapsedTimer waited;
    waited.start();
    while (!done && waited.elapsed() < 120000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return failure;
}
} // namespace

TEST_F(ReviewRangeTest, ItsRangeByKeysOrShiftDragShowsItsPedalFiguresBesideTheCursorsRow) {
    std::string error;
    const std::unique_ptr<ReviewWindow> window(ReviewWindow::Open(stream, error, ReadRideOrStream));
    ASSERT_NE(window, nullptr) << error;
    window->resize(1400, 900);
    QApplication::processEvents();
    window->Plot()->replot();
    const ReviewRide& ride = window->Ride();
    ASSERT_GE(ride.seconds.size(), 59u);
    ASSERT_EQ(ride.pedalling.size(), ride.seconds.size());

    // The cursor's row: its own phases, as the session's row had them.
    window->SetCursorSeconds(20.0);
    const ReviewPedalling& row = ride.pedalling[RowAt(ride, 20.0)];
    EXPECT_EQ(Read(*window, "cursorLeftPeakPowerPhase"),
              QString("%1 - %2 deg")
                  .arg(std::lround(row.leftPhase.peakStart) % 360)
                  .arg(std::lround(row.leftPhase.peakEnd) % 360));
    EXPECT_EQ(Read(*window, "cursorRightTorqueEffectiveness"),
              QString("%1 %").arg(row.rightTorqueEffectiveness, 0, 'f', 1));
    EXPECT_EQ(Read(*window, "rangeLeftBalance"), "--") << "no range yet";

    // [ at 10 s and ] at 30 s: the range's rows and figures.
    window->SetCursorSeconds(10.0);
    Key(window.get(), Qt::Key_BracketLeft);
    window->SetCursorSeconds(30.0);
    Key(window.get(), Qt::Key_BracketRight);
    ASSERT_TRUE(window->Range()->HasRange());
    EXPECT_EQ(window->Range()->RangeStart(), 10.0);
    EXPECT_EQ(window->Range()->RangeEnd(), 30.0);
    const RangeFigures figures = FiguresBetween(ride, 10.0, 30.0);
    EXPECT_EQ(figures.rows, 21u);
    EXPECT_EQ(Read(*window, "rangeTime"), "Range: 0:00:10 to 0:00:30, 21 rows");
    EXPECT_EQ(Read(*window, "rangeLeftBalance"),
              QString("%1 %").arg(figures.leftBalance, 0, 'f', 1));
    EXPECT_NEAR(figures.leftBalance, 100.0 * 220.0 / 520.0, 3.0);
    EXPECT_EQ(Read(*window, "rangeRightPowerPhase"),
              QString("%1 - %2 deg")
                  .arg(std::lround(figures.right.phase.start) % 360)
                  .arg(std::lround(figures.right.phase.end) % 360));
    // Escape lets the range go.
    Key(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->Range()->HasRange());
    EXPECT_EQ(Read(*window, "rangeLeftBalance"), "--");

    // A drag with Shift from 20 s to 28 s (in the view zoomed about 30 s) chooses the range and
    // leaves the view where it was; a drag without it still moves the view.
    QCustomPlot* plot = window->Plot();
    window->ZoomBy(0.5, 30.0);
    const double zoomedStart = window->ViewStart();
    ASSERT_LT(zoomedStart, 20.0);
    ASSERT_GT(window->ViewEnd(), 28.0);
    Mouse(plot, QEvent::MouseButtonPress, 20.0, Qt::LeftButton, Qt::ShiftModifier);
    Mouse(plot, QEvent::MouseMove, 24.0, Qt::LeftButton, Qt::ShiftModifier);
    Mouse(plot, QEvent::MouseMove, 28.0, Qt::LeftButton, Qt::ShiftModifier);
    Mouse(plot, QEvent::MouseButtonRelease, 28.0, Qt::NoButton, Qt::ShiftModifier);
    ASSERT_TRUE(window->Range()->HasRange());
    EXPECT_NEAR(window->Range()->RangeStart(), 20.0, 0.5);
    EXPECT_NEAR(window->Range()->RangeEnd(), 28.0, 0.5);
    EXPECT_EQ(window->ViewStart(), zoomedStart);
    Mouse(plot, QEvent::MouseButtonPress, 28.0, Qt::LeftButton, Qt::NoModifier);
    Mouse(plot, QEvent::MouseMove, 20.0, Qt::LeftButton, Qt::NoModifier);
    Mouse(plot, QEvent::MouseButtonRelease, 20.0, Qt::NoButton, Qt::NoModifier);
    EXPECT_GT(window->ViewStart(), zoomedStart);
    EXPECT_NEAR(window->Range()->RangeEnd(), 28.0, 0.5) << "a plain drag keeps the range";
}

// The window's report: this ride alone, or beside another read on a thread; never over a file
// that is there unless the rider chose a PDF in the save dialog, and never over anything else.
TEST_F(ReviewRangeTest, TheWindowsReportReplacesOnlyAChosenPdf) {
    std::string error;
    const std::unique_ptr<ReviewWindow> window(ReviewWindow::Open(stream, error, ReadRideOrStream));
    ASSERT_NE(window, nullptr) << error;
    const std::filesystem::path pdf = folder / "report.pdf";
    EXPECT_EQ(WriteReport(*window, "", pdf, false), "");
    const std::string alone = Slurp(pdf);
    EXPECT_EQ(alone.substr(0, 5), "%PDF-");
    EXPECT_EQ(WriteReport(*window, stream, pdf, false),
              pdf.string() + " is there already: not written over");
    EXPECT_EQ(Slurp(pdf), alone);
    EXPECT_EQ(WriteReport(*window, stream, pdf, true), "");
    EXPECT_TRUE(Slurp(pdf) != alone) << "the two rides' report replaced the one ride's";
    EXPECT_FALSE(std::filesystem::exists(pdf.string() + ".new"));

    const std::filesystem::path notes = folder / "notes.pdf";
    std::ofstream(notes) << "not a PDF at all";
    EXPECT_EQ(WriteReport(*window, "", notes, true),
              notes.string() + " is no PDF: not written over");
    EXPECT_EQ(Slurp(notes), "not a PDF at all");
    const std::string missing = (folder / "missing.zanraw").string();
    EXPECT_NE(WriteReport(*window, missing, folder / "other.pdf", true).find("missing.zanraw"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder / "other.pdf"));
}
