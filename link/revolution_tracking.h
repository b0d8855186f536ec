#pragma once
// Revolution tracking: for every decoded frame, decides whether a crank revolution began, keeps
// the mean period of the last four revolutions, notices a stopped crank and tells when a
// two-revolution window ends.

#include "link/frame_events.h"
#include "link/link_state.h"

// A crank that has not turned for this many frames (5 s) has stopped.
constexpr int stallFrames = 250;

// The pedals' measured forces of the frame, for the methods that find the revolution from them.
struct TurnForces {
    float right;
    float left;
    float rightPeak; // the right pedal's highest since the pedal figures were last evaluated
};

// Tracks the revolution on the frame just decoded, with the setup's turn detection method, and
// sets the events it brings (stalled, windowEnds). A mended frame (events.mended) starts no
// revolution and re-arms none: its mark and its forces are not the crank's. Leaves the crank
// word holding the period only.
void TrackRevolution(LinkState& link, int turnDetection, const TurnForces& forces,
                     FrameEvents& events);
// Frames that measured nothing broke the revolution: the next mark is counted as the first after
// a start.
void RestartRevolutions(LinkState& link);
// The link's part of a window end: its frames are counted for the display and the next starts.
void EndLinkWindow(LinkState& link);
// A window starts with the frame just taken, the first revolution's mark: the frames before it
// count for the link only.
void StartLinkWindow(LinkState& link);
