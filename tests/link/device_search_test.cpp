// The device search over the ports among COM1 to COM64 the machine has, and the two link commands,
// on the headless engine's virtual clock: the engine's devices are the machine's ports, and a
// port's open takes the time its device is given, so a whole search runs in milliseconds.
#include "app/callbacks.h"
#include "app/device_search.h"
#include "app/setup_panel.h"
#include "setup/catalogue.h"
#include "setup/setup_file.h"
#include "tests/support/emulated_crank.h"
#include "tests/support/headless_crank.h"
#include "tests/support/station_fixture.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {
std::string SearchLine(int serial, int port) {
    return "Search ZAN sn" + std::to_string(serial) + " on COM" + std::to_string(port) +
           " ... [ESC=>Skip] \n";
}

long Count(const std::vector<unsigned char>& bytes, unsigned char byte) {
    return std::count(bytes.begin(), bytes.end(), byte);
}
} // namespace

class DeviceSearchTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        // The link is on port 7, with the heart-rate plot on.
        WriteFile("zan_com.set", "7\n0\n1\n0\n");
        ASSERT_EQ(Start(), 0);
        ASSERT_EQ(zan.setup.comPort, 7);
    }

    // Every line the message box shows while the search runs, with the virtual time it appeared.
    // The search lets pending events run after each line; this watcher runs among them.
    struct Shown {
        double at;
        std::string line;
    };
    void WatchMessages(double when) {
        engine.At(when, [this] {
            if (!watching) return;
            const std::vector<std::string>& lines = Main(MAIN_MESSAGES).lines;
            const bool appended = lines.size() >= boxSeen.size() &&
                                  std::equal(boxSeen.begin(), boxSeen.end(), lines.begin());
            for (std::size_t i = appended ? boxSeen.size() : 0; i < lines.size(); ++i)
                shown.push_back({engine.now, lines[i]});
            boxSeen = lines;
            timersSuspendedAtEveryLine = timersSuspendedAtEveryLine && engine.suspendedTimers > 0;
            WatchMessages(engine.now + 1e-9);
        });
    }
    void Search(int serial) {
        WatchMessages(engine.now);
        SearchZAN(EngineStation(), serial);
    }
    std::vector<std::string> ShownLines() const {
        std::vector<std::string> lines;
        for (const Shown& entry : shown) lines.push_back(entry.line);
        return lines;
    }
    std::vector<std::string> SearchLines(int serial, int from, int to) const {
        std::vector<std::string> lines;
        for (int port = from; port <= to; ++port) lines.push_back(SearchLine(serial, port));
        return lines;
    }
    static std::vector<std::string> Then(std::vector<std::string> lines,
                                         const std::vector<std::string>& more) {
        lines.insert(lines.end(), more.begin(), more.end());
        return lines;
    }

    std::vector<Shown> shown;
    std::vector<std::string> boxSeen;
    bool timersSuspendedAtEveryLine = true;
    // The watcher looks again a moment after each look until the test lets time run on.
    bool watching = true;
};

// --- Finding the crank ---

TEST_F(DeviceSearchTest, FindsSerialTwelveOnCom5AndKeepsThatPortInTheFileNotInComPort) {
    HeadlessCrank& crank = PlayCrank(engine, "COM5", 12, 2.5);
    Search(12);

    // Each line was painted as it came, with the timers suspended.
    // COM1 to COM4 are not on the machine: no line and no wait for them.
    EXPECT_EQ(ShownLines(), Then(SearchLines(12, 5, 5), {"Found SN012 su COM5"}));
    EXPECT_TRUE(timersSuspendedAtEveryLine);
    EXPECT_EQ(Main(MAIN_MESSAGES).lines,
              (std::vector<std::string>{SearchLine(12, 5), "Found SN012 su COM5"}));
    EXPECT_EQ(Main(MAIN_COM_PORT).value, 5.0);
    EXPECT_EQ(ReadLines("zan_com.set"), (std::vector<std::string>{"5", "0", "1", "0"}));
    // The link stays open on the crank found, under the port number it had.
    EXPECT_EQ(zan.setup.comPort, 7);
    EXPECT_TRUE(engine.Port(7).open);
    EXPECT_EQ(engine.Port(7).deviceName, "COM5");
    EXPECT_EQ(engine.suspendedTimers, 0);
    // The polling ended once the handshake was through: identity on the 51st frame, ':' and ';'
    // sent, 91 frames.
    EXPECT_EQ(zan.link.deviceSerial, 12);
    EXPECT_EQ(crank.framesSent, 91);
    EXPECT_EQ(Count(engine.Device("COM5").sent, ':'), 15);
    EXPECT_EQ(Count(engine.Device("COM5").sent, ';'), 14);
}

