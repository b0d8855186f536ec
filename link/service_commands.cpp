#include "link/service_commands.h"

#include "platform/clock.h"
#include "protocol/station_bytes.h"

#include <cctype>

namespace {
// A command is its byte three times, 20 ms apart.
constexpr int commandRepeats = 3;
constexpr double commandPause = 0.02;

// The serial number's bytes go half a second apart.
constexpr double programPause = 0.5;

// With marker-only revolutions only the methods 0 and 1 of the setup remain.
constexpr int markerOnlyMask = 1;
constexpr int anyMethodMask = 255;

void Send(CrankPort& port, int byte, double pause) {
    port.Write(byte);
    Delay(pause);
}

void SendRepeated(CrankPort& port, int byte) {
    for (int i = 0; i < commandRepeats; ++i) Send(port, byte, commandPause);
}
} // namespace

bool SetMarkerOnly(LinkState& link, CrankPort& port, bool on) {
    if (!port.Writable()) return false;
    if (on) SendRepeated(port, markerOnlyByte);
    link.turnModeMask = on ? markerOnlyMask : anyMethodMask;
    return true;
}

bool SendDebugMode(CrankPort& port) {
    if (!port.Writable()) return false;
    SendRepeated(port, debugByte);
    return true;
}

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

bool ProgramSerial(CrankPort& port, int serial) {
    if (!port.Writable()) return false;
    const int hundreds = serial / 100;
    const int tens = (serial - 100 * hundreds) / 10;
    const int units = serial - 100 * hundreds - 10 * tens;
    Send(port, programHundredsTag + hundreds, programPause);
    Send(port, programTensTag + tens, programPause);
    Send(port, programUnitsTag + units, programPause);
    Send(port, programCloseByte, programPause);
    Send(port, programEndByte, programPause);
    return true;
}
