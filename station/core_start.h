#pragma once
// The start values of the station's core, and the core of a recorded ride played again.

#include "record/raw_stream_format.h"
#include "station/station.h"

// The start values of the working variables: cadence and speed read as stopped, the revolution
// period ring full, the frame counter at 1000, the single-side selector at both pedals.
void GiveCoreDefaults(StationCore& zan);
// The setup the live station measured under, in force in the replaying one.
void TakeRecordedSetup(StationCore& zan, const RawSetup& setup);
// A core that measures a recorded ride from port: started as the live station started, on the
// setup recorded with the ride, its session keeping no raw stream of its own.
void StartReplayCore(StationCore& zan, CrankPort& port, const RawSetup& setup);
