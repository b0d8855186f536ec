#pragma once
// The program-wide record: one instance, every member zero at program start; the start-up
// sequence gives the start values. Each subsystem declares its own group.

#include "app/app_state.h"
#include "link/link_state.h"
#include "measure/measure_state.h"
#include "record/record_state.h"
#include "setup/setup_state.h"

struct Station : AppState, LinkState, MeasureState, SetupState, RecordState {};

extern Station zan;

// The program version shown in every window title.
constexpr const char* programVersion = "1.6 (110126) ";

// Puts every member back to zero, as at program start.
void ResetStation();
