// The time from a window's end to its notification in a training app: the window's result made
// into the power and heart rate notifications, handed to the system and read by an app on the
// loopback interface. Items are windows.
#include "share/share_server.h"
#include "station/station.h"
#include "tests/support/share_client.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {
void BM_WindowEndToNotification(benchmark::State& state) {
    const auto core = std::make_unique<StationCore>();
    const auto share = std::make_unique<ShareServer>();
    share->loopbackAnyPort = true;
    if (!StartSharing(*share)) {
        state.SkipWithError("no loopback port");
        return;
    }
    ShareTestClient app;
    app.Connect(share->port);
    std::vector<std::uint8_t> enable = ShortUuidBytes(powerMeasurementUuid);
    enable.push_back(1);
    app.Send(dcEnableNotifications, enable);
    while (app.messages.empty()) {
        PollSharing(*share);
        app.Receive();
    }
    WindowResult result{};
    result.powerTotal = 250.0f;
    result.balanceLeft = 49.0f;
    result.heartRate = 130.0f;
    for (auto _ : state) {
        const std::size_t before = app.messages.size();
        ShareWindow(*share, *core, result);
        while (app.messages.size() == before) app.Receive();
        app.messages.clear();
    }
    if (share->notificationsDropped != 0) state.SkipWithError("notifications dropped");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WindowEndToNotification);
} // namespace

BENCHMARK_MAIN();
