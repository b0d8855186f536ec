#include "measure/power.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// 2π: with force in N, crank length in mm and period in ms, 2π × length / period is the pedal's
// speed in m/s.
constexpr double twoPi = 6.2831853;
// 4186 J per kcal times 50 frames a second; 0.22 is the body's efficiency.
constexpr double joulesPerKcalFrame = 209300.0;
constexpr double bodyEfficiency = 0.22;
constexpr int historyLast = 8000;
// The crank sends a frame every 20 ms.
constexpr double frameSeconds = 0.02;
// The share of a window's frames that must come as the crank sent them for its power to be
// measured: with fewer, the frames lost between them hide the stroke's peak or add one.
constexpr float measuredShare = 0.3f;

// The UD percentage of one pedal: its force at the moment the other pedal peaks, relative to its
// own peak. A peak that is not above zero gives no meaningful share, so the window shows 0.
float UdPercent(float forceAtOtherPeak, float ownPeak) {
    if (!(ownPeak > 0.0f)) return 0.0f;
    return static_cast<float>(100.0 * forceAtOtherPeak / ownPeak);
}

// One pedal's sums over the window: all its force, the force while it pushes, and its peak.
struct PedalSums {
    double all = 0.0;
    double pushing = 0.0;
    float peak = 0.0f;

    void Add(float force) {
        all += force;
        // Adding 0 leaves a sum of pushing forces as it was, and needs no branch.
        pushing += force > 0.0f ? force : 0.0f;
        peak = std::max(peak, force);
    }
};

// A pedal's power is its force times a factor that is the same for every frame of the window
// (crank length and period), so the ratios of powers are the ratios of forces.
float TorqueEffectiveness(const PedalSums& sums) {
    return sums.pushing > 0.0 ? static_cast<float>(100.0 * sums.all / sums.pushing) : 0.0f;
}

float PedalSmoothness(const PedalSums& sums, int n) {
    return sums.peak > 0.0f && n > 0 ? static_cast<float>(100.0 * sums.all / n / sums.peak) : 0.0f;
}

// Both pedals' figures in one pass over the window: the sums are chains of additions of their
// own, which run side by side rather than one after another.
PedalMetrics WindowPedalMetrics(const float* left, const float* right, int n) {
    PedalSums leftSums;
    PedalSums rightSums;
    for (int i = 0; i < n; ++i) {
        leftSums.Add(left[i]);
        rightSums.Add(right[i]);
    }
    return {TorqueEffectiveness(leftSums), TorqueEffectiveness(rightSums),
            PedalSmoothness(leftSums, n), PedalSmoothness(rightSums, n)};
}

void BothSidesUd(MeasureState& measure, int n) {
    const int half = n / 2;
    if (half == 0) {
        measure.udRight = 0.0f;
        measure.udLeft = 0.0f;
        return;
    }
    // The right pedal peaks in the first half of the window, the left in the second.
    float rightPeak = -99999.0f;
    float leftAtRightPeak = 0.0f;
    for (int i = 0; i < half; ++i)
        if (measure.rightForceTrace[i] > rightPeak) {
            rightPeak = measure.rightForceTrace[i];
            leftAtRightPeak = measure.leftForceTrace[i];
        }
    float leftPeak = -99999.0f;
    float rightAtLeftPeak = 0.0f;
    for (int i = half; i < n; ++i)
        if (measure.leftForceTrace[i] > leftPeak) {
            leftPeak = measure.leftForceTrace[i];
            rightAtLeftPeak = measure.rightForceTrace[i];
        }
    measure.udRight = UdPercent(rightAtLeftPeak, rightPeak);
    measure.udLeft = UdPercent(leftAtRightPeak, leftPeak);
}

void SingleSideUd(MeasureState& measure, int n) {
    float rightMax = -99999.0f;
    float rightMin = 99999.0f;
    float leftMax = -99999.0f;
    float leftMin = 99999.0f;
    for (int i = 0; i < n; ++i) {
        if (measure.rightForceTrace[i] > rightMax) rightMax = measure.rightForceTrace[i];
        if (measure.rightForceTrace[i] < rightMin) rightMin = measure.rightForceTrace[i];
        if (measure.leftForceTrace[i] > leftMax) leftMax = measure.leftForceTrace[i];
        if (measure.leftForceTrace[i] < leftMin) leftMin = measure.leftForceTrace[i];
    }
    measure.udRight = n > 0 ? UdPercent(rightMin, rightMax) : 0.0f;
    measure.udLeft = n > 0 ? UdPercent(leftMin, leftMax) : 0.0f;
}

