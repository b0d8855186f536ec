#pragma once
// One rider's station in a test that runs several side by side: its own engine, station and
// folder. The working folder belongs to the process, so the station in use has its folder made
// current with its engine.

#include "app/station.h"
#include "platform/engine.h"
#include "tests/support/session_command.h"
#include "tests/support/station_harness.h"

#include <filesystem>
#include <memory>

struct RiderStation : StationHarness {
    std::filesystem::path folder;

    void Use() {
        std::filesystem::current_path(folder);
        StationHarness::Use();
    }
    // The station lets go of its folder, as at its quit: Windows removes no folder whose lock
    // file is held open.
    void LeaveFolder() { station->app.folderLock.Release(); }
    void Press(CtrlCallbackPtr command) {
        Use();
        command(station->setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
    }
};
