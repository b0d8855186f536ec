#pragma once
// The station's core: every measuring part's state, one member per part, each changed by its own
// folder's routines, and the port the crank's bytes come from. It needs no window: the live
// link, the replay of a recorded ride and the review all measure through it. Every member is
// zero when it is made; the start gives the start values.

#include "link/crank_port.h"
#include "link/link_state.h"
#include "measure/measure_state.h"
#include "record/record_state.h"
#include "setup/setup_state.h"
#include "station/followers.h"

struct CoreState {
    // Display ticks since the crank was last kept alive.
    int keepAliveTicks;
    // Display ticks since the pedal figures were last evaluated.
    int peakTicks;
    // The station plays a recorded ride: its session keeps no raw stream of its own.
    bool replaying;
    Followers followers;
};

struct StationCore {
    StationCore() = default;
    StationCore(const StationCore&) = delete;
    StationCore& operator=(const StationCore&) = delete;

    LinkState link{};
    MeasureState measure{};
    SetupState setup{};
    RecordState record{};
    CoreState core{};
    // The port the station opened on this machine; a replay gives its own in `port`.
    SerialCrankPort serialPort{setup.comPort};
    CrankPort* port = nullptr;
};

// The port the crank's bytes come from: the replay's when one is given, else the serial port.
inline CrankPort& CrankPortOf(StationCore& zan) {
    return zan.port != nullptr ? *zan.port : zan.serialPort;
}
