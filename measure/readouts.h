#pragma once
// The read-outs of the crank's other channels (cadence, speed, heart rate, battery), the balance
// and the pedal figures OFL and OFR: the window's result besides its powers, worked out from what
// the link decoded at each window's end and kept current between window ends.

#include "measure/measure_state.h"
#include "setup/setup_state.h"

// What the link decoded that the read-outs come from.
struct CrankChannels {
    float turnPeriod;    // ms, the mean of the last revolutions
    int wheelPeriodWord; // half-milliseconds
    int heartRateWord;   // half beats per minute
    int batteryByte;
    float wheelCircumference; // mm
};

// The peaks of the force and auxiliary channels since the last evaluation.
struct PedalPeaks {
    float rightForceMax;
    float rightAuxAtMax;
    float leftForceMax;
    float leftAuxAtMax;
    bool stopped; // the crank has not turned for the stall limit
};

// Cadence, speed, heart rate and battery level from the channels.
void TakeReadouts(MeasureState& measure, const CrankChannels& channels);
// OFR and OFL of the pedals that pushed hard enough to be evaluated; a stopped crank has none
// and no UD figures either.
void TakePedalFigures(MeasureState& measure, const PedalPeaks& peaks, const SetupParameters& setup);
// The link is lost: power, cadence, speed, heart rate and the pedalling figures fall to 0 until
// frames come again.
void ClearCrankReadouts(MeasureState& measure);
// Left and right shares of the window's power, 0 while the rider is not pedalling.
void TakeBalance(WindowResult& result);
// Between window ends the result follows the channels as they come, or falls to 0 while the
// link is lost, whether or not the panel is held.
void KeepReadoutsCurrent(MeasureState& measure, const CrankChannels& channels, bool linkLost);