// A lost frame of the window pushes with the given powers.
void AddLostFrame(MeasureState& measure, float right, float left) {
    measure.powerSum += right + left;
    measure.rightPowerSum += right;
    measure.leftPowerSum += left;
    measure.lostFrames += 1;
}

// Frames lost between two measured frames push as the middle of the two: the last measured
// frame's powers and the given ones.
void FillLostFrames(MeasureState& measure, int frames, float rightPower, float leftPower) {
    const float right = (measure.soundRightPower + rightPower) / 2.0f;
    const float left = (measure.soundLeftPower + leftPower) / 2.0f;
    for (int i = 0; i < frames; ++i) AddLostFrame(measure, right, left);
}

// The revolution's length in frames, when the stroke memory holds a revolution that long and no
// rider turns faster.
float RevolutionFrames(float turnPeriod) {
    const float frames = turnPeriod * static_cast<float>(1.0 / (frameSeconds * 1000.0));
    return frames >= 12.0f && frames < static_cast<float>(strokeSlots) ? frames : 0.0f;
}

// The slot of the stroke memory that holds the crank angle so many frames after the mark.
int StrokeSlot(int turnFrame, float revolutionFrames) {
    float angle = static_cast<float>(turnFrame);
    // Within the revolution as a rule, where the frame's count is its slot: only frames after
    // lost marks, or lost before the mark, need the division.
    if (angle >= 0.0f && angle < revolutionFrames) return turnFrame;
    angle = std::fmod(angle, revolutionFrames);
    if (angle < 0.0f) angle += revolutionFrames;
    const int slot = static_cast<int>(angle + 0.5f);
    return static_cast<float>(slot) >= revolutionFrames ? 0 : slot;
}

void KeepStroke(StrokeMemory& stroke, const PowerFrame& frame) {
    const float revolution = RevolutionFrames(frame.turnPeriod);
    if (revolution == 0.0f) return;
    stroke.at[StrokeSlot(frame.turnFrame, revolution)] =
        StrokeAngle{frame.rightForce, frame.leftForce, frame.crankFrame, true};
}

// Frames lost on the link before a measured frame push as the crank pushed at their angle a
// revolution or a few before: a pedal stroke has a short high peak that the measured frames
// either side of a gap miss or stretch, while the cadence holds it comes round again. An angle
// the crank gave no frame for lately takes the middle of the measured frames either side.
void FillLostFramesByAngle(MeasureState& measure, const PowerFrame& frame, int frames) {
    const float middleRight = (measure.soundRightPower + measure.rightPower) / 2.0f;
    const float middleLeft = (measure.soundLeftPower + measure.leftPower) / 2.0f;
    const float revolution = RevolutionFrames(frame.turnPeriod);
    const StrokeMemory& stroke = measure.stroke;
    for (int back = 1; back <= frames; ++back) {
        float right = middleRight;
        float left = middleLeft;
        if (revolution > 0.0f) {
            const StrokeAngle& kept = stroke.at[StrokeSlot(frame.turnFrame - back, revolution)];
            const float age = static_cast<float>(frame.crankFrame - back - kept.crankFrame);
            if (kept.kept && age >= 0.5f * revolution && age <= 3.5f * revolution) {
                right = PedalPower(kept.right, frame.crankLength, frame.turnPeriod);
                left = PedalPower(kept.left, frame.crankLength, frame.turnPeriod);
            }
        }
        AddLostFrame(measure, right, left);
    }
}

// A window spans whole revolutions, so the frames lost at its end lie, by crank angle, before
// its first frame: those lost before its first measured frame and after its last one push as the
// middle of the two.
void FillWindowEdges(MeasureState& measure, int measured, int span) {
    const int edges = span - measured - measure.lostFrames;
    if (measure.soundFrames == 0 || edges <= 0) return;
    FillLostFrames(measure, edges, measure.firstSoundRightPower, measure.firstSoundLeftPower);
}
} // namespace

float PedalPower(float force, float crankLength, float turnPeriod) {
    return static_cast<float>(1.0 *
                              (twoPi * force * static_cast<double>(crankLength) / turnPeriod));
}

