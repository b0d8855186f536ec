#pragma once
// The polar view on QCustomPlot, as the live panel and the review window both draw it: a square
// plot without axes, marked every 30 degrees clockwise from the top, where each pedal is at its
// own top dead centre; each pedal's mean force as a closed curve and a dot on its peak.

#include <qcustomplot.h>

// The angle marks' step, in degrees.
constexpr int polarMarkDegrees = 30;

// The curve's points in the plot's X and Y; largest grows to the farthest radius drawn. Points
// without a finite angle and radius are left out; a curve of more than one point closes on its
// first.
QVector<QCPCurveData> PolarCurveData(const float* angle, const float* radius, int count,
                                     double& largest);

// Makes plot a polar view: its axes hidden, its axis rect kept square in the middle of the plot
// whatever its size, and the angle marks drawn under the curves. Once a plot.
void MakePolarView(QCustomPlot& plot);
bool IsPolarView(const QCustomPlot& plot);
// A closed curve of count points, point i at angle[i] degrees and radius[i] from the centre.
QCPCurve* AddPolarCurve(QCustomPlot& plot, const float* angle, const float* radius, int count,
                        const QColor& colour, double& largest);
// A dot at one angle and radius: a pedal's peak on its curve.
QCPCurve* AddPolarDot(QCustomPlot& plot, float angle, float radius, const QColor& colour,
                      double& largest);
// Whether a curve of a polar view is a dot rather than a line.
bool IsPolarDot(const QCPCurve& curve);
// Both axes span radius on either side of the centre, with room outside it for the marks'
// labels, which sit on a circle just beyond it.
void FitPolarView(QCustomPlot& plot, double radius);
