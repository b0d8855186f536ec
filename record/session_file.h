#pragma once
// The session file: a header, one row of live values per recording interval, and a trailer.

// Appends one row to the open session file.
void SaveDat();
