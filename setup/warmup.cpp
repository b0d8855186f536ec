#include "setup/warmup.h"

WarmupStep AdvanceWarmup(SetupState& setup, float powerTotal) {
    WarmupStep step{};
    if (setup.warmupState == WarmupState::Off) return step;
    if (setup.warmupState == WarmupState::ToShow) {
        step.shown = true;
        setup.warmupState = WarmupState::Filling;
    }
    // The warm-up fills by 5 points at every window whose power exceeds the mode's limit.
    const float limit = WarmupForce(setup.warmupMode);
    if (setup.warmupState == WarmupState::Filling && limit > 0.0f && powerTotal > limit) {
        setup.warmupLevel += 5;
        step.levelChanged = true;
    }
    if (setup.warmupState == WarmupState::Filling && setup.warmupLevel > 95) {
        step.completed = true;
        setup.warmupState = WarmupState::CompleteYellow;
    }
    // Complete: the reset button blinks yellow and grey, one phase per window.
    step.blink = setup.warmupState == WarmupState::CompleteYellow ? WarmupBlink::Yellow
                 : setup.warmupState == WarmupState::CompleteGrey ? WarmupBlink::Grey
                                                                  : WarmupBlink::None;
    if (setup.warmupState == WarmupState::CompleteYellow)
        setup.warmupState = WarmupState::CompleteGrey;
    else if (setup.warmupState == WarmupState::CompleteGrey)
        setup.warmupState = WarmupState::CompleteYellow;
    return step;
}

void StartWarmup(SetupState& setup) {
    if (setup.warmupState == WarmupState::Off && setup.warmupMode > 0) {
        setup.warmupState = WarmupState::ToShow;
        setup.warmupLevel = 0;
    }
}

void EndWarmup(SetupState& setup) {
    setup.warmupState = WarmupState::Off;
    setup.warmupLevel = 0;
}

void ArmWarmup(SetupState& setup) {
    setup.warmupState = WarmupState::Off;
    setup.warmupLevel = 0;
    if (setup.warmupMode > 0) setup.warmupState = WarmupState::ToShow;
}
