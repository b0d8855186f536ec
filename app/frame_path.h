#pragma once
// The frame path: each frame the link reads goes, as a value, through what it does to the rest
// of the station, in one place: the title when the crank identifies itself, the measurement and
// the capture, the window's end and the warm-up, and the revolution lamp.

#include "app/station.h"
#include "link/frame_events.h"
#include "measure/power.h"
#include "measure/readouts.h"

// One link tick of the station: reads what waits on the crank's port and takes every frame.
void ReadZAN(Station& zan);
// What a frame's revolution brings to the rest of the station: a stalled crank's power falls to
// 0, an armed capture takes the frame, and a window's end is measured and advances the warm-up.
void HandOnRevolution(Station& zan, const FrameEvents& events);
// What the frame just decoded, and the window ending now, bring to the power calculation.
PowerFrame CurrentPowerFrame(const Station& zan);
PowerWindow CurrentPowerWindow(const Station& zan);
// The crank's channels as the link decoded them last, for the read-outs.
CrankChannels CurrentChannels(const Station& zan);

// Between window ends the window's result follows the crank's channels, the link's loss and
// the pedal figures; a held panel does not stop it.
void KeepResultCurrent(Station& zan);
// The OFL and OFR figures, evaluated every second tick from the peak trackers.
void EvaluatePedalFigures(Station& zan);
