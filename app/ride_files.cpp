// A closed session also leaves the ride as FIT and TCX files beside its own, for the training
// tools riders use.
#include "app/callbacks.h"
#include "app/station.h"
#include "export/ride_export.h"
#include "platform/engine.h"
#include "record/record_callbacks.h"
#include "setup/catalogue.h"

#include <cstdio>
#include <string>

void ExportClosedSession(bool quitting) {
    const Station& zan = StationView();
    const int serial = zan.crankIdentified != 0 ? zan.deviceSerial : zan.setup.serialNumber;
    std::string error;
    if (ExportRide(zan.sessionPath, static_cast<unsigned>(serial > 0 ? serial : 0), &zan.kept,
                   RideZone{}, error))
        return;
    const std::string message = "FIT and TCX files not written: " + error;
    InsertTextBoxLine(zan.mainPanel, MAIN_MESSAGES, -1, message.c_str());
    if (!quitting) return;
    // The message box goes with the window: the rider sees a popup before it does, and a log
    // of the run keeps the line.
    std::fprintf(stderr, "%s\n", message.c_str());
    MessagePopup("FIT and TCX files", message.c_str());
}

int SESSION(int panel, int control, int event, void* data, int eventData1, int eventData2) {
    const bool wasOpen = StationView().sessionActive > 0;
    SAVE(panel, control, event, data, eventData1, eventData2);
    if (wasOpen && StationView().sessionActive == 0) ExportClosedSession();
    return 0;
}
