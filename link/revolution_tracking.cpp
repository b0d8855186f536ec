#include "link/revolution_tracking.h"

#include "app/station.h"
#include "measure/power.h"
#include "platform/engine.h"
#include "platform/numbers.h"
#include "protocol/frame.h"
#include "record/multi_turn_file.h"
#include "setup/catalogue.h"

namespace {
// Each frame stands for 20 ms of crank time.
constexpr float frameMilliseconds = 20.0f;
constexpr float stoppedPeriod = 60000.0f;
// Method 3 needs one pedal to carry this much more than the other.
constexpr float forceMargin = 30.0f;

void StartRevolution(Station& zan) {
    zan.turnFrames = static_cast<float>(zan.frameCounter - zan.lastTurnFrame);
    // Simulated frames set the count from their own clock, so with bytes arriving beside them it
    // can step back. A revolution of no frames or fewer has no period: the mean keeps the last
    // ones, since a zero mean would make every power infinite.
    if (zan.turnFrames >= 1.0f) {
        zan.periodRing[zan.periodRingIndex] = frameMilliseconds * zan.turnFrames;
        zan.periodRingIndex = zan.periodRingIndex >= 3 ? 0 : zan.periodRingIndex + 1;
        zan.turnPeriod =
            (zan.periodRing[0] + zan.periodRing[1] + zan.periodRing[2] + zan.periodRing[3]) / 4.0f;
    }
    zan.lastTurnFrame = zan.frameCounter;
    zan.turnLed = 1;
    zan.framesSinceTurn = 0;
    zan.turnCount += 1;
}

void Hit(Station& zan) {
    zan.markerHits += 1;
    if (zan.markerHits == 1) StartRevolution(zan);
}

void Rearm(Station& zan) {
    zan.markerHits = 0;
    zan.turnLed = 0;
}

void DetectRevolution(Station& zan) {
    zan.turnMode = zan.setup.turnDetection & zan.turnModeMask;
    if (zan.turnMode == 1) zan.crankPeriodWord ^= revolutionMarker;
    if (zan.turnMode < 2) {
        if ((zan.crankPeriodWord & revolutionMarker) != 0) {
            zan.markerMisses = 0;
            Hit(zan);
        } else {
            zan.markerMisses += 1;
            if (zan.markerMisses > 2) Rearm(zan);
        }
    } else if (zan.turnMode == 2) {
        // Half the right pedal's peak, within 35 to 250 N, marks the left pedal's push.
        zan.turnThreshold = TruncToInt(zan.rightForceMax / 2.0);
        if (zan.turnThreshold < 35) zan.turnThreshold = 35;
        if (zan.turnThreshold > 250) zan.turnThreshold = 250;
        zan.rearmThreshold = TruncToInt(1.5 * zan.turnThreshold);
        if (zan.leftForce > static_cast<float>(zan.turnThreshold)) {
            zan.markerMisses = 0;
            Hit(zan);
        }
        if (zan.rightForce > static_cast<float>(zan.rearmThreshold)) {
            zan.markerMisses += 1;
            if (zan.markerMisses > 2) Rearm(zan);
        }
    } else if (zan.turnMode == 3) {
        if (zan.rightForce > zan.leftForce + forceMargin) Hit(zan);
        if (zan.leftForce > zan.rightForce + forceMargin) Rearm(zan);
    }
}

// A crank that has not turned for 250 frames has stopped: cadence and power fall to near zero
// instead of keeping stale values.
void CheckStall(Station& zan) {
    zan.framesSinceTurn += 1;
    if (zan.framesSinceTurn <= stallFrames) return;
    zan.turnFrames = stoppedPeriod;
    zan.turnPeriod = stoppedPeriod;
    zan.frameCounter = 1000;
    zan.lastTurnFrame = 0;
    zan.periodRingIndex = 0;
    for (int slot = 0; slot < 4; ++slot) zan.periodRing[slot] = 2000.0f;
    zan.rightForceMax = 0.0f;
    zan.rightAuxAtMax = 0.0f;
    zan.leftForceAtRightMax = 0.0f;
    zan.leftForceMax = 0.0f;
    zan.leftAuxAtMax = 0.0f;
    zan.rightForceAtLeftMax = 0.0f;
    ClearPowerResults(zan);
}

void AdvanceWarmup(Station& zan) {
    if (zan.warmupState == WarmupState::Off) return;
    if (zan.warmupState == WarmupState::ToShow) {
        DisplayPanel(zan.warmupPanel);
        SetCtrlAttribute(zan.warmupPanel, WARMUP_RESET, ATTR_DIMMED, 1);
        SetCtrlAttribute(zan.warmupPanel, WARMUP_SKIP, ATTR_DIMMED, 0);
        // A window the system cannot find is still shown, only not kept on top.
        KeepPanelOnTop(zan.warmupPanel);
        zan.warmupState = WarmupState::Filling;
    }
    // The warm-up fills by 5 points at every window whose power exceeds the mode's limit.
    const float limit = WarmupForce(zan.warmupMode);
    if (zan.warmupState == WarmupState::Filling && limit > 0.0f && zan.powerTotal > limit) {
        zan.warmupLevel += 5;
        SetCtrlVal(zan.warmupPanel, WARMUP_PROGRESS, zan.warmupLevel);
    }
    if (zan.warmupState == WarmupState::Filling && zan.warmupLevel > 95) {
        SetCtrlAttribute(zan.warmupPanel, WARMUP_RESET, ATTR_DIMMED, 0);
        SetCtrlAttribute(zan.warmupPanel, WARMUP_SKIP, ATTR_DIMMED, 1);
        zan.warmupState = WarmupState::CompleteYellow;
    }
    // Complete: the reset button blinks yellow and grey, one phase per window.
    if (zan.warmupState == WarmupState::CompleteYellow)
        SetCtrlAttribute(zan.warmupPanel, WARMUP_RESET, ATTR_CMD_BUTTON_COLOR, VAL_YELLOW);
    if (zan.warmupState == WarmupState::CompleteGrey)
        SetCtrlAttribute(zan.warmupPanel, WARMUP_RESET, ATTR_CMD_BUTTON_COLOR, VAL_LT_GRAY);
    if (zan.warmupState == WarmupState::CompleteYellow)
        zan.warmupState = WarmupState::CompleteGrey;
    else if (zan.warmupState == WarmupState::CompleteGrey)
        zan.warmupState = WarmupState::CompleteYellow;
}

// The multi-turn capture: armed by the rider, it starts on the frame that ends a window and
// keeps 1000 consecutive frames; the 1001st writes the file.
void CaptureFrame(Station& zan) {
    if (zan.captureState == CaptureState::Armed && zan.turnCount == 2) {
        zan.captureState = CaptureState::Recording;
        zan.captureFrames = 0;
        zan.captureCount = 0;
        SetCtrlAttribute(zan.mainPanel, MAIN_SESSION_CLOCK, ATTR_TEXT_BGCOLOR, VAL_YELLOW);
        zan.ledFlashTimer = -4;
    }
    if (zan.captureState != CaptureState::Recording) return;
    zan.captureFrames += 1;
    if (zan.captureFrames < 1001 && zan.captureCount < captureCapacity) {
        zan.captureRight[zan.captureCount] = zan.rightForce;
        zan.captureLeft[zan.captureCount] = zan.leftForce;
        // The frame's own power, as the power calculation will give it for this frame.
        zan.capturePower[zan.captureCount] =
            PedalPower(zan.rightForce, zan.setup.crankLength, zan.turnPeriod) +
            PedalPower(zan.leftForce, zan.setup.crankLength, zan.turnPeriod);
        zan.captureCount += 1;
    }
    if (zan.captureFrames > 1000) {
        zan.captureState = CaptureState::Idle;
        zan.captureFrames = 0;
        Save10();
    }
}

void EndWindow(Station& zan) {
    CalcWatt(zan, CurrentPowerWindow(zan));
    zan.turnCount = 0;
    zan.lastWindowFrames = zan.frameIndex;
    zan.frameIndex = 0;
    StartWindowSums(zan);
    AdvanceWarmup(zan);
}
} // namespace

PowerWindow CurrentPowerWindow() {
    return CurrentPowerWindow(CurrentStation());
}

PowerWindow CurrentPowerWindow(const Station& zan) {
    return PowerWindow{zan.frameIndex, zan.singleSide, zan.heartRate, zan.cadence};
}

void TrackRevolution() {
    TrackRevolution(CurrentStation());
}

void TrackRevolution(Station& zan) {
    DetectRevolution(zan);
    CheckStall(zan);
    // Everything after this point sees the period only.
    zan.crankPeriodWord &= crankPeriodMask;
    CaptureFrame(zan);
    if (zan.turnCount >= 2) EndWindow(zan);
}
