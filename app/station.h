#pragma once
// The station: every subsystem's state, each part owned and changed by its own folder. Every
// member is zero when it is made (std::make_unique<Station>()); the start-up sequence gives the
// start values. main() makes one station and attaches it to its engine; every test fixture makes
// its own.

#include "app/app_state.h"
#include "link/link_state.h"
#include "measure/measure_state.h"
#include "record/record_state.h"
#include "setup/setup_state.h"

struct Station : AppState, LinkState, MeasureState, SetupState, RecordState {};

// The station's parts become the ones the routines on the engine in use work on.
void AttachStation(Station& station);
// The station on the engine in use, whole, to make it and put it back to zero.
Station& CurrentStation();
// What the application shell reads of the station; it changes its own part (AppState) only.
const Station& StationView();

// Puts every member of the current station back to zero, as when it was made.
void ResetStation();
