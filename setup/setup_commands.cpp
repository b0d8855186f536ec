// The panel commands that load and save the setup file.
#include "app/station.h"
#include "app/window_title.h"
#include "platform/engine.h"
#include "setup/catalogue.h"
#include "setup/setup_callbacks.h"
#include "setup/setup_file.h"

#include <cstdio>
#include <cstring>

namespace {
// Asks for a setup file; a cancelled popup, or a name of 3 characters or less, means the default.
void ChooseSetupPath() {
    Station& zan = CurrentStation();
    char chosenSetupPath[512] = "";
    FileSelectPopup("Setup", "*.set", "Selezionare il file SETUP", chosenSetupPath,
                    sizeof chosenSetupPath);
    if (std::strlen(chosenSetupPath) > 3)
        std::snprintf(zan.setupPath, sizeof zan.setupPath, "%s", chosenSetupPath);
    else
        std::snprintf(zan.setupPath, sizeof zan.setupPath, "%s", defaultSetupPath);
}

void SaveDefaultSetup() {
    Station& zan = CurrentStation();
    std::snprintf(zan.setupPath, sizeof zan.setupPath, "%s", defaultSetupPath);
    SavePar(zan.setupPath);
}
} // namespace

int LOAD(int, int, int event, void*, int, int) {
    Station& zan = CurrentStation();
    if (event != EVENT_COMMIT) return 0;
    char previousPath[sizeof zan.setupPath];
    std::memcpy(previousPath, zan.setupPath, sizeof previousPath);
    ChooseSetupPath();
    if (LoadPar(zan.setupPath) == 0) {
        ShowConnectedTitle("*RD*");
        return 0;
    }
    // A file that cannot be read changes nothing: the title keeps the file still in use.
    char message[700];
    std::snprintf(message, sizeof message,
                  "\"%s\" could not be read.\nThe setup in use is unchanged.", zan.setupPath);
    std::memcpy(zan.setupPath, previousPath, sizeof previousPath);
    MessagePopup("Setup file", message);
    return 0;
}

int SAVS(int, int, int event, void*, int, int) {
    Station& zan = CurrentStation();
    if (event != EVENT_COMMIT) return 0;
    ChooseSetupPath();
    if (SavePar(zan.setupPath) == 0) ShowConnectedTitle("#WR#");
    return 0;
}

int DEF(int, int, int event, void*, int, int) {
    Station& zan = CurrentStation();
    if (event != EVENT_COMMIT) return 0;
    GetCtrlVal(zan.mainPanel, MAIN_WARMUP_MODE, &zan.warmupMode);
    SaveDefaultSetup();
    return 0;
}

int DEFM(int, int, int event, void*, int, int) {
    Station& zan = CurrentStation();
    if (event != EVENT_COMMIT) return 0;
    if (zan.warmupState == WarmupState::Off && zan.warmupMode > 0) {
        zan.warmupState = WarmupState::ToShow;
        zan.warmupLevel = 0;
    }
    SaveDefaultSetup();
    return 0;
}
