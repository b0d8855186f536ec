#pragma once
// Opening the crank's link: every open is 38400 baud 8N1 with 4096-byte queues, followed at once
// by the 5 ms time-out.

#include "link/link_state.h"

// Opens port number `port` on the device "COM<deviceNumber>", which is kept in comPortName.
// Returns the open's result: negative when the port did not open.
int OpenCrankPort(LinkState& link, int port, int deviceNumber);
