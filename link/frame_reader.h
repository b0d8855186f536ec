#pragma once
// The frame reader: drains the crank link's input queue, cuts it into 18-byte frames, screens
// them, decodes their words into the link's state and runs the handshake, and hands each frame's
// events on to the rest of the station, which measures it.

#include "link/crank_port.h"
#include "link/frame_events.h"
#include "link/frame_screen.h"
#include "link/link_state.h"

// What the link needs of the station: the crank's port, the serial number
// the handshake compares, whether to simulate a crank, and the screen's limits for the setup's
// gains and offsets.
struct LinkSettings {
    CrankPort& port;
    int serialNumber;
    int simulation;
    ScreenLimits limits;
};

// Where the frames the link has read go: take(context, events) once for each, in order, while the
// link's state holds that frame's values. The events are the taker's to add to (the revolution's);
// the link reads nothing of them after. A handshake frame that identified the crank comes with
// identityOnly set; it is no measured frame.
// Each block of bytes the port gave goes to received(context, bytes, count), when given, before
// its frames are taken.
struct FrameSink {
    void* context;
    void (*take)(void* context, FrameEvents& events);
    void (*received)(void* context, const unsigned char* bytes, int count) = nullptr;
};

// One link tick: counts the tick towards a lost link, then reads every byte waiting on the port
// (or one simulated frame) and hands each frame taken to the sink.
void ReadCrankLink(LinkState& link, const LinkSettings& settings, const FrameSink& sink);
// The frames of the last window, once: 0 until the next window ends.
int TakeWindowToPlot(LinkState& link);
