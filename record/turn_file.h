#pragma once
// The single-turn file: the last two-revolution window, frame by frame, with its crank angle.

#include "measure/measure_state.h"
#include "record/record_state.h"

// Writes the last window's snapshot into the session's folder; only while a session records.
void SaveTurnFile(RecordState& record, const MeasureState& measure);
