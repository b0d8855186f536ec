#pragma once
// The frame reader: drains the crank link's input queue, cuts it into 18-byte frames, screens
// them, decodes them into the link's state and runs the handshake, and hands each frame's events
// on to the rest of the station.

#include "link/frame_events.h"
#include "link/link_state.h"
#include "measure/power.h"
#include "measure/readouts.h"
#include "record/record_state.h"
#include "setup/setup_state.h"

// Where the frames the link has read go: take(context, events) once for each, in order, while the
// link's state holds that frame's values. A handshake frame that identified the crank comes with
// identityOnly set; it is no measured frame.
// Each block of bytes the port gave goes to received(context, bytes, count), when given, before
// its frames are taken.
struct FrameSink {
    void* context;
    void (*take)(void* context, const FrameEvents& events);
    void (*received)(void* context, const unsigned char* bytes, int count) = nullptr;
};

// One link tick: counts the tick towards a lost link, then reads every byte waiting on the port
// (or one simulated frame) and hands each frame taken to the sink.
void ReadCrankLink(LinkState& link, const SetupState& setup, const FrameSink& sink);
// What the frame just decoded brings to the power calculation.
PowerFrame CurrentPowerFrame(const LinkState& link, const SetupState& setup,
                             const MeasureState& measure, const RecordState& record);
// What the window ending now brings to the power calculation.
PowerWindow CurrentPowerWindow(const LinkState& link, const SetupState& setup,
                               const MeasureState& measure);
// The crank's channels as the link decoded them last, for the read-outs.
CrankChannels CurrentChannels(const LinkState& link, const SetupState& setup);
// The peak trackers start again for the next pedal-figure evaluation: maxima from far below any
// force, minima from far above.
void RestartPeakTrackers(LinkState& link);
// The frames of the last window, once: 0 until the next window ends.
int TakeWindowToPlot(LinkState& link);
