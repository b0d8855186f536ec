#pragma once
// The graph control of the Qt engine: a Qt Charts view in the resource's placeholder frame.

#include "platform/qt/qt_engine.h"

#include <vector>

class QChartView;
class QLineSeries;
class QValueAxis;

struct QtEngine::Graph {
    struct Plot {
        int handle;
        QLineSeries* series;
        double minY;
        double maxY;
        double maxX;
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
};