TEST_F(DeviceSearchTest, ACrankTooOldToSendItsIdentityIsFoundAsSerialZero) {
    PlayCrank(engine, "COM5", 0, 2.5).sendsIdentity = false;
    Search(0);
    EXPECT_EQ(ShownLines(), Then(SearchLines(0, 5, 5), {"Found SN000 su COM5"}));
    EXPECT_EQ(zan.link.deviceSerial, 0);
}

// Linux's rfcomm port opens at once and connects to the crank in the seconds after: its frames
// come on the crank's own clock, the first 2.5 s after the open, while the search polls.
TEST_F(DeviceSearchTest, ABluetoothPortWhoseCrankConnectsSecondsAfterTheOpenIsFound) {
    EmulatedCrankSettings settings;
    settings.serial = 12;
    EmulatedCrank& crank = PlayEmulatedCrank(engine, "COM5", settings);
    // The search's pause before the open, then the connection.
    crank.startTime = engine.now + 1.0 + 2.5;
    Search(12);

    EXPECT_EQ(ShownLines(), Then(SearchLines(12, 5, 5), {"Found SN012 su COM5"}));
    EXPECT_EQ(zan.link.deviceSerial, 12);
}

TEST_F(DeviceSearchTest, AnOpenAcrossTheTurnOfAMinuteIsTimedWhole) {
    PlayCrank(engine, "COM1", 12, 2.5);
    // The open starts at 09:00:58.6 and ends at 09:01:01.1: the seconds of the time of day
    // would make it last -57 s.
    engine.now = 57.6;
    Search(12);

    EXPECT_EQ(ShownLines(), Then(SearchLines(12, 1, 1), {"Found SN012 su COM1"}));
}

// --- Ports passed over ---

TEST_F(DeviceSearchTest, PortsWhoseOpenFailsQuicklyOrTakesTwentySecondsOrMoreArePassedOver) {
    const double openSeconds[] = {0.0, 0.9, 1.99, 20.0};
    std::vector<HeadlessCrank*> passedOver;
    for (int port = 1; port <= 4; ++port) {
        const std::string name = "COM" + std::to_string(port);
        passedOver.push_back(&PlayCrank(engine, name.c_str(), 12, openSeconds[port - 1]));
        // The quick ones fail; the slow one opens, too late.
        engine.Device(name).failsOpen = port < 4;
    }
    PlayCrank(engine, "COM5", 12, 19.99);
    Search(12);

    EXPECT_EQ(ShownLines(), Then(SearchLines(12, 1, 5), {"Found SN012 su COM5"}));
    for (int port = 1; port <= 4; ++port) {
        EXPECT_EQ(passedOver[port - 1]->framesSent, 0) << port;
        EXPECT_TRUE(engine.Device("COM" + std::to_string(port)).sent.empty()) << port;
    }
}

TEST_F(DeviceSearchTest, APortThatOpensAtOnceIsTriedAsALinuxSerialDeviceIs) {
    PlayCrank(engine, "COM2", 12, 0.0);
    Search(12);
    EXPECT_EQ(ShownLines(), Then(SearchLines(12, 2, 2), {"Found SN012 su COM2"}));
}

TEST_F(DeviceSearchTest, ASlowOpenThatFailsIsStillTriedAsAWindowsBluetoothPortIs) {
    engine.Device("COM1").openSeconds = 5.0;
    engine.Device("COM1").failsOpen = true;
    PlayCrank(engine, "COM2", 12, 0.0);
    Search(12);
    EXPECT_EQ(ShownLines(),
              Then(SearchLines(12, 1, 1),
                   {"SN error (sn9999<>sn012 on COM1)", SearchLine(12, 2), "Found SN012 su COM2"}));
}

// Another station reads the crank sought on COM3, or COM3 is not the rider's to open, or its
// device has gone since the machine listed it: the search names the reason, reads nothing from
// it, and finds the crank that is free.
TEST_F(DeviceSearchTest, APortThatWillNotOpenIsNamedWithItsReasonAndPassedOverForTwoSeconds) {
    const struct {
        bool HeadlessDevice::*fault;
        const char* reason;
    } faults[] = {
        {&HeadlessDevice::busy, "busy: another station or program has it open"},
        {&HeadlessDevice::denied, PortOpenProblem(portOpenDenied)},
        {&HeadlessDevice::gone, "missing: no such device"},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.reason);
        HeadlessCrank& held = PlayCrank(engine, "COM3", 12, 2.5);
        engine.Device("COM3").*fault.fault = true;
        PlayCrank(engine, "COM5", 12, 2.5);
        shown.clear();
        boxSeen.clear();
        Search(12);

        const std::string faultLine =
            std::string("COM3 not opened: ") + fault.reason + ". Nothing is measured from it.";
        EXPECT_EQ(ShownLines(),
                  Then(SearchLines(12, 3, 3),
                       Then({faultLine}, Then(SearchLines(12, 5, 5), {"Found SN012 su COM5"}))));
        EXPECT_EQ(held.framesSent, 0);
        EXPECT_TRUE(engine.Device("COM3").sent.empty());
        const auto told = std::find_if(shown.begin(), shown.end(),
                                       [&](const Shown& entry) { return entry.line == faultLine; });
        ASSERT_NE(told, shown.end());
        EXPECT_DOUBLE_EQ((told + 1)->at - told->at, 2.0);
        EXPECT_EQ(ReadLines("zan_com.set"), (std::vector<std::string>{"5", "0", "1", "0"}));
        engine.Device("COM3") = HeadlessDevice{};
    }
}

