#include "measure/power.h"

#include "app/station.h"

#include <algorithm>
#include <cmath>

namespace {
// 2π: with force in N, crank length in mm and period in ms, 2π × length / period is the pedal's
// speed in m/s.
constexpr double twoPi = 6.2831853;
// 4186 J per kcal times 50 frames a second; 0.22 is the body's efficiency.
constexpr double joulesPerKcalFrame = 209300.0;
constexpr double bodyEfficiency = 0.22;
constexpr int historyLast = 8000;

// The UD percentage of one pedal: its force at the moment the other pedal peaks, relative to its
// own peak. A peak that is not above zero gives no meaningful share, so the window shows 0.
float UdPercent(float forceAtOtherPeak, float ownPeak) {
    if (!(ownPeak > 0.0f)) return 0.0f;
    return static_cast<float>(100.0 * forceAtOtherPeak / ownPeak);
}

void BothSidesUd(int n) {
    const int half = n / 2;
    if (half == 0) {
        zan.udRight = 0.0f;
        zan.udLeft = 0.0f;
        return;
    }
    // The right pedal peaks in the first half of the window, the left in the second.
    float rightPeak = -99999.0f;
    float leftAtRightPeak = 0.0f;
    for (int i = 0; i < half; ++i)
        if (zan.rightForceTrace[i] > rightPeak) {
            rightPeak = zan.rightForceTrace[i];
            leftAtRightPeak = zan.leftForceTrace[i];
        }
    float leftPeak = -99999.0f;
    float rightAtLeftPeak = 0.0f;
    for (int i = half; i < n; ++i)
        if (zan.leftForceTrace[i] > leftPeak) {
            leftPeak = zan.leftForceTrace[i];
            rightAtLeftPeak = zan.rightForceTrace[i];
        }
    zan.udRight = UdPercent(rightAtLeftPeak, rightPeak);
    zan.udLeft = UdPercent(leftAtRightPeak, leftPeak);
}

void SingleSideUd(int n) {
    float rightMax = -99999.0f;
    float rightMin = 99999.0f;
    float leftMax = -99999.0f;
    float leftMin = 99999.0f;
    for (int i = 0; i < n; ++i) {
        if (zan.rightForceTrace[i] > rightMax) rightMax = zan.rightForceTrace[i];
        if (zan.rightForceTrace[i] < rightMin) rightMin = zan.rightForceTrace[i];
        if (zan.leftForceTrace[i] > leftMax) leftMax = zan.leftForceTrace[i];
        if (zan.leftForceTrace[i] < leftMin) leftMin = zan.leftForceTrace[i];
    }
    zan.udRight = n > 0 ? UdPercent(rightMin, rightMax) : 0.0f;
    zan.udLeft = n > 0 ? UdPercent(leftMin, leftMax) : 0.0f;
}
} // namespace

float PedalPower(float force) {
    return static_cast<float>(
        1.0 * (twoPi * force * static_cast<double>(zan.setup.crankLength) / zan.turnPeriod));
}

void FramePower() {
    const int i = zan.frameIndex;
    zan.rightForceTrace[i] = zan.rightForce;
    zan.rightPower = PedalPower(zan.rightForceTrace[i]);
    zan.leftForceTrace[i] = zan.leftForce;
    zan.leftPower = PedalPower(zan.leftForceTrace[i]);
    zan.powerTrace[i] = zan.rightPower + zan.leftPower;
    zan.powerSum += zan.powerTrace[i];
    zan.rightPowerSum += zan.rightPower;
    zan.leftPowerSum += zan.leftPower;
    if (zan.sessionActive > 0 && zan.cadence > 20.0f) {
        // A session start clears the shown total; the exact sum follows it.
        if (static_cast<float>(zan.kcalExact) != zan.kcalTotal) zan.kcalExact = zan.kcalTotal;
        zan.kcalExact += zan.powerTrace[i] / bodyEfficiency / joulesPerKcalFrame;
        zan.kcalTotal = static_cast<float>(zan.kcalExact);
    }
}

void CalcWatt() {
    // A window holds at most maxWindowFrames frames; the traces are longer still.
    const int n = std::clamp(zan.frameIndex, 0, maxWindowFrames);
    const float frames = static_cast<float>(n);
    const float soundTotal = zan.powerTotal;
    const float soundRight = zan.powerRight;
    const float soundLeft = zan.powerLeft;
    const float soundPrevious = zan.previousPower;
    zan.meanPower = zan.powerSum / frames;
    // A window of no frames gives NaN here and, like an implausible mean, changes nothing.
    if (zan.meanPower > -1000.0f && zan.meanPower < 2000.0f) {
        zan.powerTotal = (zan.meanPower + zan.previousPower) / 2.0f;
        zan.powerRight = zan.rightPowerSum / frames;
        zan.powerLeft = zan.leftPowerSum / frames;
        if (zan.singleSide == SingleSide::RightOnly) {
            zan.powerTotal = zan.powerRight;
            zan.powerLeft = 0.0f;
        } else if (zan.singleSide == SingleSide::LeftOnly) {
            zan.powerTotal = zan.powerLeft;
            zan.powerRight = 0.0f;
        }
        zan.previousPower = zan.powerTotal;
    }
    // A calibration beyond any real crank (a gain of 1e30) can overflow a side's power; the
    // shown powers then keep their last sound values instead of staying infinite for good.
    if (!std::isfinite(zan.powerTotal) || !std::isfinite(zan.powerRight) ||
        !std::isfinite(zan.powerLeft)) {
        zan.powerTotal = soundTotal;
        zan.previousPower = soundPrevious;
        zan.powerRight = soundRight;
        zan.powerLeft = soundLeft;
    }

    // The three histories share one index, so the time plot's traces line up window by window.
    const int slot = std::clamp(zan.historyIndex, 0, historyLast);
    zan.powerHistory[slot] = zan.powerTotal;
    zan.heartRateHistory[slot] = zan.heartRate;
    zan.cadenceHistory[slot] = zan.cadence;
    zan.historyIndex = slot + 1 > historyLast ? 0 : slot + 1;

    if (zan.singleSide == SingleSide::Both)
        BothSidesUd(n);
    else
        SingleSideUd(n);

    if (n > 0) {
        std::copy(zan.powerTrace, zan.powerTrace + n, zan.snapshotPower);
        std::copy(zan.rightForceTrace, zan.rightForceTrace + n, zan.snapshotRight);
        std::copy(zan.leftForceTrace, zan.leftForceTrace + n, zan.snapshotLeft);
        zan.snapshotFrames = n;
    }
}

void ClearPowerResults() {
    zan.powerTotal = 0.0f;
    zan.powerRight = 0.0f;
    zan.powerLeft = 0.0f;
    zan.rightPowerSum = 0.0f;
    zan.leftPowerSum = 0.0f;
}

void ClearUdFigures() {
    zan.udLeft = 0.0f;
    zan.udRight = 0.0f;
}
