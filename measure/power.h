#pragma once
// Power and work: per-frame power of each pedal from force, crank length and revolution period,
// and at the end of every two-revolution window the window's mean powers and UD percentages.
// The routines work on the measure state alone; what they need of the link and the setup comes
// as values.

#include "measure/measure_state.h"
#include "setup/setup_state.h"

// What one frame brings to the power calculation.
struct PowerFrame {
    int frameIndex;     // the frame's place in the window
    float rightForce;   // N
    float leftForce;    // N
    float crankLength;  // mm
    float turnPeriod;   // ms, the mean of the last revolutions
    bool countsEnergy;  // a session records and the crank turns faster than 20 rpm
    int lostBefore;     // frames the link lost just before this one
    int crankFrame = 0; // the crank's frames so far, those lost on the link included
    int turnFrame = 0;  // frames since the last revolution's mark, those lost included
    // The screen mended the frame: its forces are stand-ins, so it counts as a frame lost.
    bool mended = false;
};

// What the window's end brings.
struct PowerWindow {
    int frames;      // the window's length in frames
    int crankFrames; // the crank time it spans, in frames, those lost on the link included
    int lostAtEnd;   // frames the link lost just before the frame that ends it
    SingleSide singleSide;
    float heartRate;
    float cadence;
};

// The crank's limits: a window's power outside them, of both pedals or of either, is no rider's.
constexpr float largestPower = 2000.0f;
constexpr float lowestPower = -1000.0f;

// Stores the frame in the window traces at its place and adds it to the window sums and, when
// energy counts, to the energy.
void FramePower(MeasureState& measure, const PowerFrame& frame);
// The power of one pedal pushing with the given force.
float PedalPower(float force, float crankLength, float turnPeriod);
// The window results, the time-plot histories and the snapshot for the single-turn file.
void CalcWatt(MeasureState& measure, const PowerWindow& window);
// The next window starts with empty sums.
void StartWindowSums(MeasureState& measure);
// A stopped crank has no power: the window results and sums go to 0.
void ClearPowerResults(MeasureState& measure);
// A crank whose marks a damaged link hid has no power to tell until its next window; a standing
// crank's 0 W is measured.
void MarkPowerUnmeasured(MeasureState& measure, bool unmeasured);
// The values a start works with before the first window.
void GiveMeasureDefaults(MeasureState& measure);
// A measuring aid: the time-plot histories as a ride of that many windows (up to the histories'
// length) would leave them, each window two seconds, the values swinging as a rider's do.
void FillHistoriesForMeasuring(MeasureState& measure, int windows);
// A new session counts its energy from 0.
void RestartEnergy(MeasureState& measure);
// The time plot starts again at its second point; the first keeps its old value.
void RestartHistories(MeasureState& measure);
// A lost link breaks the histories once: a point of no value (NaN), where the time plot's lines
// stop rather than cross the time no frame came.
void BreakHistories(MeasureState& measure);
// Nor pedalling figures: the UD percentages go to 0.
void ClearUdFigures(MeasureState& measure);
