#include "record/session_clock.h"

#include "measure/measure_state.h"
#include "platform/engine.h"
#include "platform/numbers.h"
#include "platform/program_part.h"
#include "record/session_file.h"
#include "setup/catalogue.h"
#include "setup/setup_state.h"

void RunSessionClock() {
    RecordState& record = PartOf<RecordState>();
    const SetupState& setup = ViewOf<SetupState>();
    if (record.sessionActive <= 0) {
        SetCtrlAttribute(setup.mainPanel, MAIN_SESSION_CLOCK, ATTR_TEXT_BGCOLOR, VAL_WHITE);
        return;
    }
    // The clock blinks green and white while recording; a captured turn file keeps it yellow
    // for four ticks.
    if (record.ledFlashTimer == 0)
        SetCtrlAttribute(setup.mainPanel, MAIN_SESSION_CLOCK, ATTR_TEXT_BGCOLOR, VAL_GREEN);
    double now = 0.0;
    GetCurrentDateTime(&now);
    char elapsedText[16];
    FormatDateTimeString(now - record.sessionStartTime, "%H:%M:%S", elapsedText,
                         sizeof elapsedText);
    SetCtrlVal(setup.mainPanel, MAIN_SESSION_CLOCK, elapsedText);
    record.rowTicks += 1;
    // A row every 2 × interval ticks of 500 ms, that is every interval seconds.
    if (record.rowTicks >= 2LL * setup.setup.recordInterval) {
        record.rowTicks = 0;
        SaveDat();
    }
    record.ledFlashTimer += 1;
    if (record.ledFlashTimer > 1) {
        record.ledFlashTimer = 0;
        SetCtrlAttribute(setup.mainPanel, MAIN_SESSION_CLOCK, ATTR_TEXT_BGCOLOR, VAL_WHITE);
    }
    SetCtrlVal(setup.mainPanel, MAIN_KCAL, FiniteOrZero(ViewOf<MeasureState>().kcalTotal));
    SetCtrlVal(setup.mainPanel, MAIN_SESSION_POWER_AVG, FiniteOrZero(record.sessionPowerAverage));
    SetCtrlVal(setup.mainPanel, MAIN_SESSION_SPEED_AVG, FiniteOrZero(record.sessionSpeedAverage));
}

void FlashSessionClock(RecordState& record) {
    SetCtrlAttribute(ViewOf<SetupState>().mainPanel, MAIN_SESSION_CLOCK, ATTR_TEXT_BGCOLOR,
                     VAL_YELLOW);
    record.ledFlashTimer = -4;
}
