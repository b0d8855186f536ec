// The panel commands that load and save the setup file.
#include "platform/engine.h"
#include "platform/program_part.h"
#include "setup/catalogue.h"
#include "setup/setup_callbacks.h"
#include "setup/setup_file.h"
#include "setup/setup_state.h"
#include "setup/warmup.h"
#include "setup/window_title.h"

#include <cstdio>
#include <cstring>

namespace {
// Asks for a setup file; a cancelled popup, or a name of 3 characters or less, means the default.
void ChooseSetupPath() {
    SetupState& setup = PartOf<SetupState>();
    char chosenSetupPath[512] = "";
    FileSelectPopup("Setup", "*.set", "Selezionare il file SETUP", chosenSetupPath,
                    sizeof chosenSetupPath);
    if (std::strlen(chosenSetupPath) > 3)
        std::snprintf(setup.setupPath, sizeof setup.setupPath, "%s", chosenSetupPath);
    else
        std::snprintf(setup.setupPath, sizeof setup.setupPath, "%s", defaultSetupPath);
}
} // namespace

int LOAD(int, int, int event, void*, int, int) {
    SetupState& setup = PartOf<SetupState>();
    if (event != EVENT_COMMIT) return 0;
    char previousPath[sizeof setup.setupPath];
    std::memcpy(previousPath, setup.setupPath, sizeof previousPath);
    ChooseSetupPath();
    SetupRead read = SetupRead::Read;
    if (LoadPar(setup.setupPath, &read) == 0) {
        ShowConnectedTitle("*RD*");
        return 0;
    }
    // A file that cannot be read changes nothing: the title keeps the file still in use.
    char message[700];
    std::snprintf(message, sizeof message, "\"%s\" %s.\nThe setup in use is unchanged.",
                  setup.setupPath, SetupReadProblem(read));
    std::memcpy(setup.setupPath, previousPath, sizeof previousPath);
    MessagePopup("Setup file", message);
    return 0;
}

int SAVS(int, int, int event, void*, int, int) {
    SetupState& setup = PartOf<SetupState>();
    if (event != EVENT_COMMIT) return 0;
    ChooseSetupPath();
    if (SavePar(setup.setupPath) == 0) ShowConnectedTitle("#WR#");
    return 0;
}

int DEF(int, int, int event, void*, int, int) {
    SetupState& setup = PartOf<SetupState>();
    if (event != EVENT_COMMIT) return 0;
    GetCtrlVal(setup.mainPanel, MAIN_WARMUP_MODE, &setup.warmupMode);
    SaveDefaultSetup();
    return 0;
}

int DEFM(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    StartWarmup();
    SaveDefaultSetup();
    return 0;
}
