#include "app/display.h"
#include "app/station.h"
#include "link/frame_reader.h"
#include "link/link_control.h"
#include "link/revolution_tracking.h"
#include "measure/power.h"
#include "measure/readouts.h"
#include "platform/engine.h"
#include "platform/program_part.h"
#include "setup/access_codes.h"
#include "setup/catalogue.h"
#include "setup/correction.h"

#include <cmath>

namespace {
// The raw counts of a sound channel stay well inside the converter's range.
constexpr int rawLow = 150;
constexpr int rawHigh = 1900;
constexpr float ratioForce = 35.0f;

void ShowNumber(int control, double value) {
    const Station& zan = StationView();
    SetCtrlVal(zan.mainPanel, control, FiniteOrZero(value));
}

void SetColor(int control, int color) {
    const Station& zan = StationView();
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
    const Station& zan = StationView();
    SetCtrlVal(zan.mainPanel, control, count);
    SetColor(control, count < rawLow || count > rawHigh ? VAL_RED : VAL_LT_GRAY);
}

// The link's health is for the technician: shown from the calibration code up, hidden below.
// Visibility is set only when the level changes, so a tick costs the panel nothing more.
void ShowLinkHealth() {
    const Station& zan = StationView();
    const int shown = ShowsRawCounts(AccessLevelOf(zan.accessCode)) ? 1 : 0;
    constexpr int counts[] = {MAIN_LINK_FRAMES, MAIN_LINK_SKIPPED, MAIN_LINK_CUT,
                              MAIN_LINK_REJECTED};
    for (const int control : counts) {
        int visible = shown;
        GetCtrlAttribute(zan.mainPanel, control, ATTR_VISIBLE, &visible);
        if (visible != shown) SetCtrlAttribute(zan.mainPanel, control, ATTR_VISIBLE, shown);
    }
    if (shown == 0) return;
    ShowNumber(MAIN_LINK_FRAMES, static_cast<double>(zan.assembler.linkFrames));
    ShowNumber(MAIN_LINK_SKIPPED, static_cast<double>(zan.assembler.linkSkippedBytes));
    ShowNumber(MAIN_LINK_CUT, static_cast<double>(zan.assembler.linkCutFrames));
    ShowNumber(MAIN_LINK_REJECTED, static_cast<double>(zan.screen.rejectedFrames));
}
} // namespace

void ShowLiveReadouts() {
    const Station& zan = StationView();
    const SetupParameters& setup = zan.setup;
    // A result made while the link is lost shows no values from the crank: the last ones would
    // read as the rider's.
    const double live = zan.crankLost ? 0.0 : 1.0;
    ShowNumber(MAIN_RIGHT_FORCE,
               live * (zan.rawRightForce - static_cast<double>(setup.rightForceOffset)) *
                   setup.rightForceGain *
                   ForceCorrection(setup.rightCorrectionCoeff, setup.correctionReference));
    ShowNumber(MAIN_RIGHT_AUX,
               live * (zan.rawRightAux - static_cast<double>(setup.rightAuxOffset)));
    ShowNumber(MAIN_LEFT_FORCE,
               live * (zan.rawLeftForce - static_cast<double>(setup.leftForceOffset)) *
                   setup.leftForceGain *
                   ForceCorrection(setup.leftCorrectionCoeff, setup.correctionReference));
    ShowNumber(MAIN_LEFT_AUX, live * (zan.rawLeftAux - static_cast<double>(setup.leftAuxOffset)));
    // The crank word counts half-milliseconds.
    ShowNumber(MAIN_CRANK_CADENCE, live * 60000.0 / (zan.crankPeriodWord / 2.0));
    ShowNumber(MAIN_CADENCE, zan.cadence);
    ShowNumber(MAIN_SPEED, zan.speed);
    ShowNumber(MAIN_HEART_RATE, zan.heartRate);
    ShowNumber(MAIN_BATTERY, zan.batteryLevel);
}

void KeepResultCurrent() {
    const Station& zan = StationView();
    KeepReadoutsCurrent(CurrentChannels(zan, zan), LinkLost());
    EvaluatePedalFigures();
}

void EvaluatePedalFigures() {
    AppState& app = PartOf<AppState>();
    const Station& zan = StationView();
    app.peakTicks += 1;
    if (app.peakTicks <= 1) return;
    TakePedalFigures(PedalPeaks{zan.rightForceMax, zan.rightAuxAtMax, zan.leftForceMax,
                                zan.leftAuxAtMax, zan.framesSinceTurn > stallFrames},
                     zan.setup);
    app.peakTicks = 0;
    RestartPeakTrackers();
}

void ShowPowerAndFigures() {
    const Station& zan = StationView();
    ShowNumber(MAIN_POWER_TOTAL, zan.powerTotal);
    ShowNumber(MAIN_POWER_LEFT, zan.powerLeft);
    ShowNumber(MAIN_BALANCE_LEFT, zan.balanceLeft);
    ShowNumber(MAIN_POWER_RIGHT, zan.powerRight);
    ShowNumber(MAIN_BALANCE_RIGHT, zan.balanceRight);
    ShowNumber(MAIN_TE_LEFT, zan.pedalMetrics.torqueEffectivenessLeft);
    ShowNumber(MAIN_TE_RIGHT, zan.pedalMetrics.torqueEffectivenessRight);
    ShowNumber(MAIN_PS_LEFT, zan.pedalMetrics.pedalSmoothnessLeft);
    ShowNumber(MAIN_PS_RIGHT, zan.pedalMetrics.pedalSmoothnessRight);

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
    if (!ShowsRawCounts(AccessLevelOf(zan.accessCode))) return;
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
