#pragma once
// A polar curve on QCustomPlot, as the live graph and the review window draw it: the angle
// clockwise from the top, where the revolution mark is, and the curve closed on its first point.

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

// The curve's points in the plot's X and Y; largest grows to the farthest radius drawn. Points
// without a finite angle and radius are left out.
inline QVector<QCPCurveData> PolarCurveData(const float* angle, const float* radius, int count,
                                            double& largest) {
    constexpr double degree = 3.14159265358979 / 180.0;
    QVector<QCPCurveData> points;
    points.reserve(count + 1);
    for (int i = 0; i <= count && count > 0; ++i) {
        // The last point is the first again: the curve closes.
        const int at = i % count;
        if (!std::isfinite(angle[at]) || !std::isfinite(radius[at])) continue;
        const double r = radius[at];
        points.append(
            QCPCurveData(i, r * std::sin(angle[at] * degree), r * std::cos(angle[at] * degree)));
        largest = std::max(largest, std::fabs(r));
    }
    return points;
}
