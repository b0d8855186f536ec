#pragma once
// The link timer's tick in the window: the core reads the crank's port, and the panel shows what
// the tick brought (the title when the crank identified itself, the revolution lamp, the
// recording's lines).

#include "app/station.h"
#include "station/frame_path.h"

// One link tick of the station, on the engine's clock.
void ReadZAN(Station& zan);
// The clock as a display tick read it whole: the link ticks' date-time runs on from it.
void TakeDateTime(Station& zan, const ClockReading& now);
