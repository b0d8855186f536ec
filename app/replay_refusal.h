#pragma once
// A station that plays a recorded ride has no crank to command.

#include "app/station.h"

// A command that would talk to the crank, pressed while the station plays a recorded ride: it
// is refused, with a line in the message box and a popup. False when the station is live.
bool RefusedInReplay(Station& zan);
