#pragma once
// The pedals' forces as the station measures them: the crank's counts through the calibration's
// offsets, gains and correction, the unmeasured pedal's stand-in force, the peaks the pedal
// figures are read from and the auxiliary ratios.

#include "measure/measure_state.h"
#include "setup/setup_state.h"

#include <bit>
#include <cstdint>

// The corrections of the setup in force, made anew for its coefficients and reference.
void MakeCorrections(ForceCorrections& made, const SetupParameters& setup);
// With one pedal measured, the other carries a fixed force that depends on the warm-up mode, and
// its counts are those that force would give.
void SubstituteMissingSide(PedalForces& pedals, const SetupState& setup);

inline bool SameBits(float a, float b) {
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

// The highest and lowest forces since the trackers last started again.
inline void TrackPeaks(PedalForces& pedals) {
    if (pedals.rightForce > pedals.rightForceMax) {
        pedals.rightForceMax = pedals.rightForce;
        pedals.rightAuxAtMax = pedals.rightAux;
        pedals.leftForceAtRightMax = pedals.leftForce;
    }
    if (pedals.leftForce > pedals.leftForceMax) {
        pedals.leftForceMax = pedals.leftForce;
        pedals.leftAuxAtMax = pedals.leftAux;
        pedals.rightForceAtLeftMax = pedals.rightForce;
    }
    if (pedals.rightForce < pedals.rightForceMin) pedals.rightForceMin = pedals.rightForce;
    if (pedals.leftForce < pedals.leftForceMin) pedals.leftForceMin = pedals.leftForce;
}

// One pedal's force: its count over the offset, through the gain and the correction.
inline float CountedForce(int count, float offset, float gain, double correction) {
    const float force = static_cast<float>((count - static_cast<double>(offset)) * gain);
    return static_cast<float>(force * correction);
}

inline float CountedAux(int count, float offset) {
    return static_cast<float>(1.0 * (count - static_cast<double>(offset)));
}

// Measures a frame's counts under the setup: forces, a stand-in for the pedal not measured, the
// peaks. The counts come one by one, as the link read them: taken from its state as one block,
// they would wait for its four writes to reach memory. Inline, as every frame measures them; the
// corrections are made again only when the setup changed them.
inline void TakeCrankCounts(PedalForces& pedals, const SetupState& setup, int rightForce,
                            int rightAux, int leftForce, int leftAux) {
    const SetupParameters& parameters = setup.setup;
    ForceCorrections& corrections = pedals.corrections;
    if (!corrections.made ||
        !SameBits(corrections.rightCoefficient, parameters.rightCorrectionCoeff) ||
        !SameBits(corrections.leftCoefficient, parameters.leftCorrectionCoeff) ||
        !SameBits(corrections.reference, parameters.correctionReference))
        MakeCorrections(corrections, parameters);
    pedals.counts = CrankCounts{rightForce, rightAux, leftForce, leftAux};
    pedals.rightForce = CountedForce(rightForce, parameters.rightForceOffset,
                                     parameters.rightForceGain, corrections.right);
    pedals.rightAux = CountedAux(rightAux, parameters.rightAuxOffset);
    pedals.leftForce = CountedForce(leftForce, parameters.leftForceOffset, parameters.leftForceGain,
                                    corrections.left);
    pedals.leftAux = CountedAux(leftAux, parameters.leftAuxOffset);
    if (setup.singleSide != SingleSide::Both) SubstituteMissingSide(pedals, setup);
    TrackPeaks(pedals);
}
// A simulated crank's forces, given in newtons.
void TakeGivenForces(PedalForces& pedals, const GivenForces& forces);
// The auxiliary ratios take the frame's forces.
inline void UpdateAuxRatios(PedalForces& pedals, const SetupParameters& setup) {
    const int slot = pedals.ratioRingIndex;
    pedals.rightRatioRing[slot] = static_cast<float>(static_cast<double>(pedals.rightAux) /
                                                     pedals.rightForce * setup.rightRatioScale);
    pedals.leftRatioRing[slot] = static_cast<float>(static_cast<double>(pedals.leftAux) /
                                                    pedals.leftForce * setup.leftRatioScale);
    pedals.ratioRingIndex = slot >= 7 ? 0 : slot + 1;
}
// A pedal's auxiliary ratio as the display shows it: the mean of its last eight frames, made when
// it is read rather than at every frame.
float AuxRatio(const float (&ring)[8]);
// The peak trackers start again for the next pedal-figure evaluation: maxima from far below any
// force, minima from far above.
void RestartPeakTrackers(PedalForces& pedals);
// A crank that stopped has no peaks: the maxima go to 0.
void ClearPeaks(PedalForces& pedals);
