// Serial-number programming through the panel, with the crank emulator at the other end of a
// pseudo-terminal.
#ifndef _WIN32

#include "app/callbacks.h"
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
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {
// A setup file written for the crank with serial number 123 (line 23), on port 6.
void WriteSetupFor123() {
    std::ofstream setup("zan_01.set");
    for (const char* line : {"1000",   "0.5", "1000", "137.5", "1000", "0.5", "1000", "137.5",
                             "667.18", "0",   "55",   "172.5", "0",    "0",   "0",    "1",
                             "1",      "0",   "0",    "0",     "0",    "0",   "123"})
        setup << line << "\n";
    std::ofstream ports("zan_com.set");
    ports << "6\n0\n0\n0\n";
}

// Polls the frame reader as the link timer does until the condition holds, for at most the
// given real time; the handshake takes some 51 frames, about a second of the crank's stream.
bool ReadUntil(const std::function<bool()>& done, double limitSeconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(limitSeconds);
    while (std::chrono::steady_clock::now() < end) {
        ReadZAN();
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void PressSerial() {
    SetCtrlVal(zan.mainPanel, MAIN_SERIAL, 1);
    SERIAL(zan.mainPanel, MAIN_SERIAL, EVENT_COMMIT, nullptr, 0, 0);
}
} // namespace

class ServiceLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.Ok());
        ResetStation();
        UseEngine(&engine);
        WriteSetupFor123();
    }
    void TearDown() override {
        crank.Stop();
        UseEngine(nullptr);
    }
    ScopedPortsFolder folder;
    RealPortEngine engine;
    CrankProcess crank;
};

TEST_F(ServiceLinkTest, ProgrammedSerialNumberIsReadAtTheNextHandshakeAndRaisesTheWarning) {
    ASSERT_TRUE(crank.Start(6, {"--serial", "123", "--version", "4"}));
    ASSERT_EQ(StartStation(nullptr, ""), 0);
    ASSERT_TRUE(ReadUntil([] { return zan.handshakeFrames >= 65; }, 10.0));
    EXPECT_EQ(zan.deviceSerial, 123);
    EXPECT_EQ(zan.serialMismatch, 0);

    // Programming: OK with 456, then SKIP so the identity is asked for again.
    engine.genericAnswers.push_back({1, "456"});
    engine.genericAnswers.push_back({2, ""});
    const int framesBefore = zan.handshakeFrames;
    PressSerial();
    EXPECT_EQ(zan.deviceSerial, 123) << "the station learns the number only from the crank";
    EXPECT_EQ(zan.handshakeFrames, framesBefore) << "programming alone starts no handshake";
    PressSerial();
    EXPECT_EQ(zan.handshakeFrames, 0);

    ASSERT_TRUE(ReadUntil([] { return zan.handshakeFrames > 50; }, 10.0));
    EXPECT_EQ(zan.deviceSerial, 456);
    EXPECT_EQ(zan.deviceVersion, 4);
    EXPECT_EQ(zan.serialMismatch, 1);
    EXPECT_EQ(zan.setup.serialNumber, 123);
    EXPECT_EQ(engine.Panel(zan.mainPanel).Title(),
              "Orvelta (ZAN_pc Ver -> 1.6 (110126) ) (Setup file -> zan_01.set) "
              "( Connected to ZAN -> SW_04  SN_456 )");
    EXPECT_EQ(engine.Control(zan.mainPanel, MAIN_MESSAGES).lines,
              std::vector<std::string>{"VER_SOFTWARE : 1  & SN : 456 ... REGISTRATI ... \n"});
}

#endif
