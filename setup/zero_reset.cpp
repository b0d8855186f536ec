// Zeroing the channel offsets with the pedals unloaded, and the end of the warm-up.
#include "app/station.h"
#include "platform/engine.h"
#include "setup/catalogue.h"
#include "setup/setup_callbacks.h"
#include "setup/setup_file.h"

#include <cstdio>

namespace {
// The raw counts of the last frame become the offsets; no averaging.
void TakeOffsetsFromCrank() {
    Station& zan = CurrentStation();
    zan.setup.rightForceOffset = static_cast<float>(zan.rawRightForce);
    zan.setup.rightAuxOffset = static_cast<float>(zan.rawRightAux);
    zan.setup.leftForceOffset = static_cast<float>(zan.rawLeftForce);
    zan.setup.leftAuxOffset = static_cast<float>(zan.rawLeftAux);
    SetCtrlVal(zan.mainPanel, MAIN_RIGHT_FORCE_OFFSET,
               static_cast<double>(zan.setup.rightForceOffset));
    SetCtrlVal(zan.mainPanel, MAIN_RIGHT_AUX_OFFSET, static_cast<double>(zan.setup.rightAuxOffset));
    SetCtrlVal(zan.mainPanel, MAIN_LEFT_FORCE_OFFSET,
               static_cast<double>(zan.setup.leftForceOffset));
    SetCtrlVal(zan.mainPanel, MAIN_LEFT_AUX_OFFSET, static_cast<double>(zan.setup.leftAuxOffset));
    std::snprintf(zan.setupPath, sizeof zan.setupPath, "%s", defaultSetupPath);
    SavePar(zan.setupPath);
}

void EndWarmup() {
    Station& zan = CurrentStation();
    zan.warmupState = WarmupState::Off;
    zan.warmupLevel = 0;
    HidePanel(zan.warmupPanel);
}
} // namespace

int ZERO(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (ConfirmPopup("ZERO value ?", "Unload pedals & press [YES] to reset ...") != 1) return 0;
    TakeOffsetsFromCrank();
    return 0;
}

int RESET(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    TakeOffsetsFromCrank();
    EndWarmup();
    return 0;
}

int SKIP(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    EndWarmup();
    return 0;
}
