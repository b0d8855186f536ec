#include "review/ride_report.h"

#include "export/whole_file.h"
#include "review/ride_figures.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {
// The first ride in blue, the second in orange: told apart in grey print and by most
// colour-blind readers.
const QColor rideColours[] = {QColor(0, 90, 181), QColor(220, 110, 0)};
const QColor markColour(200, 200, 200);
constexpr double degree = 3.14159265358979 / 180.0;

// What the page shows of one ride.
struct RidePage {
    const ReviewRide* ride;
    PolarFigures polar;
};

QString Number(double value, int decimals) {
    return std::isfinite(value) ? QString::number(value, 'f', decimals) : QStringLiteral("--");
}

// "start-end" of a phase, in whole degrees.
QString Span(float start, float end) {
    if (!std::isfinite(start) || !std::isfinite(end)) return QStringLiteral("--");
    return QString("%1-%2").arg(std::lround(start) % 360).arg(std::lround(end) % 360);
}

// A dead spot: its angle and the mean force there.
QString Spot(float angle, float depth) {
    if (!std::isfinite(angle)) return QStringLiteral("--");
    return QString("%1 / %2 N").arg(std::lround(angle) % 360).arg(std::lround(depth));
}

// One pedal's polar: the circle of no force, marks every 30 degrees from the top (clockwise, the
// pedalling direction), and each ride's mean curve; every ride on the one scale.
void DrawPolar(QPainter& painter, const QRectF& box, const char* title,
               const std::vector<RidePage>& pages, bool left) {
    painter.setPen(Qt::black);
    QFont font = painter.font();
    font.setPointSizeF(11);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRectF(box.left(), box.top(), box.width(), 16), Qt::AlignHCenter, title);
    font.setBold(false);
    font.setPointSizeF(8);
    painter.setFont(font);
    float zero = 1.0f;
    for (const RidePage& page : pages)
        if (page.polar.turns > 0) zero = std::max(zero, PolarZeroRadius(page.polar));
    float angle[polarCurvePoints];
    float radius[polarCurvePoints];
    std::vector<std::vector<QPointF>> curves;
    double largest = zero;
    for (const RidePage& page : pages) {
        curves.emplace_back();
        if (page.polar.turns == 0) continue;
        const int count =
            PolarCurve(left ? page.polar.left : page.polar.right, zero, angle, radius);
        for (int i = 0; i < count; ++i) {
            curves.back().emplace_back(radius[i] * std::sin(angle[i] * degree),
                                       radius[i] * std::cos(angle[i] * degree));
            largest = std::max(largest, static_cast<double>(radius[i]));
        }
    }
    const QPointF centre(box.center().x(), box.top() + 18 + (box.height() - 18) / 2);
    const double scale = ((std::min(box.width(), box.height() - 18) / 2) - 14) / largest;
    const auto at = [&](double x, double y) {
        return QPointF(centre.x() + x * scale, centre.y() - y * scale);
    };
    for (int mark = 0; mark < 360; mark += 30) {
        const double s = std::sin(mark * degree), c = std::cos(mark * degree);
        painter.setPen(QPen(markColour, 0.5));
        painter.drawLine(at(0, 0), at(largest * s, largest * c));
        if (mark % 90 != 0) continue;
        painter.setPen(Qt::black);
        const QPointF label = at((largest + 8 / scale) * s, (largest + 8 / scale) * c);
        painter.drawText(QRectF(label.x() - 15, label.y() - 6, 30, 12), Qt::AlignCenter,
                         QString("%1°").arg(mark));
    }
    painter.setPen(QPen(markColour.darker(130), 0.8));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, zero * scale, zero * scale);
    for (std::size_t r = 0; r < curves.size(); ++r) {
        if (curves[r].empty()) continue;
        QPainterPath path;
        path.moveTo(at(curves[r][0].x(), curves[r][0].y()));
        for (const QPointF& point : curves[r]) path.lineTo(at(point.x(), point.y()));
        path.closeSubpath();
        painter.setPen(QPen(rideColours[r], 1.6));
        painter.drawPath(path);
    }
}

// A figure of one pedal of one ride.
using PedalFigure = QString (*)(const RidePage&, bool left);

struct TableRow {
    const char* caption;
    PedalFigure figure;
};

const PedalPolar& PedalOf(const RidePage& page, bool left) {
    return left ? page.polar.leftPedal : page.polar.rightPedal;
}

