#include "app/share_panel.h"

#include "app/callbacks.h"
#include "app/setup_panel.h"
#include "app/working_folder.h"
#include "platform/engine.h"
#include "setup/catalogue.h"
#include "share/share_file.h"

#include <cstdio>

namespace {
// Switched on: listening, or the message box says why not.
void SwitchSharing(Station& zan, bool on) {
    if (!on) {
        StopSharing(zan.share);
        zan.share.portRefused = false;
    } else if (!StartSharing(zan.share)) {
        char message[200];
        std::snprintf(message, sizeof message,
                      "Sharing with training apps: port %d could not be opened (another program "
                      "may use it).",
                      shareDefaultPort);
        InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, message);
    }
    ShowSharing(zan);
}
} // namespace

void StartSharingAtStart(Station& zan) {
    bool kept = false;
    const SetupReading read = ReadShareFile(kept);
    if (read.read != SetupRead::Read && read.read != SetupRead::Missing) {
        zan.share.fileUnread = true;
        char problem[100];
        char message[300];
        SetupReadProblem(read, problem, sizeof problem);
        std::snprintf(message, sizeof message,
                      "Sharing file \"%s\" %s: sharing is off, and the file is kept as it is.",
                      shareFilePath, problem);
        InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, message);
    }
    zan.share.onForRun = zan.share.onForRun || kept;
    SetCtrlVal(zan.setup.mainPanel, MAIN_SHARE, zan.share.onForRun ? 1 : 0);
    SwitchSharing(zan, zan.share.onForRun);
}

void ShowSharing(const Station& zan) {
    char address[64] = "127.0.0.1";
    if (zan.share.listening && !zan.share.loopbackAnyPort &&
        !TcpNetworkAddress(address, sizeof address))
        std::snprintf(address, sizeof address, "this computer's address");
    char line[200];
    SharingLine(zan.share, address, line, sizeof line);
    SetCtrlVal(zan.setup.mainPanel, MAIN_SHARE_STATUS, line);
}

int SHARE(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    Station& zan = EngineStation();
    int on = 0;
    GetCtrlVal(zan.setup.mainPanel, MAIN_SHARE, &on);
    zan.share.onForRun = on != 0;
    SwitchSharing(zan, zan.share.onForRun);
    // The rider's choice is kept for the next runs, unless the file there is not the station's
    // to write over, or the folder is another station's.
    if (zan.share.fileUnread) {
        char message[300];
        std::snprintf(message, sizeof message,
                      "Sharing file \"%s\" was not read at the start: it is kept as it is, and "
                      "the switch holds for this run only.",
                      shareFilePath);
        InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, message);
        return 0;
    }
    if (RefusedInTakenFolder(zan, "Sharing file")) return 0;
    SaveProblem problem{};
    if (WriteShareFile(zan.share.onForRun, &problem) != 0) ShowSaveProblem("Sharing file", problem);
    return 0;
}
