// A closed session also leaves the ride as FIT and TCX files beside its own, for the training
// tools riders use; the message box then lists every file the session left, by its full path.
#include "app/callbacks.h"
#include "app/session_panel.h"
#include "app/station.h"
#include "export/ride_export.h"
#include "platform/panel.h"
#include "setup/catalogue.h"

#include <string>

namespace {
void Tell(const Station& zan, const std::string& line) {
    InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, line.c_str());
}

void ListFilesWritten(const Station& zan, const ClosedSession& closed, const RideFiles* ride) {
    const std::string session = zan.record.sessionPath;
    if (!closed.sessionFile && !closed.rawStream && ride == nullptr) return;
    Tell(zan, "Session closed, files written:");
    if (closed.sessionFile) Tell(zan, "  CSV: " + session);
    if (ride != nullptr) {
        Tell(zan, "  FIT: " + ride->fit);
        Tell(zan, "  TCX: " + ride->tcx);
    }
    if (closed.rawStream) Tell(zan, "  Raw stream: " + std::string(zan.record.rawPath));
}
} // namespace

bool ExportClosedSession(const Station& zan, const ClosedSession& closed, bool quitting,
                         std::string* error) {
    const int serial =
        zan.link.crankIdentified != 0 ? zan.link.deviceSerial : zan.setup.setup.serialNumber;
    std::string reason;
    RideFiles files;
    if (ExportRide(zan.record.sessionPath, static_cast<unsigned>(serial > 0 ? serial : 0),
                   &zan.record.kept, RideZone{}, reason, &files)) {
        const std::string note = RideFilesNote(files);
        if (!note.empty()) Tell(zan, note);
        ListFilesWritten(zan, closed, &files);
        return true;
    }
    const std::string message = "FIT and TCX files not written: " + reason;
    if (error != nullptr) *error = message;
    Tell(zan, message);
    ListFilesWritten(zan, closed, nullptr);
    if (!quitting) return false;
    // The message box goes with the window: the rider sees a popup before it does. An engine
    // with nobody at a window (a quit by a signal) puts the popup on the standard error, once.
    MessagePopup("FIT and TCX files", message.c_str());
    return false;
}

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

bool CloseSessionAndExport(Station& zan, std::string* error) {
    const ClosedSession closed = CloseSession(zan);
    ShowRecordNotices(zan);
    return ExportClosedSession(zan, closed, false, error);
}
