#pragma once
// The frame reader: drains the crank link's input queue, cuts it into 18-byte frames and hands
// every frame on to revolution tracking and the power calculation.

#include "measure/power.h"

struct Station;

void ReadZAN();
// What the frame just decoded brings to the power calculation.
PowerFrame CurrentPowerFrame();
PowerFrame CurrentPowerFrame(const Station& station);
// The peak trackers start again for the next pedal-figure evaluation: maxima from far below any
// force, minima from far above.
void RestartPeakTrackers();
