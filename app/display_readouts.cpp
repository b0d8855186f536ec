#include "app/display.h"
#include "app/station.h"
#include "link/frame_reader.h"
#include "link/revolution_tracking.h"
#include "measure/power.h"
#include "platform/engine.h"
#include "setup/access_codes.h"
#include "setup/catalogue.h"
#include "setup/correction.h"

#include <cmath>

namespace {
// The raw counts of a sound channel stay well inside the converter's range.
constexpr int rawLow = 150;
constexpr int rawHigh = 1900;
// OFL/OFR of a pedal that pushed less than this are not evaluated.
constexpr float peakForEvaluation = 50.0f;
constexpr float ratioForce = 35.0f;
constexpr float balancePower = 30.0f;

void ShowNumber(int control, double value) {
    Station& zan = CurrentStation();
    SetCtrlVal(zan.mainPanel, control, FiniteOrZero(value));
}

void SetColor(int control, int color) {
    Station& zan = CurrentStation();
    SetCtrlAttribute(zan.mainPanel, control, ATTR_TEXT_BGCOLOR, color);
}

// Above 2.5 red wins over green, and at exactly -2.5 (or NaN) the colour stays. Only the colour
// the figure ends with is set: a restyle the rider never sees is still paid for.
void ColorPedalFigure(int control, float figure) {
    int color = -1;
    if (figure > -2.5f) color = VAL_GREEN;
    if (figure > 2.5f) color = VAL_RED;
    if (figure < -2.5f) color = VAL_CYAN;
    if (color >= 0) SetColor(control, color);
}

void ShowRawCount(int control, int count) {
    Station& zan = CurrentStation();
    SetCtrlVal(zan.mainPanel, control, count);
    SetColor(control, count < rawLow || count > rawHigh ? VAL_RED : VAL_LT_GRAY);
}

// The link's health is for the technician: shown from the calibration code up, hidden below.
// Visibility is set only when the level changes, so a tick costs the panel nothing more.
void ShowLinkHealth() {
    Station& zan = CurrentStation();
    const int shown = zan.accessCode >= calibrationCode ? 1 : 0;
    constexpr int counts[] = {MAIN_LINK_FRAMES, MAIN_LINK_SKIPPED, MAIN_LINK_CUT};
    for (const int control : counts) {
        int visible = shown;
        GetCtrlAttribute(zan.mainPanel, control, ATTR_VISIBLE, &visible);
        if (visible != shown) SetCtrlAttribute(zan.mainPanel, control, ATTR_VISIBLE, shown);
    }
    if (shown == 0) return;
    ShowNumber(MAIN_LINK_FRAMES, static_cast<double>(zan.assembler.linkFrames));
    ShowNumber(MAIN_LINK_SKIPPED, static_cast<double>(zan.assembler.linkSkippedBytes));
    ShowNumber(MAIN_LINK_CUT, static_cast<double>(zan.assembler.linkCutFrames));
}
} // namespace

void ShowLiveReadouts() {
    Station& zan = CurrentStation();
    const SetupParameters& setup = zan.setup;
    ShowNumber(MAIN_RIGHT_FORCE,
               (zan.rawRightForce - static_cast<double>(setup.rightForceOffset)) *
                   setup.rightForceGain *
                   ForceCorrection(setup.rightCorrectionCoeff, setup.correctionReference));
    ShowNumber(MAIN_RIGHT_AUX, 1.0 * (zan.rawRightAux - static_cast<double>(setup.rightAuxOffset)));
    ShowNumber(MAIN_LEFT_FORCE,
               (zan.rawLeftForce - static_cast<double>(setup.leftForceOffset)) *
                   setup.leftForceGain *
                   ForceCorrection(setup.leftCorrectionCoeff, setup.correctionReference));
    ShowNumber(MAIN_LEFT_AUX, 1.0 * (zan.rawLeftAux - static_cast<double>(setup.leftAuxOffset)));
    // The crank word counts half-milliseconds.
    ShowNumber(MAIN_CRANK_CADENCE, 60000.0 / (zan.crankPeriodWord / 2.0));
    zan.cadence = static_cast<float>(FiniteOrZero(60000.0 / zan.turnPeriod));
    ShowNumber(MAIN_CADENCE, zan.cadence);
    // Circumference in mm over the wheel period in ms is m/s.
    zan.speed = static_cast<float>(
        FiniteOrZero(3.6 * zan.wheelCircumference / (zan.wheelPeriodWord / 2.0)));
    if (zan.speed < 1.0f || zan.speed > 99.0f) zan.speed = 0.0f;
    ShowNumber(MAIN_SPEED, zan.speed);
    zan.heartRate = static_cast<float>(zan.heartRateWord / 2.0);
    ShowNumber(MAIN_HEART_RATE, zan.heartRate);
    zan.batteryLevel = static_cast<float>(5.0 * (zan.batteryByte - 138));
    ShowNumber(MAIN_BATTERY, zan.batteryLevel);
}

