// The graph behind PlotY and DeleteGraphPlot, on QCustomPlot. Only this file (and the polar view
// it shares with the review window) knows the plotting library, so the graph can move to another
// one without touching the display code.
#include "platform/qt/qt_graph.h"

#include "platform/qt/polar_view.h"

#include <QTimer>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// The smallest of 1, 2 and 5 times a power of ten that is at least the given step.
double RoundStep(double step) {
    const double magnitude = std::pow(10.0, std::floor(std::log10(step)));
    for (double factor : {1.0, 2.0, 5.0})
        if (factor * magnitude >= step) return factor * magnitude;
    return 10.0 * magnitude;
}

// 1, 2, 5 or 10 times a power of ten near x: the next one up (ceiling), or the closest.
double NiceNumber(double x, bool ceiling) {
    const double magnitude = std::pow(10.0, std::floor(std::log10(x)));
    const double q = x / magnitude;
    double nice = 10.0;
    if (ceiling)
        nice = q <= 1.0 ? 1.0 : q <= 2.0 ? 2.0 : q <= 5.0 ? 5.0 : 10.0;
    else
        nice = q < 1.5 ? 1.0 : q < 3.0 ? 2.0 : q < 7.0 ? 5.0 : 10.0;
    return nice * magnitude;
}

// The Y axis widens to round numbers with ticks at a round step, the number of ticks following
// from the last: the riders' panel has always shown the power axis this way.
struct YAxisRange {
    double min;
    double max;
    double step;
    int ticks;
};
YAxisRange RoundYRange(double min, double max, int ticks) {
    const double span = NiceNumber(max - min, true);
    const double step = NiceNumber(span / (ticks - 1), false);
    const double low = std::floor(min / step);
    const double high = std::ceil(max / step);
    return {low * step, high * step, step, static_cast<int>(high - low) + 1};
}

// Ticks exactly at the step the graph gives, labels as %g prints them, solid light grid lines and
// a bold title, as the panel has always shown its axes.
QCPAxisTickerFixed* StyleAxis(QCPAxis& axis, double step) {
    QSharedPointer<QCPAxisTickerFixed> ticker(new QCPAxisTickerFixed);
    ticker->setScaleStrategy(QCPAxisTickerFixed::ssNone);
    ticker->setTickStep(step);
    axis.setTicker(ticker);
    axis.setNumberFormat(QStringLiteral("g"));
    axis.setNumberPrecision(6);
    axis.setRange(0.0, 1.0);
    axis.grid()->setPen(QPen(QColor(220, 220, 220)));
    QFont title = axis.labelFont();
    title.setBold(true);
    axis.setLabelFont(title);
    return ticker.data();
}

// An axis is set only when its range changes: a change lays out its labels again.
void SetRange(QCPAxis& axis, QCPAxisTickerFixed& ticker, double min, double max, double step) {
    if (axis.range().lower != min || axis.range().upper != max) axis.setRange(min, max);
    ticker.setTickStep(step);
}
} // namespace

void QtEngine::SetupGraph(Control& control) {
    auto graph = std::make_unique<Graph>();
    auto* view = new QCustomPlot(control.widget);
    // A trace comes already thinned to two points a pixel column and is drawn as one polyline of
    // one-pixel lines without smoothing: the raster engine strokes wider lines, or each segment
    // on its own, several times slower.
    view->setNotAntialiasedElements(QCP::aeAll);
    view->setPlottingHint(QCP::phFastPolylines, false);
    view->setInteractions(QCP::Interactions());
    // Everything is drawn into one buffer: the overlay layer would be a second one, cleared and
    // blended over the first at every redraw with nothing on it.
    view->layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmLogical);
    // The plot fills its whole area itself: nothing under it needs painting first.
    view->setAttribute(Qt::WA_OpaquePaintEvent);
    graph->xTicks = StyleAxis(*view->xAxis, 0.2);
    graph->yTicks = StyleAxis(*view->yAxis, 0.25);
    auto* layout = new QVBoxLayout(control.widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    graph->view = view;
    graph->settle = new QTimer(view);
    graph->settle->setSingleShot(true);
    graph->settle->setInterval(0);
    QObject::connect(graph->settle, &QTimer::timeout, view,
                     [this, settled = graph.get()] { SettleGraph(*settled); });
    control.graph = std::move(graph);
}

void QtEngine::MarkGraphStale(Graph& graph) {
    if (!graph.stale) staleGraphs += 1;
    graph.stale = true;
    if (!graph.settle->isActive()) graph.settle->start();
}

// The axes fit every trace at once, then the view draws them all, once, however many plots
// changed: a picture taken of the panel right after shows them.
void QtEngine::SettleGraph(Graph& graph) {
    if (!graph.stale) return;
    graph.stale = false;
    graph.settle->stop();
    RescaleGraph(graph);
    graph.view->replot(QCustomPlot::rpRefreshHint);
}

void QtEngine::SettleGraphs() {
    // Every callback ends here, fifty times a second: without a plot since, nothing to look at.
    if (staleGraphs == 0) return;
    staleGraphs = 0;
    for (const auto& [handle, panel] : panels)
        for (auto& [id, control] : panel->controls)
            if (control.graph) SettleGraph(*control.graph);
}

QCustomPlot* QtEngine::GraphPlot(int panel, int control) {
    Control* found = FindControl(panel, control);
    if (found == nullptr || !found->graph) return nullptr;
    SettleGraph(*found->graph);
    return found->graph->view;
}

void QtEngine::NameGraphAxis(Graph& graph, bool xAxis, const QString& name) {
    QCPAxis& axis = xAxis ? *graph.view->xAxis : *graph.view->yAxis;
    if (axis.label() != name) axis.setLabel(name);
}

