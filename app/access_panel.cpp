// The access levels on the panel, and the single-side panel modes.
#include "app/callbacks.h"
#include "app/station.h"
#include "platform/panel.h"
#include "setup/access_codes.h"
#include "setup/catalogue.h"

#include <iterator>

namespace {
enum class Look { Keep, Show, Hide, Dim, Enable };

struct AccessRow {
    int control;
    Look service;     // every code above serviceCode, first
    Look calibration; // then exactly calibrationCode
    Look factory;     // or exactly factoryCode
    Look locked;      // or exactly lockedCode
};

// One letter per look, so the table reads as columns: keep, show, hide, dim, enable.
constexpr Look K = Look::Keep;
constexpr Look S = Look::Show;
constexpr Look H = Look::Hide;
constexpr Look D = Look::Dim;
constexpr Look E = Look::Enable;

// Applied top to bottom within a column. The calibration and factory columns repeat the service
// column where they share a control, so a code's own column always has the last word. The covers
// sit in front of the calibration area: showing them hides it.
constexpr AccessRow accessTable[] = {
    // control, then its look at: service, calibration, factory, locked
    {MAIN_CRANK_CADENCE, S, K, K, H},
    {MAIN_COM_PORT, E, E, E, D},
    {MAIN_WARMUP_MODE, E, E, E, D},
    {MAIN_CADI, D, D, E, K},
    {MAIN_SINGLE_SIDE, E, E, E, K},
    {MAIN_FACTORY_CMD_1, D, D, E, K},
    {MAIN_FACTORY_CMD_2, D, D, E, K},
    {MAIN_LEFT_CORRECTION_COEFF, D, D, E, K},
    {MAIN_RIGHT_CORRECTION_COEFF, D, D, E, K},
    {MAIN_SERVICE_CMD, E, E, E, D},
    {MAIN_CAL_COVER_1, K, H, H, S},
    {MAIN_CAL_COVER_2, K, H, H, S},
    {MAIN_RIGHT_FORCE_GAIN, K, D, E, E},
    {MAIN_RIGHT_RATIO_SCALE, K, D, E, E},
    {MAIN_LEFT_FORCE_GAIN, K, D, E, E},
    {MAIN_LEFT_RATIO_SCALE, K, D, E, E},
    {MAIN_DEBU, K, K, E, K},
    {MAIN_SERIAL, K, K, E, K},
};

void ApplyLook(const SetupState& setup, int control, Look look) {
    switch (look) {
    case Look::Keep:
        break;
    case Look::Show:
        SetCtrlAttribute(setup.mainPanel, control, ATTR_VISIBLE, 1);
        break;
    case Look::Hide:
        SetCtrlAttribute(setup.mainPanel, control, ATTR_VISIBLE, 0);
        break;
    case Look::Dim:
        SetCtrlAttribute(setup.mainPanel, control, ATTR_DIMMED, 1);
        break;
    case Look::Enable:
        SetCtrlAttribute(setup.mainPanel, control, ATTR_DIMMED, 0);
        break;
    }
}

void ApplyColumn(const SetupState& setup, Look AccessRow::*column) {
    for (const AccessRow& row : accessTable) ApplyLook(setup, row.control, row.*column);
}

// The single-side selector shows one pedal's controls, or both; the offsets only with both.
constexpr int offsetControls[] = {MAIN_RIGHT_FORCE_OFFSET, MAIN_RIGHT_AUX_OFFSET,
                                  MAIN_LEFT_FORCE_OFFSET, MAIN_LEFT_AUX_OFFSET};
constexpr int rightSideControls[] = {MAIN_RIGHT_FORCE_GAIN,
                                     MAIN_RIGHT_RATIO_SCALE,
                                     MAIN_RIGHT_RAW_FORCE,
                                     MAIN_RIGHT_RAW_AUX,
                                     MAIN_RIGHT_FORCE,
                                     MAIN_RIGHT_AUX,
                                     MAIN_RIGHT_CORRECTION_COEFF,
                                     MAIN_RIGHT_AUX_RATIO,
                                     MAIN_BALANCE_RIGHT,
                                     MAIN_OFR_2,
                                     MAIN_POWER_RIGHT,
                                     MAIN_OFR,
                                     MAIN_UDR,
                                     MAIN_UDR_2,
                                     MAIN_TE_RIGHT,
                                     MAIN_PS_RIGHT};
constexpr int leftSideControls[] = {MAIN_LEFT_FORCE_GAIN,
                                    MAIN_LEFT_RATIO_SCALE,
                                    MAIN_LEFT_RAW_FORCE,
                                    MAIN_LEFT_RAW_AUX,
                                    MAIN_LEFT_FORCE,
                                    MAIN_LEFT_AUX,
                                    MAIN_LEFT_CORRECTION_COEFF,
                                    MAIN_LEFT_AUX_RATIO,
                                    MAIN_POWER_LEFT,
                                    MAIN_OFL,
                                    MAIN_UDL,
                                    MAIN_UDL_2,
                                    MAIN_BALANCE_LEFT,
                                    MAIN_OFL_2,
                                    MAIN_TE_LEFT,
                                    MAIN_PS_LEFT};
static_assert(std::size(offsetControls) + std::size(rightSideControls) +
                  std::size(leftSideControls) ==
              36);

template <std::size_t count>
void SetGroupVisible(const SetupState& setup, const int (&group)[count], int visible) {
    for (const int control : group)
        SetCtrlAttribute(setup.mainPanel, control, ATTR_VISIBLE, visible);
}
} // namespace

