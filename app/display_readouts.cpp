#include "app/display.h"
#include "app/station.h"
#include "link/frame_reader.h"
#include "link/link_control.h"
#include "link/revolution_tracking.h"
#include "measure/pedal_forces.h"
#include "measure/power.h"
#include "measure/readouts.h"
#include "platform/panel.h"
#include "setup/access_codes.h"
#include "setup/catalogue.h"
#include "setup/correction.h"

#include <cmath>

namespace {
// The raw counts of a sound channel stay well inside the converter's range.
constexpr int rawLow = 150;
constexpr int rawHigh = 1900;
constexpr float ratioForce = 35.0f;

void ShowNumber(const Station& zan, int control, double value) {
    SetCtrlVal(zan.setup.mainPanel, control, FiniteOrZero(value));
}

void SetColor(const Station& zan, int control, int color) {
    SetCtrlAttribute(zan.setup.mainPanel, control, ATTR_TEXT_BGCOLOR, color);
}

// Above 2.5 red wins over green, and at exactly -2.5 (or NaN) the colour stays. Only the colour
// the figure ends with is set: a restyle the rider never sees is still paid for.
void ColorPedalFigure(const Station& zan, int control, float figure) {
    int color = -1;
    if (figure > -2.5f) color = VAL_GREEN;
    if (figure > 2.5f) color = VAL_RED;
    if (figure < -2.5f) color = VAL_CYAN;
    if (color >= 0) SetColor(zan, control, color);
}

void ShowRawCount(const Station& zan, int control, int count) {
    SetCtrlVal(zan.setup.mainPanel, control, count);
    SetColor(zan, control, count < rawLow || count > rawHigh ? VAL_RED : VAL_LT_GRAY);
}

// The link's health is for the technician: shown from the calibration code up, hidden below.
// Visibility is set only when the level changes, so a tick costs the panel nothing more.
void ShowLinkHealth(const Station& zan) {
    const int shown = ShowsRawCounts(AccessLevelOf(zan.setup.accessCode)) ? 1 : 0;
    constexpr int counts[] = {MAIN_LINK_FRAMES, MAIN_LINK_SKIPPED, MAIN_LINK_CUT,
                              MAIN_LINK_REJECTED};
    for (const int control : counts) {
        int visible = shown;
        GetCtrlAttribute(zan.setup.mainPanel, control, ATTR_VISIBLE, &visible);
        if (visible != shown) SetCtrlAttribute(zan.setup.mainPanel, control, ATTR_VISIBLE, shown);
    }
    if (shown == 0) return;
    ShowNumber(zan, MAIN_LINK_FRAMES, static_cast<double>(zan.link.assembler.linkFrames));
    ShowNumber(zan, MAIN_LINK_SKIPPED, static_cast<double>(zan.link.assembler.linkSkippedBytes));
    ShowNumber(zan, MAIN_LINK_CUT, static_cast<double>(zan.link.assembler.linkCutFrames));
    ShowNumber(zan, MAIN_LINK_REJECTED, static_cast<double>(zan.link.screen.rejectedFrames));
}
} // namespace

void ShowLiveReadouts(const Station& zan) {
    const SetupParameters& setup = zan.setup.setup;
    // A result made while the link is lost shows no values from the crank: the last ones would
    // read as the rider's.
    const double live = zan.measure.crankLost ? 0.0 : 1.0;
    ShowNumber(
        zan, MAIN_RIGHT_FORCE,
        live *
            (zan.measure.pedals.counts.rightForce - static_cast<double>(setup.rightForceOffset)) *
            setup.rightForceGain *
            ForceCorrection(setup.rightCorrectionCoeff, setup.correctionReference));
    ShowNumber(
        zan, MAIN_RIGHT_AUX,
        live * (zan.measure.pedals.counts.rightAux - static_cast<double>(setup.rightAuxOffset)));
    ShowNumber(
        zan, MAIN_LEFT_FORCE,
        live * (zan.measure.pedals.counts.leftForce - static_cast<double>(setup.leftForceOffset)) *
            setup.leftForceGain *
            ForceCorrection(setup.leftCorrectionCoeff, setup.correctionReference));
    ShowNumber(zan, MAIN_LEFT_AUX,
               live *
                   (zan.measure.pedals.counts.leftAux - static_cast<double>(setup.leftAuxOffset)));
    // The crank word counts half-milliseconds.
    ShowNumber(zan, MAIN_CRANK_CADENCE, live * 60000.0 / (zan.link.crankPeriodWord / 2.0));
    ShowNumber(zan, MAIN_CADENCE, zan.measure.cadence);
    ShowNumber(zan, MAIN_SPEED, zan.measure.speed);
    ShowNumber(zan, MAIN_HEART_RATE, zan.measure.heartRate);
    // A battery level kept from before the loss would read as the crank's now: blank instead.
    SetCtrlVal(zan.setup.mainPanel, MAIN_BATTERY,
               zan.measure.crankLost ? std::nan("") : FiniteOrZero(zan.measure.batteryLevel));
}

