// The polar view: each pedal's mean force by crank angle as a closed curve around the circle of
// no force, and its figures beside it.
#include "app/display.h"
#include "app/station.h"
#include "platform/panel.h"
#include "setup/catalogue.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int polarControls[] = {
    MAIN_POLAR_RIGHT_PEAK,     MAIN_POLAR_LEFT_PEAK,     MAIN_POLAR_RIGHT_DEAD,
    MAIN_POLAR_LEFT_DEAD,      MAIN_POLAR_RIGHT_DEPTH,   MAIN_POLAR_LEFT_DEPTH,
    MAIN_POLAR_RIGHT_NEGATIVE, MAIN_POLAR_LEFT_NEGATIVE, MAIN_POLAR_TURNS};

void PlotPedal(const Station& zan, const float* mean, float zero, int color) {
    float angle[polarCurvePoints];
    float radius[polarCurvePoints];
    const int count = PolarCurve(mean, zero, angle, radius);
    PlotPolar(zan.setup.mainPanel, MAIN_GRAPH, angle, radius, count, color);
}
} // namespace

void ShowPolarControls(const Station& zan, int shown) {
    for (const int control : polarControls) {
        int visible = shown;
        GetCtrlAttribute(zan.setup.mainPanel, control, ATTR_VISIBLE, &visible);
        if (visible != shown) SetCtrlAttribute(zan.setup.mainPanel, control, ATTR_VISIBLE, shown);
    }
}

void PlotPolarView(Station& zan) {
    int turns = zan.measure.polar.turnsAveraged;
    GetCtrlVal(zan.setup.mainPanel, MAIN_POLAR_TURNS, &turns);
    if (turns != zan.measure.polar.turnsAveraged) SetPolarTurns(zan.measure.polar, turns);
    const PolarFigures& figures = PolarFiguresNow(zan.measure.polar);
    if (figures.turns <= 0) return;
    const float zero = PolarZeroRadius(figures);
    float angle[polarCirclePoints];
    float radius[polarCirclePoints];
    PolarCircle(zero, angle, radius);
    PlotPolar(zan.setup.mainPanel, MAIN_GRAPH, angle, radius, polarCirclePoints, VAL_LT_GRAY);
    PlotPedal(zan, figures.right, zero, VAL_BLUE);
    PlotPedal(zan, figures.left, zero, VAL_RED);
}

void ShowPolarFigures(Station& zan) {
    const PolarFigures& figures = PolarFiguresNow(zan.measure.polar);
    const auto show = [&zan](int control, float value) {
        SetCtrlVal(zan.setup.mainPanel, control, FiniteOrZero(value));
    };
    show(MAIN_POLAR_RIGHT_PEAK, figures.rightPedal.peakAngle);
    show(MAIN_POLAR_LEFT_PEAK, figures.leftPedal.peakAngle);
    show(MAIN_POLAR_RIGHT_DEAD, figures.rightPedal.topDeadSpotAngle);
    show(MAIN_POLAR_LEFT_DEAD, figures.leftPedal.topDeadSpotAngle);
    show(MAIN_POLAR_RIGHT_DEPTH, figures.rightPedal.topDeadSpotDepth);
    show(MAIN_POLAR_LEFT_DEPTH, figures.leftPedal.topDeadSpotDepth);
    show(MAIN_POLAR_RIGHT_NEGATIVE, figures.rightPedal.negativeShare);
    show(MAIN_POLAR_LEFT_NEGATIVE, figures.leftPedal.negativeShare);
}