QString PolarFigure(const RidePage& page, float value, int decimals) {
    return page.polar.turns > 0 ? Number(value, decimals) : QStringLiteral("--");
}

const TableRow tableRows[] = {
    {"Peak angle (deg)",
     [](const RidePage& p, bool left) { return PolarFigure(p, PedalOf(p, left).peakAngle, 1); }},
    {"Peak force (N)",
     [](const RidePage& p, bool left) { return PolarFigure(p, PedalOf(p, left).peakForce, 0); }},
    {"Power phase (deg)",
     [](const RidePage& p, bool left) {
         const PowerPhase& phase = PedalOf(p, left).phase;
         return p.polar.turns > 0 ? Span(phase.start, phase.end) : QStringLiteral("--");
     }},
    {"Peak power phase (deg)",
     [](const RidePage& p, bool left) {
         const PowerPhase& phase = PedalOf(p, left).phase;
         return p.polar.turns > 0 ? Span(phase.peakStart, phase.peakEnd) : QStringLiteral("--");
     }},
    {"Top dead spot (deg / N)",
     [](const RidePage& p, bool left) {
         const PedalPolar& pedal = PedalOf(p, left);
         return p.polar.turns > 0 ? Spot(pedal.topDeadSpotAngle, pedal.topDeadSpotDepth)
                                  : QStringLiteral("--");
     }},
    {"Bottom dead spot (deg / N)",
     [](const RidePage& p, bool left) {
         const PedalPolar& pedal = PedalOf(p, left);
         return p.polar.turns > 0 ? Spot(pedal.bottomDeadSpotAngle, pedal.bottomDeadSpotDepth)
                                  : QStringLiteral("--");
     }},
    {"Shape score",
     [](const RidePage& p, bool left) { return PolarFigure(p, PedalOf(p, left).shapeScore, 0); }},
    {"Balance (%)",
     [](const RidePage& p, bool left) {
         const double share = p.ride->summary.leftBalance;
         return Number(left ? share : 100.0 - share, 1);
     }},
    {"Torque effectiveness (%)",
     [](const RidePage& p, bool left) {
         const ReviewSummary& s = p.ride->summary;
         return Number(left ? s.leftTorqueEffectiveness : s.rightTorqueEffectiveness, 1);
     }},
    {"Pedal smoothness (%)",
     [](const RidePage& p, bool left) {
         const ReviewSummary& s = p.ride->summary;
         return Number(left ? s.leftPedalSmoothness : s.rightPedalSmoothness, 1);
     }},
};

