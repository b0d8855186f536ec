#pragma once
// The session of the station's core: opened in a folder, its rows written at the display ticks,
// closed with the ride written as FIT and TCX files beside it. Each step takes the instant it
// happens at and returns what happened; the window asks for the folder and shows the result.

#include "export/ride_export.h"
#include "platform/clock.h"
#include "record/session_file.h"
#include "station/station.h"

#include <string>

// The moment the rider asks for a session: the instant that starts it and names its files, and
// the folder offered for it.
void StampStationSession(StationCore& zan, const ClockReading& now);
// Opens the stamped session in the folder chosen (an empty choice: the folder used last, or the
// one offered), with its raw stream beside it unless the station replays a ride; a session kept
// in memory (the record's sessionText given) has neither file nor folder.
SessionStart OpenStationSession(StationCore& zan, const char* chosen, const ClockReading& now);

// What the close of a session left.
struct ClosedSession {
    // The session file is at its path, whole and closed; so is its raw stream.
    bool sessionFile;
    bool rawStream;
    // The FIT and TCX files were written, at files; else the line that says why not.
    bool rideFiles;
    RideFiles files;
    std::string rideFilesFailure;
};

// Closes the open session at the given instant: the trailer and the raw stream's end.
ClosedSession CloseStationSession(StationCore& zan, const ClockReading& now);
// The closed session's ride as FIT and TCX files beside it, into closed.
void WriteRideFiles(const StationCore& zan, ClosedSession& closed);
