#pragma once
// Power, energy and the window results, and the trace prepared for plotting.

constexpr int traceCapacity = 8192;

// How well each pedal turns its force into drive: torque effectiveness is the share of the
// pushing that is not undone by pulling against the crank (100 x all / positive), pedal
// smoothness the mean over the peak (100 x mean / peak).
struct PedalMetrics {
    float torqueEffectivenessLeft;
    float torqueEffectivenessRight;
    float pedalSmoothnessLeft;
    float pedalSmoothnessRight;
};
constexpr int maxWindowFrames = 8000;

struct MeasureState {
    // Per-frame traces of the current window.
    float rightForceTrace[traceCapacity];
    float leftForceTrace[traceCapacity];
    float powerTrace[traceCapacity];

    float rightPower;
    float leftPower;
    float powerSum;
    float rightPowerSum;
    float leftPowerSum;
    // Frames of the window lost on the link: the sums hold each as the middle of its neighbours.
    int lostFrames;
    float kcalTotal;
    // The energy summed in double precision: 20 ms of power is too small a step to add to a float
    // of hundreds of kilocalories without a steady loss.
    double kcalExact;

    // Window results.
    float meanPower;
    float powerTotal;
    float previousPower;
    float powerRight;
    float powerLeft;
    float udRight;
    float udLeft;

    // Read-outs of the crank's other channels and the pedalling figures of the last evaluation.
    float cadence;
    float heartRate;
    float speed;
    float batteryLevel;
    float balanceLeft;
    float balanceRight;
    // Torque effectiveness and pedal smoothness of each pedal over the last window, in %.
    PedalMetrics pedalMetrics;
    float ofLeft;
    float ofRight;

    // Time-plot histories.
    float powerHistory[traceCapacity];
    float heartRateHistory[traceCapacity];
    float cadenceHistory[traceCapacity];
    // When each history point's window ended, in minutes of crank time since the histories
    // began: a window is two revolutions, so its length follows the cadence.
    float historyMinutes[traceCapacity];
    double historyClock;
    int historyIndex;

    // Snapshot of the last window, for the single-turn file.
    float snapshotRight[traceCapacity];
    float snapshotLeft[traceCapacity];
    float snapshotPower[traceCapacity];
    int snapshotFrames;

    // The trace the display plots.
    float displayTrace[traceCapacity];
};
