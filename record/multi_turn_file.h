#pragma once
// The multi-turn file: 1000 consecutive frames captured from a window end.

#include "measure/power.h"
#include "record/record_state.h"

// The rider's capture command: the capture waits for the next window end.
void ArmCapture(RecordState& record);
// The capture's share of every frame: armed by the rider, it starts on the frame that ends a
// window (the second revolution start, turnCount 2) and keeps 1000 consecutive frames; the
// 1001st writes the file.
void CaptureFrame(RecordState& record, int turnCount, const PowerFrame& frame);
// Writes the completed capture into the session's folder; without an open session the capture
// is dropped.
void Save10(RecordState& record);
