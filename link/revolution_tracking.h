#pragma once
// Revolution tracking: for every decoded frame, decides whether a crank revolution began, keeps
// the mean period of the last four revolutions, notices a stopped crank and tells when a
// two-revolution window ends.

#include "link/frame_events.h"
#include "link/link_state.h"

// A crank that has not turned for this many frames (5 s) has stopped.
constexpr int stallFrames = 250;

// The force of warm-up modes 1 and 2, in newtons: a window whose power exceeds it advances the
// warm-up, and a crank measuring one pedal gives the other pedal that force. Mode 0 has none.
inline float WarmupForce(int warmupMode) {
    if (warmupMode == 1) return 80.0f;
    if (warmupMode == 2) return 150.0f;
    return 0.0f;
}

// Tracks the revolution on the frame just decoded, with the setup's turn detection method, and
// sets the events it brings (stalled, windowEnds). A mended frame (events.mended) starts no
// revolution and re-arms none: its mark and its forces are not the crank's. Leaves the crank
// word holding the period only.
void TrackRevolution(LinkState& link, int turnDetection, FrameEvents& events);
// Frames that measured nothing broke the revolution: the next mark is counted as the first after
// a start.
void RestartRevolutions(LinkState& link);
// The link's part of a window end: its frames are counted for the display and the next starts.
void EndLinkWindow(LinkState& link);
// A window starts with the frame just taken, the first revolution's mark: the frames before it
// count for the link only.
void StartLinkWindow(LinkState& link);