// Axes fit every trace; the same traces on the next tick leave them as they are.
void QtEngine::RescaleGraph(Graph& graph) {
    if (IsPolarView(*graph.view)) {
        FitPolarView(*graph.view, graph.polarRadius);
        return;
    }
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
    // The X axis spans the samples exactly, with ticks at round steps from 0.
    SetRange(*graph.view->xAxis, *graph.xTicks, 0.0, maxX, RoundStep(maxX / 5.0));
    const YAxisRange y = RoundYRange(minY, maxY, graph.yTickCount);
    graph.yTickCount = y.ticks;
    SetRange(*graph.view->yAxis, *graph.yTicks, y.min, y.max, y.step);
}

namespace {
// What a trace draws: every sample when there are few, otherwise the lowest and the highest of
// each pixel column, in their order, so a peak one sample wide still shows. Drawing thousands of
// points into a few hundred columns would only paint the same pixels over.
template <typename XAt>
QVector<QCPGraphData> TracePoints(XAt xAt, const float* samples, int count, int columns) {
    QVector<QCPGraphData> points;
    if (count <= 2 * columns) {
        points.reserve(count);
        for (int i = 0; i < count; ++i) points.append(QCPGraphData(xAt(i), samples[i]));
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
        points.append(QCPGraphData(xAt(earlier), samples[earlier]));
        if (later != earlier) points.append(QCPGraphData(xAt(later), samples[later]));
    };
    for (int i = 0; i < count; ++i) {
        const float y = samples[i];
        // A point of no value is a gap in the line, thinned or not.
        if (std::isnan(y)) {
            flush();
            low = high = -1;
            column = -1;
            points.append(QCPGraphData(xAt(i), y));
            continue;
        }
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

// The columns a trace is drawn into: the plot area's width in pixels, or a wide window's while
// the view is not shown and so not laid out.
int PlotColumns(const QCustomPlot& view) {
    const int width = view.axisRect()->width();
    return view.isVisible() && width >= 16 ? width : 1920;
}
} // namespace

template <typename XAt>
int QtEngine::PlotTrace(int panel, int control, XAt xAt, const float* samples, int count,
                        int color) {
    Control* found = FindControl(panel, control);
    if (found == nullptr || !found->graph || (samples == nullptr && count > 0) || count < 0)
        return -1;
    Graph& graph = *found->graph;

    // A trace without a finite sample spans 0.
    double minY = std::numeric_limits<double>::infinity();
    double maxY = -minY;
    for (int i = 0; i < count; ++i) {
        const double y = samples[i];
        if (!std::isfinite(y)) continue;
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    if (minY > maxY) minY = maxY = 0.0;
    QVector<QCPGraphData> points = TracePoints(xAt, samples, count, PlotColumns(*graph.view));
    // The line keeps the samples' order when it can; X values out of order are sorted.
    const bool sorted =
        std::is_sorted(points.cbegin(), points.cend(),
                       [](const QCPGraphData& a, const QCPGraphData& b) { return a.key < b.key; });

    const int next = static_cast<int>(graph.plots.size());
    QCPGraph* line =
        next < graph.view->graphCount() ? graph.view->graph(next) : graph.view->addGraph();
    line->data()->set(points, sorted);
    const QPen pen(QColor((color >> 16) & 0xff, (color >> 8) & 0xff, color & 0xff));
    line->setPen(pen);
    // The points are thinned already, the peaks kept: the library's own thinning would only
    // look at them again.
    line->setAdaptiveSampling(false);
    line->setVisible(true);
    const int handle = graph.nextPlot++;
    graph.plots.push_back({handle, line, minY, maxY, count > 1 ? xAt(count - 1) : 0.0});
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

int QtEngine::PlotPolar(int panel, int control, const float* angle, const float* radius, int count,
                        int color) {
    Control* found = FindControl(panel, control);
    if (found == nullptr || !found->graph || count < 0 ||
        (count > 0 && (angle == nullptr || radius == nullptr)))
        return -1;
    Graph& graph = *found->graph;
    // A graph given a polar plot is a polar view from then on: square, without axes, marked
    // with the angles.
    MakePolarView(*graph.view);
    const QColor colour((color >> 16) & 0xff, (color >> 8) & 0xff, color & 0xff);
    QCPCurve* curve =
        count == 1 ? AddPolarDot(*graph.view, angle[0], radius[0], colour, graph.polarRadius)
                   : AddPolarCurve(*graph.view, angle, radius, count, colour, graph.polarRadius);
    graph.curves.push_back(curve);
    MarkGraphStale(graph);
    return graph.nextPlot++;
}

int QtEngine::DeleteGraphPlot(int panel, int control, int plotHandle, int) {
    Control* found = FindControl(panel, control);
    if (found == nullptr || !found->graph) return -1;
    Graph& graph = *found->graph;
    if (plotHandle == -1) {
        for (QCPCurve* curve : graph.curves) graph.view->removePlottable(curve);
        graph.curves.clear();
        graph.polarRadius = 0.0;
        // The lines stay for the next plots, empty and hidden.
        for (const Graph::Plot& plot : graph.plots) {
            plot.line->data()->clear();
            plot.line->setVisible(false);
        }
        graph.plots.clear();
        MarkGraphStale(graph);
        return 0;
    }
    const auto plot =
        std::find_if(graph.plots.begin(), graph.plots.end(),
                     [plotHandle](const Graph::Plot& p) { return p.handle == plotHandle; });
    if (plot == graph.plots.end()) return -1;
    // The plots after it move up a line, as their lines do.
    graph.view->removeGraph(plot->line);
    graph.plots.erase(plot);
    MarkGraphStale(graph);
    return 0;
}
