#include "tests/support/link_polling.h"
#include "app/link_timer.h"

#include "link/frame_reader.h"

#include <chrono>
#include <thread>

bool ReadUntil(const std::function<bool()>& condition, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        ReadZAN(EngineStation());
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}
