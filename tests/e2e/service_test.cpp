// Serial-number programming through the panel, with the crank emulator at the other end of a
// pseudo-terminal.
#ifndef _WIN32

#include "app/callbacks.h"
#include "app/startup.h"
#include "app/station.h"
#include "link/frame_reader.h"
#include "setup/catalogue.h"
#include "tests/support/crank_link_fixture.h"
#include "tests/support/emulated_crank.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
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

namespace {
// The emulator hangs its mass on the right pedal for a phase, then after a phase with nothing on,
// on the left, and so on. The technician answers each page once the crank is ready for its step:
// this engine waits, in real time, for the emulator's phase, lets the frames sent meanwhile go,
// then answers.
constexpr double loadPhase = 8.0;

class TechnicianEngine : public RealPortEngine {
  public:
    std::chrono::steady_clock::time_point crankStart;
    int port = 5;
    std::string lastPage;

    int ConfirmPopup(const char* title, const char* message) override {
        RealPortEngine::ConfirmPopup(title, message);
        if (std::strstr(message, "nothing on it") != nullptr) ReadyFor(-1);
        if (std::strstr(message, "Keep the new values?") != nullptr) lastPage = message;
        return 1;
    }
    int GenericMessagePopup(const char*, const char* message, const char*, const char*, const char*,
                            char* response, int) override {
        ReadyFor(std::strncmp(message, "Left", 4) == 0 ? 1 : 0);
        std::strcpy(response, "30");
        return 1;
    }

  private:
    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - crankStart).count();
    }
    // -1: a phase with nothing on and time left for a step of 3 s; 0 or 1: the right or left
    // mass's phase with time left for a step of 6 s.
    void ReadyFor(int pedal) {
        for (int phase = 0;; ++phase) {
            const bool loaded = phase % 2 == 1;
            if (loaded != (pedal >= 0) || (loaded && (phase / 2) % 2 != pedal)) continue;
            const double begins = phase * loadPhase + 0.5;
            const double latest = (phase + 1) * loadPhase - (loaded ? 6.5 : 3.5);
            if (Seconds() > latest) continue;
            while (Seconds() < begins) std::this_thread::sleep_for(std::chrono::milliseconds(20));
            break;
        }
        unsigned char stale[4096];
        while (GetInQLen(port) > 0) ComRdBlock(port, stale, sizeof stale);
    }
};

class CalibrationWalkTest : public CrankLinkFixtureOn<TechnicianEngine> {};
} // namespace

TEST_F(CalibrationWalkTest, BothPedalsCalibratedWithTheEmulatorsMassGetTheGainsItWasSetWith) {
    engine.crankStart = std::chrono::steady_clock::now();
    ASSERT_TRUE(crank.Start(5, {"--static-load", "30:right", "--static-load", "30:left",
                                "--load-phase", "8", "--gain", "0.55"}));
    ASSERT_EQ(StartStation(EngineStation(), nullptr, ""), 0);
    ASSERT_TRUE(ReadUntil([&] { return zan.link.handshakeFrames >= 65; }, 10.0));
    SetCtrlVal(zan.setup.mainPanel, MAIN_ACCESS_CODE, 6868);
    PWD(zan.setup.mainPanel, MAIN_ACCESS_CODE, EVENT_COMMIT, nullptr, 0, 0);

    CALM(zan.setup.mainPanel, MAIN_CALIBRATE_MASS, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_TRUE(ReadUntil([&] { return !engine.lastPage.empty(); }, 50.0));
    EXPECT_NE(engine.lastPage.find("Right pedal: offset 1000.0 -> 1000.0 counts; gain 0.50000 -> "
                                   "0.55"),
              std::string::npos)
        << engine.lastPage;
    EXPECT_NEAR(zan.setup.setup.rightForceGain, 0.55, 0.55 * 0.005);
    EXPECT_NEAR(zan.setup.setup.leftForceGain, 0.55, 0.55 * 0.005);
    EXPECT_NEAR(zan.setup.setup.rightForceOffset, 1000.0, 1.0);
    EXPECT_NEAR(zan.setup.setup.leftForceOffset, 1000.0, 1.0);
    // Kept through the safe save: the file before it is the backup.
    std::ifstream saved("zan_01.set");
    std::string offset;
    std::string gain;
    std::getline(saved, offset);
    std::getline(saved, gain);
    EXPECT_NEAR(std::stod(gain), 0.55, 0.55 * 0.005);
    std::ifstream kept("zan_01.set.bak");
    std::getline(kept, offset);
    std::getline(kept, gain);
    EXPECT_EQ(gain, "0.5");
}

#endif
