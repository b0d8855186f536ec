#pragma once
// End-to-end tests on pseudo-terminals: a fresh working folder with ports/, the station on the
// headless engine with the real serial layer, the emulator as a child process, and a setup file
// that matches the emulator's crank 123 on COM5.

#ifndef _WIN32

#include "app/station.h"
#include "tests/support/crank_process.h"
#include "tests/support/emulated_crank.h"
#include "tests/support/link_polling.h"
#include "tests/support/pty_pair.h"
#include "tests/support/real_port_engine.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

// The engine can be one that plays the person at the panel too.
template <class PortEngine> class CrankLinkFixtureOn : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.Ok());
        UseEngine(&engine);
        UseStation(*station);
        std::ofstream("zan_01.set") << MatchingSetupFile();
        std::ofstream("zan_com.set") << "5\n0\n0\n0\n";
    }
    void TearDown() override {
        crank.Stop();
        UseEngine(nullptr);
    }

    ScopedPortsFolder folder;
    PortEngine engine;
    // The fixture's own station, attached to its engine.
    std::unique_ptr<Station> station = std::make_unique<Station>();
    Station& zan = *station;
    CrankProcess crank;
};

using CrankLinkFixture = CrankLinkFixtureOn<RealPortEngine>;

#endif
