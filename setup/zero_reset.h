#pragma once
// Zeroing the channel offsets with the pedals unloaded.

#include "link/link_state.h"
#include "setup/setup_state.h"

// The raw counts of the last frame become the offsets; no averaging.
void TakeOffsetsFromCrank(SetupState& setup, const LinkState& link);
