#include "measure/pedal_forces.h"

#include "platform/numbers.h"
#include "setup/correction.h"
#include "setup/warmup.h"

void MakeCorrections(ForceCorrections& made, const SetupParameters& setup) {
    made.made = true;
    made.rightCoefficient = setup.rightCorrectionCoeff;
    made.leftCoefficient = setup.leftCorrectionCoeff;
    made.reference = setup.correctionReference;
    made.right = ForceCorrection(setup.rightCorrectionCoeff, setup.correctionReference);
    made.left = ForceCorrection(setup.leftCorrectionCoeff, setup.correctionReference);
}

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

void TakeGivenForces(PedalForces& pedals, const GivenForces& forces) {
    pedals.rightForce = forces.rightForce;
    pedals.leftForce = forces.leftForce;
    pedals.rightAux = forces.rightAux;
    pedals.leftAux = forces.leftAux;
    TrackPeaks(pedals);
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
