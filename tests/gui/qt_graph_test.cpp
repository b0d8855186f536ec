// The graph behind PlotY and DeleteGraphPlot.
#include "tests/gui/qt_fixture.h"

#include <QImage>

#include <cmath>
#include <vector>

namespace {
std::vector<float> Wave(int count, float amplitude) {
    std::vector<float> samples(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        samples[static_cast<std::size_t>(i)] = amplitude * std::sin(i * 0.01f) + 100.0f;
    return samples;
}

QCPAxis* Axis(QCustomPlot* chart, Qt::Orientation orientation) {
    return orientation == Qt::Horizontal ? chart->xAxis : chart->yAxis;
}
} // namespace

using GraphTest = QtEngineTest;

TEST_F(GraphTest, AShortTraceDrawsEverySampleInItsColour) {
    const std::vector<float> samples = Wave(120, 300.0f);
    EXPECT_GT(PlotY(mainPanel, MAIN_GRAPH, samples.data(), 120, VAL_RED), 0);
    QCPGraph* series = Traces(engine->GraphPlot(mainPanel, MAIN_GRAPH)).at(0);
    ASSERT_EQ(series->data()->size(), 120);
    EXPECT_EQ(series->data()->at(119)->value, static_cast<double>(samples[119]));
    EXPECT_EQ(series->pen().color(), QColor(255, 0, 0));
}

TEST_F(GraphTest, ALongTraceDrawsEachColumnsLowestAndHighestSoAOneSamplePeakShows) {
    std::vector<float> samples = Wave(8192, 300.0f);
    samples[4321] = 900.0f;
    samples[777] = -700.0f;
    PlotY(mainPanel, MAIN_GRAPH, samples.data(), 8192, VAL_RED);
    QCustomPlot* chart = engine->GraphPlot(mainPanel, MAIN_GRAPH);
    QCPGraph* series = Traces(chart).at(0);
    EXPECT_LE(series->data()->size(), 2 * 1920 + 2);
    EXPECT_LT(series->data()->size(), 8192);
    double highest = -1e9, lowest = 1e9, lastX = -1.0;
    bool rising = true;
    for (const QCPGraphData& point : *series->data()) {
        highest = std::max(highest, point.value);
        lowest = std::min(lowest, point.value);
        rising = rising && point.key > lastX;
        lastX = point.key;
    }
    EXPECT_EQ(highest, 900.0);
    EXPECT_EQ(lowest, -700.0);
    EXPECT_TRUE(rising);
    EXPECT_EQ(lastX, 8191.0);
    EXPECT_EQ(Axis(chart, Qt::Vertical)->range().upper >= 900.0, true);
}

// A sample of no value (a lost link in a history) breaks the line there, in a trace drawn whole
// and in one thinned to the pixel columns.
TEST_F(GraphTest, ASampleOfNoValueBreaksTheLineWhetherTheTraceIsThinnedOrNot) {
    for (const int count : {120, 8192}) {
        SCOPED_TRACE(count);
        std::vector<float> samples = Wave(count, 300.0f);
        samples[static_cast<std::size_t>(count / 2)] = std::nanf("");
        DeleteGraphPlot(mainPanel, MAIN_GRAPH, -1, 1);
        PlotY(mainPanel, MAIN_GRAPH, samples.data(), count, VAL_BLACK);
        QCPGraph* series = Traces(engine->GraphPlot(mainPanel, MAIN_GRAPH)).at(0);
        int gaps = 0;
        for (const QCPGraphData& point : *series->data())
            if (std::isnan(point.value)) {
                gaps += 1;
                EXPECT_DOUBLE_EQ(point.key, count / 2);
            }
        EXPECT_EQ(gaps, 1);
    }
}

TEST_F(GraphTest, PlotXYPutsEachSampleAtItsOwnX) {
    const std::vector<float> x{0.0f, 0.02f, 0.05f, 0.09f};
    const std::vector<float> y{100.0f, 200.0f, 150.0f, 250.0f};
    PlotXY(mainPanel, MAIN_GRAPH, x.data(), y.data(), 4, VAL_BLACK);
    QCustomPlot* chart = engine->GraphPlot(mainPanel, MAIN_GRAPH);
    QCPGraph* series = Traces(chart).at(0);
    ASSERT_EQ(series->data()->size(), 4);
    EXPECT_FLOAT_EQ(static_cast<float>(series->data()->at(2)->key), 0.05f);
    EXPECT_FLOAT_EQ(static_cast<float>(Axis(chart, Qt::Horizontal)->range().upper), 0.09f);
}

TEST_F(GraphTest, AxesCoverEveryTraceAndTheXAxisEndsWithTheSamples) {
    const std::vector<float> low = Wave(1000, 50.0f);
    std::vector<float> high = Wave(2000, 500.0f);
    PlotY(mainPanel, MAIN_GRAPH, low.data(), 1000, VAL_BLUE);
    PlotY(mainPanel, MAIN_GRAPH, high.data(), 2000, VAL_GREEN);
    QCustomPlot* chart = engine->GraphPlot(mainPanel, MAIN_GRAPH);
    QCPAxis* y = Axis(chart, Qt::Vertical);
    EXPECT_LE(y->range().lower, -400.0);
    EXPECT_GE(y->range().upper, 600.0);
    EXPECT_EQ(Axis(chart, Qt::Horizontal)->range().upper, 1999.0);
}

TEST_F(GraphTest, TheSameTracesOnTheNextTickLeaveTheAxesAlone) {
    const std::vector<float> low = Wave(3000, 20.0f);
    const std::vector<float> high = Wave(3000, 400.0f);
    const auto tick = [&] {
        DeleteGraphPlot(mainPanel, MAIN_GRAPH, -1, 1);
        PlotY(mainPanel, MAIN_GRAPH, low.data(), 3000, VAL_BLACK);
        PlotY(mainPanel, MAIN_GRAPH, high.data(), 3000, VAL_ORANGE);
        return engine->GraphPlot(mainPanel, MAIN_GRAPH);
    };
    QCustomPlot* chart = tick();
    int changes = 0;
    for (Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical})
        QObject::connect(Axis(chart, orientation),
                         qOverload<const QCPRange&>(&QCPAxis::rangeChanged),
                         [&changes] { changes += 1; });
    tick();
    EXPECT_EQ(changes, 0);
    EXPECT_LE(Axis(chart, Qt::Vertical)->range().lower, -300.0);
}

