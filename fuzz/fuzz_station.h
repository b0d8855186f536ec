#pragma once
// What the fuzz targets share: a station started on the headless engine in a folder of its own,
// a checked expectation that stops the run, and the checks every target makes of the panels.

#include "app/station.h"
#include "fuzz/fuzz_expect.h"
#include "tests/support/headless_engine.h"
#include "tests/support/station_harness.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The station's files are read from and written to the working folder. Each process gets a
// folder of its own, entered for one input and left afterwards, so paths given to libFuzzer stay
// valid and parallel workers never share files.
class FuzzFolder {
  public:
    FuzzFolder();
    ~FuzzFolder();
    FuzzFolder(const FuzzFolder&) = delete;
    FuzzFolder& operator=(const FuzzFolder&) = delete;

    // Writes bytes to a file of the folder, replacing it.
    static void Write(const char* name, const std::uint8_t* data, std::size_t size);
    static void Remove(const char* name);

  private:
    std::string previous;
};

// A station as StartStation leaves it, on a fresh headless engine with the device COM1 (the
// port a first start opens). The record is reset before and the engine released after.
class FuzzStation : public StationHarness {
  public:
    explicit FuzzStation(const char* commandLine = "");
    ~FuzzStation();
    FuzzStation(const FuzzStation&) = delete;
    FuzzStation& operator=(const FuzzStation&) = delete;

    int started = -1;
};

// Queues bytes on COM1, as the crank would send them.
void SendFromCrank(HeadlessEngine& engine, const std::vector<std::uint8_t>& bytes);
// Frames of a rider pedalling at 60 rpm with the marker once a revolution: 50 frames a turn.
std::vector<std::uint8_t> PedallingFrames(int frames);
// One display tick, as the display timer gives it.
void DisplayTick();
// Every value and numeric attribute on both panels is a finite number.
void ExpectReadoutsFinite(HeadlessEngine& engine);
// The same, and every plotted sample too.
void ExpectPanelsFinite(HeadlessEngine& engine);
