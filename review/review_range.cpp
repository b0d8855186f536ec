#include "review/review_range.h"

#include "review/ride_report.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include <qcustomplot.h>

#include <cmath>
#include <filesystem>
#include <memory>

namespace {
// One pedal's figure of a stretch, as the window writes it.
struct RangeFigure {
    const char* name; // of the label, after "cursor" or "range" and the pedal
    const char* caption;
    QString (*text)(const RangeFigures& figures, bool left);
};

QString Phase(float start, float end) {
    if (!std::isfinite(start) || !std::isfinite(end)) return QStringLiteral("--");
    return QString("%1 - %2 deg").arg(std::lround(start) % 360).arg(std::lround(end) % 360);
}

QString Percent(double value) {
    return QString::fromStdString(ValueText(value, 1, "%"));
}

const PedalRangeFigures& Pedal(const RangeFigures& figures, bool left) {
    return left ? figures.left : figures.right;
}

const RangeFigure rangeFigureList[] = {
    {"PowerPhase", "Power phase",
     [](const RangeFigures& f, bool left) {
         return Phase(Pedal(f, left).phase.start, Pedal(f, left).phase.end);
     }},
    {"PeakPowerPhase", "Peak power phase",
     [](const RangeFigures& f, bool left) {
         return Phase(Pedal(f, left).phase.peakStart, Pedal(f, left).phase.peakEnd);
     }},
    {"TorqueEffectiveness", "Torque effectiveness",
     [](const RangeFigures& f, bool left) { return Percent(Pedal(f, left).torqueEffectiveness); }},
    {"PedalSmoothness", "Pedal smoothness",
     [](const RangeFigures& f, bool left) { return Percent(Pedal(f, left).pedalSmoothness); }},
    {"Balance", "Balance",
     [](const RangeFigures& f, bool left) {
         return Percent(left ? f.leftBalance : 100.0 - f.leftBalance);
     }},
};

// The columns of figures: the cursor's row's, then the range's, right pedal before left.
struct FigureColumn {
    const char* place;
    const char* heading;
    bool left;
};
const FigureColumn figureColumns[] = {{"cursor", "Right at cursor", false},
                                      {"cursor", "Left at cursor", true},
                                      {"range", "Right over range", false},
                                      {"range", "Left over range", true}};

void ShowFigures(const std::vector<QLabel*>& labels, const RangeFigures& figures, bool shown,
                 int firstColumn) {
    std::size_t at = 0;
    for (const RangeFigure& figure : rangeFigureList)
        for (int c = firstColumn; c < firstColumn + 2; ++c)
            labels[at++]->setText(shown ? figure.text(figures, figureColumns[c].left)
                                        : QStringLiteral("--"));
}
} // namespace

ReviewRange::ReviewRange(const ReviewRide& reviewed, QCustomPlot* ridePlot,
                         std::vector<QCPAxisRect*> axisRects, QCPLayer* rangeLayer, QWidget* parent)
    : QWidget(parent), ride(reviewed), plot(ridePlot), rects(std::move(axisRects)),
      layer(rangeLayer) {
    for (QCPAxisRect* rect : rects) {
        auto* shade = new QCPItemRect(plot);
        shade->setLayer(layer);
        shade->setClipAxisRect(rect);
        shade->topLeft->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        shade->bottomRight->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        // The range's rows across the whole height of each plot, translucent over its lines.
        shade->topLeft->setTypeY(QCPItemPosition::ptAxisRectRatio);
        shade->bottomRight->setTypeY(QCPItemPosition::ptAxisRectRatio);
        shade->setPen(QPen(QColor(0, 120, 60), 1.0));
        shade->setBrush(QColor(0, 160, 80, 40));
        shade->setVisible(false);
        shades.push_back(shade);
    }

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    rangeTime = new QLabel("Range: none (Shift and drag, or [ and ] at the cursor)");
    rangeTime->setObjectName("rangeTime");
    rangeTime->setAccessibleName("Range");
    grid->addWidget(rangeTime, 0, 0, 1, 3);
    for (std::size_t c = 0; c < std::size(figureColumns); ++c)
        grid->addWidget(new QLabel(figureColumns[c].heading), 1, static_cast<int>(c) + 1);
    for (std::size_t f = 0; f < std::size(rangeFigureList); ++f) {
        const RangeFigure& figure = rangeFigureList[f];
        const int row = static_cast<int>(f) + 2;
        auto* caption = new QLabel(QString(figure.caption) + ":");
        grid->addWidget(caption, row, 0);
        for (std::size_t c = 0; c < std::size(figureColumns); ++c) {
            const FigureColumn& column = figureColumns[c];
            auto* value = new QLabel("--");
            value->setObjectName(QString(column.place) + (column.left ? "Left" : "Right") +
                                 figure.name);
            value->setAccessibleName(QString("%1 %2").arg(column.heading, figure.caption));
            value->setTextInteractionFlags(Qt::TextSelectableByMouse);
            QFont bold = value->font();
            bold.setBold(true);
            value->setFont(bold);
            if (c == 0) caption->setBuddy(value);
            grid->addWidget(value, row, static_cast<int>(c) + 1);
            (c < 2 ? cursorFigures : rangeFigures).push_back(value);
        }
    }
    reportButton = new QPushButton("Report...");
    reportButton->setObjectName("reportButton");
    reportButton->setAccessibleName("Before and after report");
    reportButton->setToolTip("A one-page PDF of this ride's pedalling beside another ride's");
    grid->addWidget(reportButton, 0, static_cast<int>(std::size(figureColumns)));
    connect(reportButton, &QPushButton::clicked, this, [this] { AskForReport(); });

    const auto instant = [this](const QMouseEvent* event, double& seconds) {
        for (QCPAxisRect* rect : rects)
            if (rect->rect().contains(event->pos())) {
                seconds = rect->axis(QCPAxis::atBottom)->pixelToCoord(event->pos().x());
                return true;
            }
        return false;
    };
    // A drag with Shift chooses the range instead of moving the plots.
    connect(plot, &QCustomPlot::mousePress, this, [this, instant](QMouseEvent* event) {
        double at = 0.0;
        if (!(event->modifiers() & Qt::ShiftModifier) || !instant(event, at)) return;
        dragging = true;
        plot->setInteraction(QCP::iRangeDrag, false);
        SetRange(at, at);
    });
    connect(plot, &QCustomPlot::mouseMove, this, [this, instant](QMouseEvent* event) {
        double at = 0.0;
        if (dragging && instant(event, at)) SetRange(from, at);
    });
    connect(plot, &QCustomPlot::mouseRelease, this, [this](QMouseEvent*) {
        if (!dragging) return;
        dragging = false;
        plot->setInteraction(QCP::iRangeDrag, true);
        // A click with Shift chooses nothing.
        if (from == to) ClearRange();
    });
    ShowRange();
}

