#include "station/display_tick.h"
#include "app/callbacks.h"
#include "app/display.h"
#include "app/link_timer.h"
#include "app/link_watchdog.h"
#include "app/session_panel.h"
#include "app/setup_panel.h"
#include "app/share_panel.h"
#include "app/station.h"
#include "link/link_control.h"
#include "platform/engine.h"
#include "setup/access_codes.h"
#include "setup/catalogue.h"

int DISPLAY(int, int, int event, void*, int, int) {
    if (event != EVENT_TIMER_TICK) return 0;
    Station& zan = EngineStation();
    AppState& app = zan.app;
    const ClockReading now = ReadClock();
    TakeDateTime(zan, now);
    // The raw stream marks where each display tick fell among the link's reads.
    MarkDisplayTick(zan, now);
    if (ReadsSingleSide(AccessLevelOf(zan.setup.accessCode))) TakePanelSingleSide(zan);
    WarnSerialMismatch(zan);
    const DisplayTickResult tick = DisplayTick(zan, now);
    // Apps are answered here, twice a second, never from the link's tick.
    PollSharing(zan.share);
    ShowSharing(zan);
    // The waiting notice follows the frames: gone when they arrive, back when the link is lost.
    // Told only when that changes, so a code entry that hid it is not undone meanwhile.
    const bool arriving = FramesArriving(zan.link);
    if (arriving != app.noticeHiddenForFrames) {
        SetCtrlAttribute(zan.setup.mainPanel, MAIN_START_NOTICE, ATTR_VISIBLE, arriving ? 0 : 1);
        app.noticeHiddenForFrames = arriving;
    }
    ShowSessionClock(zan, tick.clock);
    ShowLinkInTitle(zan);
    // A held display freezes read-outs, plots and the watchdog; the crank is still kept alive,
    // measured and the session still recorded.
    if (app.holdDisplay == 1) return 0;
    ShowLiveReadouts(zan);
    PlotLastWindow(zan);
    WatchLink(zan);
    ShowPowerAndFigures(zan);
    return 0;
}
