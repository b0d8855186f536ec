#pragma once
// The graph control of the Qt engine: a QCustomPlot in the resource's placeholder frame.

#include "platform/qt/qt_engine.h"

#include <vector>

class QCPAxisTickerFixed;
class QCPCurve;
class QCPGraph;
class QCustomPlot;
class QTimer;

struct QtEngine::Graph {
    struct Plot {
        int handle;
        QCPGraph* line;
        double minY;
        double maxY;
        double maxX;
    };
    QCustomPlot* view = nullptr; // owned by the placeholder frame
    // The axes' tickers, owned by the axes.
    QCPAxisTickerFixed* xTicks = nullptr;
    QCPAxisTickerFixed* yTicks = nullptr;
    // The number of ticks the Y axis had when last rounded: the next rounding starts from it.
    int yTickCount = 5;
    // The shown plots in the order they were made; they are the view's first lines, in that order,
    // so the last plotted is drawn on top. Lines after them are empty and hidden, kept for the
    // next plots.
    std::vector<Plot> plots;
    int nextPlot = 1;
    // The closed curves and dots of a polar view, and the largest radius among them: both axes
    // span it on either side of the centre, at the same scale.
    std::vector<QCPCurve*> curves;
    double polarRadius = 0.0;
    // The X value of sample i of the next plots is i times this gain.
    double xGain = 1.0;
    // Plots came or went since the axes were last fitted. The display plots its traces one after
    // the other: the axes are fitted once, to all of them, and the view redrawn once, when the
    // program is done plotting: after the callback, or at the next turn of the event loop.
    bool stale = false;
    QTimer* settle = nullptr; // owned by the view
};
