#pragma once
// The display tick of the station's core, twice a second: the raw stream marks where it fell
// among the link's reads, the crank is kept alive, the session clock runs and writes its row
// when the row's interval is up, and the window's result follows the link between window ends.

#include "platform/clock.h"
#include "record/session_clock.h"
#include "station/station.h"

// The tick's mark in the raw stream, at the instant given: the first thing a display tick does.
void MarkDisplayTick(StationCore& zan, const ClockReading& now);

struct DisplayTickResult {
    SessionClockTick clock;
};

// The rest of the tick, once the window has given the core what it reads from the panel.
DisplayTickResult DisplayTick(StationCore& zan, const ClockReading& now);
