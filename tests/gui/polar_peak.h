#pragma once
// Where a polar view drawn on QCustomPlot peaks, as a rider reads it off the screen.

#include <qcustomplot.h>

#include <cmath>

// The angle of the farthest point of the curves drawn in the colour, clockwise from the top
// where the revolution mark is; -1 without such a curve.
inline double PolarPeakAngle(QCustomPlot& plot, const QColor& colour) {
    double farthest = -1.0;
    double angle = -1.0;
    for (int i = 0; i < plot.plottableCount(); ++i) {
        auto* curve = qobject_cast<QCPCurve*>(plot.plottable(i));
        if (curve == nullptr || curve->pen().color() != colour) continue;
        for (const QCPCurveData& point : *curve->data()) {
            const double radius = std::hypot(point.key, point.value);
            if (radius <= farthest) continue;
            farthest = radius;
            angle = std::fmod(std::atan2(point.key, point.value) * 180.0 / M_PI + 360.0, 360.0);
        }
    }
    return angle;
}