void FramePower(MeasureState& measure, const PowerFrame& frame) {
    const int i = frame.frameIndex;
    measure.rightForceTrace[i] = frame.rightForce;
    measure.rightPower =
        PedalPower(measure.rightForceTrace[i], frame.crankLength, frame.turnPeriod);
    measure.leftForceTrace[i] = frame.leftForce;
    measure.leftPower = PedalPower(measure.leftForceTrace[i], frame.crankLength, frame.turnPeriod);
    measure.powerTrace[i] = measure.rightPower + measure.leftPower;
    // A mended frame's forces are stand-ins for the crank's: it waits, as a frame lost, for the
    // next frame measured.
    if (i > 0) measure.linkLostFrames += frame.lostBefore;
    if (frame.mended) [[unlikely]] {
        measure.mendedFrames += 1;
        measure.mendedBefore += 1 + frame.lostBefore;
    } else {
        measure.powerSum += measure.powerTrace[i];
        measure.rightPowerSum += measure.rightPower;
        measure.leftPowerSum += measure.leftPower;
        // Frames lost on the link between two of the window's measured frames push too: a link
        // that loses the frames of one pedal angle (a signal lost there) would otherwise leave
        // the window's mean to the other angles.
        const int lostFrames = frame.lostBefore + measure.mendedBefore;
        if (lostFrames > 0 && measure.soundFrames > 0) [[unlikely]]
            FillLostFramesByAngle(measure, frame, lostFrames);
        KeepStroke(measure.stroke, frame);
        if (measure.soundFrames == 0) {
            measure.firstSoundRightPower = measure.rightPower;
            measure.firstSoundLeftPower = measure.leftPower;
        }
        measure.soundFrames += 1;
        measure.mendedBefore = 0;
        measure.soundRightPower = measure.rightPower;
        measure.soundLeftPower = measure.leftPower;
    }
    if (frame.countsEnergy) {
        // A session start clears the shown total; the exact sum follows it.
        if (static_cast<float>(measure.kcalExact) != measure.kcalTotal)
            measure.kcalExact = measure.kcalTotal;
        measure.kcalExact += measure.powerTrace[i] / bodyEfficiency / joulesPerKcalFrame;
        measure.kcalTotal = static_cast<float>(measure.kcalExact);
    }
}

void CalcWatt(MeasureState& measure, const PowerWindow& window) {
    // A window holds at most maxWindowFrames frames; the traces are longer still.
    const int n = std::clamp(window.frames, 0, maxWindowFrames);
    // The frames of crank time the window spans: those read, and those lost between them and
    // just before the frame that ends it.
    const int span = n + measure.linkLostFrames + window.lostAtEnd;
    const int measured = n - measure.mendedFrames;
    FillWindowEdges(measure, measured, span);
    const float frames = static_cast<float>(n > 0 ? measured + measure.lostFrames : 0);
    // Too few of the window's frames came as the crank sent them to tell its stroke: it has no
    // power, as a lost link has none, rather than one made up of the frames that did.
    measure.powerUnmeasured =
        n > 0 && static_cast<float>(measured) < measuredShare * static_cast<float>(span);
    const float soundTotal = measure.powerTotal;
    const float soundRight = measure.powerRight;
    const float soundLeft = measure.powerLeft;
    const float soundPrevious = measure.previousPower;
    if (measure.powerUnmeasured) {
        measure.meanPower = 0.0f;
        measure.powerTotal = measure.powerRight = measure.powerLeft = 0.0f;
    } else {
        measure.meanPower = measure.powerSum / frames;
    }
    const auto possible = [](float power) { return power > lowestPower && power < largestPower; };
    // A window of no frames gives NaN here and, like an implausible mean, changes nothing.
    if (!measure.powerUnmeasured && possible(measure.meanPower) &&
        possible(measure.rightPowerSum / frames) && possible(measure.leftPowerSum / frames)) {
        // The first window after a start or a stall has no window before it to smooth with.
        measure.powerTotal = std::isnan(measure.previousPower)
                                 ? measure.meanPower
                                 : (measure.meanPower + measure.previousPower) / 2.0f;
        measure.powerRight = measure.rightPowerSum / frames;
        measure.powerLeft = measure.leftPowerSum / frames;
        if (window.singleSide == SingleSide::RightOnly) {
            measure.powerTotal = measure.powerRight;
            measure.powerLeft = 0.0f;
        } else if (window.singleSide == SingleSide::LeftOnly) {
            measure.powerTotal = measure.powerLeft;
            measure.powerRight = 0.0f;
        }
        measure.previousPower = measure.powerTotal;
    }
    // A calibration beyond any real crank (a gain of 1e30) can overflow a side's power; the
    // shown powers then keep their last sound values instead of staying infinite for good.
    if (!std::isfinite(measure.powerTotal) || !std::isfinite(measure.powerRight) ||
        !std::isfinite(measure.powerLeft)) {
        measure.powerTotal = soundTotal;
        measure.previousPower = soundPrevious;
        measure.powerRight = soundRight;
        measure.powerLeft = soundLeft;
    }

    // The three histories share one index, so the time plot's traces line up window by window.
    const int slot = std::clamp(measure.historyIndex, 0, historyLast);
    measure.powerHistory[slot] = measure.powerTotal;
    measure.heartRateHistory[slot] = window.heartRate;
    measure.cadenceHistory[slot] = window.cadence;
    // The histories start again at slot 0 when full, and their clock with them.
    if (slot == 0) measure.historyClock = 0.0;
    measure.historyClock += window.crankFrames * frameSeconds / 60.0;
    measure.historyMinutes[slot] = static_cast<float>(measure.historyClock);
    measure.historyIndex = slot + 1 > historyLast ? 0 : slot + 1;
    measure.historySinceBreak = true;

    measure.pedalMetrics = WindowPedalMetrics(measure.leftForceTrace, measure.rightForceTrace, n);

    if (window.singleSide == SingleSide::Both)
        BothSidesUd(measure, n);
    else
        SingleSideUd(measure, n);

    if (n > 0) {
        std::copy(measure.powerTrace, measure.powerTrace + n, measure.snapshotPower);
        std::copy(measure.rightForceTrace, measure.rightForceTrace + n, measure.snapshotRight);
        std::copy(measure.leftForceTrace, measure.leftForceTrace + n, measure.snapshotLeft);
        measure.snapshotFrames = n;
    }
}

