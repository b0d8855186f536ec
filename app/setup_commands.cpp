// The panel commands of the setup: loading and saving the setup and port files, zeroing and the
// end of the warm-up.
#include "app/callbacks.h"
#include "app/setup_panel.h"
#include "platform/panel.h"
#include "platform/texts.h"
#include "setup/catalogue.h"
#include "setup/zero_reset.h"

#include <cstdio>
#include <cstring>

namespace {
// Asks for a setup file; a cancelled popup, or a name of 3 characters or less, means the default.
void ChooseSetupPath(SetupState& setup) {
    char chosenSetupPath[512] = "";
    FileSelectPopup("Setup", "*.set", Translated("SetupCommands", "Selezionare il file SETUP"),
                    chosenSetupPath, sizeof chosenSetupPath);
    KeepSetupPath(setup, std::strlen(chosenSetupPath) > 3 ? chosenSetupPath : defaultSetupPath);
}

void ZeroOffsets(Station& zan) {
    TakeOffsetsFromCrank(zan.setup, zan.link);
    ShowOffsets(zan);
    SaveDefaultSetupIfRead(zan);
}
} // namespace

int LOAD(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    Station& zan = EngineStation();
    SetupState& setup = zan.setup;
    char previousPath[sizeof setup.setupPath];
    std::memcpy(previousPath, setup.setupPath, sizeof previousPath);
    ChooseSetupPath(setup);
    SetupReading read{};
    if (LoadPar(zan, setup.setupPath, &read) == 0) {
        ShowConnectedTitle(zan, "*RD*");
        return 0;
    }
    // A file that cannot be read changes nothing: the title keeps the file still in use.
    char problem[100];
    SetupReadProblem(read, problem, sizeof problem);
    char message[700];
    std::snprintf(message, sizeof message, "\"%s\" %s.\nThe setup in use is unchanged.",
                  setup.setupPath, problem);
    KeepSetupPath(setup, previousPath);
    MessagePopup("Setup file", message);
    return 0;
}

int SAVS(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    Station& zan = EngineStation();
    ChooseSetupPath(zan.setup);
    if (SavePar(zan, zan.setup.setupPath) == 0) ShowConnectedTitle(zan, "#WR#");
    return 0;
}

int DEF(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    Station& zan = EngineStation();
    GetCtrlVal(zan.setup.mainPanel, MAIN_WARMUP_MODE, &zan.setup.warmupMode);
    SaveDefaultSetup(zan);
    return 0;
}

int DEFM(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    Station& zan = EngineStation();
    StartWarmup(zan.setup);
    SaveDefaultSetup(zan);
    return 0;
}

int DEFX(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    Station& zan = EngineStation();
    // The new port number is used from now on; the port opened under the old one stays open
    // until the next reconnect.
    TakePanelComPort(zan);
    TakePanelPortChoices(zan);
    SavePortFile(zan);
    return 0;
}

int ZERO(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (ConfirmPopup("ZERO value ?", "Unload pedals & press [YES] to reset ...") != 1) return 0;
    ZeroOffsets(EngineStation());
    return 0;
}

int RESET(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    Station& zan = EngineStation();
    ZeroOffsets(zan);
    CloseWarmup(zan);
    return 0;
}

int SKIP(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    CloseWarmup(EngineStation());
    return 0;
}
