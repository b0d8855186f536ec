#pragma once
// State of the application shell: the display timer's counters and the link watchdog.

struct AppState {
    int holdDisplay;

    // Display timer.
    int keepAliveTicks;
    int plotMode;
    int peakTicks;

    // Link watchdog.
    int launchHandle;
    int linkDialogOpen;    // 1 while the not-connected dialog waits for its answer
    int linkDialogForLoss; // 1 when it was asked for by a lost link, not by the search command
    int linkDialogOff;
    int linkCheckNow;
    int serialQuestionOpen; // 1 while the serial-number question waits for its answer
    // The station plays a recorded ride: its session keeps no raw stream of its own.
    bool replaying;
    // The waiting notice was last hidden because frames arrived (shown again when they stop).
    bool noticeHiddenForFrames;
};
