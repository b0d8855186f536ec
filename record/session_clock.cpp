#include "record/session_clock.h"

#include "platform/clock.h"
#include "record/session_file.h"

SessionClockTick RunSessionClock(RecordState& record, const MeasureState& measure,
                                 const SetupState& setup, const LinkState& link) {
    SessionClockTick tick{};
    if (record.sessionActive <= 0) {
        tick.firstColour = ClockColour::White;
        return tick;
    }
    tick.recording = true;
    // The clock blinks green and white while recording; a captured turn file keeps it yellow
    // for four ticks.
    if (record.ledFlashTimer == 0) tick.firstColour = ClockColour::Green;
    FormatDateTimeString(record.now.dateTime - record.sessionStartTime, "%H:%M:%S", tick.elapsed,
                         sizeof tick.elapsed);
    record.rowTicks += 1;
    // A row every 2 × interval ticks of 500 ms, that is every interval seconds.
    if (record.rowTicks >= 2LL * setup.setup.recordInterval) {
        record.rowTicks = 0;
        SaveDat(record, measure, setup, link);
    }
    record.ledFlashTimer += 1;
    if (record.ledFlashTimer > 1) {
        record.ledFlashTimer = 0;
        tick.lastColour = ClockColour::White;
    }
    return tick;
}

void FlashSessionClock(RecordState& record) {
    record.notices.clockFlash = true;
    record.ledFlashTimer = -4;
}
