// The station's frame reader on the real serial layer, with the crank emulator at the other end
// of a pseudo-terminal.
#ifndef _WIN32

#include "app/startup.h"
#include "app/station.h"
#include "link/frame_reader.h"
#include "setup/catalogue.h"
#include "tests/support/crank_link_fixture.h"

#include <gtest/gtest.h>

class CrankLinkTest : public CrankLinkFixture {};

TEST_F(CrankLinkTest, StationIdentifiesTheCrankAndMeasuresWhatItWasToldToPedal) {
    ASSERT_TRUE(crank.Start(5, {"--cadence", "90", "--right-force", "300", "--left-force", "200",
                                "--serial", "123", "--version", "4", "--speed", "30", "--hr", "135",
                                "--battery", "80"}));
    ASSERT_EQ(StartStation(EngineStation(), nullptr, ""), 0);
    ReadUntil([] { return false; }, 11.0);

    EXPECT_EQ(zan.link.deviceSerial, 123);
    EXPECT_EQ(zan.link.deviceVersion, 4);
    EXPECT_EQ(zan.link.serialMismatch, 0);
    EXPECT_EQ(engine.Panel(zan.setup.mainPanel).Title(),
              "Orvelta (ZAN_pc Ver -> 1.6 (110126) ) (Setup file -> zan_01.set) "
              "( Connected to ZAN -> SW_04  SN_123 )");
    EXPECT_NEAR(60000.0 / zan.link.turnPeriod, 90.0, 1.5);
    // Each pedal pushes peak × sin on its downstroke and pulls a tenth of that on the upstroke:
    // a mean force of 0.9 × peak / π over the revolution.
    const double period = 60000.0 / 90.0;
    const double rightPower = 6.2831853 * 0.9 * 300.0 / 3.1415926 * 172.5 / period;
    const double leftPower = 6.2831853 * 0.9 * 200.0 / 3.1415926 * 172.5 / period;
    EXPECT_NEAR(zan.measure.powerRight, rightPower, 0.05 * rightPower);
    EXPECT_NEAR(zan.measure.powerLeft, leftPower, 0.05 * leftPower);
    EXPECT_NEAR(zan.measure.powerTotal, rightPower + leftPower, 0.05 * (rightPower + leftPower));
    EXPECT_EQ(zan.link.heartRateWord, 270);
    EXPECT_EQ(zan.link.batteryByte, 154);
    EXPECT_NEAR(3.6 * 2096.0 / (zan.link.wheelPeriodWord / 2.0), 30.0, 0.5);
}

#endif
