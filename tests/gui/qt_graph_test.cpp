// The graph behind PlotY and DeleteGraphPlot.
#include "tests/gui/qt_fixture.h"

#include <QChart>
#include <QLineSeries>
#include <QValueAxis>

#include <cmath>
#include <vector>

namespace {
std::vector<float> Wave(int count, float amplitude) {
    std::vector<float> samples(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        samples[static_cast<std::size_t>(i)] = amplitude * std::sin(i * 0.01f) + 100.0f;
    return samples;
}

// The traces the rider sees: shown series with points.
QList<QLineSeries*> Traces(QChart* chart) {
    QList<QLineSeries*> traces;
    for (QAbstractSeries* series : chart->series()) {
        auto* line = qobject_cast<QLineSeries*>(series);
        if (line != nullptr && line->isVisible() && line->count() > 0) traces << line;
    }
    return traces;
}

QValueAxis* Axis(QChart* chart, Qt::Orientation orientation) {
    return qobject_cast<QValueAxis*>(chart->axes(orientation).constFirst());
}
} // namespace

using GraphTest = QtEngineTest;

TEST_F(GraphTest, AShortTraceDrawsEverySampleInItsColour) {
    const std::vector<float> samples = Wave(120, 300.0f);
    EXPECT_GT(PlotY(mainPanel, MAIN_GRAPH, samples.data(), 120, VAL_RED), 0);
    QLineSeries* series = Traces(engine->GraphChart(mainPanel, MAIN_GRAPH)).at(0);
    ASSERT_EQ(series->count(), 120);
    EXPECT_EQ(series->at(119).y(), static_cast<double>(samples[119]));
    EXPECT_EQ(series->color(), QColor(255, 0, 0));
}

TEST_F(GraphTest, ALongTraceDrawsEachColumnsLowestAndHighestSoAOneSamplePeakShows) {
    std::vector<float> samples = Wave(8192, 300.0f);
    samples[4321] = 900.0f;
    samples[777] = -700.0f;
    PlotY(mainPanel, MAIN_GRAPH, samples.data(), 8192, VAL_RED);
    QChart* chart = engine->GraphChart(mainPanel, MAIN_GRAPH);
    QLineSeries* series = Traces(chart).at(0);
    EXPECT_LE(series->count(), 2 * 1920 + 2);
    EXPECT_LT(series->count(), 8192);
    double highest = -1e9, lowest = 1e9, lastX = -1.0;
    bool rising = true;
    for (const QPointF& point : series->points()) {
        highest = std::max(highest, point.y());
        lowest = std::min(lowest, point.y());
        rising = rising && point.x() > lastX;
        lastX = point.x();
    }
    EXPECT_EQ(highest, 900.0);
    EXPECT_EQ(lowest, -700.0);
    EXPECT_TRUE(rising);
    EXPECT_EQ(lastX, 8191.0);
    EXPECT_EQ(Axis(chart, Qt::Vertical)->max() >= 900.0, true);
}

TEST_F(GraphTest, PlotXYPutsEachSampleAtItsOwnX) {
    const std::vector<float> x{0.0f, 0.02f, 0.05f, 0.09f};
    const std::vector<float> y{100.0f, 200.0f, 150.0f, 250.0f};
    PlotXY(mainPanel, MAIN_GRAPH, x.data(), y.data(), 4, VAL_BLACK);
    QChart* chart = engine->GraphChart(mainPanel, MAIN_GRAPH);
    QLineSeries* series = Traces(chart).at(0);
    ASSERT_EQ(series->count(), 4);
    EXPECT_FLOAT_EQ(static_cast<float>(series->at(2).x()), 0.05f);
    EXPECT_FLOAT_EQ(static_cast<float>(Axis(chart, Qt::Horizontal)->max()), 0.09f);
}

TEST_F(GraphTest, AxesCoverEveryTraceAndTheXAxisEndsWithTheSamples) {
    const std::vector<float> low = Wave(1000, 50.0f);
    std::vector<float> high = Wave(2000, 500.0f);
    PlotY(mainPanel, MAIN_GRAPH, low.data(), 1000, VAL_BLUE);
    PlotY(mainPanel, MAIN_GRAPH, high.data(), 2000, VAL_GREEN);
    QChart* chart = engine->GraphChart(mainPanel, MAIN_GRAPH);
    QValueAxis* y = Axis(chart, Qt::Vertical);
    EXPECT_LE(y->min(), -400.0);
    EXPECT_GE(y->max(), 600.0);
    EXPECT_EQ(Axis(chart, Qt::Horizontal)->max(), 1999.0);
}

TEST_F(GraphTest, TheSameTracesOnTheNextTickLeaveTheAxesAlone) {
    const std::vector<float> low = Wave(3000, 20.0f);
    const std::vector<float> high = Wave(3000, 400.0f);
    const auto tick = [&] {
        DeleteGraphPlot(mainPanel, MAIN_GRAPH, -1, 1);
        PlotY(mainPanel, MAIN_GRAPH, low.data(), 3000, VAL_BLACK);
        PlotY(mainPanel, MAIN_GRAPH, high.data(), 3000, VAL_ORANGE);
        return engine->GraphChart(mainPanel, MAIN_GRAPH);
    };
    QChart* chart = tick();
    int changes = 0;
    for (Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical})
        QObject::connect(Axis(chart, orientation), &QValueAxis::rangeChanged,
                         [&changes] { changes += 1; });
    tick();
    EXPECT_EQ(changes, 0);
    EXPECT_LE(Axis(chart, Qt::Vertical)->min(), -300.0);
}

