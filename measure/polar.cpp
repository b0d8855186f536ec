#include "measure/polar.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr float fullTurn = 360.0f;
// The weakest sector is a twelfth of a revolution, about as wide as a dead centre's.
constexpr int sectorsPerTurn = 12;
// The ring's slots: the revolutions kept and the one under way.
constexpr int ringSlots = polarMostTurns + 1;

// A revolution's force at a share of its turn, between its frames; the frame after its last is
// the next revolution's first, taken as its own first.
float ForceAt(const float* force, int frames, float share) {
    const float place = share * static_cast<float>(frames);
    const int before = std::min(static_cast<int>(place), frames - 1);
    const int after = before + 1 >= frames ? 0 : before + 1;
    const float part = place - static_cast<float>(before);
    return force[before] + (force[after] - force[before]) * part;
}

PedalPolar PedalFigures(const float* mean, const float* angle, int points) {
    PedalPolar pedal{};
    if (points <= 0) return pedal;
    const int peak = static_cast<int>(std::max_element(mean, mean + points) - mean);
    pedal.peakAngle = angle[peak];
    pedal.peakForce = mean[peak];
    const int half = std::max(1, points / sectorsPerTurn) / 2;
    const int width = 2 * half + 1;
    float weakest = 0.0f;
    int weakestAt = -1;
    int negative = 0;
    for (int i = 0; i < points; ++i) {
        float sum = 0.0f;
        for (int j = -half; j <= half; ++j) sum += mean[(i + j + points) % points];
        const float sector = sum / static_cast<float>(width);
        if (weakestAt < 0 || sector < weakest) {
            weakest = sector;
            weakestAt = i;
        }
        if (mean[i] < 0.0f) negative += 1;
    }
    pedal.deadSpotAngle = angle[weakestAt];
    pedal.deadSpotDepth = weakest;
    pedal.negativeShare = 100.0f * static_cast<float>(negative) / static_cast<float>(points);
    return pedal;
}
} // namespace

void ClearPolar(PolarState& polar) {
    const int turns = polar.turnsAveraged;
    polar.keptNext = 0;
    polar.kept[0].frames = 0;
    polar.underSound = false;
    polar.keptCount = 0;
    polar.made = PolarFigures{};
    polar.figuresBehind = false;
    polar.turnsAveraged = std::clamp(turns, 1, polarMostTurns);
}

void SetPolarTurns(PolarState& polar, int turns) {
    polar.turnsAveraged = std::clamp(turns, 1, polarMostTurns);
    polar.figuresBehind = true;
}

void PolarFrameWithNews(PolarState& polar, const PolarFrame& frame) {
    PolarTurn* under = &polar.kept[polar.keptNext];
    if (frame.stalled) {
        under->frames = 0;
        polar.underSound = false;
        return;
    }
    if (frame.markRejected || frame.lostBefore > 0) polar.underSound = false;
    if (frame.revolutionStarts) {
        // Only a revolution that began at a mark, ended at the next one a revolution later and
        // lost nothing on the way has its frames at their angles.
        if (polar.underSound && frame.revolutionSpan == 1 && under->frames > 1) {
            polar.keptNext = (polar.keptNext + 1) % ringSlots;
            polar.keptCount = std::min(polar.keptCount + 1, polarMostTurns);
            polar.figuresBehind = true;
            under = &polar.kept[polar.keptNext];
        }
        under->frames = 0;
        polar.underSound = frame.lostBefore == 0;
    }
    if (under->frames >= polarTurnFrames) {
        polar.underSound = false;
        return;
    }
    under->right[under->frames] = frame.rightForce;
    under->left[under->frames] = frame.leftForce;
    under->frames += 1;
}

const PolarFigures& PolarFiguresNow(PolarState& polar) {
    if (polar.figuresBehind) MakePolarFigures(polar);
    return polar.made;
}

void MakePolarFigures(PolarState& polar) {
    PolarFigures& figures = polar.made;
    polar.figuresBehind = false;
    const int turns = std::min(polar.keptCount, std::clamp(polar.turnsAveraged, 1, polarMostTurns));
    figures.turns = turns;
    if (turns == 0) {
        figures = PolarFigures{};
        return;
    }
    // The curve has a point at each frame of the latest revolution; the others are read at the
    // same shares of their own turn.
    const PolarTurn& latest = polar.kept[(polar.keptNext + ringSlots - 1) % ringSlots];
    figures.points = latest.frames;
    for (int k = 0; k < figures.points; ++k) {
        const float share = static_cast<float>(k) / static_cast<float>(figures.points);
        double right = 0.0;
        double left = 0.0;
        for (int t = 1; t <= turns; ++t) {
            const PolarTurn& turn = polar.kept[(polar.keptNext + ringSlots - t) % ringSlots];
            right += ForceAt(turn.right, turn.frames, share);
            left += ForceAt(turn.left, turn.frames, share);
        }
        figures.angle[k] = share * fullTurn;
        figures.right[k] = static_cast<float>(right / turns);
        figures.left[k] = static_cast<float>(left / turns);
    }
    figures.rightPedal = PedalFigures(figures.right, figures.angle, figures.points);
    figures.leftPedal = PedalFigures(figures.left, figures.angle, figures.points);
}

namespace {
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
} // namespace

float PolarZeroRadius(const PolarFigures& figures) {
    float lowest = 0.0f;
    float highest = 0.0f;
    for (int k = 0; k < figures.points; ++k) {
        lowest = std::min({lowest, figures.right[k], figures.left[k]});
        highest = std::max({highest, figures.right[k], figures.left[k]});
    }
    return std::max({-lowest, 0.25f * highest, 1.0f});
}

void PolarCircle(float zero, float* angle, float* radius) {
    for (int i = 0; i < polarCirclePoints; ++i) {
        angle[i] = fullTurn * static_cast<float>(i) / polarCirclePoints;
        radius[i] = zero;
    }
}

int PolarCurve(const PolarFigures& figures, const float* mean, float zero, float* angle,
               float* radius) {
    int count = 0;
    for (int k = 0; k < figures.points; ++k)
        for (int step = 0; step < polarPointsPerFrame; ++step) {
            const float t = static_cast<float>(step) / polarPointsPerFrame;
            angle[count] =
                fullTurn * (static_cast<float>(k) + t) / static_cast<float>(figures.points);
            // A force below the circle's own (pulling harder than the circle allows for) stays
            // at the centre.
            radius[count] = std::max(0.0f, zero + Between(mean, figures.points, k, t));
            count += 1;
        }
    return count;
}