TEST_F(GraphTest, XGainScalesTheNextPlots) {
    SetCtrlAttribute(mainPanel, MAIN_GRAPH, ATTR_XAXIS_GAIN, 0.033333);
    const std::vector<float> samples = Wave(301, 10.0f);
    PlotY(mainPanel, MAIN_GRAPH, samples.data(), 301, VAL_BLUE);
    QCPGraph* series = Traces(engine->GraphPlot(mainPanel, MAIN_GRAPH)).at(0);
    EXPECT_NEAR(series->data()->at(300)->key, 300 * 0.033333, 1e-9);
}

TEST_F(GraphTest, AxisTitlesComeFromTheAttributes) {
    SetCtrlAttribute(mainPanel, MAIN_GRAPH, ATTR_XNAME, "2 Turns");
    SetCtrlAttribute(mainPanel, MAIN_GRAPH, ATTR_YNAME, "N");
    QCustomPlot* chart = engine->GraphPlot(mainPanel, MAIN_GRAPH);
    EXPECT_EQ(Axis(chart, Qt::Horizontal)->label(), "2 Turns");
    EXPECT_EQ(Axis(chart, Qt::Vertical)->label(), "N");
}

TEST_F(GraphTest, DeleteAllClearsEveryTrace) {
    const std::vector<float> samples = Wave(8192, 1.0f);
    for (int color : {VAL_RED, VAL_BLUE, VAL_GREEN})
        PlotY(mainPanel, MAIN_GRAPH, samples.data(), 8192, color);
    QCustomPlot* chart = engine->GraphPlot(mainPanel, MAIN_GRAPH);
    ASSERT_EQ(Traces(chart).size(), 3);
    EXPECT_EQ(DeleteGraphPlot(mainPanel, MAIN_GRAPH, -1, 1), 0);
    EXPECT_TRUE(Traces(chart).isEmpty());
    // The next redraw shows only its own traces, once the program is done plotting.
    PlotY(mainPanel, MAIN_GRAPH, samples.data(), 100, VAL_BLUE);
    chart = engine->GraphPlot(mainPanel, MAIN_GRAPH);
    ASSERT_EQ(Traces(chart).size(), 1);
    EXPECT_EQ(Traces(chart)[0]->data()->size(), 100);
    EXPECT_EQ(Axis(chart, Qt::Horizontal)->range().upper, 99.0);
    EXPECT_EQ(Traces(chart)[0]->pen().color(), QColor(0, 0, 255));
}

TEST_F(GraphTest, DeleteOneRemovesOnlyThatTrace) {
    const std::vector<float> samples = Wave(10, 1.0f);
    const int first = PlotY(mainPanel, MAIN_GRAPH, samples.data(), 10, VAL_RED);
    PlotY(mainPanel, MAIN_GRAPH, samples.data(), 10, VAL_BLUE);
    EXPECT_EQ(DeleteGraphPlot(mainPanel, MAIN_GRAPH, first, 1), 0);
    QCustomPlot* chart = engine->GraphPlot(mainPanel, MAIN_GRAPH);
    ASSERT_EQ(Traces(chart).size(), 1);
    EXPECT_EQ(Traces(chart)[0]->pen().color(), QColor(0, 0, 255));
    EXPECT_LT(DeleteGraphPlot(mainPanel, MAIN_GRAPH, first, 1), 0);
}

TEST_F(GraphTest, APictureOfThePanelRightAfterPlottingShowsTheTraces) {
    DisplayPanel(mainPanel);
    QCoreApplication::processEvents();
    const std::vector<float> samples = Wave(500, 300.0f);
    PlotY(mainPanel, MAIN_GRAPH, samples.data(), 500, VAL_RED);
    // The program is done plotting, as at the end of a callback; no event is processed before
    // the picture, as when the panel is printed at once.
    engine->GraphPlot(mainPanel, MAIN_GRAPH);
    const QImage picture = Widget(MAIN_GRAPH)->grab().toImage();
    int red = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            red += picture.pixelColor(x, y) == QColor(255, 0, 0) ? 1 : 0;
    EXPECT_GT(red, 100);
}