TEST_F(GraphTest, XGainScalesTheNextPlots) {
    SetCtrlAttribute(mainPanel, MAIN_GRAPH, ATTR_XAXIS_GAIN, 0.033333);
    const std::vector<float> samples = Wave(301, 10.0f);
    PlotY(mainPanel, MAIN_GRAPH, samples.data(), 301, VAL_BLUE);
    QLineSeries* series = Traces(engine->GraphChart(mainPanel, MAIN_GRAPH)).at(0);
    EXPECT_NEAR(series->at(300).x(), 300 * 0.033333, 1e-9);
}

TEST_F(GraphTest, AxisTitlesComeFromTheAttributes) {
    SetCtrlAttribute(mainPanel, MAIN_GRAPH, ATTR_XNAME, "2 Turns");
    SetCtrlAttribute(mainPanel, MAIN_GRAPH, ATTR_YNAME, "N");
    QChart* chart = engine->GraphChart(mainPanel, MAIN_GRAPH);
    EXPECT_EQ(Axis(chart, Qt::Horizontal)->titleText(), "2 Turns");
    EXPECT_EQ(Axis(chart, Qt::Vertical)->titleText(), "N");
}

TEST_F(GraphTest, DeleteAllClearsEveryTrace) {
    const std::vector<float> samples = Wave(8192, 1.0f);
    for (int color : {VAL_RED, VAL_BLUE, VAL_GREEN})
        PlotY(mainPanel, MAIN_GRAPH, samples.data(), 8192, color);
    QChart* chart = engine->GraphChart(mainPanel, MAIN_GRAPH);
    ASSERT_EQ(Traces(chart).size(), 3);
    EXPECT_EQ(DeleteGraphPlot(mainPanel, MAIN_GRAPH, -1, 1), 0);
    EXPECT_TRUE(Traces(chart).isEmpty());
    // The next redraw shows only its own traces, once the program is done plotting.
    PlotY(mainPanel, MAIN_GRAPH, samples.data(), 100, VAL_BLUE);
    chart = engine->GraphChart(mainPanel, MAIN_GRAPH);
    ASSERT_EQ(Traces(chart).size(), 1);
    EXPECT_EQ(Traces(chart)[0]->count(), 100);
    EXPECT_EQ(Axis(chart, Qt::Horizontal)->max(), 99.0);
    EXPECT_EQ(Traces(chart)[0]->color(), QColor(0, 0, 255));
}

TEST_F(GraphTest, DeleteOneRemovesOnlyThatTrace) {
    const std::vector<float> samples = Wave(10, 1.0f);
    const int first = PlotY(mainPanel, MAIN_GRAPH, samples.data(), 10, VAL_RED);
    PlotY(mainPanel, MAIN_GRAPH, samples.data(), 10, VAL_BLUE);
    EXPECT_EQ(DeleteGraphPlot(mainPanel, MAIN_GRAPH, first, 1), 0);
    QChart* chart = engine->GraphChart(mainPanel, MAIN_GRAPH);
    ASSERT_EQ(Traces(chart).size(), 1);
    EXPECT_EQ(Traces(chart)[0]->color(), QColor(0, 0, 255));
    EXPECT_LT(DeleteGraphPlot(mainPanel, MAIN_GRAPH, first, 1), 0);
}
