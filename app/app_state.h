#pragma once
// State of the application shell: panels, the port settings, the display timer's counters and
// read-outs, and the link watchdog.

#include "setup/setup_state.h"

struct AppState {
    int mainPanel;
    int warmupPanel;
    char setupPath[512];
    char comPortName[64];
    int comPort;
    int warmupMode;
    int plotHeartRate;
    int plotCadence;
    float wheelCircumference;
    SingleSide singleSide;
    int holdDisplay;

    // Display timer.
    int rowTicks;
    int keepAliveTicks;
    int plotMode;
    int peakTicks;
    int ledFlashTimer;
    double nowTime;
    char elapsedText[16];
    float cadence;
    float heartRate;
    float speed;
    float batteryLevel;
    float balanceLeft;
    float balanceRight;
    float ofLeft;
    float ofRight;

    // Link watchdog.
    int launchHandle;
    int linkDialogOpen; // 1 while the not-connected dialog waits for its answer
};
