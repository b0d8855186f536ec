#include "review/review_window.h"

#include "platform/numbers.h"
#include "platform/qt/polar_view.h"
#include "setup/catalogue.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QThread>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

namespace {
struct Series {
    const std::vector<double> ReviewRide::*values;
    const char* name;
    QColor colour;
    int rect; // 0 power, 1 cadence and heart rate, 2 speed
};

const Series series[] = {
    {&ReviewRide::powerTotal, "Power", QColor(30, 30, 30), 0},
    // The right pedal in blue and the left in red, as on the live panel.
    {&ReviewRide::powerLeft, "Left power", QColor(210, 40, 40), 0},
    {&ReviewRide::powerRight, "Right power", QColor(40, 90, 220), 0},
    {&ReviewRide::cadence, "Cadence", QColor(20, 150, 60), 1},
    {&ReviewRide::heartRate, "Heart rate", QColor(190, 40, 170), 1},
    {&ReviewRide::speed, "Speed", QColor(230, 120, 0), 2},
};
const char* const rectTitles[] = {"Power (W)", "Cadence (rpm), heart rate (bpm)", "Speed (km/h)"};

// The cursor's read-outs, in the order of the window: the time, then one a series.
struct Readout {
    const char* objectName;
    const char* caption;
    int decimals;
    const char* unit;
};
const Readout readoutList[] = {
    {"cursorTime", "Time", 0, ""},          {"cursorPower", "Power", 0, "W"},
    {"cursorPowerLeft", "Left", 0, "W"},    {"cursorPowerRight", "Right", 0, "W"},
    {"cursorCadence", "Cadence", 0, "rpm"}, {"cursorHeartRate", "Heart rate", 0, "bpm"},
    {"cursorSpeed", "Speed", 1, "km/h"},
};

QLabel* AddFigure(QGridLayout* grid, int row, int column, const char* objectName,
                  const QString& caption, const QString& value) {
    auto* captionLabel = new QLabel(caption + ":");
    auto* valueLabel = new QLabel(value);
    valueLabel->setObjectName(objectName);
    valueLabel->setAccessibleName(caption);
    valueLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = valueLabel->font();
    bold.setBold(true);
    valueLabel->setFont(bold);
    captionLabel->setBuddy(valueLabel);
    grid->addWidget(captionLabel, row, column * 2);
    grid->addWidget(valueLabel, row, column * 2 + 1);
    return valueLabel;
}

QString Figure(double value, int decimals, const char* unit) {
    return QString::fromStdString(ValueText(value, decimals, unit));
}

// The live panel's force curves and polar view: the right pedal blue, the left red, the circle
// of no force grey.
const QColor rightPedal(0, 0, 255);
const QColor leftPedal(255, 0, 0);
const QColor noForce(192, 192, 192);

// The polar figures beside the view, right then left, under the live panel's own names; a
// phase reads "start - end" as the live panel has it.
struct PolarReadout {
    const char* objectName;
    int control;
    float PedalPolar::*figure; // nullptr for a phase
    float PowerPhase::*start;
    float PowerPhase::*end;
    bool left;
};
const PolarReadout polarReadoutList[] = {
    {"polarRightPeak", MAIN_POLAR_RIGHT_PEAK, &PedalPolar::peakAngle, nullptr, nullptr, false},
    {"polarLeftPeak", MAIN_POLAR_LEFT_PEAK, &PedalPolar::peakAngle, nullptr, nullptr, true},
    {"polarRightDeadSpot", MAIN_POLAR_RIGHT_DEAD, &PedalPolar::topDeadSpotAngle, nullptr, nullptr,
     false},
    {"polarLeftDeadSpot", MAIN_POLAR_LEFT_DEAD, &PedalPolar::topDeadSpotAngle, nullptr, nullptr,
     true},
    {"polarRightDepth", MAIN_POLAR_RIGHT_DEPTH, &PedalPolar::topDeadSpotDepth, nullptr, nullptr,
     false},
    {"polarLeftDepth", MAIN_POLAR_LEFT_DEPTH, &PedalPolar::topDeadSpotDepth, nullptr, nullptr,
     true},
    {"polarRightBottom", MAIN_POLAR_RIGHT_BOTTOM, &PedalPolar::bottomDeadSpotAngle, nullptr,
     nullptr, false},
    {"polarLeftBottom", MAIN_POLAR_LEFT_BOTTOM, &PedalPolar::bottomDeadSpotAngle, nullptr, nullptr,
     true},
    {"polarRightBottomDepth", MAIN_POLAR_RIGHT_BOTTOM_DEPTH, &PedalPolar::bottomDeadSpotDepth,
     nullptr, nullptr, false},
    {"polarLeftBottomDepth", MAIN_POLAR_LEFT_BOTTOM_DEPTH, &PedalPolar::bottomDeadSpotDepth,
     nullptr, nullptr, true},
    {"polarRightNegative", MAIN_POLAR_RIGHT_NEGATIVE, &PedalPolar::negativeShare, nullptr, nullptr,
     false},
    {"polarLeftNegative", MAIN_POLAR_LEFT_NEGATIVE, &PedalPolar::negativeShare, nullptr, nullptr,
     true},
    {"polarRightPhase", MAIN_POLAR_RIGHT_PHASE, nullptr, &PowerPhase::start, &PowerPhase::end,
     false},
    {"polarLeftPhase", MAIN_POLAR_LEFT_PHASE, nullptr, &PowerPhase::start, &PowerPhase::end, true},
    {"polarRightPeakPhase", MAIN_POLAR_RIGHT_PEAK_PHASE, nullptr, &PowerPhase::peakStart,
     &PowerPhase::peakEnd, false},
    {"polarLeftPeakPhase", MAIN_POLAR_LEFT_PEAK_PHASE, nullptr, &PowerPhase::peakStart,
     &PowerPhase::peakEnd, true},
    {"polarRightShape", MAIN_POLAR_RIGHT_SHAPE, &PedalPolar::shapeScore, nullptr, nullptr, false},
    {"polarLeftShape", MAIN_POLAR_LEFT_SHAPE, &PedalPolar::shapeScore, nullptr, nullptr, true},
};

QString PolarFigureText(const PolarReadout& readout, const PedalPolar& pedal) {
    if (readout.figure != nullptr) {
        const float value = pedal.*readout.figure;
        return std::isfinite(value) ? QString::number(value, 'f', 1) : QStringLiteral("--");
    }
    char text[32];
    AngleSpanText(pedal.phase.*readout.start, pedal.phase.*readout.end, text, sizeof text);
    return QString::fromLatin1(text);
}

// A small plot beside the ride's, titled, with nothing to drag or zoom.
QCustomPlot* SidePlot(QWidget* parent, const char* objectName, const char* title) {
    auto* side = new QCustomPlot(parent);
    side->setObjectName(objectName);
    side->setAccessibleName(title);
    side->setFocusPolicy(Qt::NoFocus);
    side->setMinimumSize(280, 220);
    side->plotLayout()->insertRow(0);
    side->plotLayout()->addElement(0, 0, new QCPTextElement(side, title, parent->font()));
    return side;
}

QString PerSide(double left, double right) {
    return QString::fromStdString(ValueText(left, 1, "%")) + " / " +
           QString::fromStdString(ValueText(right, 1, "%"));
}
} // namespace

