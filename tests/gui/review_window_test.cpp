// The review window on the offscreen platform: a past session opened, zoomed, panned and read at
// its cursor, by the keys and the mouse a rider uses; a raw stream recorded live opened with its
// force curves and polar view at the cursor.
#include "app/callbacks.h"
#include "review/review_window.h"
#include "station/replay.h"
#include "tests/gui/polar_peak.h"
#include "tests/support/emulated_crank.h"
#include "tests/support/session_rows.h"
#include "tests/support/station_fixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QThread>

#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

namespace {
// Twenty minutes: power swinging about 230 W with two hard minutes, the heart following, and the
// link lost for 20 s at minute 11.
std::vector<RideSecond> VariedRide() {
    std::vector<RideSecond> ride;
    for (int t = 1; t <= 1200; ++t) {
        if (t > 660 && t <= 680) {
            ride.push_back(RideSecond{0.0, 0.0, 0.0, 0.0, 0.0});
            continue;
        }
        const double hard = t > 300 && t <= 420 ? 150.0 : 0.0;
        const double power = 230.0 + 50.0 * std::sin(t / 60.0) + hard;
        ride.push_back(RideSecond{std::round(118.0 + 40.0 * t / 1200.0 + hard / 10.0),
                                  std::round(86.0 + 6.0 * std::sin(t / 45.0)),
                                  std::round(10.0 * (29.0 + power / 40.0)) / 10.0,
                                  std::round(power * 0.48), std::round(power * 0.52)});
    }
    return ride;
}

void Key(QWidget* widget, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

QString Read(const ReviewWindow& window, const char* name) {
    const QLabel* label = window.findChild<QLabel*>(name);
    return label != nullptr ? label->text() : QString("no %1").arg(name);
}

class ReviewWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 (std::string("zan_review_window_") +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        path = WriteSessionFile(folder.string(), VariedRide());
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::filesystem::path folder;
    std::string path;
};
} // namespace

TEST_F(ReviewWindowTest, ASessionOpensZoomsAndItsCursorReadsEveryValueAtItsInstant) {
    std::string error;
    ReviewWindow* window = ReviewWindow::Open(path, error);
    ASSERT_NE(window, nullptr) << error;
    const std::unique_ptr<ReviewWindow> owned(window);
    window->resize(1100, 760);
    QApplication::processEvents();
    EXPECT_EQ(window->windowTitle(), "Ride review - S_071226_10-00.csv");

    // Six lines over the whole ride: power total, left, right; cadence, heart rate; speed.
    QCustomPlot* plot = window->Plot();
    ASSERT_EQ(plot->graphCount(), 6);
    for (int i = 0; i < plot->graphCount(); ++i) EXPECT_EQ(plot->graph(i)->data()->size(), 1200);
    // The right pedal is blue and the left red, as on the live panel.
    for (const auto& [line, right] : {std::pair{1, false}, std::pair{2, true}}) {
        const QColor colour = plot->graph(line)->pen().color();
        EXPECT_EQ(plot->graph(line)->name(), right ? "Right power" : "Left power");
        EXPECT_EQ(colour.blue() > colour.red(), right) << plot->graph(line)->name().toStdString();
    }
    EXPECT_EQ(window->ViewStart(), 0.0);
    EXPECT_EQ(window->ViewEnd(), 1201.0);

    EXPECT_EQ(Read(*window, "summaryDuration"), "0:20:01");
    double highest = 0.0;
    for (const RideSecond& s : VariedRide())
        highest = std::max(highest, s.powerLeft + s.powerRight);
    EXPECT_EQ(Read(*window, "summaryMaximumPower"), QString("%1 W").arg(highest, 0, 'f', 0));
    EXPECT_EQ(Read(*window, "summaryBalance"), "48.0 % / 52.0 %");
    EXPECT_EQ(Read(*window, "summaryTorqueEffectiveness"), "-- / --");

    // The cursor on minute 6, in the hard interval; + zooms in about it, twice.
    window->SetCursorSeconds(360.0);
    Key(window, Qt::Key_Plus);
    Key(window, Qt::Key_Plus);
    EXPECT_NEAR(window->ViewEnd() - window->ViewStart(), 1201.0 / 4.0, 1e-6);
    EXPECT_LE(window->ViewStart(), 360.0);
    EXPECT_GE(window->ViewEnd(), 360.0);
    // Right moves it a row; its values are that row's.
    Key(window, Qt::Key_Right);
    EXPECT_EQ(window->CursorSeconds(), 361.0);
    const RideSecond second = VariedRide()[360];
    EXPECT_EQ(Read(*window, "cursorTime"), "0:06:01");
    EXPECT_EQ(Read(*window, "cursorPower"),
              QString("%1 W").arg(second.powerLeft + second.powerRight, 0, 'f', 0));
    EXPECT_EQ(Read(*window, "cursorPowerLeft"), QString("%1 W").arg(second.powerLeft, 0, 'f', 0));
    EXPECT_EQ(Read(*window, "cursorHeartRate"), QString("%1 bpm").arg(second.heartRate, 0, 'f', 0));
    EXPECT_EQ(Read(*window, "cursorCadence"), QString("%1 rpm").arg(second.cadence, 0, 'f', 0));
    EXPECT_EQ(Read(*window, "cursorSpeed"), QString("%1 km/h").arg(second.speed, 0, 'f', 1));

    // Page Down moves the view half its width later; the pointer over the plots moves the cursor:
    // into the lost link, where every value is missing.
    const double width = window->ViewEnd() - window->ViewStart();
    const double start = window->ViewStart();
    Key(window, Qt::Key_PageDown);
    EXPECT_NEAR(window->ViewStart(), start + width / 2.0, 1e-6);
    window->PanBy((670.0 - window->ViewStart()) / width - 0.5);
    QCPAxisRect* power = plot->axisRect(0);
    window->PanBy((670.0 - window->ViewStart()) / width - 0.5);
    const QPoint at(static_cast<int>(power->axis(QCPAxis::atBottom)->coordToPixel(670.5)),
                    power->rect().center().y());
    QMouseEvent move(QEvent::MouseMove, at, plot->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(plot, &move);
    EXPECT_NEAR(window->CursorSeconds(), 670.5, 1.0);
    EXPECT_EQ(Read(*window, "cursorPower"), "--");
    EXPECT_EQ(Read(*window, "cursorHeartRate"), "--");

    // A view never leaves the ride, and Home shows all of it again.
    window->PanBy(-10.0);
    EXPECT_EQ(window->ViewStart(), 0.0);
    Key(window, Qt::Key_Home);
    EXPECT_EQ(window->ViewEnd(), 1201.0);

    if (const char* shot = std::getenv("ZAN_REVIEW_SCREENSHOT")) {
        window->SetCursorSeconds(361.0);
        QApplication::processEvents();
        window->grab().save(QString::fromLocal8Bit(shot));
    }
}

// The button's way: the file is read on a thread of its own, the window or the reason comes back
// on the application's thread.
TEST_F(ReviewWindowTest, ARideReadBesideTheEventLoopOpensItsWindowAndNoSessionGivesItsReason) {
    const std::filesystem::path notes = folder / "notes.csv";
    std::ofstream(notes) << "a,b\n";
    std::vector<std::string> reasons;
    ReviewWindow::OpenWhenRead(path,
                               [&reasons](const std::string& why) { reasons.push_back(why); });
    ReviewWindow::OpenWhenRead(notes.string(),
                               [&reasons](const std::string& why) { reasons.push_back(why); });
    const auto opened = [] {
        QList<ReviewWindow*> windows;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* window = dynamic_cast<ReviewWindow*>(widget)) windows << window;
        return windows;
    };
    // Both threads end whatever the machine's pace: the loop turns until both have answered.
    while (opened().isEmpty() || reasons.empty()) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::yieldCurrentThread();
    }
    ASSERT_EQ(opened().size(), 1);
    EXPECT_EQ(opened()[0]->Ride().seconds.size(), 1200u);
    EXPECT_TRUE(opened()[0]->isVisible());
    ASSERT_EQ(reasons.size(), 1u);
    EXPECT_NE(reasons[0].find("notes.csv is not a ZAN session file"), std::string::npos)
        << reasons[0];
    opened()[0]->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(opened().isEmpty()) << "a closed review window goes";
}

