#pragma once
// The station: every subsystem's state, one member per part, each changed by its own folder's
// routines, which take the parts they need by reference. Every member is zero when it is made
// (std::make_unique<Station>()); the start-up sequence gives the start values. main() makes one
// station and hands it to its engine; every test fixture makes its own.

#include "app/app_state.h"
#include "link/link_state.h"
#include "measure/measure_state.h"
#include "record/record_state.h"
#include "setup/setup_state.h"

struct Station {
    AppState app;
    LinkState link;
    MeasureState measure;
    SetupState setup;
    RecordState record;
};

// The engine in use calls back into this station: its callbacks and timers reach it through the
// engine's one reference.
void UseStation(Station& station);
// The station the engine in use calls back into.
Station& EngineStation();

// Puts every member of the station back to zero, as when it was made.
void ResetStation(Station& station);
