#pragma once
// The raw stream beside the session file: what the crank's port gave while the session records,
// as it came, so the ride can be played again through the same frame path and measured anew.

#include "link/link_state.h"
#include "record/record_state.h"
#include "setup/setup_state.h"

// Opens S_ddmmyy_hh-mm.zanraw beside the open session file and writes its header, then the
// link's history kept since the stream's clock began (the station's first tick; some 50 minutes
// at most) and the session's block. A stream that cannot be made (a file of that name there
// already, a full disk) is told to the rider; the session records on without it.
void StartRawStream(RecordState& record, const SetupState& setup, const LinkState& link);
// One link tick: counts it, and a setup changed since the last block (a zero, a save, the pedals
// measured) goes into the stream and the history as a block of its own.
void CountRawTick(RecordState& record, const SetupState& setup);
// The bytes one read of the port gave, as a block stamped with the tick, into the stream while a
// session records and into the history always.
void KeepRawBytes(RecordState& record, const unsigned char* bytes, int count);
// A display tick, at the link tick reached, with its instant.
void KeepRawDisplayTick(RecordState& record, const SetupState& setup);
// Stores the stream on disk and closes it. True when a stream was written and is at its path,
// stored and closed.
bool StopRawStream(RecordState& record);
