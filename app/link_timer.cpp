#include "app/link_timer.h"

#include "app/callbacks.h"
#include "app/session_panel.h"
#include "app/setup_panel.h"
#include "app/window_replay.h"
#include "platform/engine.h"
#include "setup/catalogue.h"

void ReadZAN(Station& zan) {
    // Before the first display tick the clock is read whole.
    if (zan.app.dateTimeAtTimerZero == 0.0) TakeDateTime(zan, ReadClock());
    const double timer = Timer();
    const LinkTickResult tick =
        LinkTick(zan, ClockReading{timer, zan.app.dateTimeAtTimerZero + timer});
    if (tick.identified) ShowConnectedTitle(zan, nullptr);
    // The lamp changes twice a revolution; the panel is told only then.
    LinkState& link = zan.link;
    if (link.turnLed != link.turnLedShown) {
        SetCtrlVal(zan.setup.mainPanel, MAIN_TURN_LED, link.turnLed);
        link.turnLedShown = link.turnLed;
    }
    // A capture the frames completed has its file written, or its failure, to tell.
    ShowRecordNotices(zan);
}

void TakeDateTime(Station& zan, const ClockReading& now) {
    zan.app.dateTimeAtTimerZero = now.dateTime - now.timer;
}

// The link timer drains the crank's input. Pending events run first, so a display tick or a
// button may run inside this tick; the 2 ms yield leaves the rest of the machine its share.
int TIMER(int, int, int event, void*, int, int) {
    if (event != EVENT_TIMER_TICK) return 0;
    ProcessSystemEvents();
    Sleep(2);
    Station& zan = EngineStation();
    AdvanceWindowReplay(zan);
    ReadZAN(zan);
    return 0;
}
