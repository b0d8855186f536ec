// The link watchdog on the real serial layer, with the crank emulator at the other end of a
// pseudo-terminal: the crank's link drops, the watchdog notices, and the dialog's Reconnect
// brings the frames back.
#ifndef _WIN32

#include "app/callbacks.h"
#include "app/startup.h"
#include "app/station.h"
#include "setup/catalogue.h"
#include "tests/support/crank_link_fixture.h"

#include <gtest/gtest.h>

class LinkSupervisionTest : public CrankLinkFixture {
  protected:
    void Tick() { DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0); }
    double LinkLamp() { return engine.Control(zan.setup.mainPanel, MAIN_LINK_LED).value; }
};

TEST_F(LinkSupervisionTest, ALinkThatDropsBringsTheDialogAndReconnectBringsTheFramesBack) {
    ASSERT_TRUE(crank.Start(5, {"--drop-link-after", "2"}));
    ASSERT_EQ(StartStation(EngineStation(), nullptr, ""), 0);
    ASSERT_TRUE(ReadUntil([&] { return zan.link.handshakeFrames > 65; }, 10.0));
    EXPECT_EQ(zan.link.deviceSerial, 123);
    Tick();
    EXPECT_EQ(LinkLamp(), 1.0);
    EXPECT_TRUE(engine.popups.empty());

    // The crank's link drops: 101 link ticks later the watchdog finds it lost.
    ASSERT_TRUE(ReadUntil([&] { return zan.link.ticksSinceFrame > 100; }, 10.0));
    engine.genericAnswers = {{2, ""}};
    Tick();
    ASSERT_EQ(engine.popups.size(), 1u);
    EXPECT_EQ(engine.popups[0].title, "Attenzione !!!");
    EXPECT_EQ(LinkLamp(), 0.0);

    // Skipped, the link stays down: the crank does not come back by itself.
    const int framesWhileDown = zan.link.frameCounter;
    ReadUntil([] { return false; }, 0.5);
    EXPECT_EQ(zan.link.frameCounter, framesWhileDown);

    // Asked for again, the dialog's Reconnect reopens the port and the frames flow.
    SRCH(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
    engine.genericAnswers = {{1, ""}};
    Tick();
    ASSERT_EQ(engine.popups.size(), 2u);
    // The port reopens once the engine's clock has gone on by a second.
    engine.timersRunning = false;
    engine.RunUntil(engine.now + 1.0);
    EXPECT_TRUE(ReadUntil([&] { return zan.link.frameCounter > framesWhileDown + 50; }, 10.0));
    Tick();
    EXPECT_EQ(LinkLamp(), 1.0);
    EXPECT_EQ(engine.popups.size(), 2u);
    // No second handshake: the crank is known.
    EXPECT_EQ(zan.link.handshakeFrames, 100);
}

#endif
