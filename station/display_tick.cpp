#include "station/display_tick.h"

#include "protocol/station_bytes.h"
#include "record/raw_stream_file.h"
#include "station/frame_path.h"

namespace {
// The crank stops streaming unless it hears '3' now and then: every 20th tick, 10 s.
constexpr int keepAliveEvery = 20;
} // namespace

void MarkDisplayTick(StationCore& zan, const ClockReading& now) {
    zan.record.now = now;
    KeepRawDisplayTick(zan.record, zan.setup);
}

DisplayTickResult DisplayTick(StationCore& zan, const ClockReading& now) {
    zan.record.now = now;
    CoreState& core = zan.core;
    core.keepAliveTicks += 1;
    if (core.keepAliveTicks == keepAliveEvery) {
        CrankPortOf(zan).Write(keepAliveByte);
        core.keepAliveTicks = 0;
    }
    DisplayTickResult result{};
    result.clock = RunSessionClock(zan.record, zan.measure, zan.setup, zan.link);
    KeepResultCurrent(zan);
    return result;
}