void ReviewRange::SetRange(double start, double end) {
    chosen = true;
    from = start;
    to = end;
    ShowRange();
}

void ReviewRange::ClearRange() {
    chosen = false;
    ShowRange();
}

void ReviewRange::ShowRange() {
    const double first = std::min(from, to), last = std::max(from, to);
    for (QCPItemRect* shade : shades) {
        shade->setVisible(chosen);
        shade->topLeft->setCoords(first, 0.0);
        shade->bottomRight->setCoords(last, 1.0);
    }
    const RangeFigures figures = FiguresBetween(ride, first, last);
    rangeTime->setText(chosen ? QString::fromStdString("Range: " + ClockText(first) + " to " +
                                                       ClockText(last) + ", ") +
                                    QString("%1 rows").arg(figures.rows)
                              : "Range: none (Shift and drag, or [ and ] at the cursor)");
    ShowFigures(rangeFigures, figures, chosen, 2);
    layer->replot();
}

void ReviewRange::ShowCursor(double seconds) {
    const bool any = !ride.seconds.empty();
    const std::size_t row = any ? RowAt(ride, seconds) : 0;
    ShowFigures(cursorFigures, FiguresOfRows(ride, row, row + 1), any, 0);
}

bool ReviewRange::TakeKey(const QKeyEvent& event, double cursor) {
    switch (event.key()) {
    case Qt::Key_BracketLeft:
        SetRange(cursor, chosen ? to : cursor);
        return true;
    case Qt::Key_BracketRight:
        SetRange(chosen ? from : cursor, cursor);
        return true;
    case Qt::Key_Escape:
        if (!chosen) return false;
        ClearRange();
        return true;
    default:
        return false;
    }
}

void ReviewRange::AskForReport() {
    const auto answer = QMessageBox::question(
        this, "Report", "Compare this ride with another one (this ride before, that one after)?",
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Cancel) return;
    QString second;
    if (answer == QMessageBox::Yes) {
        second = QFileDialog::getOpenFileName(this, "The ride after", QString(),
                                              "Rides (*.zanraw *.csv)");
        if (second.isEmpty()) return;
    }
    const std::string stem = std::filesystem::path(ride.name).stem().string();
    const QString pdf = QFileDialog::getSaveFileName(
        this, "Save the report", QString::fromStdString(stem + "_report.pdf"), "PDF (*.pdf)");
    if (pdf.isEmpty()) return;
    reportButton->setEnabled(false);
    WriteReport(second.toStdString(), pdf.toStdString(), true,
                [this, pdf](const std::string& failure) {
                    reportButton->setEnabled(true);
                    if (failure.empty())
                        QMessageBox::information(this, "Report", "Report written to " + pdf + ".");
                    else
                        QMessageBox::warning(this, "Report",
                                             "The report was not written: " +
                                                 QString::fromStdString(failure));
                });
}

void ReviewRange::WriteReport(const std::string& secondPath, const std::string& pdfPath,
                              bool chosenInDialog, std::function<void(const std::string&)> done) {
    const ReportTarget target = chosenInDialog ? ReportTarget::ChosenPdf : ReportTarget::NewFile;
    if (secondPath.empty()) {
        std::string error;
        WriteRideReport({&ride}, pdfPath, target, error);
        done(error);
        return;
    }
    struct Reading {
        ReviewRide ride;
        std::string error;
        bool read = false;
    };
    const auto reading = std::make_shared<Reading>();
    // A raw stream is played again to be read: beside the event loop, as the window's own ride.
    QThread* thread = QThread::create([reading, secondPath, read = reader] {
        reading->read = read ? read(secondPath, reading->ride, reading->error)
                             : ReadReviewRide(secondPath, reading->ride, reading->error);
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::finished, this,
            [this, reading, pdfPath, target, done = std::move(done)] {
                std::string error = reading->error;
                if (reading->read) WriteRideReport({&ride, &reading->ride}, pdfPath, target, error);
                done(error);
            });
    thread->start();
}
