#pragma once
// The frame reader: drains the crank link's input queue, cuts it into 18-byte frames and hands
// every frame on to revolution tracking and the power calculation.

void ReadZAN();
// The peak trackers start again for the next pedal-figure evaluation: maxima from far below any
// force, minima from far above.
void RestartPeakTrackers();
