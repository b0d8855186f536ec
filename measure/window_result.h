#pragma once
// A window's result: what the station measured of the crank and the rider at the end of a
// window of two revolutions, kept until the next. The session row, the ride files' records, the
// time-plot histories and the panel all read it; the panel's HOLD freezes only what it shows.

// How well each pedal turns its force into drive: torque effectiveness is the share of the
// pushing that is not undone by pulling against the crank (100 x all / positive), pedal
// smoothness the mean over the peak (100 x mean / peak).
struct PedalMetrics {
    float torqueEffectivenessLeft;
    float torqueEffectivenessRight;
    float pedalSmoothnessLeft;
    float pedalSmoothnessRight;
};

struct WindowResult {
    // W: both pedals (the mean of this window and the one before), each pedal.
    float powerTotal;
    float powerRight;
    float powerLeft;
    // rpm, km/h, bpm, %.
    float cadence;
    float speed;
    float heartRate;
    float batteryLevel;
    // Left and right shares of the power, %.
    float balanceLeft;
    float balanceRight;
    // The pedalling figures OFL/OFR and UDL/UDR.
    float ofLeft;
    float ofRight;
    float udRight;
    float udLeft;
    PedalMetrics pedalMetrics;
    // The link was lost: the crank's values read 0 until frames come again.
    bool crankLost;
    // Too few of the window's frames came whole to measure its power: it has none, and its row
    // is written as a lost link's.
    bool powerUnmeasured;
    // The window's revolutions the polar view kept whole (none lost, marks where due): its
    // rows' power phases come from them.
    int windowTurnsKept;
};

// N·m of a power at a cadence: 9.55 turns watts over revolutions per minute into newton-metres.
// A crank at rest has no torque.
double CrankTorque(float power, float cadence);
