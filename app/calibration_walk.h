#pragma once
// The calibration with a known mass, page by page: each pedal's offset with nothing on it, then
// its gain with the mass hung on it, and the old and new values side by side to keep or drop.
// The frames are gathered by the frame path while the walk waits for them.

#include "app/station.h"

// The frame just read, for the step that gathers counts.
void TakeCalibrationFrame(Station& zan);
