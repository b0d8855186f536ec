#pragma once
// Revolution tracking: for every decoded frame, decides whether a crank revolution began, keeps
// the mean period of the last four revolutions, notices a stopped crank, ends a window every two
// revolutions and advances the warm-up panel.

#include "measure/power.h"

struct Station;

// A crank that has not turned for this many frames (5 s) has stopped.
constexpr int stallFrames = 250;

// The force of warm-up modes 1 and 2, in newtons: a window whose power exceeds it advances the
// warm-up, and a crank measuring one pedal gives the other pedal that force. Mode 0 has none.
inline float WarmupForce(int warmupMode) {
    if (warmupMode == 1) return 80.0f;
    if (warmupMode == 2) return 150.0f;
    return 0.0f;
}

void TrackRevolution();
void TrackRevolution(Station& station);
// What the window ending now brings to the power calculation.
PowerWindow CurrentPowerWindow();
PowerWindow CurrentPowerWindow(const Station& station);
