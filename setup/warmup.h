#pragma once
// The warm-up before the offsets are zeroed: a panel that fills as the rider pedals above the
// warm-up mode's force, then offers the reset of the offsets.

#include "setup/setup_state.h"

// The warm-up's step at a window end, with the window's total power.
void AdvanceWarmup(SetupState& setup, float powerTotal);
// The warm-up panel shows at the next window end, when a warm-up mode is chosen and no warm-up
// runs.
void StartWarmup();
// The warm-up is over (reset or skipped): its panel goes.
void EndWarmup();
// At start: the warm-up panel shows at the first window end when a warm-up mode is chosen.
void ArmWarmup();
