#include "platform/qt/polar_view.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double degree = 3.14159265358979 / 180.0;
const char* const polarProperty = "zanPolarView";
const char* const markAngle = "zanMarkAngle";
// Beyond the farthest curve: the circle the marks' labels sit on, and the edge of the plot.
constexpr double labelReach = 1.08;
constexpr double plotReach = 1.5;
// The dot on a peak, in pixels.
constexpr double dotSize = 9.0;

QPointF At(double angle, double radius) {
    return {radius * std::sin(angle * degree), radius * std::cos(angle * degree)};
}

// The axis rect as the largest square the plot holds, in its middle: the circle stays round and
// the plot square whatever shape the window gives the widget.
void KeepSquare(QCustomPlot& plot) {
    QCPAxisRect* rect = plot.axisRect();
    if (rect == nullptr) return;
    const QRect room = plot.viewport();
    const int side = std::max(1, std::min(room.width(), room.height()));
    const int left = (room.width() - side) / 2;
    const int top = (room.height() - side) / 2;
    const QMargins margins(left, top, room.width() - side - left, room.height() - side - top);
    if (rect->margins() != margins) rect->setMargins(margins);
}
} // namespace

QVector<QCPCurveData> PolarCurveData(const float* angle, const float* radius, int count,
                                     double& largest) {
    QVector<QCPCurveData> points;
    // A curve closes on its first point; a single point is a dot.
    const int drawn = count > 1 ? count + 1 : count;
    points.reserve(drawn);
    for (int i = 0; i < drawn; ++i) {
        const int at = i % count;
        if (!std::isfinite(angle[at]) || !std::isfinite(radius[at])) continue;
        const QPointF point = At(angle[at], radius[at]);
        points.append(QCPCurveData(i, point.x(), point.y()));
        largest = std::max(largest, std::fabs(static_cast<double>(radius[at])));
    }
    return points;
}

void MakePolarView(QCustomPlot& plot) {
    if (IsPolarView(plot)) return;
    plot.setProperty(polarProperty, true);
    // A few smooth curves, not a trace of thousands of points: they are drawn smoothed.
    plot.setAntialiasedElements(QCP::aePlottables | QCP::aeItems | QCP::aeScatters);
    QCPAxisRect* rect = plot.axisRect();
    rect->setAutoMargins(QCP::msNone);
    for (QCPAxis* axis : rect->axes()) {
        axis->setVisible(false);
        axis->grid()->setVisible(false);
        axis->setLabel(QString());
    }
    // Laid out again at every replot, after any resize.
    QObject::connect(&plot, &QCustomPlot::beforeReplot, &plot, [&plot] { KeepSquare(plot); });
    KeepSquare(plot);
    const QPen spoke(QColor(210, 210, 210), 1.0, Qt::DashLine);
    QFont markFont = plot.font();
    markFont.setPointSizeF(std::max(6.0, markFont.pointSizeF() * 0.85));
    for (int angle = 0; angle < 360; angle += polarMarkDegrees) {
        auto* line = new QCPItemLine(&plot);
        line->setObjectName("polarMarkLine");
        line->setProperty(markAngle, angle);
        line->setLayer("grid");
        line->setPen(spoke);
        auto* label = new QCPItemText(&plot);
        label->setObjectName("polarMarkLabel");
        label->setProperty(markAngle, angle);
        label->setLayer("grid");
        label->setText(QString::number(angle) + QChar(0x00B0));
        label->setColor(QColor(110, 110, 110));
        // Each label stands outward of its point, clear of a curve reaching the circle.
        const double x = std::sin(angle * degree);
        const double y = std::cos(angle * degree);
        const Qt::Alignment across = x > 0.3    ? Qt::AlignLeft
                                     : x < -0.3 ? Qt::AlignRight
                                                : Qt::AlignHCenter;
        const Qt::Alignment along = y > 0.3    ? Qt::AlignBottom
                                    : y < -0.3 ? Qt::AlignTop
                                               : Qt::AlignVCenter;
        label->setPositionAlignment(across | along);
        label->setPadding(QMargins(3, 1, 3, 1));
        label->setFont(markFont);
        // A label may stand a little past the square's edge, never cut by it.
        label->setClipToAxisRect(false);
    }
    FitPolarView(plot, 1.0);
}

bool IsPolarView(const QCustomPlot& plot) {
    return plot.property(polarProperty).toBool();
}

QCPCurve* AddPolarCurve(QCustomPlot& plot, const float* angle, const float* radius, int count,
                        const QColor& colour, double& largest) {
    auto* curve = new QCPCurve(plot.xAxis, plot.yAxis);
    curve->data()->set(PolarCurveData(angle, radius, count, largest), true);
    curve->setPen(QPen(colour, 1.5));
    return curve;
}

QCPCurve* AddPolarDot(QCustomPlot& plot, float angle, float radius, const QColor& colour,
                      double& largest) {
    QCPCurve* dot = AddPolarCurve(plot, &angle, &radius, 1, colour, largest);
    dot->setLineStyle(QCPCurve::lsNone);
    dot->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, colour, colour, dotSize));
    return dot;
}

bool IsPolarDot(const QCPCurve& curve) {
    return curve.lineStyle() == QCPCurve::lsNone;
}

void FitPolarView(QCustomPlot& plot, double radius) {
    if (!(radius > 0.0) || !std::isfinite(radius)) radius = 1.0;
    const double edge = radius * plotReach;
    if (plot.xAxis->range() != QCPRange(-edge, edge)) plot.xAxis->setRange(-edge, edge);
    if (plot.yAxis->range() != QCPRange(-edge, edge)) plot.yAxis->setRange(-edge, edge);
    for (int i = 0; i < plot.itemCount(); ++i) {
        QCPAbstractItem* item = plot.item(i);
        const QVariant angle = item->property(markAngle);
        if (!angle.isValid()) continue;
        if (auto* line = qobject_cast<QCPItemLine*>(item)) {
            line->start->setCoords(0.0, 0.0);
            line->end->setCoords(At(angle.toDouble(), radius));
        } else if (auto* label = qobject_cast<QCPItemText*>(item)) {
            label->position->setCoords(At(angle.toDouble(), radius * labelReach));
        }
    }
}
