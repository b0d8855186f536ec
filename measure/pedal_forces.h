#pragma once
// The pedals' forces as the station measures them: the crank's counts through the calibration's
// offsets, gains and correction, the unmeasured pedal's stand-in force, the peaks the pedal
// figures are read from and the auxiliary ratios.

#include "measure/measure_state.h"
#include "setup/setup_state.h"

// Measures a frame's counts under the setup: forces, a stand-in for the pedal not measured, the
// peaks. The counts come one by one, as the link read them: taken from its state as one block,
// they would wait for its four writes to reach memory.
void TakeCrankCounts(PedalForces& pedals, const SetupState& setup, int rightForce, int rightAux,
                     int leftForce, int leftAux);
// A simulated crank's forces, given in newtons.
void TakeGivenForces(PedalForces& pedals, const GivenForces& forces);
// The auxiliary ratios take the frame's forces.
void UpdateAuxRatios(PedalForces& pedals, const SetupParameters& setup);
// A pedal's auxiliary ratio as the display shows it: the mean of its last eight frames, made when
// it is read rather than at every frame.
float AuxRatio(const float (&ring)[8]);
// The peak trackers start again for the next pedal-figure evaluation: maxima from far below any
// force, minima from far above.
void RestartPeakTrackers(PedalForces& pedals);
// A crank that stopped has no peaks: the maxima go to 0.
void ClearPeaks(PedalForces& pedals);
