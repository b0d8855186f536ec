#pragma once
// Calibration with a known mass: the offset from the frames of an unloaded pedal, the gain from
// the frames of the same pedal with the mass hung on it, crank horizontal and pedal forward.
// Pure arithmetic on the frames' raw counts, and the counts gathered meanwhile.

// The unloaded pedal is averaged over 2 s of frames, the loaded one over 5 s, at 50 frames a
// second.
constexpr int calibrationOffsetFrames = 100;
constexpr int calibrationLoadFrames = 250;
constexpr int calibrationMostFrames = 2048;
// A pedal just loaded or unloaded swings, and the hand that pressed OK may still touch the crank:
// the first second of a step is not averaged.
constexpr int calibrationSettleFrames = 50;
// A standing crank's force varies by far less: more than this between the frames of a step is a
// crank that moved, or a mass that swings.
constexpr double calibrationSteadyNewtons = 20.0;
// A gain that changes by more than this share is a wrong mass or a wrong pedal, not a drift.
constexpr double calibrationLargestChange = 0.20;
constexpr double standardGravity = 9.80665;

// The mean of a step's counts and its standard uncertainty (the scatter over the square root
// of the frames).
struct CountMean {
    int frames;
    double mean;
    double uncertainty;
    // The largest count minus the smallest.
    double span;
};

CountMean AverageCounts(const int* counts, int frames);

// Why a step stopped and changed nothing.
enum class CalibrationStop { None, NoFrames, Moved, NoMass, NoCounts, GainChange };

// The mass as the rider typed it, in kg, a decimal comma as a point ("30,9" is 30.9): None, or
// NoMass (massKg then 0) when the text does not start with a number above 0.
CalibrationStop ReadMass(const char* text, double* massKg);

// A step's counts checked against the gain in use: a crank that moved stops the step.
CalibrationStop CheckSteady(const CountMean& counts, double gainInUse);

struct GainResult {
    CalibrationStop stop;
    double gain;        // N per count
    double uncertainty; // N per count, standard
    double change;      // %, against the gain in use
};

// m x g / (loaded - offset), with the uncertainty both means carry.
GainResult ComputeGain(const CountMean& offset, const CountMean& loaded, double massKg,
                       double gainInUse);

// The counts of one pedal gathered during a step.
struct CalibrationCounts {
    int settling; // frames still to pass before the counts are taken
    int wanted;
    int frames;
    int counts[calibrationMostFrames];
};

// Starts gathering that many frames (up to calibrationMostFrames) after the settling ones.
void StartCounts(CalibrationCounts& gathered, int frames, int settling = calibrationSettleFrames);
// Takes one frame's raw count; true once the step has its frames.
bool TakeCount(CalibrationCounts& gathered, int count);
