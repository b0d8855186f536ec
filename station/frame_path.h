#pragma once
// The frame path: each frame the link reads goes, as a value, through what it does to the rest
// of the station, in one place: the measurement and the capture, the window's end, the
// followers, and the revolution lamp's state.

#include "link/frame_events.h"
#include "measure/power.h"
#include "measure/readouts.h"
#include "platform/clock.h"
#include "station/station.h"

// What one link tick brought that a window shows.
struct LinkTickResult {
    // The crank identified itself: the title names it.
    bool identified;
    // Frames were taken.
    bool framesTaken;
};

// One link tick of the station at the given instant: reads what waits on the crank's port and
// takes every frame; the recording keeps the port's bytes.
LinkTickResult LinkTick(StationCore& zan, const ClockReading& now);
// What a frame's revolution brings to the rest of the station: a stalled crank's power falls to
// 0, an armed capture takes the frame, and a window's end is measured and goes to the followers.
void HandOnRevolution(StationCore& zan, const FrameEvents& events);
// What the frame just decoded, and the window ending now, bring to the power calculation.
PowerFrame CurrentPowerFrame(const StationCore& zan);
PowerWindow CurrentPowerWindow(const StationCore& zan);
// The crank's channels as the link decoded them last, for the read-outs.
CrankChannels CurrentChannels(const StationCore& zan);

// Between window ends the window's result follows the crank's channels, the link's loss and
// the pedal figures; a held panel does not stop it.
void KeepResultCurrent(StationCore& zan);
// The OFL and OFR figures, evaluated every second tick from the peak trackers.
void EvaluatePedalFigures(StationCore& zan);
