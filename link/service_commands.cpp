// Service commands to the crank: marker-only revolutions, debug mode and serial-number programming.
// Each is a few bytes with a pause after each; the crank answers none of them.
#include "link/link_callbacks.h"
#include "link/link_state.h"
#include "platform/bounded_text.h"
#include "platform/engine.h"
#include "platform/program_part.h"
#include "protocol/station_bytes.h"
#include "setup/catalogue.h"
#include "setup/setup_state.h"

#include <cctype>

namespace {
// A command is its byte three times, 20 ms apart.
constexpr int commandRepeats = 3;
constexpr double commandPause = 0.02;

// The serial number's bytes go half a second apart.
constexpr double programPause = 0.5;
constexpr int serialDigits = 3;

// With marker-only revolutions only the methods 0 and 1 of the setup remain.
constexpr int markerOnlyMask = 1;
constexpr int anyMethodMask = 255;

constexpr int popupOk = 1;

void Send(int byte, double pause) {
    const SetupState& setup = ViewOf<SetupState>();
    ComWrtByte(setup.comPort, byte);
    Delay(pause);
}

void SendRepeated(int byte) {
    for (int i = 0; i < commandRepeats; ++i) Send(byte, commandPause);
}

int SwitchValue(int control) {
    const SetupState& setup = ViewOf<SetupState>();
    int value = 0;
    GetCtrlVal(setup.mainPanel, control, &value);
    return value;
}

// The crank stores whatever digits it is sent, so only 0..999 written with digits (blanks around
// them allowed) is a serial number: an empty field or a typo must not reprogram it to 0.
bool ParseSerial(const char* text, int* serial) {
    const char* at = text;
    while (*at == ' ') ++at;
    int value = 0;
    int digits = 0;
    while (std::isdigit(static_cast<unsigned char>(*at)) != 0) {
        value = 10 * value + (*at - '0');
        ++digits;
        ++at;
    }
    while (*at == ' ') ++at;
    if (digits == 0 || digits > serialDigits || *at != '\0') return false;
    *serial = value;
    return true;
}

void ProgramSerial(int serial, const char* typed) {
    const SetupState& setup = ViewOf<SetupState>();
    const int hundreds = serial / 100;
    const int tens = (serial - 100 * hundreds) / 10;
    const int units = serial - 100 * hundreds - 10 * tens;
    ResetTextBox(setup.mainPanel, MAIN_MESSAGES, "");
    char line[256];
    FormatText(line, sizeof line, "VER_SOFTWARE : %d  & SN : %s ... REGISTRATI ... \n", 1, typed);
    InsertTextBoxLine(setup.mainPanel, MAIN_MESSAGES, -1, line);
    Send(programHundredsTag + hundreds, programPause);
    Send(programTensTag + tens, programPause);
    Send(programUnitsTag + units, programPause);
    Send(programCloseByte, programPause);
    Send(programEndByte, programPause);
}

void RefuseSerial(const char* typed) {
    const SetupState& setup = ViewOf<SetupState>();
    ResetTextBox(setup.mainPanel, MAIN_MESSAGES, "");
    char line[256];
    FormatText(line, sizeof line,
               "SN : \"%s\" is not a serial number 0..999 ... nothing sent to the crank\n", typed);
    InsertTextBoxLine(setup.mainPanel, MAIN_MESSAGES, -1, line);
}
} // namespace

int CADI(int, int, int event, void*, int, int) {
    LinkState& link = PartOf<LinkState>();
    if (event != EVENT_COMMIT) return 0;
    const int on = SwitchValue(MAIN_CADI);
    if (on == 1) {
        SendRepeated(markerOnlyByte);
        link.turnModeMask = markerOnlyMask;
    }
    if (on == 0) link.turnModeMask = anyMethodMask;
    return 0;
}

int DEBU(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (SwitchValue(MAIN_DEBU) == 1) SendRepeated(debugByte);
    return 0;
}

int SERIAL(int, int, int event, void*, int, int) {
    LinkState& link = PartOf<LinkState>();
    const SetupState& setup = ViewOf<SetupState>();
    if (event != EVENT_COMMIT) return 0;
    // The switch only starts the programming; it never stays on.
    SetCtrlVal(setup.mainPanel, MAIN_SERIAL, 0);
    char response[serialDigits + 1] = "";
    const int button =
        GenericMessagePopup("Serializzazione pedivella ...", "Inserire Serial Number XXX", "OK",
                            "SKIP", "", response, serialDigits);
    // SKIP: the crank's number is read anew by a fresh identity handshake.
    if (button > popupOk) {
        link.handshakeFrames = 0;
        return 0;
    }
    // A popup that failed, with no button pressed, programs nothing.
    if (button != popupOk) return 0;
    int serial = 0;
    if (ParseSerial(response, &serial))
        ProgramSerial(serial, response);
    else
        RefuseSerial(response);
    return 0;
}
