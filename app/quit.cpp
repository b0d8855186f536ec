#include "app/callbacks.h"
#include "app/session_panel.h"
#include "app/setup_panel.h"
#include "app/station.h"
#include "platform/engine.h"
#include "protocol/station_bytes.h"

#include <cstdio>

int FINE(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    Station& zan = EngineStation();
    // An open session is closed as the session button would: nothing recorded is left without
    // its trailer.
    if (zan.record.sessionActive > 0) CloseSessionAndExport(zan, true);
    // The crank stops streaming when it hears the quit byte; it goes three times in case one
    // is lost.
    for (int i = 0; i < 3; ++i) {
        CrankPortOf(zan).Write(quitByte);
        Delay(0.05);
    }
    CloseCom(zan.setup.comPort);
    // The parameters go to the default file, whatever file was loaded at start-up, unless they
    // were not read from any and would replace a default file the station never read. A replay's
    // are the recorded ride's, not the rider's calibration now. A station that found another in
    // its folder was told so at start and leaves that one's setup alone.
    if (!zan.core.replaying && !zan.app.folderTaken) SaveDefaultSetupIfRead(zan);
    // Everything saved: the folder is free for the next station.
    zan.app.folderLock.Release();
    DiscardPanel(zan.setup.mainPanel);
    QuitUserInterface(0);
    return 0;
}
