#pragma once
// Zeroing the channel offsets with the pedals unloaded.

#include "link/link_state.h"
#include "setup/setup_state.h"

// The counts of the last frame, as the crank sent them, become the offsets of the pedals it
// measures; no averaging.
void TakeOffsetsFromCrank(SetupState& setup, const LinkState& link);
