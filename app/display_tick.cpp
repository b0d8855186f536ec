#include "app/callbacks.h"
#include "app/display.h"
#include "app/link_watchdog.h"
#include "app/station.h"
#include "platform/engine.h"
#include "protocol/station_bytes.h"
#include "record/session_file.h"
#include "setup/catalogue.h"

namespace {
// The crank stops streaming unless it hears '3' now and then: every 20th tick, 10 s.
constexpr int keepAliveEvery = 20;
// Above this access code the single-side selector drives the measurement.
constexpr int serviceCode = 2739;

void RunSessionClock() {
    Station& zan = CurrentStation();
    if (zan.sessionActive <= 0) {
        SetCtrlAttribute(zan.mainPanel, MAIN_SESSION_CLOCK, ATTR_TEXT_BGCOLOR, VAL_WHITE);
        return;
    }
    // The clock blinks green and white while recording; a captured turn file keeps it yellow
    // for four ticks.
    if (zan.ledFlashTimer == 0)
        SetCtrlAttribute(zan.mainPanel, MAIN_SESSION_CLOCK, ATTR_TEXT_BGCOLOR, VAL_GREEN);
    GetCurrentDateTime(&zan.nowTime);
    FormatDateTimeString(zan.nowTime - zan.sessionStartTime, "%H:%M:%S", zan.elapsedText,
                         sizeof zan.elapsedText);
    SetCtrlVal(zan.mainPanel, MAIN_SESSION_CLOCK, zan.elapsedText);
    zan.rowTicks += 1;
    // A row every 2 × interval ticks of 500 ms, that is every interval seconds.
    if (zan.rowTicks >= 2LL * zan.setup.recordInterval) {
        zan.rowTicks = 0;
        SaveDat();
    }
    zan.ledFlashTimer += 1;
    if (zan.ledFlashTimer > 1) {
        zan.ledFlashTimer = 0;
        SetCtrlAttribute(zan.mainPanel, MAIN_SESSION_CLOCK, ATTR_TEXT_BGCOLOR, VAL_WHITE);
    }
    SetCtrlVal(zan.mainPanel, MAIN_KCAL, FiniteOrZero(zan.kcalTotal));
    SetCtrlVal(zan.mainPanel, MAIN_SESSION_POWER_AVG, FiniteOrZero(zan.sessionPowerAverage));
    SetCtrlVal(zan.mainPanel, MAIN_SESSION_SPEED_AVG, FiniteOrZero(zan.sessionSpeedAverage));
}
} // namespace

int DISPLAY(int, int, int event, void*, int, int) {
    Station& zan = CurrentStation();
    if (event != EVENT_TIMER_TICK) return 0;
    if (zan.accessCode > serviceCode) {
        int side = static_cast<int>(zan.singleSide);
        GetCtrlVal(zan.mainPanel, MAIN_SINGLE_SIDE, &side);
        zan.singleSide = static_cast<SingleSide>(side);
    }
    WarnSerialMismatch();
    zan.keepAliveTicks += 1;
    if (zan.keepAliveTicks == keepAliveEvery) {
        ComWrtByte(zan.comPort, keepAliveByte);
        SetCtrlAttribute(zan.mainPanel, MAIN_START_NOTICE, ATTR_VISIBLE, 0);
        zan.keepAliveTicks = 0;
    }
    RunSessionClock();
    // A held display freezes read-outs, plots and the watchdog; the crank is still kept alive
    // and the session still recorded.
    if (zan.holdDisplay == 1) return 0;
    ShowLiveReadouts();
    PlotLastWindow();
    WatchLink();
    EvaluatePedalFigures();
    ShowPowerAndFigures();
    return 0;
}
