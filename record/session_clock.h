#pragma once
// The session clock on the panel: the time since the session began, blinking green and white
// while it records, and a row into the session file every record interval.

#include "record/record_state.h"

// One display tick of the clock: every tick is 500 ms.
void RunSessionClock();
// A capture or turn file was taken: the clock turns yellow for four ticks.
void FlashSessionClock(RecordState& record);
