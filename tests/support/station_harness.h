#pragma once
// One station on a headless engine of its own: what every test fixture, fuzz target and
// benchmark runs a station on. The station is zero when it is made, as main() makes it.

#include "app/station.h"
#include "tests/support/headless_engine.h"

#include <memory>
#include <string>

struct StationHarness {
    HeadlessEngine engine;
    std::unique_ptr<Station> station = std::make_unique<Station>();

    // This station and its engine become the ones the callbacks and timers reach.
    void Use();
    // Starts the station in use with the given command line, without entering the event loop:
    // the caller drives the timers and presses the buttons. StartStation's result.
    int Start(const std::string& commandLine = "");
};

// Gives a station in use, without reading its files, the setup that matches the emulator's
// default crank (1000 counts at rest, 0.5 N a count), loads its panels from the resource and
// puts it past the identity handshake: nothing goes back to the crank.
void StartCalibratedStation(Station& zan, const char* resource);

// One session row at the engine's clock now, as the display tick writes it.
void SaveRowNow(Station& zan);
