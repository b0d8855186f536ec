#pragma once
// A polar view drawn on QCustomPlot as a rider reads it off the screen: where each pedal's curve
// peaks, where its dot sits, the angle marks, and where the plot lies among the read-outs.

#include "platform/qt/polar_view.h"

#include <gtest/gtest.h>

#include <qcustomplot.h>

#include <QWidget>

#include <cmath>
#include <numbers>
#include <vector>

inline double PolarAngleOf(const QCPCurveData& point) {
    return std::fmod(std::atan2(point.key, point.value) * 180.0 / std::numbers::pi + 360.0, 360.0);
}

// The angle of the farthest point of the curves drawn in the colour, clockwise from the top;
// -1 without such a curve. The dots on the peaks are not curves.
inline double PolarPeakAngle(QCustomPlot& plot, const QColor& colour) {
    double farthest = -1.0;
    double angle = -1.0;
    for (int i = 0; i < plot.plottableCount(); ++i) {
        auto* curve = qobject_cast<QCPCurve*>(plot.plottable(i));
        if (curve == nullptr || curve->pen().color() != colour || IsPolarDot(*curve)) continue;
        for (const QCPCurveData& point : *curve->data()) {
            const double radius = std::hypot(point.key, point.value);
            if (radius <= farthest) continue;
            farthest = radius;
            angle = PolarAngleOf(point);
        }
    }
    return angle;
}

// The angles of the dots drawn in the colour.
inline std::vector<double> PolarDotAngles(QCustomPlot& plot, const QColor& colour) {
    std::vector<double> angles;
    for (int i = 0; i < plot.plottableCount(); ++i) {
        auto* curve = qobject_cast<QCPCurve*>(plot.plottable(i));
        if (curve == nullptr || curve->pen().color() != colour || !IsPolarDot(*curve)) continue;
        for (const QCPCurveData& point : *curve->data()) angles.push_back(PolarAngleOf(point));
    }
    return angles;
}

// The square a fitter reads: the plot's axis rect as laid out now, in window's coordinates.
inline QRect PolarSquare(QCustomPlot& plot, const QWidget& window) {
    plot.replot();
    const QRect rect = plot.axisRect()->rect();
    return QRect(plot.mapTo(&window, rect.topLeft()), rect.size());
}

// The view is square within a pixel or two, marked every 30 degrees from 0 at the top, and
// none of the read-outs (shown ones, with their captions) lies over it.
inline void ExpectPolarLayout(QCustomPlot& plot, const QWidget& window,
                              const std::vector<QWidget*>& readouts) {
    const QRect square = PolarSquare(plot, window);
    EXPECT_GT(square.width(), 100);
    EXPECT_NEAR(square.width(), square.height(), 2.0);
    QStringList marks;
    for (int i = 0; i < plot.itemCount(); ++i)
        if (auto* label = qobject_cast<QCPItemText*>(plot.item(i))) marks << label->text();
    QStringList expected;
    for (int angle = 0; angle < 360; angle += 30) expected << QString("%1°").arg(angle);
    EXPECT_EQ(marks, expected);
    // The 0 mark sits straight above the centre.
    for (int i = 0; i < plot.itemCount(); ++i) {
        auto* label = qobject_cast<QCPItemText*>(plot.item(i));
        if (label == nullptr || label->text() != "0°") continue;
        const QPointF at = label->position->pixelPosition();
        EXPECT_NEAR(at.x(), plot.axisRect()->center().x(), 1.0);
        EXPECT_LT(at.y(), plot.axisRect()->center().y());
    }
    ASSERT_FALSE(readouts.empty());
    for (QWidget* readout : readouts) {
        SCOPED_TRACE(readout->objectName().toStdString());
        EXPECT_TRUE(readout->isVisible());
        const QRect place(readout->mapTo(&window, QPoint(0, 0)), readout->size());
        EXPECT_FALSE(place.intersects(square));
    }
}
