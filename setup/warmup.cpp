#include "setup/warmup.h"

#include "link/revolution_tracking.h"
#include "platform/engine.h"
#include "platform/program_part.h"
#include "setup/catalogue.h"

void AdvanceWarmup(SetupState& setup, float powerTotal) {
    if (setup.warmupState == WarmupState::Off) return;
    if (setup.warmupState == WarmupState::ToShow) {
        DisplayPanel(setup.warmupPanel);
        SetCtrlAttribute(setup.warmupPanel, WARMUP_RESET, ATTR_DIMMED, 1);
        SetCtrlAttribute(setup.warmupPanel, WARMUP_SKIP, ATTR_DIMMED, 0);
        // A window the system cannot find is still shown, only not kept on top.
        KeepPanelOnTop(setup.warmupPanel);
        setup.warmupState = WarmupState::Filling;
    }
    // The warm-up fills by 5 points at every window whose power exceeds the mode's limit.
    const float limit = WarmupForce(setup.warmupMode);
    if (setup.warmupState == WarmupState::Filling && limit > 0.0f && powerTotal > limit) {
        setup.warmupLevel += 5;
        SetCtrlVal(setup.warmupPanel, WARMUP_PROGRESS, setup.warmupLevel);
    }
    if (setup.warmupState == WarmupState::Filling && setup.warmupLevel > 95) {
        SetCtrlAttribute(setup.warmupPanel, WARMUP_RESET, ATTR_DIMMED, 0);
        SetCtrlAttribute(setup.warmupPanel, WARMUP_SKIP, ATTR_DIMMED, 1);
        setup.warmupState = WarmupState::CompleteYellow;
    }
    // Complete: the reset button blinks yellow and grey, one phase per window.
    if (setup.warmupState == WarmupState::CompleteYellow)
        SetCtrlAttribute(setup.warmupPanel, WARMUP_RESET, ATTR_CMD_BUTTON_COLOR, VAL_YELLOW);
    if (setup.warmupState == WarmupState::CompleteGrey)
        SetCtrlAttribute(setup.warmupPanel, WARMUP_RESET, ATTR_CMD_BUTTON_COLOR, VAL_LT_GRAY);
    if (setup.warmupState == WarmupState::CompleteYellow)
        setup.warmupState = WarmupState::CompleteGrey;
    else if (setup.warmupState == WarmupState::CompleteGrey)
        setup.warmupState = WarmupState::CompleteYellow;
}

void StartWarmup() {
    SetupState& setup = PartOf<SetupState>();
    if (setup.warmupState == WarmupState::Off && setup.warmupMode > 0) {
        setup.warmupState = WarmupState::ToShow;
        setup.warmupLevel = 0;
    }
}

void EndWarmup() {
    SetupState& setup = PartOf<SetupState>();
    setup.warmupState = WarmupState::Off;
    setup.warmupLevel = 0;
    HidePanel(setup.warmupPanel);
}

void ArmWarmup() {
    SetupState& setup = PartOf<SetupState>();
    setup.warmupState = WarmupState::Off;
    setup.warmupLevel = 0;
    if (setup.warmupMode > 0) setup.warmupState = WarmupState::ToShow;
}
