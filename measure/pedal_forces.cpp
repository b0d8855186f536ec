#include "measure/pedal_forces.h"

#include "platform/numbers.h"
#include "setup/correction.h"
#include "setup/warmup.h"

#include <bit>
#include <cstdint>

namespace {
bool SameBits(float a, float b) {
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

// The corrections of the setup in force, made again only when its coefficients or reference
// changed since they were last made.
const ForceCorrections& CorrectionsFor(ForceCorrections& made, const SetupParameters& setup) {
    if (made.made && SameBits(made.rightCoefficient, setup.rightCorrectionCoeff) &&
        SameBits(made.leftCoefficient, setup.leftCorrectionCoeff) &&
        SameBits(made.reference, setup.correctionReference))
        return made;
    made.made = true;
    made.rightCoefficient = setup.rightCorrectionCoeff;
    made.leftCoefficient = setup.leftCorrectionCoeff;
    made.reference = setup.correctionReference;
    made.right = ForceCorrection(setup.rightCorrectionCoeff, setup.correctionReference);
    made.left = ForceCorrection(setup.leftCorrectionCoeff, setup.correctionReference);
    return made;
}

// One pedal's force: its count over the offset, through the gain and the correction.
float PedalForce(int count, float offset, float gain, double correction) {
    const float force = static_cast<float>((count - static_cast<double>(offset)) * gain);
    return static_cast<float>(force * correction);
}

float AuxValue(int count, float offset) {
    return static_cast<float>(1.0 * (count - static_cast<double>(offset)));
}

void MeasureCounts(PedalForces& pedals, const SetupParameters& setup) {
    const CrankCounts& counts = pedals.counts;
    const ForceCorrections& corrections = CorrectionsFor(pedals.corrections, setup);
    pedals.rightForce = PedalForce(counts.rightForce, setup.rightForceOffset, setup.rightForceGain,
                                   corrections.right);
    pedals.rightAux = AuxValue(counts.rightAux, setup.rightAuxOffset);
    pedals.leftForce =
        PedalForce(counts.leftForce, setup.leftForceOffset, setup.leftForceGain, corrections.left);
    pedals.leftAux = AuxValue(counts.leftAux, setup.leftAuxOffset);
}

// With one pedal measured, the other carries a fixed force that depends on the warm-up mode, and
// its counts are those that force would give.
void SubstituteMissingSide(PedalForces& pedals, const SetupState& setup) {
    if (setup.singleSide == SingleSide::Both) return;
    const SetupParameters& parameters = setup.setup;
    if (setup.warmupMode == 0) pedals.substituteForce = 100.0f;
    if (WarmupForce(setup.warmupMode) > 0.0f)
        pedals.substituteForce = WarmupForce(setup.warmupMode);
    if (setup.singleSide == SingleSide::RightOnly) {
        pedals.leftForce = pedals.substituteForce;
        pedals.leftAux = 0.0f;
        pedals.counts.leftForce =
            TruncToInt(static_cast<double>(pedals.leftForce) / parameters.leftForceGain +
                       parameters.leftForceOffset);
        pedals.counts.leftAux = TruncToInt(parameters.leftAuxOffset);
    } else if (setup.singleSide == SingleSide::LeftOnly) {
        pedals.rightForce = pedals.substituteForce;
        pedals.rightAux = 0.0f;
        pedals.counts.rightForce =
            TruncToInt(static_cast<double>(pedals.rightForce) / parameters.rightForceGain +
                       parameters.rightForceOffset);
        pedals.counts.rightAux = TruncToInt(parameters.rightAuxOffset);
    }
}

void TrackPeaks(PedalForces& pedals) {
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
} // namespace

void TakeCrankCounts(PedalForces& pedals, const SetupState& setup, int rightForce, int rightAux,
                     int leftForce, int leftAux) {
    pedals.counts = CrankCounts{rightForce, rightAux, leftForce, leftAux};
    MeasureCounts(pedals, setup.setup);
    SubstituteMissingSide(pedals, setup);
    TrackPeaks(pedals);
}

void TakeGivenForces(PedalForces& pedals, const GivenForces& forces) {
    pedals.rightForce = forces.rightForce;
    pedals.leftForce = forces.leftForce;
    pedals.rightAux = forces.rightAux;
    pedals.leftAux = forces.leftAux;
    TrackPeaks(pedals);
}

void UpdateAuxRatios(PedalForces& pedals, const SetupParameters& setup) {
    const int slot = pedals.ratioRingIndex;
    pedals.rightRatioRing[slot] = static_cast<float>(static_cast<double>(pedals.rightAux) /
                                                     pedals.rightForce * setup.rightRatioScale);
    pedals.leftRatioRing[slot] = static_cast<float>(static_cast<double>(pedals.leftAux) /
                                                    pedals.leftForce * setup.leftRatioScale);
    pedals.ratioRingIndex = slot >= 7 ? 0 : slot + 1;
}

float AuxRatio(const float (&ring)[8]) {
    float sum = 0.0f;
    for (const float ratio : ring) sum += ratio;
    return static_cast<float>(sum / 8.0);
}

void RestartPeakTrackers(PedalForces& pedals) {
    pedals.rightForceMax = pedals.rightAuxAtMax = pedals.leftForceMax = pedals.leftAuxAtMax =
        -99999.0f;
    pedals.leftForceAtRightMax = pedals.rightForceAtLeftMax = -99999.0f;
    pedals.rightForceMin = pedals.leftForceMin = 99999.0f;
}

void ClearPeaks(PedalForces& pedals) {
    pedals.rightForceMax = 0.0f;
    pedals.rightAuxAtMax = 0.0f;
    pedals.leftForceAtRightMax = 0.0f;
    pedals.leftForceMax = 0.0f;
    pedals.leftAuxAtMax = 0.0f;
    pedals.rightForceAtLeftMax = 0.0f;
}
