#pragma once
// Service commands to the crank: marker-only revolutions, debug mode and serial-number programming.
// Each is a few bytes with a pause after each; the crank answers none of them.

#include "link/link_state.h"

// The serial number's digits, at most.
constexpr int serialDigits = 3;

// Marker-only revolutions on (the crank is told, and only the methods 0 and 1 of the setup
// remain) or off (every method again; the crank is not told).
void SetMarkerOnly(LinkState& link, int comPort, bool on);
// Puts the crank in debug mode.
void SendDebugMode(int comPort);
// The crank stores whatever digits it is sent, so only 0..999 written with digits (blanks around
// them allowed) is a serial number: an empty field or a typo must not reprogram it to 0.
bool ParseSerial(const char* text, int* serial);
// Programs the crank's serial number, digit by digit, half a second apart.
void ProgramSerial(int comPort, int serial);