// A machine without a single port, or whose ports have no crank: the search ends (at once when
// there is nothing to try) and its last line says no crank was found and where it looked.
TEST_F(DeviceSearchTest, WithNoCrankAnywhereTheSearchEndsSayingWhereItLooked) {
    const struct {
        std::vector<int> ports;
        std::string last;
    } machines[] = {
        {{}, "No crank sn12 found: no COM port here (looked for the test's devices)."},
        {{3, 9}, "No crank sn12 found on COM3, COM9 (looked for the test's devices)."},
    };
    for (const auto& machine : machines) {
        SCOPED_TRACE(machine.last);
        // Ports out of reach: each open fails at once.
        for (int port : machine.ports) engine.Device("COM" + std::to_string(port)).failsOpen = true;
        Main(MAIN_COM_PORT).value = 7.0;
        InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, "a line from before");
        shown.clear();
        boxSeen.clear();
        const double start = engine.now;
        Search(12);

        std::vector<std::string> expected;
        for (int port : machine.ports) expected.push_back(SearchLine(12, port));
        expected.push_back(machine.last);
        EXPECT_EQ(ShownLines(), expected);
        EXPECT_EQ(Main(MAIN_MESSAGES).lines.back(), machine.last);
        // One second's pause before each open of a port the machine has, and nothing else: with
        // no port at all the search is over at once.
        EXPECT_DOUBLE_EQ(engine.now - start, static_cast<double>(machine.ports.size()));
        EXPECT_EQ(Main(MAIN_COM_PORT).value, 7.0);
        EXPECT_EQ(ReadLines("zan_com.set"), (std::vector<std::string>{"7", "0", "1", "0"}));
        EXPECT_EQ(zan.setup.comPort, 7);
        EXPECT_EQ(engine.suspendedTimers, 0);
    }
}

// --- Another crank, or none that answers ---

TEST_F(DeviceSearchTest, AnotherCranksNumberShowsTheSnErrorLineForTwoSecondsAndTheSearchGoesOn) {
    PlayCrank(engine, "COM3", 34, 2.5);
    PlayCrank(engine, "COM5", 12, 2.5);
    Search(12);

    EXPECT_EQ(ShownLines(), Then(SearchLines(12, 3, 3),
                                 Then({"SN error (sn034<>sn012 on COM3)"},
                                      Then(SearchLines(12, 5, 5), {"Found SN012 su COM5"}))));
    const auto error = std::find_if(shown.begin(), shown.end(), [](const Shown& entry) {
        return entry.line.rfind("SN error", 0) == 0;
    });
    ASSERT_NE(error, shown.end());
    EXPECT_DOUBLE_EQ((error + 1)->at - error->at, 2.0);
}

TEST_F(DeviceSearchTest, ACandidateThatNeverIdentifiesShows9999AndTheKnownSerialIsKept) {
    // A crank identified itself earlier in this run.
    zan.link.crankIdentified = 1;
    zan.link.deviceSerial = 123;
    // COM63 stops after 30 frames, before its identity; COM64 sends nothing at all.
    PlayCrank(engine, "COM63", 12, 2.5).framesLeft = 30;
    engine.Device("COM64").openSeconds = 3.0;
    Search(12);

    EXPECT_EQ(ShownLines(),
              (std::vector<std::string>{
                  SearchLine(12, 63), "SN error (sn9999<>sn012 on COM63)", SearchLine(12, 64),
                  "SN error (sn9999<>sn012 on COM64)",
                  "No crank sn12 found on COM63, COM64 (looked for the test's devices)."}));
    // The silent COM64 is polled for some seconds, not for ever: after the pause, its 3 s open
    // and the second before the polling, 8 s of polling.
    ASSERT_GE(shown.size(), 3u);
    EXPECT_NEAR(shown[shown.size() - 2].at - shown[shown.size() - 3].at, 1.0 + 3.0 + 1.0 + 8.0,
                0.01);
    // The placeholder is no crank's number: the next save keeps the one the station knew.
    EXPECT_EQ(zan.link.deviceSerial, 123);
    ASSERT_EQ(SavePar(EngineStation(), "zan_01.set"), 0);
    EXPECT_EQ(ReadLines("zan_01.set").at(22), "123");
}

