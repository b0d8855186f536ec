// The panel's service commands to the crank: marker-only revolutions, debug mode and the
// programming of its serial number.
#include "link/service_commands.h"
#include "app/callbacks.h"
#include "app/command_refusal.h"
#include "app/station.h"
#include "platform/bounded_text.h"
#include "platform/panel.h"
#include "platform/texts.h"
#include "setup/catalogue.h"

namespace {
constexpr int popupOk = 1;

int SwitchValue(const SetupState& setup, int control) {
    int value = 0;
    GetCtrlVal(setup.mainPanel, control, &value);
    return value;
}

void ShowOneLine(const SetupState& setup, const char* line) {
    ResetTextBox(setup.mainPanel, MAIN_MESSAGES, "");
    InsertTextBoxLine(setup.mainPanel, MAIN_MESSAGES, -1, line);
}
} // namespace

int CADI(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    Station& zan = EngineStation();
    const int on = SwitchValue(zan.setup, MAIN_CADI);
    if ((on == 1 || on == 0) && !SetMarkerOnly(zan.link, CrankPortOf(zan), on == 1))
        TellCommandNotSent(zan);
    return 0;
}

int DEBU(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    Station& zan = EngineStation();
    if (SwitchValue(zan.setup, MAIN_DEBU) == 1 && !SendDebugMode(CrankPortOf(zan)))
        TellCommandNotSent(zan);
    return 0;
}

int SERIAL(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    Station& zan = EngineStation();
    // A number the crank could not be sent is not asked for.
    if (CrankCommandRefused(zan)) return 0;
    // The switch only starts the programming; it never stays on.
    SetCtrlVal(zan.setup.mainPanel, MAIN_SERIAL, 0);
    char response[serialDigits + 1] = "";
    const int button =
        GenericMessagePopup(Translated("ServiceCommands", "Serializzazione pedivella ..."),
                            Translated("ServiceCommands", "Inserire Serial Number XXX"), "OK",
                            "SKIP", "", response, serialDigits);
    // SKIP: the crank's number is read anew by a fresh identity handshake.
    if (button > popupOk) {
        zan.link.handshakeFrames = 0;
        return 0;
    }
    // A popup that failed, with no button pressed, programs nothing.
    if (button != popupOk) return 0;
    char line[256];
    int serial = 0;
    if (ParseSerial(response, &serial)) {
        FormatText(line, sizeof line, "VER_SOFTWARE : %d  & SN : %s ... REGISTRATI ... \n", 1,
                   response);
        ShowOneLine(zan.setup, line);
        if (!ProgramSerial(CrankPortOf(zan), serial)) TellCommandNotSent(zan);
    } else {
        FormatText(line, sizeof line,
                   "SN : \"%s\" is not a serial number 0..999 ... nothing sent to the crank\n",
                   response);
        ShowOneLine(zan.setup, line);
    }
    return 0;
}