int PWD(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    SetupState& setup = EngineStation().setup;
    setup.accessCode = 0;
    GetCtrlVal(setup.mainPanel, MAIN_ACCESS_CODE, &setup.accessCode);
    SetCtrlAttribute(setup.mainPanel, MAIN_START_NOTICE, ATTR_VISIBLE, 0);
    const AccessLevel level = AccessLevelOf(setup.accessCode);
    if (level >= AccessLevel::Service) ApplyColumn(setup, &AccessRow::service);
    if (level == AccessLevel::Calibration)
        ApplyColumn(setup, &AccessRow::calibration);
    else if (level == AccessLevel::Factory)
        ApplyColumn(setup, &AccessRow::factory);
    else if (level == AccessLevel::Locked)
        ApplyColumn(setup, &AccessRow::locked);
    // The polar view's averaging and the calibration with a mass are the technician's, from the
    // calibration code up.
    if (level >= AccessLevel::Service || level == AccessLevel::Locked) {
        const int locked = ShowsRawCounts(level) ? 0 : 1;
        SetCtrlAttribute(setup.mainPanel, MAIN_POLAR_TURNS, ATTR_DIMMED, locked);
        SetCtrlAttribute(setup.mainPanel, MAIN_CALIBRATE_MASS, ATTR_DIMMED, locked);
    }
    // The code does not stay on the panel.
    SetCtrlVal(setup.mainPanel, MAIN_ACCESS_CODE, 0);
    return 0;
}

int OFT(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    const SetupState& setup = EngineStation().setup;
    int selected = 0;
    GetCtrlVal(setup.mainPanel, MAIN_SINGLE_SIDE, &selected);
    const auto side = static_cast<SingleSide>(selected);
    if (side == SingleSide::Both) {
        SetGroupVisible(setup, offsetControls, 1);
        SetGroupVisible(setup, rightSideControls, 1);
        SetGroupVisible(setup, leftSideControls, 1);
    } else if (side == SingleSide::RightOnly) {
        SetGroupVisible(setup, offsetControls, 0);
        SetGroupVisible(setup, rightSideControls, 1);
        SetGroupVisible(setup, leftSideControls, 0);
    } else if (side == SingleSide::LeftOnly) {
        SetGroupVisible(setup, offsetControls, 0);
        SetGroupVisible(setup, rightSideControls, 0);
        SetGroupVisible(setup, leftSideControls, 1);
    }
    return 0;
}
