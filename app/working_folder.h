#pragma once
// The working folder belongs to one station at a time: the first to start there claims it, and
// a second one shows what its port gives but saves nothing there.

#include "app/station.h"

// Takes the working folder for this station, unless it replays a ride. When another station
// holds it, the rider is told (message box, popup and the standard error) and this station
// saves nothing there.
void ClaimWorkingFolder(Station& zan);
// True, after telling the rider in a popup titled what, when another station holds the working
// folder and the save must not happen.
bool RefusedInTakenFolder(const Station& zan, const char* what);
