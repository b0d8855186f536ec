#pragma once
// The graph control of the Qt engine: a Qt Charts view in the resource's placeholder frame.

#include "platform/qt/qt_engine.h"

#include <QList>
#include <QPointF>

#include <vector>

class QChartView;
class QLineSeries;
class QTimer;
class QValueAxis;

struct QtEngine::Graph {
    struct Plot {
        int handle;
        QLineSeries* series;
        double minY;
        double maxY;
        double maxX;
        // The points the series takes once the axes are settled.
        QList<QPointF> pending;
    };
    QChart* chart = nullptr; // owned by the view
    QChartView* view = nullptr;
    QValueAxis* xAxis = nullptr;
    QValueAxis* yAxis = nullptr;
    // An axis of no chart, where a new Y range is tried out before the graph's own axis takes it.
    QValueAxis* trialAxis = nullptr;
    std::vector<Plot> plots;
    // Series of deleted plots, empty and hidden, kept attached to the axes for the next plots:
    // adding a series to a chart lays its points out three times, refilling one only once.
    std::vector<QLineSeries*> spare;
    int nextPlot = 1;
    // The X value of sample i of the next plots is i times this gain.
    double xGain = 1.0;
    // Plots came or went since the axes were last fitted. The display plots its traces one after
    // the other; fitting the axes to each in turn would lay out the traces drawn before it again,
    // so the axes are fitted once, to all of them, when the program is done plotting: after the
    // callback, or at the next turn of the event loop (settle).
    bool stale = false;
    QTimer* settle = nullptr; // owned by the view
};
