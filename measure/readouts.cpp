#include "measure/readouts.h"

#include "link/link_state.h"
#include "measure/measure_state.h"
#include "measure/power.h"
#include "platform/numbers.h"

namespace {
// OFL/OFR of a pedal that pushed less than this are not evaluated.
constexpr float peakForEvaluation = 50.0f;
constexpr float balancePower = 30.0f;
// No strap reads 0; a rider's heart beats 25 to 250 times a minute.
constexpr double lowestHeartRate = 25.0;
constexpr double highestHeartRate = 250.0;
// The crank codes its battery as 138 + percent / 5.
constexpr int emptyBatteryCode = 138;
constexpr double fullBattery = 100.0;
} // namespace

void TakeReadouts(MeasureState& measure, const CrankChannels& channels) {
    measure.crankLost = false;
    measure.cadence = channels.turnPeriod >= stoppedPeriod
                          ? 0.0f
                          : static_cast<float>(FiniteOrZero(60000.0 / channels.turnPeriod));
    // Circumference in mm over the wheel period in ms is m/s.
    measure.speed = static_cast<float>(
        FiniteOrZero(3.6 * channels.wheelCircumference / (channels.wheelPeriodWord / 2.0)));
    if (measure.speed < 1.0f || measure.speed > 99.0f) measure.speed = 0.0f;
    // A heart rate or a battery level no strap or crank can give keeps the last sound one; before
    // the first frame that is 0.
    const double heartRate = channels.heartRateWord / 2.0;
    if (heartRate == 0.0 || (heartRate >= lowestHeartRate && heartRate <= highestHeartRate))
        measure.heartRate = static_cast<float>(heartRate);
    const double battery = 5.0 * (channels.batteryByte - emptyBatteryCode);
    if (battery >= 0.0 && battery <= fullBattery)
        measure.batteryLevel = static_cast<float>(battery);
}

void TakePedalFigures(MeasureState& measure, const PedalPeaks& peaks,
                      const SetupParameters& setup) {
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

void TakeBalance(WindowResult& result) {
    const bool pedalling = result.powerTotal > balancePower;
    result.balanceLeft =
        pedalling ? static_cast<float>(FiniteOrZero(100.0 * result.powerLeft /
                                                    (result.powerLeft + result.powerRight)))
                  : 0.0f;
    result.balanceRight = pedalling ? 100.0f - result.balanceLeft : 0.0f;
}

void ClearCrankReadouts(MeasureState& measure) {
    measure.crankLost = true;
    measure.cadence = 0.0f;
    measure.speed = 0.0f;
    measure.heartRate = 0.0f;
    measure.ofLeft = 0.0f;
    measure.ofRight = 0.0f;
    ClearPowerResults(measure);
    ClearUdFigures(measure);
    // The crank's power stays unknown after the link's return until its first whole window: the
    // rows meanwhile hold no 0 W beside the cadence of a rider who pedals on.
    measure.powerUnmeasured = true;
}

void KeepReadoutsCurrent(MeasureState& measure, const CrankChannels& channels, bool linkLost) {
    if (linkLost) {
        ClearCrankReadouts(measure);
        BreakHistories(measure);
    } else
        TakeReadouts(measure, channels);
    TakeBalance(measure);
}
