#pragma once
// The station's two timers on the real clock, for end-to-end tests against the emulator: the
// frame reader every 20 ms and the display tick every 500 ms, as the Qt engine runs them. The
// headless engine's clock follows the real one, so session times and file syncs see real seconds.

#include "tests/support/headless_engine.h"

#include <chrono>
#include <functional>

class RealTimeTimers {
  public:
    explicit RealTimeTimers(HeadlessEngine& engine);
    // Runs both timers until the condition holds (checked after every link tick) or the given
    // real time has passed. False when it never held.
    bool RunUntil(const std::function<bool()>& condition, double seconds);
    // Runs both timers for the given real time.
    void RunFor(double seconds) { RunUntil(nullptr, seconds); }
    // Display ticks run so far.
    int DisplayTicks() const { return displayTicks; }

  private:
    HeadlessEngine& engine;
    std::chrono::steady_clock::time_point start;
    double virtualStart = 0.0;
    double nextDisplay = 0.0;
    int displayTicks = 0;
};
