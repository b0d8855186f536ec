#pragma once
// The warm-up before the offsets are zeroed: a panel that fills as the rider pedals above the
// warm-up mode's force, then offers the reset of the offsets.

#include "setup/setup_state.h"

// The force of warm-up modes 1 and 2, in newtons: a window whose power exceeds it advances the
// warm-up, and a crank measuring one pedal gives the other pedal that force. Mode 0 has none.
inline float WarmupForce(int warmupMode) {
    if (warmupMode == 1) return 80.0f;
    if (warmupMode == 2) return 150.0f;
    return 0.0f;
}

// The reset button's colour while the warm-up is complete: it blinks, one phase per window.
enum class WarmupBlink { None, Yellow, Grey };

// What a window end changed in the warm-up, for its panel: shown now (reset dimmed, skip
// offered, kept on top), a new level, complete (reset offered, skip dimmed), and the blink.
struct WarmupStep {
    bool shown;
    bool levelChanged;
    bool completed;
    WarmupBlink blink;
};

// The warm-up's step at a window end, with the window's total power.
WarmupStep AdvanceWarmup(SetupState& setup, float powerTotal);
// The warm-up panel shows at the next window end, when a warm-up mode is chosen and no warm-up
// runs.
void StartWarmup(SetupState& setup);
// The warm-up is over (reset or skipped): its panel goes.
void EndWarmup(SetupState& setup);
// At start: the warm-up panel shows at the first window end when a warm-up mode is chosen.
void ArmWarmup(SetupState& setup);
