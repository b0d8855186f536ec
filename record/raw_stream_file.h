#pragma once
// The raw stream beside the session file: what the crank's port gave while the session records,
// as it came, so the ride can be played again through the same frame path and measured anew.

#include "link/link_state.h"
#include "record/record_state.h"
#include "setup/setup_state.h"

// Opens S_ddmmyy_hh-mm.zanraw beside the open session file and writes its header. A stream that
// cannot be made (a file of that name there already, a full disk) is told to the rider; the
// session records on without it.
void StartRawStream(RecordState& record, const SetupState& setup, const LinkState& link);
// One link tick of the session: counts it, and a setup changed since the last block (a zero, a
// save, the pedals measured) goes into the stream as a block of its own.
void CountRawTick(RecordState& record, const SetupState& setup);
// The bytes one read of the port gave, as a block stamped with the tick.
void KeepRawBytes(RecordState& record, const unsigned char* bytes, int count);
// A display tick of the session, at the link tick reached, with its instant.
void KeepRawDisplayTick(RecordState& record);
// Stores the stream on disk and closes it.
void StopRawStream(RecordState& record);
