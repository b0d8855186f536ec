#include "app/callbacks.h"
#include "app/station.h"
#include "platform/engine.h"
#include "protocol/station_bytes.h"
#include "record/session_file.h"
#include "setup/setup_file.h"

#include <cstdio>

int FINE(int, int, int event, void*, int, int) {
    const Station& zan = StationView();
    if (event != EVENT_COMMIT) return 0;
    // An open session is closed as the session button would: nothing recorded is left without
    // its trailer.
    if (zan.sessionActive > 0) {
        StopSession();
        ExportClosedSession(true);
    }
    // The crank stops streaming when it hears the quit byte; it goes three times in case one
    // is lost.
    for (int i = 0; i < 3; ++i) {
        ComWrtByte(zan.comPort, quitByte);
        Delay(0.05);
    }
    CloseCom(zan.comPort);
    // The parameters go to the default file, whatever file was loaded at start-up, unless they
    // were not read from any and would replace a default file the station never read.
    SaveDefaultSetupIfRead();
    DiscardPanel(zan.mainPanel);
    QuitUserInterface(0);
    return 0;
}