namespace {
// The emulator's crank at 90 rpm, 50 frames a second: a revolution is 33.3 frames, a frame 10.8
// degrees of it.
constexpr double turnFrames = 50.0 * 60.0 / 90.0;
constexpr double frameAngle = 360.0 / turnFrames;
const QColor blue(0, 0, 255);
const QColor red(255, 0, 0);

std::set<std::string> FilesIn(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// A minute of the emulated crank recorded by the station on the virtual clock, its raw stream
// beside the session file; the session opens as a rider opens it, the crank streaming for 10 s.
class ReviewStreamTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        WriteFile("zan_01.set", MatchingSetupFile());
        WriteFile("zan_com.set", "5\n0\n1\n1\n");
        PlayEmulatedCrank(engine, "COM5", EmulatedCrankSettings{});
        rides = folder / "ride";
        std::filesystem::create_directory(rides);
        engine.dirAnswers.push_back(rides.string());
        ASSERT_EQ(Start(), 0);
        // This program's callback table only records the timers' ticks: the station's own timers
        // run here, at their intervals.
        engine.timersRunning = false;
        for (int tick = 1; tick <= 3500; ++tick) {
            if (tick == 501) SESSION(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
            engine.RunUntil(tick * 0.020);
            TIMER(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
            if (tick % 25 == 0) DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
        }
        live = zan.record.sessionPath;
        SESSION(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
        stream = live.substr(0, live.size() - 4) + ".zanraw";
    }
    std::filesystem::path rides;
    std::string live;
    std::string stream;
};
} // namespace

TEST_F(ReviewStreamTest, AStreamShowsTheLiveRowsAndAtItsCursorTwoRevolutionsAndThePolarPeaks) {
    const std::set<std::string> before = FilesIn(rides);
    std::string error;
    const std::unique_ptr<ReviewWindow> window(ReviewWindow::Open(stream, error, ReadRideOrStream));
    ASSERT_NE(window, nullptr) << error;
    EXPECT_EQ(FilesIn(rides), before) << "nothing is written beside the stream";
    EXPECT_EQ(&CurrentEngine(), &engine) << "the replay's engine was its thread's alone";

    // The rows the live session wrote, value for value, now with pedalling metrics.
    ReviewRide session;
    ASSERT_TRUE(ReadReviewRide(live, session, error)) << error;
    const ReviewRide& ride = window->Ride();
    EXPECT_EQ(ride.name, std::filesystem::path(stream).filename().string());
    ASSERT_GE(session.seconds.size(), 59u);
    EXPECT_EQ(ride.seconds, session.seconds);
    EXPECT_EQ(ride.powerTotal, session.powerTotal);
    EXPECT_EQ(ride.cadence, session.cadence);
    EXPECT_EQ(ride.speed, session.speed);
    EXPECT_EQ(Read(*window, "summaryMeanPower"),
              QString("%1 W").arg(session.summary.meanPower, 0, 'f', 0));
    EXPECT_TRUE(std::isfinite(ride.summary.rightTorqueEffectiveness));
    EXPECT_NE(Read(*window, "summaryPedalSmoothness"), "-- / --");
    EXPECT_TRUE(ride.note.empty());
    EXPECT_EQ(window->findChild<QLabel*>("streamNote"), nullptr);

    // The force curves at the cursor: two revolutions of frames, mark to mark, the last one
    // ending at the mark within a revolution before it; the right pedal blue, the left red.
    window->SetCursorSeconds(40.0);
    QCustomPlot* forces = window->ForcePlot();
    ASSERT_NE(forces, nullptr);
    const FrameSpan span = TwoTurnsAt(ride, 40.0);
    ASSERT_EQ(forces->graph(0)->data()->size(), static_cast<int>(span.end - span.first));
    EXPECT_NEAR(span.end - span.first, 2.0 * turnFrames, 1.5);
    ASSERT_LT(span.end, ride.frames.size());
    // The link's history before the session comes first, on the same time axis.
    EXPECT_LT(ride.frames.front().seconds, -9.0);
    EXPECT_TRUE(std::is_sorted(
        ride.frames.begin(), ride.frames.end(),
        [](const ReviewFrame& a, const ReviewFrame& b) { return a.seconds < b.seconds; }));
    EXPECT_LE(ride.frames[span.end].seconds, 40.0);
    EXPECT_GT(ride.frames[span.end].seconds, 40.0 - 60.0 / 90.0);
    EXPECT_EQ(forces->graph(0)->data()->at(0)->value, ride.frames[span.first].frame.rightForce);
    EXPECT_EQ(forces->graph(1)->data()->at(0)->value, ride.frames[span.first].frame.leftForce);
    EXPECT_EQ(forces->graph(0)->pen().color(), blue);
    EXPECT_EQ(forces->graph(1)->pen().color(), red);

    // The polar view of the last ten revolutions before the cursor: the emulator's stroke peaks
    // at 90 degrees from each pedal's own top.
    QCustomPlot* polar = window->PolarPlot();
    ASSERT_NE(polar, nullptr);
    for (const QColor& pedal : {blue, red}) {
        EXPECT_NEAR(PolarPeakAngle(*polar, pedal), 90.0, polarPointDegrees);
        const std::vector<double> dots = PolarDotAngles(*polar, pedal);
        ASSERT_EQ(dots.size(), 1u);
        EXPECT_NEAR(dots[0], 90.0, 2.0);
    }
    const QLabel* rightPeak = window->findChild<QLabel*>("polarRightPeak");
    ASSERT_NE(rightPeak, nullptr);
    EXPECT_EQ(rightPeak->accessibleName(), "Right peak angle (deg)");
    EXPECT_NEAR(rightPeak->text().toDouble(), 90.0, 2.0);
    EXPECT_NEAR(Read(*window, "polarLeftPeak").toDouble(), 90.0, 2.0);
    EXPECT_EQ(window->findChild<QLabel*>("polarLeftDeadSpot")->accessibleName(),
              "Left top dead spot (deg)");
    EXPECT_NEAR(Read(*window, "polarRightBottom").toDouble(), 180.0, 45.0);
    EXPECT_TRUE(
        QRegularExpression("^\\d+ - \\d+$").match(Read(*window, "polarLeftPhase")).hasMatch());
    EXPECT_GT(Read(*window, "polarLeftShape").toDouble(), 30.0);
    // Square, marked, and its figures beside it, never over it.
    window->show();
    QApplication::processEvents();
    std::vector<QWidget*> figures;
    // Each figure and its caption.
    for (QLabel* label : window->findChildren<QLabel*>())
        if (label->objectName().startsWith("polar") ||
            (label->buddy() != nullptr && label->buddy()->objectName().startsWith("polar")))
            figures.push_back(label);
    EXPECT_EQ(figures.size(), 2u * 18u);
    ExpectPolarLayout(*polar, *window, figures);

    if (const char* shot = std::getenv("ZAN_REVIEW_STREAM_SCREENSHOT")) {
        window->resize(1400, 820);
        QApplication::processEvents();
        window->SetCursorSeconds(40.0);
        QApplication::processEvents();
        window->grab().save(QString::fromLocal8Bit(shot));
    }
}

TEST_F(ReviewStreamTest, ACutStreamIsShownToItsLastWholeBlockWithItsNoteAndJunkIsRefused) {
    const std::filesystem::path cut = rides / "cut.zanraw";
    // The end block and the last bytes of the block before it lost, as a kill mid-write leaves.
    std::filesystem::copy_file(stream, cut);
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) - 10);
    std::ofstream(rides / "junk.zanraw") << "no stream here";

    std::string error;
    const std::unique_ptr<ReviewWindow> window(
        ReviewWindow::Open(cut.string(), error, ReadRideOrStream));
    ASSERT_NE(window, nullptr) << error;
    EXPECT_GE(window->Ride().seconds.size(), 59u);
    EXPECT_NE(Read(*window, "streamNote").indexOf("read to its last whole block"), -1)
        << Read(*window, "streamNote").toStdString();

    EXPECT_EQ(ReviewWindow::Open((rides / "junk.zanraw").string(), error, ReadRideOrStream),
              nullptr);
    EXPECT_NE(error.find("junk.zanraw\" is no raw stream of the station"), std::string::npos)
        << error;
    // A folder under a stream's name is refused as junk is (its reading threw out of the window).
    std::filesystem::create_directory(rides / "folder.zanraw");
    EXPECT_EQ(ReviewWindow::Open((rides / "folder.zanraw").string(), error, ReadRideOrStream),
              nullptr);
    EXPECT_NE(error.find("folder.zanraw\" is a folder, not a raw stream"), std::string::npos)
        << error;
}
