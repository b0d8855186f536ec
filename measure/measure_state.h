#pragma once
// Power, energy and the window results, and the trace prepared for plotting.

#include "link/link_state.h"
#include "measure/polar.h"
#include "measure/window_result.h"

constexpr int traceCapacity = 8192;

// The crank's last revolutions by angle: one slot a frame of a revolution, up to a revolution of
// this many frames (5 s, 12 rpm).
constexpr int strokeSlots = 256;

// Each pedal's force as the crank last sent it at one angle of the revolution, and the crank
// frame that brought it: side by side, so a frame writes one place of memory, not four.
struct StrokeAngle {
    float right;
    float left;
    int crankFrame;
    bool kept;
};

struct StrokeMemory {
    StrokeAngle at[strokeSlots];
};

// A frame's four counts as the crank sent them.
struct CrankCounts {
    int rightForce;
    int rightAux;
    int leftForce;
    int leftAux;
};

// Forces a simulated crank gives directly, in newtons.
struct GivenForces {
    float rightForce;
    float leftForce;
    float rightAux;
    float leftAux;
};

// Each pedal's force correction for the setup's coefficients and reference it was made for: the
// same for every frame, made again when the setup changes them.
struct ForceCorrections {
    bool made;
    float rightCoefficient;
    float leftCoefficient;
    float reference;
    double right;
    double left;
};

// The pedals' forces of the frame just taken, and what the display reads of the recent ones.
struct PedalForces {
    // The counts measured: the crank's, or for a pedal not measured those its stand-in gives.
    CrankCounts counts;
    float rightForce; // N
    float leftForce;
    float rightAux;
    float leftAux;
    float substituteForce;
    float rightRatioRing[8];
    float leftRatioRing[8];
    int ratioRingIndex;
    // Peak trackers, read and restarted by the display.
    float rightForceMax;
    float rightAuxAtMax;
    float leftForceAtRightMax;
    float leftForceMax;
    float leftAuxAtMax;
    float rightForceAtLeftMax;
    float rightForceMin;
    float leftForceMin;
    ForceCorrections corrections;
};

// The latest window result is the measure state's own: every part of the station reads it by
// the names it has always had.
struct MeasureState : WindowResult {
    PedalForces pedals;
    // Per-frame traces of the current window.
    float rightForceTrace[traceCapacity];
    float leftForceTrace[traceCapacity];
    float powerTrace[traceCapacity];

    float rightPower;
    float leftPower;
    float powerSum;
    float rightPowerSum;
    float leftPowerSum;
    // Frames of the window lost on the link or mended: the sums hold each as the middle of the
    // measured frames either side of it.
    int lostFrames;
    // Frames of the window in the sums as the crank sent them, frames it had mended, and those
    // (with the frames lost between them) since the last measured one.
    int soundFrames;
    int mendedFrames;
    int mendedBefore;
    // Frames the link lost between the window's frames.
    int linkLostFrames;
    // Each pedal's power in the last frame measured, for the frames lost after it, and in the
    // window's first, for those lost at its edges.
    float soundRightPower;
    float soundLeftPower;
    float firstSoundRightPower;
    float firstSoundLeftPower;
    StrokeMemory stroke;
    float kcalTotal;
    // The energy summed in double precision: 20 ms of power is too small a step to add to a float
    // of hundreds of kilocalories without a steady loss.
    double kcalExact;

    // The window's mean power, and the one before it.
    float meanPower;
    float previousPower;

    // Time-plot histories.
    float powerHistory[traceCapacity];
    float heartRateHistory[traceCapacity];
    float cadenceHistory[traceCapacity];
    // When each history point's window ended, in minutes of crank time since the histories
    // began: a window is two revolutions, so its length follows the cadence.
    float historyMinutes[traceCapacity];
    double historyClock;
    int historyIndex;
    // A window's point came since the histories last broke for a lost link.
    bool historySinceBreak;

    // Snapshot of the last window, for the single-turn file.
    float snapshotRight[traceCapacity];
    float snapshotLeft[traceCapacity];
    float snapshotPower[traceCapacity];
    int snapshotFrames;

    // The trace the display plots.
    float displayTrace[traceCapacity];

    // Each pedal's force by crank angle over the last revolutions.
    PolarState polar;
    // The polar view's count of revolutions kept when the window under way began.
    long long windowKeptFrom;
};
