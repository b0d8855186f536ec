#pragma once
// Every behaviour test runs a station of its own on the headless engine, in a fresh temporary
// folder.

#include "app/station.h"
#include "tests/support/emulated_crank.h"
#include "tests/support/headless_engine.h"
#include "tests/support/session_command.h"
#include "tests/support/station_harness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class StationTest : public ::testing::Test, public StationHarness {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a text file in the test folder.
    void WriteFile(const std::string& name, const std::string& text);
    std::string ReadFile(const std::string& name) const;
    std::vector<std::string> ReadLines(const std::string& name) const;

    // Starts the station with the given command line and quits it with the quit button at the
    // given virtual time; returns WinMain's result.
    int StartAndQuit(const std::string& commandLine, double quitAt = 1.0);

    // A session of the given length on the emulated crank, in the folder ride/, opened at the
    // given time (0: before the first byte), the right offset moved half-way as a zero moves
    // it; returns the session file's path.
    std::string RecordEmulatedSession(const EmulatedCrankSettings& settings, double seconds,
                                      double openAt = 0.0);

    HeadlessControl& Main(int control) { return engine.Control(zan.setup.mainPanel, control); }
    HeadlessControl& Warmup(int control) { return engine.Control(zan.setup.warmupPanel, control); }
    std::string MainTitle() { return engine.Panel(zan.setup.mainPanel).Title(); }

    // The fixture's own station, attached to its engine.
    Station& zan = *station;
    std::filesystem::path folder;
    std::filesystem::path previousFolder;
};