void DrawPage(QPainter& painter, const QRectF& page, const std::vector<RidePage>& pages) {
    const bool compared = pages.size() > 1;
    const char* const roles[] = {compared ? "Before" : "Ride", "After"};
    QFont font = painter.font();
    font.setPointSizeF(16);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    double y = page.top();
    painter.drawText(QRectF(page.left(), y, page.width(), 22), Qt::AlignLeft,
                     compared ? "Pedalling before and after" : "Pedalling of a ride");
    y += 30;
    font.setPointSizeF(9.5);
    for (std::size_t r = 0; r < pages.size(); ++r) {
        const ReviewRide& ride = *pages[r].ride;
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(rideColours[r]);
        painter.drawText(QRectF(page.left(), y, 60, 14), Qt::AlignLeft, roles[r]);
        font.setBold(false);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(page.left() + 60, y, page.width() - 60, 14), Qt::AlignLeft,
                         QString::fromStdString(ride.name + ", started " + ride.started + ", " +
                                                ClockText(ride.summary.seconds) + ", ") +
                             QString("%1 whole revolutions").arg(pages[r].polar.turns));
        y += 16;
    }
    y += 6;
    const double polarSide = std::min(page.width() / 2, 270.0);
    DrawPolar(painter, QRectF(page.left(), y, page.width() / 2, polarSide), "Right pedal", pages,
              false);
    DrawPolar(painter, QRectF(page.center().x(), y, page.width() / 2, polarSide), "Left pedal",
              pages, true);
    y += polarSide + 6;
    font.setPointSizeF(8);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(page.left(), y, page.width(), 12), Qt::AlignHCenter,
                     "Mean force by the pedal's own angle, 0° at its top, clockwise; the grey "
                     "circle is no force.");
    y += 22;

    // The table: a caption column, then each ride's right and left pedal.
    font.setPointSizeF(9.5);
    const double captionWidth = 150;
    const double column = (page.width() - captionWidth) / (2.0 * static_cast<double>(pages.size()));
    const double line = 17;
    font.setBold(true);
    painter.setFont(font);
    for (std::size_t r = 0; r < pages.size(); ++r) {
        painter.setPen(rideColours[r]);
        const double x = page.left() + captionWidth + 2.0 * column * static_cast<double>(r);
        painter.drawText(QRectF(x, y, 2 * column, line), Qt::AlignHCenter, roles[r]);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x, y + line, column, line), Qt::AlignHCenter, "Right");
        painter.drawText(QRectF(x + column, y + line, column, line), Qt::AlignHCenter, "Left");
    }
    y += 2 * line;
    font.setBold(false);
    painter.setFont(font);
    for (std::size_t i = 0; i < std::size(tableRows); ++i) {
        if (i % 2 == 0)
            painter.fillRect(QRectF(page.left(), y - 2, page.width(), line), QColor(242, 242, 242));
        painter.drawText(QRectF(page.left() + 4, y, captionWidth, line), Qt::AlignLeft,
                         tableRows[i].caption);
        for (std::size_t r = 0; r < pages.size(); ++r)
            for (int pedal = 0; pedal < 2; ++pedal) {
                const double x = page.left() + captionWidth +
                                 column * static_cast<double>(2 * r + static_cast<unsigned>(pedal));
                painter.drawText(QRectF(x, y, column, line), Qt::AlignHCenter,
                                 tableRows[i].figure(pages[r], pedal == 1));
            }
        y += line;
    }
    y += 12;
    font.setPointSizeF(8);
    painter.setFont(font);
    painter.drawText(
        QRectF(page.left(), y, page.width(), page.bottom() - y), Qt::TextWordWrap,
        "Angles in degrees from each pedal's own top. Power phase: where the mean force is above "
        "zero; peak power phase: where it is at least half its peak. Shape score: the mean force "
        "on the downstroke (0-180°) over the peak force, 0-100. Balance, torque effectiveness and "
        "pedal smoothness are the means of the ride's rows.");
}
} // namespace

QByteArray RideReportPdf(const std::vector<const ReviewRide*>& rides) {
    std::vector<RidePage> pages;
    for (const ReviewRide* ride : rides) {
        pages.push_back(RidePage{ride, PolarFigures{}});
        WholeRidePolar(*ride, pages.back().polar);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle("ZAN pedalling report");
        writer.setCreator("zan_pc");
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        // One unit a point: the page's sizes read as a printer's.
        writer.setResolution(72);
        QPainter painter(&writer);
        painter.setRenderHint(QPainter::Antialiasing);
        // No ligatures: the page's text is searched and copied as typed ("effectiveness").
        QFont font = painter.font();
        font.setStyleStrategy(QFont::PreferNoShaping);
        painter.setFont(font);
        DrawPage(painter, QRectF(painter.viewport()), pages);
    }
    return bytes;
}

namespace {
// A file that starts as every PDF does.
bool IsPdf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[5] = {};
    in.read(head, 5);
    return in && std::string(head, 5) == "%PDF-";
}
} // namespace

bool WriteRideReport(const std::vector<const ReviewRide*>& rides, const std::string& path,
                     ReportTarget target, std::string& error) {
    std::error_code failure;
    const bool there = std::filesystem::exists(std::filesystem::symlink_status(path, failure));
    if (there && (target != ReportTarget::ChosenPdf ||
                  !std::filesystem::is_regular_file(path, failure) || !IsPdf(path))) {
        error = target == ReportTarget::ChosenPdf ? path + " is no PDF: not written over"
                                                  : path + " is there already: not written over";
        return false;
    }
    const QByteArray bytes = RideReportPdf(rides);
    if (!there) return WriteWholeFile(path, bytes.constData(), bytes.size(), error);
    // The rider chose to replace the PDF: the new one is whole before it takes the name.
    // The station's own temporary name, as for every file it writes whole.
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary);
        out.write(bytes.constData(), bytes.size());
        out.close();
        if (!out) {
            std::filesystem::remove(temporary, failure);
            error = "cannot write " + temporary + " (is the disk full?)";
            return false;
        }
    }
    std::filesystem::rename(temporary, path, failure);
    if (failure) {
        error = "cannot write " + path + ": " + failure.message();
        std::filesystem::remove(temporary, failure);
        return false;
    }
    return true;
}
