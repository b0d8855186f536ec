#include "measure/readouts.h"

#include "measure/measure_state.h"
#include "measure/power.h"
#include "platform/numbers.h"
#include "platform/program_part.h"

namespace {
// OFL/OFR of a pedal that pushed less than this are not evaluated.
constexpr float peakForEvaluation = 50.0f;
constexpr float balancePower = 30.0f;
} // namespace

void TakeReadouts(const CrankChannels& channels) {
    MeasureState& measure = PartOf<MeasureState>();
    measure.cadence = static_cast<float>(FiniteOrZero(60000.0 / channels.turnPeriod));
    // Circumference in mm over the wheel period in ms is m/s.
    measure.speed = static_cast<float>(
        FiniteOrZero(3.6 * channels.wheelCircumference / (channels.wheelPeriodWord / 2.0)));
    if (measure.speed < 1.0f || measure.speed > 99.0f) measure.speed = 0.0f;
    measure.heartRate = static_cast<float>(channels.heartRateWord / 2.0);
    measure.batteryLevel = static_cast<float>(5.0 * (channels.batteryByte - 138));
}

void TakePedalFigures(const PedalPeaks& peaks, const SetupParameters& setup) {
    MeasureState& measure = PartOf<MeasureState>();
    if (peaks.rightForceMax > peakForEvaluation)
        measure.ofRight = static_cast<float>(FiniteOrZero(
            static_cast<double>(peaks.rightAuxAtMax) / peaks.rightForceMax * setup.rightRatioScale -
            setup.correctionReference));
    if (peaks.leftForceMax > peakForEvaluation)
        measure.ofLeft = static_cast<float>(FiniteOrZero(
            static_cast<double>(peaks.leftAuxAtMax) / peaks.leftForceMax * setup.leftRatioScale -
            setup.correctionReference));
    // A crank that has stopped shows no pedalling figures.
    if (peaks.stopped) {
        measure.ofRight = 0.0f;
        measure.ofLeft = 0.0f;
        ClearUdFigures(measure);
    }
}

void TakeBalance() {
    MeasureState& measure = PartOf<MeasureState>();
    const bool pedalling = measure.powerTotal > balancePower;
    measure.balanceLeft =
        pedalling ? static_cast<float>(FiniteOrZero(100.0 * measure.powerLeft /
                                                    (measure.powerLeft + measure.powerRight)))
                  : 0.0f;
    measure.balanceRight = pedalling ? 100.0f - measure.balanceLeft : 0.0f;
}

void ClearCrankReadouts() {
    MeasureState& measure = PartOf<MeasureState>();
    measure.cadence = 0.0f;
    measure.speed = 0.0f;
    measure.heartRate = 0.0f;
    measure.ofLeft = 0.0f;
    measure.ofRight = 0.0f;
    ClearPowerResults(measure);
    ClearUdFigures(measure);
}
