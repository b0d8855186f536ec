#pragma once
// The session clock: the time since the session began, blinking green and white while it
// records, and a row into the session file every record interval.

#include "link/link_state.h"
#include "measure/measure_state.h"
#include "record/record_state.h"
#include "setup/setup_state.h"

// What one tick of the clock shows: nothing but a white clock without a session; else the time
// since the start, the clock's colour change (none while a capture's yellow lasts) and the
// session's energy and averages.
enum class ClockColour { Keep, White, Green };
struct SessionClockTick {
    bool recording;
    ClockColour firstColour; // at the tick's start
    ClockColour lastColour;  // after the row
    char elapsed[16];
};

// One display tick of the clock: every tick is 500 ms. Writes the session row when its interval
// is up.
SessionClockTick RunSessionClock(RecordState& record, const MeasureState& measure,
                                 const SetupState& setup, const LinkState& link);
// A capture or turn file was taken: the clock turns yellow for four ticks.
void FlashSessionClock(RecordState& record);
