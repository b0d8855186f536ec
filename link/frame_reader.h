#pragma once
// The frame reader: drains the crank link's input queue, cuts it into 18-byte frames and takes
// every frame through what a frame does, from its decoding to the power calculation, the
// capture and the window's end.

#include "link/frame_events.h"
#include "link/link_state.h"
#include "measure/power.h"
#include "measure/readouts.h"
#include "record/record_state.h"
#include "setup/setup_state.h"

void ReadZAN();
// What a frame's revolution brings to the rest of the station: a stalled crank's power falls to
// 0, an armed capture takes the frame, and a window's end is measured and advances the warm-up.
void HandOnRevolution(const FrameEvents& events);
// What the frame just decoded brings to the power calculation.
PowerFrame CurrentPowerFrame();
PowerFrame CurrentPowerFrame(const LinkState& link, const SetupState& setup,
                             const MeasureState& measure, const RecordState& record);
// What the window ending now brings to the power calculation.
PowerWindow CurrentPowerWindow();
PowerWindow CurrentPowerWindow(const LinkState& link, const SetupState& setup,
                               const MeasureState& measure);
// The crank's channels as the link decoded them last, for the read-outs.
CrankChannels CurrentChannels(const LinkState& link, const SetupState& setup);
// The peak trackers start again for the next pedal-figure evaluation: maxima from far below any
// force, minima from far above.
void RestartPeakTrackers();
// The frames of the last window, once: 0 until the next window ends.
int TakeWindowToPlot();
