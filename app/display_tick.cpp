#include "app/callbacks.h"
#include "app/display.h"
#include "app/link_watchdog.h"
#include "app/station.h"
#include "platform/engine.h"
#include "platform/program_part.h"
#include "protocol/station_bytes.h"
#include "record/session_clock.h"
#include "setup/access_codes.h"
#include "setup/access_levels.h"
#include "setup/catalogue.h"

namespace {
// The crank stops streaming unless it hears '3' now and then: every 20th tick, 10 s.
constexpr int keepAliveEvery = 20;

} // namespace

int DISPLAY(int, int, int event, void*, int, int) {
    AppState& app = PartOf<AppState>();
    const Station& zan = StationView();
    if (event != EVENT_TIMER_TICK) return 0;
    if (ReadsSingleSide(AccessLevelOf(zan.accessCode))) TakePanelSingleSide();
    WarnSerialMismatch();
    app.keepAliveTicks += 1;
    if (app.keepAliveTicks == keepAliveEvery) {
        ComWrtByte(zan.comPort, keepAliveByte);
        SetCtrlAttribute(zan.mainPanel, MAIN_START_NOTICE, ATTR_VISIBLE, 0);
        app.keepAliveTicks = 0;
    }
    RunSessionClock();
    // A held display freezes read-outs, plots and the watchdog; the crank is still kept alive
    // and the session still recorded.
    if (app.holdDisplay == 1) return 0;
    ShowLiveReadouts();
    PlotLastWindow();
    WatchLink();
    EvaluatePedalFigures();
    ShowPowerAndFigures();
    return 0;
}
