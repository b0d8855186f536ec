// Serial-number programming through the panel, with the crank emulator at the other end of a
// pseudo-terminal.
#ifndef _WIN32

#include "app/callbacks.h"
#include "app/startup.h"
#include "app/station.h"
#include "link/frame_reader.h"
#include "setup/catalogue.h"
#include "tests/support/crank_link_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {
void PressSerial() {
    Station& zan = EngineStation();
    SetCtrlVal(zan.setup.mainPanel, MAIN_SERIAL, 1);
    SERIAL(zan.setup.mainPanel, MAIN_SERIAL, EVENT_COMMIT, nullptr, 0, 0);
}
} // namespace

class ServiceLinkTest : public CrankLinkFixture {};

TEST_F(ServiceLinkTest, ProgrammedSerialNumberIsReadAtTheNextHandshakeAndRaisesTheWarning) {
    ASSERT_TRUE(crank.Start(5, {"--serial", "123", "--version", "4"}));
    ASSERT_EQ(StartStation(EngineStation(), nullptr, ""), 0);
    ASSERT_TRUE(ReadUntil([&] { return zan.link.handshakeFrames >= 65; }, 10.0));
    EXPECT_EQ(zan.link.deviceSerial, 123);
    EXPECT_EQ(zan.link.serialMismatch, 0);

    // Programming: OK with 456, then SKIP so the identity is asked for again.
    engine.genericAnswers.push_back({1, "456"});
    engine.genericAnswers.push_back({2, ""});
    const int framesBefore = zan.link.handshakeFrames;
    PressSerial();
    EXPECT_EQ(zan.link.deviceSerial, 123) << "the station learns the number only from the crank";
    EXPECT_EQ(zan.link.handshakeFrames, framesBefore) << "programming alone starts no handshake";
    PressSerial();
    EXPECT_EQ(zan.link.handshakeFrames, 0);

    ASSERT_TRUE(ReadUntil([&] { return zan.link.handshakeFrames > 50; }, 10.0));
    EXPECT_EQ(zan.link.deviceSerial, 456);
    EXPECT_EQ(zan.link.deviceVersion, 4);
    EXPECT_EQ(zan.link.serialMismatch, 1);
    EXPECT_EQ(zan.setup.setup.serialNumber, 123);
    EXPECT_EQ(engine.Panel(zan.setup.mainPanel).Title(),
              "Orvelta (ZAN_pc Ver -> 1.6 (110126) ) (Setup file -> zan_01.set) "
              "( Connected to ZAN -> SW_04  SN_456 )");
    EXPECT_EQ(engine.Control(zan.setup.mainPanel, MAIN_MESSAGES).lines,
              std::vector<std::string>{"VER_SOFTWARE : 1  & SN : 456 ... REGISTRATI ... \n"});
}

#endif
