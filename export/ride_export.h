#pragma once
// A session file converted into the files other tools read, written beside it under its name:
// FILE.csv gives FILE.fit and FILE.tcx.

#include "export/fit_activity.h"
#include "export/ride_clock.h"
#include "export/session_reader.h"
#include "record/kept_rows.h"

#include <string>

// A session file read as the ride the FIT file is given: ride holds its rows as the file has them,
// fit a record a row and the totals (its serial number left 0). False, with a one-line reason,
// when the file is no session file. kept and zone as for ExportRide.
bool ReadRideActivity(const std::string& sessionPath, const KeptSession* kept, const RideZone& zone,
                      SessionRide& ride, FitActivity& fit, std::string& error);

// serialNumber is the crank's, 0 when unknown. kept holds what the station knew of the session
// it recorded: the instant of its start, stop and each row, the rows the link was lost in and
// their pedalling metrics. A session from elsewhere (nullptr) starts at its "Time @ Start" in
// zone, and its rows follow on their record interval.
// False, with a one-line reason, when the file is no session file, when a file written would
// be the session file itself, or when a file could not be written; nothing is written then.
bool ExportRide(const std::string& sessionPath, unsigned serialNumber, const KeptSession* kept,
                const RideZone& zone, std::string& error);
