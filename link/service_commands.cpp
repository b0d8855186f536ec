#include "link/service_commands.h"

#include "platform/clock.h"
#include "platform/port.h"
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

void Send(int comPort, int byte, double pause) {
    ComWrtByte(comPort, byte);
    Delay(pause);
}

void SendRepeated(int comPort, int byte) {
    for (int i = 0; i < commandRepeats; ++i) Send(comPort, byte, commandPause);
}
} // namespace

void SetMarkerOnly(LinkState& link, int comPort, bool on) {
    if (on) SendRepeated(comPort, markerOnlyByte);
    link.turnModeMask = on ? markerOnlyMask : anyMethodMask;
}

void SendDebugMode(int comPort) {
    SendRepeated(comPort, debugByte);
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

void ProgramSerial(int comPort, int serial) {
    const int hundreds = serial / 100;
    const int tens = (serial - 100 * hundreds) / 10;
    const int units = serial - 100 * hundreds - 10 * tens;
    Send(comPort, programHundredsTag + hundreds, programPause);
    Send(comPort, programTensTag + tens, programPause);
    Send(comPort, programUnitsTag + units, programPause);
    Send(comPort, programCloseByte, programPause);
    Send(comPort, programEndByte, programPause);
}
