#pragma once
// A command to the crank where the station's port cannot be written (a recorded ride played
// again): nothing is sent, and the rider is told why.

#include "app/station.h"

// Tells the rider the command was not sent: a line in the message box and a popup.
void TellCommandNotSent(Station& zan);
// A command that would talk to the crank or open another port: refused, and told, when the
// station's port cannot be written. False when it can.
bool CrankCommandRefused(Station& zan);
