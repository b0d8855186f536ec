// The polar view: each pedal's mean force by crank angle, from its own top, as a closed curve
// around the circle of no force on a square plot of its own, a dot on each pedal's peak, and its
// figures beside it.
#include "app/display.h"
#include "app/station.h"
#include "platform/panel.h"
#include "setup/catalogue.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int polarControls[] = {
    MAIN_POLAR_GRAPH,
    MAIN_POLAR_RIGHT_PEAK,
    MAIN_POLAR_LEFT_PEAK,
    MAIN_POLAR_RIGHT_DEAD,
    MAIN_POLAR_LEFT_DEAD,
    MAIN_POLAR_RIGHT_DEPTH,
    MAIN_POLAR_LEFT_DEPTH,
    MAIN_POLAR_RIGHT_BOTTOM,
    MAIN_POLAR_LEFT_BOTTOM,
    MAIN_POLAR_RIGHT_BOTTOM_DEPTH,
    MAIN_POLAR_LEFT_BOTTOM_DEPTH,
    MAIN_POLAR_RIGHT_NEGATIVE,
    MAIN_POLAR_LEFT_NEGATIVE,
    MAIN_POLAR_RIGHT_PHASE,
    MAIN_POLAR_LEFT_PHASE,
    MAIN_POLAR_RIGHT_PEAK_PHASE,
    MAIN_POLAR_LEFT_PEAK_PHASE,
    MAIN_POLAR_RIGHT_SHAPE,
    MAIN_POLAR_LEFT_SHAPE,
    MAIN_POLAR_TURNS,
};

void SetVisible(const Station& zan, int control, int shown) {
    int visible = shown;
    GetCtrlAttribute(zan.setup.mainPanel, control, ATTR_VISIBLE, &visible);
    if (visible != shown) SetCtrlAttribute(zan.setup.mainPanel, control, ATTR_VISIBLE, shown);
}

void PlotPedal(const Station& zan, const float* mean, const PedalPolar& pedal, float zero,
               int color) {
    float angle[polarCurvePoints];
    float radius[polarCurvePoints];
    const int count = PolarCurve(mean, zero, angle, radius);
    PlotPolar(zan.setup.mainPanel, MAIN_POLAR_GRAPH, angle, radius, count, color);
    // The peak as the curve draws it there: its force around the circle of no force.
    if (std::isfinite(pedal.peakAngle) && std::isfinite(pedal.peakForce)) {
        const float peakRadius = std::max(0.0f, zero + pedal.peakForce);
        PlotPolar(zan.setup.mainPanel, MAIN_POLAR_GRAPH, &pedal.peakAngle, &peakRadius, 1, color);
    }
}

// One pedal's figures, each control given with the figure it shows.
struct PedalControls {
    int peak;
    int topDead;
    int topDepth;
    int bottomDead;
    int bottomDepth;
    int negative;
    int phase;
    int peakPhase;
    int shape;
};
constexpr PedalControls rightControls{
    MAIN_POLAR_RIGHT_PEAK,   MAIN_POLAR_RIGHT_DEAD,         MAIN_POLAR_RIGHT_DEPTH,
    MAIN_POLAR_RIGHT_BOTTOM, MAIN_POLAR_RIGHT_BOTTOM_DEPTH, MAIN_POLAR_RIGHT_NEGATIVE,
    MAIN_POLAR_RIGHT_PHASE,  MAIN_POLAR_RIGHT_PEAK_PHASE,   MAIN_POLAR_RIGHT_SHAPE};
constexpr PedalControls leftControls{
    MAIN_POLAR_LEFT_PEAK,   MAIN_POLAR_LEFT_DEAD,         MAIN_POLAR_LEFT_DEPTH,
    MAIN_POLAR_LEFT_BOTTOM, MAIN_POLAR_LEFT_BOTTOM_DEPTH, MAIN_POLAR_LEFT_NEGATIVE,
    MAIN_POLAR_LEFT_PHASE,  MAIN_POLAR_LEFT_PEAK_PHASE,   MAIN_POLAR_LEFT_SHAPE};

void ShowPedalFigures(const Station& zan, const PedalControls& controls, const PedalPolar& pedal) {
    const auto show = [&zan](int control, float value) {
        SetCtrlVal(zan.setup.mainPanel, control, FiniteOrZero(value));
    };
    show(controls.peak, pedal.peakAngle);
    show(controls.topDead, pedal.topDeadSpotAngle);
    show(controls.topDepth, pedal.topDeadSpotDepth);
    show(controls.bottomDead, pedal.bottomDeadSpotAngle);
    show(controls.bottomDepth, pedal.bottomDeadSpotDepth);
    show(controls.negative, pedal.negativeShare);
    show(controls.shape, pedal.shapeScore);
    char text[32];
    AngleSpanText(pedal.phase.start, pedal.phase.end, text, sizeof text);
    SetCtrlVal(zan.setup.mainPanel, controls.phase, text);
    AngleSpanText(pedal.phase.peakStart, pedal.phase.peakEnd, text, sizeof text);
    SetCtrlVal(zan.setup.mainPanel, controls.peakPhase, text);
}
} // namespace

void ShowPolarControls(const Station& zan, int shown) {
    // The square polar plot takes the graph's place: the other modes' axes and titles go with it.
    SetVisible(zan, MAIN_GRAPH, shown == 0 ? 1 : 0);
    for (const int control : polarControls) SetVisible(zan, control, shown);
}

void PlotPolarView(Station& zan) {
    int turns = zan.measure.polar.turnsAveraged;
    GetCtrlVal(zan.setup.mainPanel, MAIN_POLAR_TURNS, &turns);
    if (turns != zan.measure.polar.turnsAveraged) SetPolarTurns(zan.measure.polar, turns);
    DeleteGraphPlot(zan.setup.mainPanel, MAIN_POLAR_GRAPH, -1, 1);
    const PolarFigures& figures = PolarFiguresNow(zan.measure.polar);
    if (figures.turns <= 0) return;
    const float zero = PolarZeroRadius(figures);
    float angle[polarCirclePoints];
    float radius[polarCirclePoints];
    PolarCircle(zero, angle, radius);
    PlotPolar(zan.setup.mainPanel, MAIN_POLAR_GRAPH, angle, radius, polarCirclePoints, VAL_LT_GRAY);
    PlotPedal(zan, figures.right, figures.rightPedal, zero, VAL_BLUE);
    PlotPedal(zan, figures.left, figures.leftPedal, zero, VAL_RED);
}

void ShowPolarFigures(Station& zan) {
    const PolarFigures& figures = PolarFiguresNow(zan.measure.polar);
    ShowPedalFigures(zan, rightControls, figures.rightPedal);
    ShowPedalFigures(zan, leftControls, figures.leftPedal);
}
