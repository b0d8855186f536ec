#pragma once
// The session file: a header, one row of live values per recording interval, and a trailer.

// Appends one row to the open session file.
void SaveDat();
// The values a start works with: no session, no capture.
void GiveRecordDefaults();
// Writes the trailer and closes the open session, as the session button does.
void StopSession();
