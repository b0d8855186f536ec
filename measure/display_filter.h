#pragma once
// Prepares one trace of the last two-revolution window for plotting in displayTrace: a copy of
// the samples, or a 4-point moving average when the setup asks for filtering.
// Selector 0 takes the right force, 1 the left force, 2 the power; other values do nothing.

#include "measure/measure_state.h"

// windowFrames is the last window's length; displayFilter 0 copies, anything else averages.
void Filt(MeasureState& measure, int selector, int windowFrames, int displayFilter);
