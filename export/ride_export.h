#pragma once
// A session file converted into the files other tools read, written beside it under its name:
// FILE.csv gives FILE.fit and FILE.tcx.

#include "export/ride_clock.h"
#include "record/kept_rows.h"

#include <string>

// serialNumber is the crank's, 0 when unknown. kept holds what the station knew of the session
// it recorded: the instant of its start, stop and each row, the rows the link was lost in and
// their pedalling metrics. A session from elsewhere (nullptr) starts at its "Time @ Start" in
// zone, and its rows follow on their record interval.
// False, with a one-line reason, when the file is no session file, when a file written would
// be the session file itself, or when a file could not be written; nothing is written then.
bool ExportRide(const std::string& sessionPath, unsigned serialNumber, const KeptSession* kept,
                const RideZone& zone, std::string& error);
