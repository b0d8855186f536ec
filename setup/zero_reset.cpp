// Zeroing the channel offsets with the pedals unloaded, and the end of the warm-up.
#include "link/link_state.h"
#include "platform/engine.h"
#include "platform/program_part.h"
#include "setup/catalogue.h"
#include "setup/setup_callbacks.h"
#include "setup/setup_file.h"
#include "setup/setup_state.h"
#include "setup/warmup.h"

#include <cstdio>

namespace {
// The raw counts of the last frame become the offsets; no averaging.
void TakeOffsetsFromCrank() {
    SetupState& setup = PartOf<SetupState>();
    const LinkState& link = ViewOf<LinkState>();
    setup.setup.rightForceOffset = static_cast<float>(link.rawRightForce);
    setup.setup.rightAuxOffset = static_cast<float>(link.rawRightAux);
    setup.setup.leftForceOffset = static_cast<float>(link.rawLeftForce);
    setup.setup.leftAuxOffset = static_cast<float>(link.rawLeftAux);
    SetCtrlVal(setup.mainPanel, MAIN_RIGHT_FORCE_OFFSET,
               static_cast<double>(setup.setup.rightForceOffset));
    SetCtrlVal(setup.mainPanel, MAIN_RIGHT_AUX_OFFSET,
               static_cast<double>(setup.setup.rightAuxOffset));
    SetCtrlVal(setup.mainPanel, MAIN_LEFT_FORCE_OFFSET,
               static_cast<double>(setup.setup.leftForceOffset));
    SetCtrlVal(setup.mainPanel, MAIN_LEFT_AUX_OFFSET,
               static_cast<double>(setup.setup.leftAuxOffset));
    SaveDefaultSetupIfRead();
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
