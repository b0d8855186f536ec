#pragma once
// Revolution tracking: for every decoded frame, decides whether a crank revolution began, keeps
// the mean period of the last four revolutions, notices a stopped crank, ends a window every two
// revolutions and advances the warm-up panel.

void TrackRevolution();
