#include "station/core_start.h"

#include "link/link_control.h"
#include "measure/power.h"
#include "record/session_file.h"
#include "setup/access_levels.h"
#include "setup/port_file.h"
#include "setup/setup_file.h"

void GiveCoreDefaults(StationCore& zan) {
    GiveLinkDefaults(zan.link);
    GiveMeasureDefaults(zan.measure);
    GiveRecordDefaults(zan.record);
    GiveAccessDefaults(zan.setup);
}

void TakeRecordedSetup(StationCore& zan, const RawSetup& setup) {
    zan.setup.setup = setup.parameters;
    zan.setup.singleSide = setup.singleSide;
    TakeWheelAndCorrections(zan.setup);
}

void StartReplayCore(StationCore& zan, CrankPort& port, const RawSetup& setup) {
    zan.port = &port;
    zan.core.replaying = true;
    SetSetupDefaults(zan.setup.setup);
    SetPortDefaults(zan.setup);
    GiveCoreDefaults(zan);
    TakeRecordedSetup(zan, setup);
    RestartHandshake(zan.link);
}
