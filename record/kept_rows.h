#pragma once
// What the station knows of a recording session beyond its file, for the ride files written at
// its close: the one clock reading it started at, and each row's instant on the steady timer,
// which no change of the wall clock moves.

#include "measure/polar.h"
#include "measure/window_result.h"

#include <vector>

struct KeptRow {
    double seconds; // since the session's start
    // Frames were arriving: the row's crank values are the rider's, not the 0s of a lost link.
    bool live;
    PedalMetrics metrics; // none (all 0) while the link is lost
    // Each pedal's power phases over the row's window; none when the window kept no whole
    // revolution.
    PowerPhase rightPhase;
    PowerPhase leftPhase;
};

struct KeptSession {
    // The engine's local date-time when the session button was pressed: the file's name and its
    // "Time @ Start" both come from it.
    double startDateTime = 0.0;
    double startTimer = 0.0;  // the steady timer at that moment
    double stopSeconds = 0.0; // since the start, when the session was closed
    std::vector<KeptRow> rows;
};
