#pragma once
// The access levels: the code the rider enters decides which controls are shown, dimmed or
// enabled; from the service level up the single-side selector drives the measurement.

#include "setup/setup_state.h"

// The values a start works with: no access code, both pedals measured.
void GiveAccessDefaults(SetupState& setup);
