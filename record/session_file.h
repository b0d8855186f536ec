#pragma once
// The session file: a header, one row of live values per recording interval, and a trailer.

#include "link/link_state.h"
#include "measure/measure_state.h"
#include "record/record_state.h"
#include "setup/setup_state.h"

// Whether a session began: no session without its whole header on disk.
enum class SessionStart { Started, Refused };

// The session's start instant, and the stamp its file is named by: the moment the rider asks.
void StampSession(RecordState& record);
// The folder offered for a new session: "dati" in the working folder.
void OfferRecordFolder(RecordState& record);
// The folder the rider picked; none (a cancelled popup) records into the folder used last, or
// into the one offered.
void TakeRecordFolder(RecordState& record, const char* chosen);
// Opens a new session file, named from the file stamp, in the record folder and writes its
// header; the session's averages start from 0 (its energy is the measurement's to restart). The
// name is one no file of the session's set has (keepsRawStream: its raw stream is one of them);
// the rider is told when the first name was taken, and by what.
SessionStart StartSession(RecordState& record, const SetupState& setup, bool keepsRawStream);
// Appends one row to the open session file.
void SaveDat(RecordState& record, const MeasureState& measure, const SetupState& setup,
             const LinkState& link);
// The values a start works with: no session, no capture.
void GiveRecordDefaults(RecordState& record);
// Writes the trailer and closes the open session, as the session button does. True when the
// session file is at its path, closed.
bool StopSession(RecordState& record, const MeasureState& measure, const SetupState& setup);
