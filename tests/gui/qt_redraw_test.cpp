// What the Qt engine leaves undone because nothing would change on the panel: a read-out set to
// the value it shows, a lamp set to the state it has, axes asked for the range they have. What
// the rider sees and what the program reads back stay as they were.
#include "tests/gui/qt_fixture.h"

#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QImage>
#include <QLineEdit>
#include <QSpinBox>

#include <cmath>
#include <functional>
#include <vector>

namespace {
// Counts the paint events a widget and its children receive.
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(QWidget* widget) {
        widget->installEventFilter(this);
        for (QWidget* child : widget->findChildren<QWidget*>()) child->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) paints += 1;
        return false;
    }
    int paints = 0;
};

double Read(int panel, int control) {
    double value = 0.0;
    GetCtrlVal(panel, control, &value);
    return value;
}

} // namespace

class RedrawTest : public QtEngineTest {
  protected:
    void SetUp() override {
        QtEngineTest::SetUp();
        DisplayPanel(mainPanel);
        QCoreApplication::processEvents();
    }
    // Paint events the control receives once the event loop has turned.
    int PaintsAfter(int control, const std::function<void()>& change) {
        PaintCounter counter(Widget(control));
        change();
        QCoreApplication::processEvents();
        return counter.paints;
    }
};

TEST_F(RedrawTest, AReadOutSetToTheValueItShowsIsNotRepainted) {
    SetCtrlVal(mainPanel, MAIN_POWER_TOTAL, 233.4);
    QCoreApplication::processEvents();
    EXPECT_EQ(
        PaintsAfter(MAIN_POWER_TOTAL, [this] { SetCtrlVal(mainPanel, MAIN_POWER_TOTAL, 233.4); }),
        0);
    EXPECT_GT(
        PaintsAfter(MAIN_POWER_TOTAL, [this] { SetCtrlVal(mainPanel, MAIN_POWER_TOTAL, 240.0); }),
        0);
    EXPECT_EQ(Widget<QDoubleSpinBox>(MAIN_POWER_TOTAL)->text(), "240");
}

TEST_F(RedrawTest, AReadOutStillTakesEveryValueThatDiffersToTheBit) {
    SetCtrlVal(mainPanel, MAIN_OFL, 0.0);
    SetCtrlVal(mainPanel, MAIN_OFL, -0.0);
    EXPECT_TRUE(std::signbit(Read(mainPanel, MAIN_OFL)));
    // Single precision: a difference the float cannot hold is the same value.
    SetCtrlVal(mainPanel, MAIN_OFL, 1.0);
    SetCtrlVal(mainPanel, MAIN_OFL, 1.0 + 1e-12);
    EXPECT_EQ(Read(mainPanel, MAIN_OFL), 1.0);
    SetCtrlVal(mainPanel, MAIN_OFL, 1.0000001);
    EXPECT_EQ(Read(mainPanel, MAIN_OFL), static_cast<double>(1.0000001f));
}

TEST_F(RedrawTest, AnEntryFieldIsAlwaysSetSoTheProgramsValueReplacesWhatWasTyped) {
    SetCtrlVal(mainPanel, MAIN_WHEEL_DIAMETER, 668.0);
    auto* field = Widget<QDoubleSpinBox>(MAIN_WHEEL_DIAMETER);
    field->findChild<QLineEdit*>()->setText("123");
    SetCtrlVal(mainPanel, MAIN_WHEEL_DIAMETER, 668.0);
    EXPECT_EQ(field->value(), 668.0);
    EXPECT_TRUE(field->text().startsWith("668"));
}

TEST_F(RedrawTest, AnIntegerReadOutSetToItsNumberIsNotRepaintedAndSaturatesAtItsRange) {
    SetCtrlAttribute(mainPanel, MAIN_LINK_FRAMES, ATTR_VISIBLE, 1);
    SetCtrlVal(mainPanel, MAIN_LINK_FRAMES, 4472);
    QCoreApplication::processEvents();
    EXPECT_EQ(
        PaintsAfter(MAIN_LINK_FRAMES, [this] { SetCtrlVal(mainPanel, MAIN_LINK_FRAMES, 4472); }),
        0);
    SetCtrlVal(mainPanel, MAIN_LINK_FRAMES, 4473);
    EXPECT_EQ(Read(mainPanel, MAIN_LINK_FRAMES), 4473.0);
    SetCtrlVal(mainPanel, MAIN_LINK_FRAMES, 5e12);
    EXPECT_EQ(Read(mainPanel, MAIN_LINK_FRAMES), Widget<QSpinBox>(MAIN_LINK_FRAMES)->maximum());
}

TEST_F(RedrawTest, TheRevolutionLampRepaintsOnlyWhenItChangesAndShowsItsState) {
    QWidget* lamp = Widget(MAIN_TURN_LED);
    const auto centre = [lamp] {
        return lamp->grab().toImage().pixelColor(lamp->width() / 2, lamp->height() / 2);
    };
    for (int round = 0; round < 3; ++round) {
        SetCtrlVal(mainPanel, MAIN_TURN_LED, 1);
        QCoreApplication::processEvents();
        EXPECT_GT(centre().green(), 180);
        EXPECT_EQ(PaintsAfter(MAIN_TURN_LED, [this] { SetCtrlVal(mainPanel, MAIN_TURN_LED, 1); }),
                  0);
        EXPECT_GT(PaintsAfter(MAIN_TURN_LED, [this] { SetCtrlVal(mainPanel, MAIN_TURN_LED, 0); }),
                  0);
        EXPECT_LT(centre().green(), 100);
        EXPECT_EQ(Read(mainPanel, MAIN_TURN_LED), 0.0);
    }
}

TEST_F(RedrawTest, TheYAxisWidensToRoundNumbersWithTicksAtARoundStep) {
    // Each row's tick count follows from the row before, as the panel has always drawn it.
    struct Row {
        float low, high;
        double min, max, step;
    };
    for (const Row& row :
         {Row{-12.0f, 310.0f, -100.0, 400.0, 100.0}, Row{-12.0f, 310.0f, -100.0, 400.0, 100.0},
          Row{90.0f, 91.5f, 90.0, 91.5, 0.5}, Row{0.0f, 0.0f, -1.0, 1.0, 0.5},
          Row{-5000.0f, 20000.0f, -10000.0, 20000.0, 10000.0},
          Row{120.0f, 140.0f, 120.0, 140.0, 5.0}}) {
        SCOPED_TRACE(row.high);
        DeleteGraphPlot(mainPanel, MAIN_GRAPH, -1, 1);
        const std::vector<float> samples{row.low, row.high, (row.low + row.high) / 2.0f};
        PlotY(mainPanel, MAIN_GRAPH, samples.data(), 3, VAL_BLUE);
        QCPAxis* y = engine->GraphPlot(mainPanel, MAIN_GRAPH)->yAxis;
        EXPECT_EQ(y->range().lower, row.min);
        EXPECT_EQ(y->range().upper, row.max);
        auto ticks = y->ticker().dynamicCast<QCPAxisTickerFixed>();
        ASSERT_TRUE(ticks);
        EXPECT_EQ(ticks->tickStep(), row.step);
    }
}
