// A closed session also leaves the ride as FIT and TCX files beside its own, for the training
// tools riders use; the message box then lists every file the session left, by its full path.
#include "app/callbacks.h"
#include "app/session_panel.h"
#include "app/station.h"
#include "platform/panel.h"
#include "setup/catalogue.h"
#include "station/session.h"

#include <string>

namespace {
void Tell(const Station& zan, const std::string& line) {
    InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, line.c_str());
}

void ListFilesWritten(const Station& zan, const ClosedSession& closed) {
    const std::string session = zan.record.sessionPath;
    if (!closed.sessionFile && !closed.rawStream && !closed.rideFiles) return;
    Tell(zan, "Session closed, files written:");
    if (closed.sessionFile) Tell(zan, "  CSV: " + session);
    if (closed.rideFiles) {
        Tell(zan, "  FIT: " + closed.files.fit);
        Tell(zan, "  TCX: " + closed.files.tcx);
    }
    if (closed.rawStream) Tell(zan, "  Raw stream: " + std::string(zan.record.rawPath));
}
} // namespace

int SESSION(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    Station& zan = EngineStation();
    if (zan.record.sessionActive == 0) {
        ToggleSession(zan);
        return 0;
    }
    CloseSessionAndExport(zan);
    return 0;
}

bool CloseSessionAndExport(Station& zan, bool quitting) {
    ClosedSession closed = CloseStationSession(zan, ReadClock());
    ShowSessionClosed(zan);
    WriteRideFiles(zan, closed);
    if (closed.rideFiles) {
        const std::string note = RideFilesNote(closed.files);
        if (!note.empty()) Tell(zan, note);
        ListFilesWritten(zan, closed);
        return true;
    }
    Tell(zan, closed.rideFilesFailure);
    ListFilesWritten(zan, closed);
    if (!quitting) return false;
    // The message box goes with the window: the rider sees a popup before it does. An engine
    // with nobody at a window (a quit by a signal) puts the popup on the standard error, once.
    MessagePopup("FIT and TCX files", closed.rideFilesFailure.c_str());
    return false;
}
