// The station's frame reader on the real serial layer, with the crank emulator at the other end
// of a pseudo-terminal.
#ifndef _WIN32

#include "app/startup.h"
#include "app/station.h"
#include "link/frame_reader.h"
#include "setup/catalogue.h"
#include "tests/support/crank_process.h"
#include "tests/support/pty_pair.h"
#include "tests/support/real_port_engine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace {
// The emulator's defaults: raw counts 1000 at zero force, 0.5 N per count, 0.4 auxiliary counts
// per newton, a 2096 mm wheel.
void WriteMatchingSetup() {
    std::ofstream setup("zan_01.set");
    for (const char* line : {"1000",   "0.5", "1000", "137.5", "1000", "0.5", "1000", "137.5",
                             "667.18", "0",   "55",   "172.5", "0",    "0",   "0",    "1",
                             "1",      "0",   "0",    "0",     "0",    "0",   "123"})
        setup << line << "\n";
    std::ofstream ports("zan_com.set");
    ports << "5\n0\n0\n0\n";
}

// Polls the frame reader the way the link timer does, for the given real time.
void ReadFor(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        ReadZAN();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}
} // namespace

class CrankLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.Ok());
        ResetStation();
        UseEngine(&engine);
        WriteMatchingSetup();
    }
    void TearDown() override {
        crank.Stop();
        UseEngine(nullptr);
    }
    ScopedPortsFolder folder;
    RealPortEngine engine;
    CrankProcess crank;
};

TEST_F(CrankLinkTest, StationIdentifiesTheCrankAndMeasuresWhatItWasToldToPedal) {
    ASSERT_TRUE(crank.Start(5, {"--cadence", "90", "--right-force", "300", "--left-force", "200",
                                "--serial", "123", "--version", "4", "--speed", "30", "--hr", "135",
                                "--battery", "80"}));
    ASSERT_EQ(StartStation(nullptr, ""), 0);
    ReadFor(11.0);

    EXPECT_EQ(zan.deviceSerial, 123);
    EXPECT_EQ(zan.deviceVersion, 4);
    EXPECT_EQ(zan.serialMismatch, 0);
    EXPECT_EQ(engine.Panel(zan.mainPanel).Title(),
              "Orvelta (ZAN_pc Ver -> 1.6 (110126) ) (Setup file -> zan_01.set) "
              "( Connected to ZAN -> SW_04  SN_123 )");
    EXPECT_NEAR(60000.0 / zan.turnPeriod, 90.0, 1.5);
    // Each pedal pushes peak × sin on its downstroke and pulls a tenth of that on the upstroke:
    // a mean force of 0.9 × peak / π over the revolution.
    const double period = 60000.0 / 90.0;
    const double rightPower = 6.2831853 * 0.9 * 300.0 / 3.1415926 * 172.5 / period;
    const double leftPower = 6.2831853 * 0.9 * 200.0 / 3.1415926 * 172.5 / period;
    EXPECT_NEAR(zan.powerRight, rightPower, 0.05 * rightPower);
    EXPECT_NEAR(zan.powerLeft, leftPower, 0.05 * leftPower);
    EXPECT_NEAR(zan.powerTotal, rightPower + leftPower, 0.05 * (rightPower + leftPower));
    EXPECT_EQ(zan.heartRateWord, 270);
    EXPECT_EQ(zan.batteryByte, 154);
    EXPECT_NEAR(3.6 * 2096.0 / (zan.wheelPeriodWord / 2.0), 30.0, 0.5);
}

#endif
