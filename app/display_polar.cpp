// The polar view: each pedal's mean force by crank angle as a closed curve around the circle of
// no force, and its figures beside it.
#include "app/display.h"
#include "app/station.h"
#include "platform/panel.h"
#include "setup/catalogue.h"

#include <algorithm>
#include <cmath>

namespace {
// Points drawn between two frames' angles: the curve is joined smoothly, not as bars.
constexpr int pointsPerFrame = 4;
constexpr int curveCapacity = polarTurnFrames * pointsPerFrame;
constexpr int circlePoints = 72;

constexpr int polarControls[] = {
    MAIN_POLAR_RIGHT_PEAK,     MAIN_POLAR_LEFT_PEAK,     MAIN_POLAR_RIGHT_DEAD,
    MAIN_POLAR_LEFT_DEAD,      MAIN_POLAR_RIGHT_DEPTH,   MAIN_POLAR_LEFT_DEPTH,
    MAIN_POLAR_RIGHT_NEGATIVE, MAIN_POLAR_LEFT_NEGATIVE, MAIN_POLAR_TURNS};

// A periodic Catmull-Rom curve through the means: it passes through each frame's mean and
// turns smoothly between them.
float Between(const float* mean, int points, int k, float t) {
    const float p0 = mean[(k + points - 1) % points];
    const float p1 = mean[k];
    const float p2 = mean[(k + 1) % points];
    const float p3 = mean[(k + 2) % points];
    return 0.5f * (2.0f * p1 + (p2 - p0) * t + (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3) * t * t +
                   (3.0f * p1 - p0 - 3.0f * p2 + p3) * t * t * t);
}

void PlotPedal(const Station& zan, const PolarFigures& figures, const float* mean, float zero,
               int color) {
    float angle[curveCapacity];
    float radius[curveCapacity];
    int count = 0;
    for (int k = 0; k < figures.points; ++k)
        for (int step = 0; step < pointsPerFrame; ++step) {
            const float t = static_cast<float>(step) / pointsPerFrame;
            angle[count] =
                360.0f * (static_cast<float>(k) + t) / static_cast<float>(figures.points);
            // A force below the circle's own (pulling harder than the circle allows for) stays
            // at the centre.
            radius[count] = std::max(0.0f, zero + Between(mean, figures.points, k, t));
            count += 1;
        }
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
    const PolarFigures& figures = zan.measure.polar.figures;
    if (figures.points <= 0) return;
    // The circle of no force is as large as the deepest pull, and at least a quarter of the
    // highest push, so both show.
    float lowest = 0.0f;
    float highest = 0.0f;
    for (int k = 0; k < figures.points; ++k) {
        lowest = std::min({lowest, figures.right[k], figures.left[k]});
        highest = std::max({highest, figures.right[k], figures.left[k]});
    }
    const float zero = std::max({-lowest, 0.25f * highest, 1.0f});
    float angle[circlePoints];
    float radius[circlePoints];
    for (int i = 0; i < circlePoints; ++i) {
        angle[i] = 360.0f * static_cast<float>(i) / circlePoints;
        radius[i] = zero;
    }
    PlotPolar(zan.setup.mainPanel, MAIN_GRAPH, angle, radius, circlePoints, VAL_LT_GRAY);
    PlotPedal(zan, figures, figures.right, zero, VAL_BLUE);
    PlotPedal(zan, figures, figures.left, zero, VAL_RED);
}

void ShowPolarFigures(const Station& zan) {
    const PolarFigures& figures = zan.measure.polar.figures;
    const auto show = [&zan](int control, float value) {
        SetCtrlVal(zan.setup.mainPanel, control, FiniteOrZero(value));
    };
    show(MAIN_POLAR_RIGHT_PEAK, figures.rightPedal.peakAngle);
    show(MAIN_POLAR_LEFT_PEAK, figures.leftPedal.peakAngle);
    show(MAIN_POLAR_RIGHT_DEAD, figures.rightPedal.deadSpotAngle);
    show(MAIN_POLAR_LEFT_DEAD, figures.leftPedal.deadSpotAngle);
    show(MAIN_POLAR_RIGHT_DEPTH, figures.rightPedal.deadSpotDepth);
    show(MAIN_POLAR_LEFT_DEPTH, figures.leftPedal.deadSpotDepth);
    show(MAIN_POLAR_RIGHT_NEGATIVE, figures.rightPedal.negativeShare);
    show(MAIN_POLAR_LEFT_NEGATIVE, figures.leftPedal.negativeShare);
}
