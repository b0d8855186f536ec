#pragma once
// The station in the window: the core's parts and the application shell's own state (the
// display timer's counters, the link watchdog, the calibration walk). main() makes one station
// and hands it to its engine; every test fixture makes its own. Every member is zero when it is
// made (std::make_unique<Station>()); the start-up sequence gives the start values.

#include "app/app_state.h"
#include "share/share_server.h"
#include "station/station.h"

struct Station : StationCore {
    AppState app{};
    // The measurement served to training apps, when sharing is on.
    ShareServer share{};
};

// The engine in use calls back into this station: its callbacks and timers reach it through the
// engine's one reference.
void UseStation(Station& station);
// The station the engine in use calls back into.
Station& EngineStation();

// Puts every member of the station back to zero, as when it was made.
void ResetStation(Station& station);
