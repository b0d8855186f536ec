#pragma once
// The station's record: every member zero when it is made (std::make_unique<Station>()), the
// start-up sequence gives the start values. Each subsystem declares its own group. main() makes
// one station and attaches it to its engine; every test fixture makes its own.

#include "app/app_state.h"
#include "link/link_state.h"
#include "measure/measure_state.h"
#include "record/record_state.h"
#include "setup/setup_state.h"

struct Station : AppState, LinkState, MeasureState, SetupState, RecordState {};

// The station the routines work on is the one attached to the engine in use.
void AttachStation(Station& station);
Station& CurrentStation();

// The program version shown in every window title.
constexpr const char* programVersion = "1.6 (110126) ";

// Puts every member of the current station back to zero, as when it was made.
void ResetStation();
