#include "tests/support/real_time_timers.h"
#include "app/link_timer.h"

#include "app/callbacks.h"
#include "app/station.h"
#include "link/frame_reader.h"

#include <algorithm>
#include <thread>

namespace {
constexpr auto linkPeriod = std::chrono::milliseconds(20);
constexpr double displaySeconds = 0.5;
} // namespace

RealTimeTimers::RealTimeTimers(HeadlessEngine& engine)
    : engine(engine), start(std::chrono::steady_clock::now()), virtualStart(engine.now),
      nextDisplay(displaySeconds) {
    // The engine must not run virtual ticks of its own inside these (a popup or a device search
    // turns its event loop).
    engine.timersRunning = false;
}

bool RealTimeTimers::RunUntil(const std::function<bool()>& condition, double seconds) {
    Station& zan = EngineStation();
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // Delays the station takes itself (the device search waits at each port) keep the clock
        // ahead.
        engine.now = std::max(engine.now, virtualStart + elapsed);
        // What the station left to the event loop (the port a reconnect reopens a second later)
        // runs as it comes due.
        engine.ProcessSystemEvents();
        ReadZAN(EngineStation());
        if (elapsed >= nextDisplay) {
            nextDisplay += displaySeconds;
            displayTicks += 1;
            DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
        }
        if (condition && condition()) return true;
        std::this_thread::sleep_for(linkPeriod);
    }
    return false;
}
