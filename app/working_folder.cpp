#include "app/working_folder.h"

#include "platform/engine.h"
#include "setup/catalogue.h"

#include <cstdio>

void ClaimWorkingFolder(Station& zan) {
    AppState& app = zan.app;
    app.folderTaken = false;
    if (zan.core.replaying || app.folderLock.Claim() != FolderLock::Claimed::Taken) return;
    app.folderTaken = true;
    char folder[512] = "";
    GetDir(folder, sizeof folder);
    char message[800];
    std::snprintf(message, sizeof message,
                  "Another ZAN station is running in this folder (%s): this one shows what its "
                  "port gives but saves nothing here, no setup, no port file and no session. "
                  "Quit it, or start it in a folder of its own.",
                  folder);
    InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, message);
    // Without a window the popup goes unseen: the console or the log has the line.
    std::fprintf(stderr, "%s\n", message);
    MessagePopup("Working folder", message);
}

bool RefusedInTakenFolder(const Station& zan, const char* what) {
    if (!zan.app.folderTaken) return false;
    char message[300];
    std::snprintf(message, sizeof message,
                  "%s not written: another ZAN station is running in this folder.", what);
    MessagePopup(what, message);
    return true;
}
