#pragma once
// Service commands to the crank: marker-only revolutions, debug mode and serial-number programming.
// Each is a few bytes with a pause after each; the crank answers none of them.

#include "link/crank_port.h"
#include "link/link_state.h"

// The serial number's digits, at most.
constexpr int serialDigits = 3;

// Each command is refused, sending nothing and changing nothing, when the port cannot be written
// (a recorded ride): it returns false then.
// Marker-only revolutions on (the crank is told, and only the methods 0 and 1 of the setup
// remain) or off (every method again; the crank is not told).
bool SetMarkerOnly(LinkState& link, CrankPort& port, bool on);
// Puts the crank in debug mode.
bool SendDebugMode(CrankPort& port);
// The crank stores whatever digits it is sent, so only 0..999 written with digits (blanks around
// them allowed) is a serial number: an empty field or a typo must not reprogram it to 0.
bool ParseSerial(const char* text, int* serial);
// Programs the crank's serial number, digit by digit, half a second apart.
bool ProgramSerial(CrankPort& port, int serial);