void ShowPowerAndFigures(const Station& zan) {
    ShowNumber(zan, MAIN_POWER_TOTAL, zan.measure.powerTotal);
    ShowNumber(zan, MAIN_POWER_LEFT, zan.measure.powerLeft);
    ShowNumber(zan, MAIN_BALANCE_LEFT, zan.measure.balanceLeft);
    ShowNumber(zan, MAIN_POWER_RIGHT, zan.measure.powerRight);
    ShowNumber(zan, MAIN_BALANCE_RIGHT, zan.measure.balanceRight);
    ShowNumber(zan, MAIN_TE_LEFT, zan.measure.pedalMetrics.torqueEffectivenessLeft);
    ShowNumber(zan, MAIN_TE_RIGHT, zan.measure.pedalMetrics.torqueEffectivenessRight);
    ShowNumber(zan, MAIN_PS_LEFT, zan.measure.pedalMetrics.pedalSmoothnessLeft);
    ShowNumber(zan, MAIN_PS_RIGHT, zan.measure.pedalMetrics.pedalSmoothnessRight);

    ColorPedalFigure(zan, MAIN_OFL, zan.measure.ofLeft);
    ColorPedalFigure(zan, MAIN_OFR, zan.measure.ofRight);
    ShowNumber(zan, MAIN_OFL, zan.measure.ofLeft);
    ShowNumber(zan, MAIN_OFR, zan.measure.ofRight);
    ShowNumber(zan, MAIN_OFL_2, -zan.measure.ofLeft);
    ShowNumber(zan, MAIN_OFR_2, zan.measure.ofRight);
    SetColor(zan, MAIN_UDL, zan.measure.udLeft > 0.0f ? VAL_GREEN : VAL_RED);
    SetColor(zan, MAIN_UDR, zan.measure.udRight > 0.0f ? VAL_GREEN : VAL_RED);
    ShowNumber(zan, MAIN_UDL, zan.measure.udLeft);
    ShowNumber(zan, MAIN_UDL_2, zan.measure.udLeft);
    ShowNumber(zan, MAIN_UDR, zan.measure.udRight);
    ShowNumber(zan, MAIN_UDR_2, zan.measure.udRight);

    ShowLinkHealth(zan);
    if (!ShowsRawCounts(AccessLevelOf(zan.setup.accessCode))) return;
    ShowRawCount(zan, MAIN_RIGHT_RAW_FORCE, zan.measure.pedals.counts.rightForce);
    ShowRawCount(zan, MAIN_RIGHT_RAW_AUX, zan.measure.pedals.counts.rightAux);
    ShowRawCount(zan, MAIN_LEFT_RAW_FORCE, zan.measure.pedals.counts.leftForce);
    ShowRawCount(zan, MAIN_LEFT_RAW_AUX, zan.measure.pedals.counts.leftAux);
    // At exactly 35 N a ratio read-out keeps its value.
    if (zan.measure.pedals.rightForce > ratioForce)
        ShowNumber(zan, MAIN_RIGHT_AUX_RATIO, AuxRatio(zan.measure.pedals.rightRatioRing));
    if (zan.measure.pedals.leftForce > ratioForce)
        ShowNumber(zan, MAIN_LEFT_AUX_RATIO, AuxRatio(zan.measure.pedals.leftRatioRing));
    if (zan.measure.pedals.rightForce < ratioForce) ShowNumber(zan, MAIN_RIGHT_AUX_RATIO, 0.0);
    if (zan.measure.pedals.leftForce < ratioForce) ShowNumber(zan, MAIN_LEFT_AUX_RATIO, 0.0);
}
