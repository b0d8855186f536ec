// The graph behind PlotY and DeleteGraphPlot, on Qt Charts. Only this file knows the plotting
// library, so the graph can move to another one without touching the display code.
#include "platform/qt/qt_graph.h"

#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QList>
#include <QPointF>
#include <QTimer>
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
    graph->settle = new QTimer(graph->view);
    graph->settle->setSingleShot(true);
    graph->settle->setInterval(0);
    QObject::connect(graph->settle, &QTimer::timeout, graph->view,
                     [this, settled = graph.get()] { SettleGraph(*settled); });
    control.graph = std::move(graph);
}

void QtEngine::MarkGraphStale(Graph& graph) {
    if (!graph.stale) staleGraphs += 1;
    graph.stale = true;
    if (!graph.settle->isActive()) graph.settle->start();
}

// The axes fit every trace at once, then each new trace takes its points: a trace is laid out
// once, against the axes it is shown with.
void QtEngine::SettleGraph(Graph& graph) {
    if (!graph.stale) return;
    graph.stale = false;
    graph.settle->stop();
    RescaleGraph(graph);
    for (Graph::Plot& plot : graph.plots) {
        if (plot.pending.isEmpty()) continue;
        plot.series->replace(plot.pending);
        plot.pending.clear();
    }
}

void QtEngine::SettleGraphs() {
    // Every callback ends here, fifty times a second: without a plot since, nothing to look at.
    if (staleGraphs == 0) return;
    staleGraphs = 0;
    for (const auto& [handle, panel] : panels)
        for (auto& [id, control] : panel->controls)
            if (control.graph) SettleGraph(*control.graph);
}

QChart* QtEngine::GraphChart(int panel, int control) {
    Control* found = FindControl(panel, control);
    if (found == nullptr || !found->graph) return nullptr;
    SettleGraph(*found->graph);
    return found->graph->chart;
}

// Axes fit every trace. Each change of range lays out every shown trace again, so the same
// traces on the next tick leave the axes as they are.
void QtEngine::RescaleGraph(Graph& graph) {
    double minY = 0.0, maxY = 1.0, maxX = 1.0;
    if (!graph.plots.empty()) {
        const Graph::Plot& last = graph.plots.back();
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

namespace {
// What a trace draws: every sample when there are few, otherwise the lowest and the highest of
// each pixel column, in their order, so a peak one sample wide still shows. Drawing thousands of
// points into a few hundred columns would only paint the same pixels over.
template <typename XAt>
QList<QPointF> TracePoints(XAt xAt, const float* samples, int count, int columns) {
    QList<QPointF> points;
    if (count <= 2 * columns) {
        points.reserve(count);
        for (int i = 0; i < count; ++i) points.append(QPointF(xAt(i), samples[i]));
        return points;
    }
    points.reserve(2 * columns + 2);
    const double first = xAt(0);
    const double span = xAt(count - 1) - first;
    const double perColumn = span > 0.0 ? columns / span : 0.0;
    int column = -1;
    int low = -1;
    int high = -1;
    const auto flush = [&] {
        if (low < 0) return;
        const int earlier = std::min(low, high);
        const int later = std::max(low, high);
        points.append(QPointF(xAt(earlier), samples[earlier]));
        if (later != earlier) points.append(QPointF(xAt(later), samples[later]));
    };
    for (int i = 0; i < count; ++i) {
        const float y = samples[i];
        if (!std::isfinite(y)) continue;
        // Clamped as a real number: X values out of order or not finite land at an edge.
        const double place = (xAt(i) - first) * perColumn;
        const int at = place > 0.0 ? static_cast<int>(std::min(place, columns - 1.0)) : 0;
        if (at != column) {
            flush();
            column = at;
            low = high = i;
        } else if (y < samples[low]) {
            low = i;
        } else if (y > samples[high]) {
            high = i;
        }
    }
    flush();
    return points;
}

// The columns a trace is drawn into: the plot area's width in pixels, or a wide window's before
// the chart is first laid out.
int PlotColumns(const QChart& chart) {
    const int width = static_cast<int>(chart.plotArea().width());
    return width >= 16 ? width : 1920;
}
} // namespace

template <typename XAt>
int QtEngine::PlotTrace(int panel, int control, XAt xAt, const float* samples, int count,
                        int color) {
    Control* found = FindControl(panel, control);
    if (found == nullptr || !found->graph || (samples == nullptr && count > 0) || count < 0)
        return -1;
    Graph& graph = *found->graph;

    double minY = 0.0, maxY = 0.0;
    bool any = false;
    for (int i = 0; i < count; ++i) {
        const double y = samples[i];
        if (!std::isfinite(y)) continue;
        minY = any ? std::min(minY, y) : y;
        maxY = any ? std::max(maxY, y) : y;
        any = true;
    }
    QList<QPointF> points = TracePoints(xAt, samples, count, PlotColumns(*graph.chart));

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
    graph.plots.push_back(
        {handle, series, minY, maxY, count > 1 ? xAt(count - 1) : 0.0, std::move(points)});
    QPen pen(QColor((color >> 16) & 0xff, (color >> 8) & 0xff, color & 0xff));
    pen.setWidthF(1.5);
    series->setPen(pen);
    series->setVisible(true);
    MarkGraphStale(graph);
    return handle;
}

int QtEngine::PlotY(int panel, int control, const float* samples, int count, int color) {
    Control* found = FindControl(panel, control);
    const double gain = found != nullptr && found->graph ? found->graph->xGain : 1.0;
    return PlotTrace(
        panel, control, [gain](int i) { return i * gain; }, samples, count, color);
}

int QtEngine::PlotXY(int panel, int control, const float* x, const float* y, int count, int color) {
    if (x == nullptr && count > 0) return -1;
    return PlotTrace(
        panel, control, [x](int i) { return static_cast<double>(x[i]); }, y, count, color);
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
        MarkGraphStale(graph);
        return 0;
    }
    const auto plot =
        std::find_if(graph.plots.begin(), graph.plots.end(),
                     [plotHandle](const Graph::Plot& p) { return p.handle == plotHandle; });
    if (plot == graph.plots.end()) return -1;
    retire(*plot);
    graph.plots.erase(plot);
    MarkGraphStale(graph);
    return 0;
}
