#include "link/revolution_tracking.h"

#include "platform/numbers.h"
#include "protocol/frame.h"

namespace {
// Each frame stands for 20 ms of crank time.
constexpr float frameMilliseconds = 20.0f;
constexpr float stoppedPeriod = 60000.0f;
// Method 3 needs one pedal to carry this much more than the other.
constexpr float forceMargin = 30.0f;

void StartRevolution(LinkState& link) {
    link.turnFrames = static_cast<float>(link.frameCounter - link.lastTurnFrame);
    // Simulated frames set the count from their own clock, so with bytes arriving beside them it
    // can step back. A revolution of no frames or fewer has no period: the mean keeps the last
    // ones, since a zero mean would make every power infinite.
    if (link.turnFrames >= 1.0f) {
        link.periodRing[link.periodRingIndex] = frameMilliseconds * link.turnFrames;
        link.periodRingIndex = link.periodRingIndex >= 3 ? 0 : link.periodRingIndex + 1;
        link.turnPeriod =
            (link.periodRing[0] + link.periodRing[1] + link.periodRing[2] + link.periodRing[3]) /
            4.0f;
    }
    link.lastTurnFrame = link.frameCounter;
    link.turnLed = 1;
    link.framesSinceTurn = 0;
    link.turnCount += 1;
}

void Hit(LinkState& link) {
    link.markerHits += 1;
    if (link.markerHits == 1) StartRevolution(link);
}

void Rearm(LinkState& link) {
    link.markerHits = 0;
    link.turnLed = 0;
}

void DetectRevolution(LinkState& link, int turnDetection) {
    link.turnMode = turnDetection & link.turnModeMask;
    if (link.turnMode == 1) link.crankPeriodWord ^= revolutionMarker;
    if (link.turnMode < 2) {
        if ((link.crankPeriodWord & revolutionMarker) != 0) {
            link.markerMisses = 0;
            Hit(link);
        } else {
            link.markerMisses += 1;
            if (link.markerMisses > 2) Rearm(link);
        }
    } else if (link.turnMode == 2) {
        // Half the right pedal's peak, within 35 to 250 N, marks the left pedal's push.
        link.turnThreshold = TruncToInt(link.rightForceMax / 2.0);
        if (link.turnThreshold < 35) link.turnThreshold = 35;
        if (link.turnThreshold > 250) link.turnThreshold = 250;
        link.rearmThreshold = TruncToInt(1.5 * link.turnThreshold);
        if (link.leftForce > static_cast<float>(link.turnThreshold)) {
            link.markerMisses = 0;
            Hit(link);
        }
        if (link.rightForce > static_cast<float>(link.rearmThreshold)) {
            link.markerMisses += 1;
            if (link.markerMisses > 2) Rearm(link);
        }
    } else if (link.turnMode == 3) {
        if (link.rightForce > link.leftForce + forceMargin) Hit(link);
        if (link.leftForce > link.rightForce + forceMargin) Rearm(link);
    }
}

// A crank that has not turned for 250 frames has stopped: cadence and power fall to near zero
// instead of keeping stale values.
bool CheckStall(LinkState& link) {
    link.framesSinceTurn += 1;
    if (link.framesSinceTurn <= stallFrames) return false;
    link.turnFrames = stoppedPeriod;
    link.turnPeriod = stoppedPeriod;
    link.frameCounter = 1000;
    link.lastTurnFrame = 0;
    link.periodRingIndex = 0;
    for (int slot = 0; slot < 4; ++slot) link.periodRing[slot] = 2000.0f;
    link.rightForceMax = 0.0f;
    link.rightAuxAtMax = 0.0f;
    link.leftForceAtRightMax = 0.0f;
    link.leftForceMax = 0.0f;
    link.leftAuxAtMax = 0.0f;
    link.rightForceAtLeftMax = 0.0f;
    return true;
}
} // namespace

void TrackRevolution(LinkState& link, int turnDetection, FrameEvents& events) {
    DetectRevolution(link, turnDetection);
    events.stalled = CheckStall(link);
    // Everything after this point sees the period only.
    link.crankPeriodWord &= crankPeriodMask;
    events.windowEnds = link.turnCount >= 2;
}

void EndLinkWindow(LinkState& link) {
    link.turnCount = 0;
    link.lastWindowFrames = link.frameIndex;
    link.frameIndex = 0;
}
