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
// The FIT file's ride of a session already read.
void RideActivity(const SessionRide& ride, const KeptSession* kept, const RideZone& zone,
                  FitActivity& fit);

// The files a ride was written into.
struct RideFiles {
    std::string fit;
    std::string tcx;
    // The file that held the session's own name, when the ride files had to take another; empty
    // when they are named as the session is.
    std::string taken;
};
// The line that tells where the ride files went when they took a new name; empty when they did
// not.
std::string RideFilesNote(const RideFiles& files);

// serialNumber is the crank's, 0 when unknown. kept holds what the station knew of the session
// it recorded: the instant of its start, stop and each row, the rows the link was lost in and
// their pedalling metrics. A session from elsewhere (nullptr) starts at its "Time @ Start" in
// zone, and its rows follow on their record interval.
// The files go beside the session under its name; when either is there already they take its
// name with _2, _3, ..., the first whose whole set (session, FIT, TCX, raw stream) is free, and
// written says so. No file is ever written over.
// False, with a one-line reason, when the file is no session file, when a file written would
// be the session file itself, or when a file could not be written; nothing is written then.
bool ExportRide(const std::string& sessionPath, unsigned serialNumber, const KeptSession* kept,
                const RideZone& zone, std::string& error, RideFiles* written = nullptr);
