// The graph behind PlotY and DeleteGraphPlot, on Qt Charts. Only this file knows the plotting
// library, so the graph can move to another one without touching the display code.
#include "platform/qt/qt_graph.h"

#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QList>
#include <QPointF>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {
// The smallest of 1, 2 and 5 times a power of ten that is at least the given step.
double RoundStep(double step) {
    const double magnitude = std::pow(10.0, std::floor(std::log10(step)));
    for (double factor : {1.0, 2.0, 5.0})
        if (factor * magnitude >= step) return factor * magnitude;
    return 10.0 * magnitude;
}
} // namespace

void QtEngine::SetupGraph(Control& control) {
    auto graph = std::make_unique<Graph>();
    auto* chart = new QChart();
    // Three traces of up to 8192 points are redrawn twice a second: no animation, no legend.
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->hide();
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(2, 2, 2, 2));
    graph->xAxis = new QValueAxis();
    graph->yAxis = new QValueAxis();
    for (QValueAxis* axis : {graph->xAxis, graph->yAxis}) {
        axis->setRange(0.0, 1.0);
        axis->setLabelFormat(QStringLiteral("%g"));
    }
    graph->xAxis->setTickType(QValueAxis::TicksDynamic);
    graph->xAxis->setTickAnchor(0.0);
    graph->xAxis->setTickInterval(0.2);
    chart->addAxis(graph->xAxis, Qt::AlignBottom);
    chart->addAxis(graph->yAxis, Qt::AlignLeft);
    graph->trialAxis = new QValueAxis(chart);

    graph->view = new QChartView(chart, control.widget);
    graph->view->setRenderHint(QPainter::Antialiasing, false);
    graph->view->setFrameShape(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(control.widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(graph->view);
    graph->chart = chart;
    control.graph = std::move(graph);
}

QChart* QtEngine::GraphChart(int panel, int control) const {
    Control* found = FindControl(panel, control);
    return found == nullptr || !found->graph ? nullptr : found->graph->chart;
}

// Axes fit every trace. Each change of range lays out every shown trace again, so a plot that
// fits the present axes leaves them alone; the first plot on a cleared graph sets them afresh.
void QtEngine::RescaleGraph(Graph& graph, bool fresh) {
    double minY = 0.0, maxY = 1.0, maxX = 1.0;
    if (!graph.plots.empty()) {
        const Graph::Plot& last = graph.plots.back();
        if (!fresh && last.minY >= graph.yAxis->min() && last.maxY <= graph.yAxis->max() &&
            last.maxX <= graph.xAxis->max())
            return;
        minY = last.minY;
        maxY = last.maxY;
        maxX = 0.0;
        for (const Graph::Plot& plot : graph.plots) {
            minY = std::min(minY, plot.minY);
            maxY = std::max(maxY, plot.maxY);
            maxX = std::max(maxX, plot.maxX);
        }
    }
    if (!(maxY > minY)) {
        minY -= 1.0;
        maxY += 1.0;
    }
    if (!(maxX > 0.0) || !std::isfinite(maxX)) maxX = 1.0;
    // The X axis spans the samples exactly, with ticks at round steps. Range and step change in
    // the order that never asks for thousands of ticks in between.
    const double step = RoundStep(maxX / 5.0);
    if (step >= graph.xAxis->tickInterval()) {
        graph.xAxis->setTickInterval(step);
        graph.xAxis->setRange(0.0, maxX);
    } else {
        graph.xAxis->setRange(0.0, maxX);
        graph.xAxis->setTickInterval(step);
    }
    // The range is tried on the trial axis first, so the graph's own axis changes at most once,
    // straight to the round range it ends with, and not at all when it has that range already:
    // every change lays out the labels and every trace drawn again.
    QValueAxis& trial = *graph.trialAxis;
    trial.setTickCount(graph.yAxis->tickCount());
    trial.setRange(graph.yAxis->min(), graph.yAxis->max());
    trial.setRange(minY, maxY);
    trial.applyNiceNumbers();
    if (trial.min() != graph.yAxis->min() || trial.max() != graph.yAxis->max())
        graph.yAxis->setRange(trial.min(), trial.max());
    graph.yAxis->setTickCount(trial.tickCount());
}

int QtEngine::PlotY(int panel, int control, const float* samples, int count, int color) {
    Control* found = FindControl(panel, control);
    if (found == nullptr || !found->graph || (samples == nullptr && count > 0) || count < 0)
        return -1;
    Graph& graph = *found->graph;
    const double gain = graph.xGain;

    QList<QPointF> points;
    points.reserve(count);
    double minY = 0.0, maxY = 0.0;
    bool any = false;
    for (int i = 0; i < count; ++i) {
        const double y = samples[i];
        points.append(QPointF(i * gain, y));
        if (!std::isfinite(y)) continue;
        minY = any ? std::min(minY, y) : y;
        maxY = any ? std::max(maxY, y) : y;
        any = true;
    }

    // The axes first, while the new series is still empty, then its points in one replace.
    const bool fresh = graph.plots.empty();
    const int handle = graph.nextPlot++;
    QLineSeries* series = nullptr;
    if (graph.spare.empty()) {
        series = new QLineSeries();
        graph.chart->addSeries(series);
        series->attachAxis(graph.xAxis);
        series->attachAxis(graph.yAxis);
    } else {
        series = graph.spare.back();
        graph.spare.pop_back();
    }
    graph.plots.push_back({handle, series, minY, maxY, count > 1 ? (count - 1) * gain : 0.0});
    RescaleGraph(graph, fresh);
    QPen pen(QColor((color >> 16) & 0xff, (color >> 8) & 0xff, color & 0xff));
    pen.setWidthF(1.5);
    series->setPen(pen);
    series->setVisible(true);
    series->replace(points);
    return handle;
}

int QtEngine::DeleteGraphPlot(int panel, int control, int plotHandle, int) {
    Control* found = FindControl(panel, control);
    if (found == nullptr || !found->graph) return -1;
    Graph& graph = *found->graph;
    const auto retire = [&graph](const Graph::Plot& plot) {
        plot.series->clear();
        plot.series->setVisible(false);
        graph.spare.push_back(plot.series);
    };
    if (plotHandle == -1) {
        for (const Graph::Plot& plot : graph.plots) retire(plot);
        graph.plots.clear();
        return 0;
    }
    const auto plot =
        std::find_if(graph.plots.begin(), graph.plots.end(),
                     [plotHandle](const Graph::Plot& p) { return p.handle == plotHandle; });
    if (plot == graph.plots.end()) return -1;
    retire(*plot);
    graph.plots.erase(plot);
    RescaleGraph(graph, true);
    return 0;
}