void EvaluatePedalFigures() {
    Station& zan = CurrentStation();
    zan.peakTicks += 1;
    if (zan.peakTicks <= 1) return;
    if (zan.rightForceMax > peakForEvaluation)
        zan.ofRight = static_cast<float>(FiniteOrZero(
            static_cast<double>(zan.rightAuxAtMax) / zan.rightForceMax * zan.setup.rightRatioScale -
            zan.setup.correctionReference));
    if (zan.leftForceMax > peakForEvaluation)
        zan.ofLeft = static_cast<float>(FiniteOrZero(
            static_cast<double>(zan.leftAuxAtMax) / zan.leftForceMax * zan.setup.leftRatioScale -
            zan.setup.correctionReference));
    // A crank that has stopped shows no pedalling figures.
    if (zan.framesSinceTurn > stallFrames) {
        zan.ofRight = 0.0f;
        zan.ofLeft = 0.0f;
        ClearUdFigures(zan);
    }
    zan.peakTicks = 0;
    RestartPeakTrackers();
}

void ShowPowerAndFigures() {
    Station& zan = CurrentStation();
    ShowNumber(MAIN_POWER_TOTAL, zan.powerTotal);
    ShowNumber(MAIN_POWER_LEFT, zan.powerLeft);
    const bool pedalling = zan.powerTotal > balancePower;
    zan.balanceLeft = pedalling ? static_cast<float>(FiniteOrZero(100.0 * zan.powerLeft /
                                                                  (zan.powerLeft + zan.powerRight)))
                                : 0.0f;
    ShowNumber(MAIN_BALANCE_LEFT, zan.balanceLeft);
    ShowNumber(MAIN_POWER_RIGHT, zan.powerRight);
    zan.balanceRight = pedalling ? 100.0f - zan.balanceLeft : 0.0f;
    ShowNumber(MAIN_BALANCE_RIGHT, zan.balanceRight);

    ColorPedalFigure(MAIN_OFL, zan.ofLeft);
    ColorPedalFigure(MAIN_OFR, zan.ofRight);
    ShowNumber(MAIN_OFL, zan.ofLeft);
    ShowNumber(MAIN_OFR, zan.ofRight);
    ShowNumber(MAIN_OFL_2, -zan.ofLeft);
    ShowNumber(MAIN_OFR_2, zan.ofRight);
    SetColor(MAIN_UDL, zan.udLeft > 0.0f ? VAL_GREEN : VAL_RED);
    SetColor(MAIN_UDR, zan.udRight > 0.0f ? VAL_GREEN : VAL_RED);
    ShowNumber(MAIN_UDL, zan.udLeft);
    ShowNumber(MAIN_UDL_2, zan.udLeft);
    ShowNumber(MAIN_UDR, zan.udRight);
    ShowNumber(MAIN_UDR_2, zan.udRight);

    ShowLinkHealth();
    if (zan.accessCode < calibrationCode) return;
    ShowRawCount(MAIN_RIGHT_RAW_FORCE, zan.rawRightForce);
    ShowRawCount(MAIN_RIGHT_RAW_AUX, zan.rawRightAux);
    ShowRawCount(MAIN_LEFT_RAW_FORCE, zan.rawLeftForce);
    ShowRawCount(MAIN_LEFT_RAW_AUX, zan.rawLeftAux);
    // At exactly 35 N a ratio read-out keeps its value.
    if (zan.rightForce > ratioForce) ShowNumber(MAIN_RIGHT_AUX_RATIO, zan.rightAuxRatio);
    if (zan.leftForce > ratioForce) ShowNumber(MAIN_LEFT_AUX_RATIO, zan.leftAuxRatio);
    if (zan.rightForce < ratioForce) ShowNumber(MAIN_RIGHT_AUX_RATIO, 0.0);
    if (zan.leftForce < ratioForce) ShowNumber(MAIN_LEFT_AUX_RATIO, 0.0);
}
