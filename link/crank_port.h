#pragma once
// Opening the crank's link: every open is 38400 baud 8N1 with 4096-byte queues, followed at once
// by the 5 ms time-out.

#include "link/link_state.h"

// The crank's line settings: 38400 baud, no parity, 8 data bits, 1 stop bit.
constexpr long crankBaud = 38400;
constexpr int crankParity = 0;
constexpr int crankDataBits = 8;
constexpr int crankStopBits = 1;

// Opens port number `port` on the device "COM<deviceNumber>", which is kept in comPortName.
// Returns the open's result: negative when the port did not open.
int OpenCrankPort(LinkState& link, int port, int deviceNumber);
// The line that tells the rider why the port just opened by OpenCrankPort did not open ("COM5 not
// opened: busy: ...": missing, busy or not the rider's to open), into text. False, with text
// untouched, when it opened or failed for no reason the port layer can tell.
bool DescribePortOpen(const LinkState& link, int opened, char* text, int size);
