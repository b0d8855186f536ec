#pragma once
// State of the application shell: the display timer's counters, the link watchdog and the
// calibration walk.

#include "platform/folder_lock.h"
#include "setup/calibration.h"

// Where the calibration with a mass stands: no walk, a step gathering frames, or a step whose
// frames are in and wait for the walk to go on.
enum class CalibrationStep { Idle, Offset, OffsetGathered, Load, LoadGathered };

// One pedal's new values, once its steps went through.
struct CalibrationResult {
    bool taken;
    double offset;      // counts
    double gain;        // N per count
    double uncertainty; // N per count
    double change;      // %
};

struct WindowReplay;

struct CalibrationWalk {
    CalibrationStep step;
    bool left; // the pedal under way
    double massKg;
    CountMean offset;
    CalibrationResult result[2]; // right, left
    CalibrationCounts counts;
};

struct AppState {
    int holdDisplay;

    // Display timer.
    int plotMode;
    // The date-time at 0 of the engine's timer, as the last display tick read the clock: a link
    // tick reads only the timer (fifty times a second; the date-time costs a conversion to local
    // time) and runs the date-time on from there.
    double dateTimeAtTimerZero;

    // Link watchdog.
    int launchHandle;
    int linkDialogOpen;    // 1 while the not-connected dialog waits for its answer
    int linkDialogForLoss; // 1 when it was asked for by a lost link, not by the search command
    int linkDialogOff;
    int linkCheckNow;
    int serialQuestionOpen; // 1 while the serial-number question waits for its answer
    // The working folder's lock, held while the station runs; a replay takes none.
    FolderLock folderLock;
    // Another station holds the working folder: this one saves nothing there.
    bool folderTaken;
    // The waiting notice was last hidden because frames arrived (shown again when they stop).
    bool noticeHiddenForFrames;
    // The title says the crank's link is lost (and goes back to the connected one with it).
    bool titleSaysLinkLost;
    // The ride played in the window, when the station plays one; it is the station's port.
    WindowReplay* replay;
    // The ride played again is over: no crank will come back on its port.
    bool replayEnded;

    CalibrationWalk calibration;
};