// --- Escape ---

TEST_F(DeviceSearchTest, EscapeHeldWhenCom3ComesUpEndsTheSearchBeforeCom3IsOpened) {
    engine.Device("COM2").failsOpen = true;
    HeadlessCrank& crank3 = PlayCrank(engine, "COM3", 12, 2.5);
    engine.escapeKey = [this] {
        return Main(MAIN_MESSAGES).lines.front().find("COM3") != std::string::npos;
    };
    Search(12);

    EXPECT_EQ(ShownLines(),
              Then(SearchLines(12, 2, 3), {"SEARCH terminata da comando [ESC=>Skip]"}));
    EXPECT_EQ(
        Main(MAIN_MESSAGES).lines,
        (std::vector<std::string>{SearchLine(12, 3), "SEARCH terminata da comando [ESC=>Skip]"}));
    // Closed, and COM3 never opened.
    EXPECT_FALSE(engine.Port(7).open);
    EXPECT_TRUE(engine.Device("COM3").sent.empty());
    EXPECT_EQ(crank3.framesSent, 0);
    EXPECT_EQ(engine.suspendedTimers, 0);
}

// --- Reconnect and the dialog request ---

TEST_F(DeviceSearchTest, OnlineReopensThePortShownWithoutANewHandshake) {
    engine.Device("COM3");
    Main(MAIN_COM_PORT).value = 3.0;
    zan.link.handshakeFrames = 100;
    zan.link.ticksSinceFrame = 400;
    SetCtrlVal(zan.setup.mainPanel, MAIN_LINK_LED, 0);
    const double start = engine.now;
    ONLINE(zan.setup.mainPanel, MAIN_LINK_LED, EVENT_COMMIT, nullptr, 0, 0);

    EXPECT_EQ(zan.setup.comPort, 3);
    // The port reopens a second later on the engine's clock; the press itself returns at once.
    EXPECT_DOUBLE_EQ(engine.now, start);
    engine.timersRunning = false;
    engine.RunUntil(start + 0.999);
    EXPECT_FALSE(engine.Port(3).open);
    engine.RunUntil(start + 1.0);
    const HeadlessPort& port = engine.Port(3);
    EXPECT_TRUE(port.open);
    EXPECT_EQ(port.deviceName, "COM3");
    EXPECT_EQ(port.baud, 38400);
    EXPECT_EQ(port.parity, 0);
    EXPECT_EQ(port.dataBits, 8);
    EXPECT_EQ(port.stopBits, 1);
    EXPECT_DOUBLE_EQ(port.timeout, 0.005);
    EXPECT_EQ(Main(MAIN_LINK_LED).value, 1.0);
    EXPECT_EQ(zan.link.ticksSinceFrame, 0);
    EXPECT_EQ(zan.link.handshakeFrames, 100);
    EXPECT_EQ(ReadLines("zan_com.set"), (std::vector<std::string>{"7", "0", "1", "0"}));
}

TEST_F(DeviceSearchTest, AfterASearchReconnectMovesTheLinkToTheFoundPortsNumber) {
    PlayCrank(engine, "COM5", 12, 2.5);
    Search(12);
    ASSERT_TRUE(engine.Port(7).open);
    ONLINE(zan.setup.mainPanel, MAIN_LINK_LED, EVENT_COMMIT, nullptr, 0, 0);
    watching = false;
    engine.timersRunning = false;
    engine.RunUntil(engine.now + 1.0);

    EXPECT_EQ(zan.setup.comPort, 5);
    EXPECT_TRUE(engine.Port(5).open);
    EXPECT_EQ(engine.Port(5).deviceName, "COM5");
    // The old number no longer holds the device.
    EXPECT_FALSE(engine.Port(7).open);
}

TEST_F(DeviceSearchTest, OnlineAndSrchActOnCommitOnly) {
    Main(MAIN_COM_PORT).value = 3.0;
    ONLINE(zan.setup.mainPanel, MAIN_LINK_LED, EVENT_LEFT_DOUBLE_CLICK, nullptr, 0, 0);
    EXPECT_EQ(zan.setup.comPort, 7);
    zan.app.linkDialogOff = 1;
    SRCH(zan.setup.mainPanel, 0, EVENT_LEFT_DOUBLE_CLICK, nullptr, 0, 0);
    EXPECT_EQ(zan.app.linkCheckNow, 0);
    EXPECT_EQ(zan.app.linkDialogOff, 1);
    SRCH(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(zan.app.linkCheckNow, 1);
    EXPECT_EQ(zan.app.linkDialogOff, 0);
}