ReviewWindow::ReviewWindow(ReviewRide reviewed, QWidget* parent)
    : QWidget(parent), ride(std::move(reviewed)) {
    setWindowTitle(QString::fromStdString("Ride review - " + ride.name));
    setFocusPolicy(Qt::StrongFocus);
    resize(1100, 760);
    rideEnd =
        std::max({ride.summary.seconds, ride.seconds.empty() ? 0.0 : ride.seconds.back(), 1.0});
    shortestView = std::min(shortestView, rideEnd);

    plot = new QCustomPlot(this);
    plot->setAccessibleName("Ride plots");
    plot->setFocusPolicy(Qt::NoFocus);
    plot->setMouseTracking(true);
    plot->plotLayout()->clear();
    plot->setAutoAddPlottableToLegend(false);
    auto* margins = new QCPMarginGroup(plot);
    QSharedPointer<QCPAxisTickerTime> timeTicks(new QCPAxisTickerTime);
    timeTicks->setTimeFormat("%h:%m:%s");
    for (int r = 0; r < 3; ++r) {
        auto* rect = new QCPAxisRect(plot);
        plot->plotLayout()->addElement(r, 0, rect);
        rect->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
        rect->setRangeDrag(Qt::Horizontal);
        rect->setRangeZoom(Qt::Horizontal);
        rect->axis(QCPAxis::atLeft)->setLabel(rectTitles[r]);
        rect->axis(QCPAxis::atBottom)->setTicker(timeTicks);
        auto* legend = new QCPLegend;
        rect->insetLayout()->addElement(legend, Qt::AlignTop | Qt::AlignRight);
        legend->setLayer("legend");
        legend->setFont(font());
        rects.push_back(rect);
    }
    const QVector<double> times(ride.seconds.begin(), ride.seconds.end());
    for (const Series& one : series) {
        QCPAxisRect* rect = rects[static_cast<std::size_t>(one.rect)];
        QCPGraph* graph =
            plot->addGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        const std::vector<double>& values = ride.*one.values;
        // A value the ride lacks is not a number: the line breaks there.
        graph->setData(times, QVector<double>(values.begin(), values.end()), true);
        graph->setName(one.name);
        // One pixel wide: a wider line is stroked as a polygon, which made each redraw of a
        // ten-hour ride forty times slower.
        graph->setPen(QPen(one.colour, 1.0));
        graph->addToLegend(qobject_cast<QCPLegend*>(rect->insetLayout()->elementAt(0)));
    }
    // The cursor has a buffered layer of its own: moving it redraws that layer alone, not the
    // lines of the whole ride.
    plot->addLayer("cursor", plot->layer("main"), QCustomPlot::limAbove);
    cursorLayer = plot->layer("cursor");
    cursorLayer->setMode(QCPLayer::lmBuffered);
    for (QCPAxisRect* rect : rects) {
        bool found = false;
        QCPRange range(0.0, 1.0);
        for (QCPGraph* graph : rect->graphs()) {
            bool has = false;
            const QCPRange values = graph->getValueRange(has);
            if (has)
                range = found ? QCPRange(std::min(range.lower, values.lower),
                                         std::max(range.upper, values.upper))
                              : values;
            found = found || has;
        }
        range.lower = std::min(range.lower, 0.0);
        range.upper = std::max(range.upper * 1.05, range.lower + 1.0);
        rect->axis(QCPAxis::atLeft)->setRange(range);
        auto* line = new QCPItemStraightLine(plot);
        line->setLayer(cursorLayer);
        line->setClipAxisRect(rect);
        line->point1->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        line->point2->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        line->setPen(QPen(QColor(90, 90, 90), 1.0, Qt::DashLine));
        cursorLines.push_back(line);
        // The plots share one time axis: a drag or a zoom of one moves them all, within the ride.
        connect(rect->axis(QCPAxis::atBottom), qOverload<const QCPRange&>(&QCPAxis::rangeChanged),
                this, [this](const QCPRange& range) { SetView(range.lower, range.upper); });
    }
    plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    connect(plot, &QCustomPlot::mouseMove, this, [this](QMouseEvent* event) {
        if (event->buttons() != Qt::NoButton) return;
        for (QCPAxisRect* rect : rects)
            if (rect->rect().contains(event->pos()))
                SetCursorSeconds(rect->axis(QCPAxis::atBottom)->pixelToCoord(event->pos().x()));
    });
    connect(plot, &QCustomPlot::mousePress, this, [this](QMouseEvent* event) {
        for (QCPAxisRect* rect : rects)
            if (rect->rect().contains(event->pos()))
                SetCursorSeconds(rect->axis(QCPAxis::atBottom)->pixelToCoord(event->pos().x()));
    });

    auto* cursorBox = new QGridLayout;
    for (std::size_t i = 0; i < std::size(readoutList); ++i)
        readouts.push_back(AddFigure(cursorBox, 0, static_cast<int>(i), readoutList[i].objectName,
                                     readoutList[i].caption, "--"));

    const ReviewSummary& s = ride.summary;
    auto* summaryBox = new QGridLayout;
    const struct {
        const char* objectName;
        const char* caption;
        QString value;
    } figures[] = {
        {"summaryDuration", "Duration", QString::fromStdString(ClockText(s.seconds))},
        {"summaryDistance", "Distance", Figure(s.distance, 2, "km")},
        {"summaryWork", "Work", Figure(s.work, 0, "kJ")},
        {"summaryMeanPower", "Mean power", Figure(s.meanPower, 0, "W")},
        {"summaryMaximumPower", "Maximum power", Figure(s.maximumPower, 0, "W")},
        {"summaryNormalizedPower", "Normalized power", Figure(s.normalizedPower, 0, "W")},
        {"summaryMeanCadence", "Mean cadence", Figure(s.meanCadence, 0, "rpm")},
        {"summaryMeanHeartRate", "Mean heart rate", Figure(s.meanHeartRate, 0, "bpm")},
        {"summaryBalance", "Balance L / R",
         std::isfinite(s.leftBalance) ? PerSide(s.leftBalance, 100.0 - s.leftBalance) : "--"},
        {"summaryTorqueEffectiveness", "Torque effectiveness L / R",
         PerSide(s.leftTorqueEffectiveness, s.rightTorqueEffectiveness)},
        {"summaryPedalSmoothness", "Pedal smoothness L / R",
         PerSide(s.leftPedalSmoothness, s.rightPedalSmoothness)},
    };
    constexpr int summaryColumns = 4;
    for (std::size_t i = 0; i < std::size(figures); ++i)
        AddFigure(summaryBox, static_cast<int>(i) / summaryColumns,
                  static_cast<int>(i) % summaryColumns, figures[i].objectName, figures[i].caption,
                  figures[i].value);

    auto* layout = new QVBoxLayout(this);
    if (!ride.note.empty()) {
        auto* note = new QLabel(QString::fromStdString("The stream " + ride.note + "."));
        note->setObjectName("streamNote");
        note->setAccessibleName("Stream note");
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    if (ride.frames.empty()) {
        layout->addWidget(plot, 1);
    } else {
        resize(1400, 820);
        auto* views = new QHBoxLayout;
        views->addWidget(plot, 3);
        auto* side = new QVBoxLayout;
        AddFrameViews(side);
        views->addLayout(side, 1);
        layout->addLayout(views, 1);
    }
    layout->addLayout(cursorBox);
    rangePanel = new ReviewRange(ride, plot, rects, cursorLayer, this);
    layout->addWidget(rangePanel);
    layout->addLayout(summaryBox);

    ShowWholeRide();
    SetCursorSeconds(ride.seconds.empty() ? 0.0 : ride.seconds.front());
}

void ReviewWindow::AddFrameViews(QBoxLayout* side) {
    forcePlot = SidePlot(this, "forceCurves", "Pedal forces");
    forcePlot->xAxis->setLabel("2 Turns");
    forcePlot->yAxis->setLabel("N");
    for (const QColor& colour : {rightPedal, leftPedal})
        forcePlot->addGraph()->setPen(QPen(colour));
    forcePlot->graph(0)->setName("Right force");
    forcePlot->graph(1)->setName("Left force");
    side->addWidget(forcePlot);

    AddPolarView(side);
}

// The square polar plot with its figures beside it, never over it.
void ReviewWindow::AddPolarView(QBoxLayout* side) {
    auto* title = new QLabel("Polar");
    title->setAlignment(Qt::AlignCenter);
    side->addWidget(title);
    auto* row = new QHBoxLayout;
    polarPlot = new QCustomPlot(this);
    polarPlot->setObjectName("polarView");
    polarPlot->setAccessibleName("Polar");
    polarPlot->setFocusPolicy(Qt::NoFocus);
    polarPlot->setMinimumSize(220, 220);
    MakePolarView(*polarPlot);
    row->addWidget(polarPlot, 1);
    auto* figures = new QGridLayout;
    for (std::size_t i = 0; i < std::size(polarReadoutList); ++i) {
        const PolarReadout& readout = polarReadoutList[i];
        const CatalogueEntry* entry = FindCatalogueEntry(MAIN, readout.control);
        polarReadouts.push_back(
            AddFigure(figures, static_cast<int>(i), 0, readout.objectName, entry->label, "--"));
    }
    figures->setRowStretch(static_cast<int>(std::size(polarReadoutList)), 1);
    row->addLayout(figures);
    side->addLayout(row, 1);
    polar = std::make_unique<PolarState>();
}

// The live panel draws the last two-revolution window frame by frame; here it is the two
// revolutions before the cursor.
void ReviewWindow::ShowForceCurves() {
    const FrameSpan span = TwoTurnsAt(ride, cursorSeconds);
    QVector<double> index, right, left;
    for (std::size_t i = span.first; i < span.end; ++i) {
        index.append(static_cast<double>(i - span.first));
        right.append(ride.frames[i].frame.rightForce);
        left.append(ride.frames[i].frame.leftForce);
    }
    forcePlot->graph(0)->setData(index, right, true);
    forcePlot->graph(1)->setData(index, left, true);
    forcePlot->xAxis->setRange(0.0, std::max(1.0, static_cast<double>(index.size()) - 1.0));
    bool found = false;
    QCPRange forces = forcePlot->graph(0)->getValueRange(found);
    bool foundLeft = false;
    const QCPRange leftForces = forcePlot->graph(1)->getValueRange(foundLeft);
    if (foundLeft)
        forces = found ? QCPRange(std::min(forces.lower, leftForces.lower),
                                  std::max(forces.upper, leftForces.upper))
                       : leftForces;
    if (!found && !foundLeft) forces = QCPRange(0.0, 1.0);
    forcePlot->yAxis->setRange(std::min(forces.lower, 0.0), std::max(forces.upper * 1.05, 1.0));
    forcePlot->replot(QCustomPlot::rpQueuedReplot);
}

// The polar view the live station showed at the cursor's instant, from the same frames.
void ReviewWindow::ShowPolarView() {
    PolarAt(ride, cursorSeconds, polarDefaultTurns, *polar);
    const PolarFigures& figures = PolarFiguresNow(*polar);
    polarPlot->clearPlottables();
    double largest = 0.0;
    if (figures.turns > 0) {
        const float zero = PolarZeroRadius(figures);
        float angle[polarCurvePoints];
        float radius[polarCurvePoints];
        PolarCircle(zero, angle, radius);
        AddPolarCurve(*polarPlot, angle, radius, polarCirclePoints, noForce, largest);
        const auto pedal = [&](const float* mean, const PedalPolar& figure, const QColor& colour) {
            AddPolarCurve(*polarPlot, angle, radius, PolarCurve(mean, zero, angle, radius), colour,
                          largest);
            if (std::isfinite(figure.peakAngle) && std::isfinite(figure.peakForce))
                AddPolarDot(*polarPlot, figure.peakAngle, std::max(0.0f, zero + figure.peakForce),
                            colour, largest);
        };
        pedal(figures.right, figures.rightPedal, rightPedal);
        pedal(figures.left, figures.leftPedal, leftPedal);
    }
    FitPolarView(*polarPlot, largest);
    for (std::size_t i = 0; i < std::size(polarReadoutList); ++i) {
        const PolarReadout& readout = polarReadoutList[i];
        const PedalPolar& pedal = readout.left ? figures.leftPedal : figures.rightPedal;
        polarReadouts[i]->setText(figures.turns > 0 ? PolarFigureText(readout, pedal)
                                                    : QStringLiteral("--"));
    }
    polarPlot->replot(QCustomPlot::rpQueuedReplot);
}

namespace {
bool ReadWith(const RideReader& read, const std::string& path, ReviewRide& ride,
              std::string& error) {
    return read ? read(path, ride, error) : ReadReviewRide(path, ride, error);
}
} // namespace

ReviewWindow* ReviewWindow::Open(const std::string& path, std::string& error,
                                 const RideReader& read) {
    ReviewRide ride;
    if (!ReadWith(read, path, ride, error)) return nullptr;
    auto* window = new ReviewWindow(std::move(ride));
    window->SetRideReader(read);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}

void ReviewWindow::OpenWhenRead(const std::string& path,
                                std::function<void(const std::string&)> refused, RideReader read) {
    struct Reading {
        ReviewRide ride;
        std::string error;
        bool read = false;
    };
    const auto reading = std::make_shared<Reading>();
    QThread* reader = QThread::create([reading, path, read] {
        reading->read = ReadWith(read, path, reading->ride, reading->error);
    });
    // The thread ends on its own; what it read is shown from the application's thread.
    QObject::connect(reader, &QThread::finished, QCoreApplication::instance(),
                     [reader, reading, read, refused = std::move(refused)] {
                         reader->deleteLater();
                         if (!reading->read) {
                             refused(reading->error);
                             return;
                         }
                         auto* window = new ReviewWindow(std::move(reading->ride));
                         window->SetRideReader(read);
                         window->setAttribute(Qt::WA_DeleteOnClose);
                         window->show();
                     });
    reader->start();
}

double ReviewWindow::ViewStart() const {
    return rects.front()->axis(QCPAxis::atBottom)->range().lower;
}

double ReviewWindow::ViewEnd() const {
    return rects.front()->axis(QCPAxis::atBottom)->range().upper;
}

void ReviewWindow::SetView(double start, double end) {
    double width = std::clamp(end - start, shortestView, rideEnd);
    start = std::clamp(start, 0.0, rideEnd - width);
    for (QCPAxisRect* rect : rects) {
        QCPAxis* axis = rect->axis(QCPAxis::atBottom);
        const QSignalBlocker quiet(axis);
        axis->setRange(start, start + width);
    }
    plot->replot(QCustomPlot::rpQueuedReplot);
}

void ReviewWindow::ZoomBy(double factor, double centre) {
    const double start = ViewStart(), end = ViewEnd();
    SetView(centre - (centre - start) * factor, centre + (end - centre) * factor);
}

void ReviewWindow::PanBy(double share) {
    const double shift = (ViewEnd() - ViewStart()) * share;
    SetView(ViewStart() + shift, ViewEnd() + shift);
}

void ReviewWindow::ShowWholeRide() {
    SetView(0.0, rideEnd);
}

void ReviewWindow::SetCursorSeconds(double seconds) {
    cursorSeconds = std::clamp(seconds, 0.0, rideEnd);
    for (std::size_t r = 0; r < rects.size(); ++r) {
        cursorLines[r]->point1->setCoords(cursorSeconds, 0.0);
        cursorLines[r]->point2->setCoords(cursorSeconds, 1.0);
    }
    ShowCursorValues();
    rangePanel->ShowCursor(cursorSeconds);
    cursorLayer->replot();
    if (forcePlot != nullptr) {
        ShowForceCurves();
        ShowPolarView();
    }
}

void ReviewWindow::ShowCursorValues() {
    readouts[0]->setText(QString::fromStdString(ClockText(cursorSeconds)));
    if (ride.seconds.empty()) return;
    const std::size_t row = RowAt(ride, cursorSeconds);
    for (std::size_t i = 0; i < std::size(series); ++i) {
        const Readout& readout = readoutList[i + 1];
        readouts[i + 1]->setText(
            Figure((ride.*series[i].values)[row], readout.decimals, readout.unit));
    }
}

void ReviewWindow::keyPressEvent(QKeyEvent* event) {
    const int step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
    const std::size_t row = ride.seconds.empty() ? 0 : RowAt(ride, cursorSeconds);
    if (rangePanel->TakeKey(*event, cursorSeconds)) return;
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        ZoomBy(0.5, cursorSeconds);
        break;
    case Qt::Key_Minus:
        ZoomBy(2.0, cursorSeconds);
        break;
    case Qt::Key_PageUp:
        PanBy(-0.5);
        break;
    case Qt::Key_PageDown:
        PanBy(0.5);
        break;
    case Qt::Key_Home:
        ShowWholeRide();
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (ride.seconds.empty()) break;
        SetCursorSeconds(event->key() == Qt::Key_Left
                             ? ride.seconds[row - std::min<std::size_t>(row, step)]
                             : ride.seconds[std::min(row + step, ride.seconds.size() - 1)]);
        // The cursor stays in sight: a view that lost it follows it.
        if (cursorSeconds < ViewStart() || cursorSeconds > ViewEnd()) {
            const double width = ViewEnd() - ViewStart();
            SetView(cursorSeconds - width / 2.0, cursorSeconds + width / 2.0);
        }
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}
