// A closed session also leaves the ride as FIT and TCX files beside its own, for the training
// tools riders use.
#include "app/callbacks.h"
#include "app/session_panel.h"
#include "app/station.h"
#include "export/ride_export.h"
#include "platform/panel.h"
#include "setup/catalogue.h"

#include <string>

void ExportClosedSession(const Station& zan, bool quitting) {
    const int serial =
        zan.link.crankIdentified != 0 ? zan.link.deviceSerial : zan.setup.setup.serialNumber;
    std::string error;
    RideFiles files;
    if (ExportRide(zan.record.sessionPath, static_cast<unsigned>(serial > 0 ? serial : 0),
                   &zan.record.kept, RideZone{}, error, &files)) {
        const std::string note = RideFilesNote(files);
        if (!note.empty()) InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, note.c_str());
        return;
    }
    const std::string message = "FIT and TCX files not written: " + error;
    InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, message.c_str());
    if (!quitting) return;
    // The message box goes with the window: the rider sees a popup before it does. An engine
    // with nobody at a window (a quit by a signal) puts the popup on the standard error, once.
    MessagePopup("FIT and TCX files", message.c_str());
}

int SESSION(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    Station& zan = EngineStation();
    const bool wasOpen = zan.record.sessionActive > 0;
    ToggleSession(zan);
    if (wasOpen && zan.record.sessionActive == 0) ExportClosedSession(zan);
    return 0;
}