void ClearPowerResults(MeasureState& measure) {
    measure.powerTotal = 0.0f;
    measure.powerRight = 0.0f;
    measure.powerLeft = 0.0f;
    measure.rightPowerSum = 0.0f;
    measure.leftPowerSum = 0.0f;
    measure.pedalMetrics = {};
    // The crank's first window after it stood starts the smoothing afresh.
    measure.previousPower = std::numeric_limits<float>::quiet_NaN();
    // A stopped crank's angles start again at its next mark.
    for (StrokeAngle& angle : measure.stroke.at) angle.kept = false;
}

void MarkPowerUnmeasured(MeasureState& measure, bool unmeasured) {
    measure.powerUnmeasured = unmeasured;
}

void ClearUdFigures(MeasureState& measure) {
    measure.udLeft = 0.0f;
    measure.udRight = 0.0f;
}

void StartWindowSums(MeasureState& measure) {
    measure.powerSum = 0.0f;
    measure.lostFrames = 0;
    measure.soundFrames = 0;
    measure.mendedFrames = 0;
    measure.mendedBefore = 0;
    measure.linkLostFrames = 0;
    measure.leftPower = 0.0f;
    measure.rightPower = 0.0f;
    measure.rightPowerSum = 0.0f;
    measure.leftPowerSum = 0.0f;
}

void RestartEnergy(MeasureState& measure) {
    measure.kcalTotal = 0.0f;
}

void RestartHistories(MeasureState& measure) {
    measure.historyIndex = 1;
    measure.historyClock = 0.0;
    measure.historyMinutes[0] = 0.0f;
}

void BreakHistories(MeasureState& measure) {
    if (!measure.historySinceBreak) return;
    measure.historySinceBreak = false;
    const int slot = std::clamp(measure.historyIndex, 0, historyLast);
    const float none = std::numeric_limits<float>::quiet_NaN();
    measure.powerHistory[slot] = none;
    measure.heartRateHistory[slot] = none;
    measure.cadenceHistory[slot] = none;
    if (slot == 0) measure.historyClock = 0.0;
    measure.historyMinutes[slot] = static_cast<float>(measure.historyClock);
    measure.historyIndex = slot + 1 > historyLast ? 0 : slot + 1;
}

void FillHistoriesForMeasuring(MeasureState& measure, int windows) {
    const int count = std::clamp(windows, 1, historyLast);
    measure.historyClock = 0.0;
    for (int i = 0; i < count; ++i) {
        const double t = i;
        measure.powerHistory[i] =
            static_cast<float>(220.0 + 60.0 * std::sin(t * 0.013) + 25.0 * std::sin(t * 1.7));
        measure.heartRateHistory[i] = static_cast<float>(135.0 + 15.0 * std::sin(t * 0.004));
        measure.cadenceHistory[i] =
            static_cast<float>(88.0 + 6.0 * std::sin(t * 0.021) + 3.0 * std::sin(t * 2.3));
        measure.historyClock = t * 2.0 / 60.0;
        measure.historyMinutes[i] = static_cast<float>(measure.historyClock);
    }
    measure.historyIndex = count >= historyLast ? 0 : count;
}

void GiveMeasureDefaults(MeasureState& measure) {
    measure.previousPower = std::numeric_limits<float>::quiet_NaN();
    // Until its first window, or a stall that shows it standing, the crank's power is unknown.
    measure.powerUnmeasured = true;
    measure.polar.turnsAveraged = polarDefaultTurns;
    measure.pedals.ratioRingIndex = 0;
}
