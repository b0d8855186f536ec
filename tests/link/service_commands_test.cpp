#include "app/callbacks.h"
#include "app/link_timer.h"
#include "link/frame_reader.h"
#include "setup/catalogue.h"
#include "tests/support/frames.h"
#include "tests/support/station_fixture.h"

#include <functional>
#include <string>
#include <vector>

namespace {
// The headless engine, noting the virtual time at which each byte went to the crank, and able to
// look at the panel the moment a popup opens.
class StampingEngine : public HeadlessEngine {
  public:
    std::vector<double> sentAt;
    std::function<void()> onPopup;

    int ComWrtByte(int port, int byte) override {
        sentAt.push_back(now);
        return HeadlessEngine::ComWrtByte(port, byte);
    }
    int GenericMessagePopup(const char* title, const char* message, const char* button1,
                            const char* button2, const char* button3, char* response,
                            int maxResponseLength) override {
        if (onPopup) onPopup();
        return HeadlessEngine::GenericMessagePopup(title, message, button1, button2, button3,
                                                   response, maxResponseLength);
    }
};

constexpr double tolerance = 1e-9;
} // namespace

class ServiceCommandsTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        // The station runs on the stamping engine rather than the fixture's own.
        UseEngine(&stamped);
        UseStation(*station);
        stamped.Device("COM1");
        ASSERT_EQ(Start(), 0);
        // Past the identity handshake: the reader itself sends nothing more.
        zan.link.handshakeFrames = 100;
        start = stamped.now;
    }

    HeadlessControl& Control(int number) { return stamped.Control(zan.setup.mainPanel, number); }
    std::vector<unsigned char>& Sent() { return stamped.Device("COM1").sent; }
    void Press(CtrlCallbackPtr callback, int control, int value, int event = EVENT_COMMIT) {
        SetCtrlVal(zan.setup.mainPanel, control, value);
        callback(zan.setup.mainPanel, control, event, nullptr, 0, 0);
    }
    void ReadFrames(int count) {
        auto& input = stamped.Device("COM1").input;
        for (int i = 0; i < count; ++i) {
            const std::vector<unsigned char> frame = MakeFrame({});
            input.insert(input.end(), frame.begin(), frame.end());
        }
        ReadZAN(EngineStation());
    }
    // Each byte at its time since the command began.
    void ExpectSentAt(const std::vector<unsigned char>& bytes, const std::vector<double>& times) {
        EXPECT_EQ(Sent(), bytes);
        ASSERT_EQ(stamped.sentAt.size(), times.size());
        for (std::size_t i = 0; i < times.size(); ++i)
            EXPECT_NEAR(stamped.sentAt[i] - start, times[i], tolerance) << "byte " << i;
    }

    StampingEngine stamped;
    double start = 0.0;
};

// --- Marker-only revolutions and debug mode ---

TEST_F(ServiceCommandsTest, CadiOnSendsThreeSevensTwentyMillisecondsApart) {
    Press(CADI, MAIN_CADI, 1);
    ExpectSentAt({'7', '7', '7'}, {0.0, 0.02, 0.04});
    EXPECT_NEAR(stamped.now - start, 0.06, tolerance);
    EXPECT_EQ(zan.link.turnModeMask, 1);
}

TEST_F(ServiceCommandsTest, CadiLeavesOnlyTheMarkerMethodsAndOffRestoresTheSetupOne) {
    for (const auto& [detection, markerOnly] : {std::pair{2, 0}, std::pair{3, 1}}) {
        zan.setup.setup.turnDetection = detection;
        Press(CADI, MAIN_CADI, 1);
        ReadFrames(1);
        EXPECT_EQ(zan.link.turnMode, markerOnly) << "detection " << detection;
        Sent().clear();
        const double off = stamped.now;
        Press(CADI, MAIN_CADI, 0);
        ReadFrames(1);
        EXPECT_EQ(zan.link.turnMode, detection);
        EXPECT_EQ(zan.link.turnModeMask, 255);
        EXPECT_TRUE(Sent().empty()) << "switching off sends nothing";
        EXPECT_EQ(stamped.now, off);
    }
}

TEST_F(ServiceCommandsTest, DebuOnSendsThreeEightsTwentyMillisecondsApart) {
    Press(DEBU, MAIN_DEBU, 1);
    ExpectSentAt({'8', '8', '8'}, {0.0, 0.02, 0.04});
    EXPECT_NEAR(stamped.now - start, 0.06, tolerance);
    EXPECT_EQ(zan.link.turnModeMask, 255);
}

TEST_F(ServiceCommandsTest, DebuOffSendsNothingAndDoesNotWait) {
    Press(DEBU, MAIN_DEBU, 0);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(stamped.now, start);
}

TEST_F(ServiceCommandsTest, SwitchesActOnCommitOnly) {
    Press(CADI, MAIN_CADI, 1, EVENT_LEFT_DOUBLE_CLICK);
    Press(DEBU, MAIN_DEBU, 1, EVENT_LEFT_DOUBLE_CLICK);
    Press(SERIAL, MAIN_SERIAL, 1, EVENT_LEFT_DOUBLE_CLICK);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(zan.link.turnModeMask, 255);
    EXPECT_TRUE(stamped.popups.empty());
    EXPECT_EQ(Control(MAIN_SERIAL).value, 1.0);
}

// --- Serial-number programming ---

struct SerialCase {
    const char* typed;
    std::vector<unsigned char> bytes;
};

class SerialProgrammingTest : public ServiceCommandsTest,
                              public ::testing::WithParamInterface<SerialCase> {};

TEST_P(SerialProgrammingTest, DigitsGoOutHalfASecondApartAndTheMessageNamesTheNumber) {
    const SerialCase& entry = GetParam();
    zan.setup.setup.serialNumber = 321;
    zan.link.deviceSerial = 321;
    stamped.Control(zan.setup.mainPanel, MAIN_MESSAGES).lines = {"an earlier message"};
    double switchAtPopup = -1.0;
    stamped.onPopup = [&] { switchAtPopup = Control(MAIN_SERIAL).value; };
    stamped.genericAnswers.push_back({1, entry.typed});

    Press(SERIAL, MAIN_SERIAL, 1);

    EXPECT_EQ(switchAtPopup, 0.0) << "the switch is off before the popup asks";
    EXPECT_EQ(Control(MAIN_SERIAL).value, 0.0);
    ASSERT_EQ(stamped.popups.size(), 1u);
    EXPECT_EQ(stamped.popups[0].title, "Serializzazione pedivella ...");
    EXPECT_EQ(stamped.popups[0].message, "Inserire Serial Number XXX");
    ExpectSentAt(entry.bytes, {0.0, 0.5, 1.0, 1.5, 2.0});
    EXPECT_NEAR(stamped.now - start, 2.5, tolerance);
    EXPECT_EQ(Control(MAIN_MESSAGES).lines,
              std::vector<std::string>{"VER_SOFTWARE : 1  & SN : " + std::string(entry.typed) +
                                       " ... REGISTRATI ... \n"});
    // The new number is the crank's until the next handshake reads it.
    EXPECT_EQ(zan.setup.setup.serialNumber, 321);
    EXPECT_EQ(zan.link.deviceSerial, 321);
    EXPECT_EQ(zan.link.handshakeFrames, 100);
}

INSTANTIATE_TEST_SUITE_P(Numbers, SerialProgrammingTest,
                         ::testing::Values(SerialCase{"123", {0x51, 0x62, 0x73, 0x81, 0x39}},
                                           SerialCase{"7", {0x50, 0x60, 0x77, 0x81, 0x39}},
                                           SerialCase{"45", {0x50, 0x64, 0x75, 0x81, 0x39}},
                                           SerialCase{"007", {0x50, 0x60, 0x77, 0x81, 0x39}},
                                           SerialCase{"999", {0x59, 0x69, 0x79, 0x81, 0x39}},
                                           SerialCase{"0", {0x50, 0x60, 0x70, 0x81, 0x39}},
                                           SerialCase{" 45", {0x50, 0x64, 0x75, 0x81, 0x39}}),
                         [](const ::testing::TestParamInfo<SerialCase>& info) {
                             std::string name = "typed_";
                             for (const char* at = info.param.typed; *at != '\0'; ++at)
                                 name += *at == ' ' ? std::string("blank") : std::string(1, *at);
                             return name;
                         });

TEST_F(ServiceCommandsTest, SkipSendsNothingAndRestartsTheHandshake) {
    stamped.genericAnswers.push_back({2, "456"});
    Press(SERIAL, MAIN_SERIAL, 1);
    EXPECT_EQ(Control(MAIN_SERIAL).value, 0.0);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(zan.link.handshakeFrames, 0);
    EXPECT_TRUE(Control(MAIN_MESSAGES).lines.empty());
    // The next frames each ask the crank for its identity, fifteen in all.
    ReadFrames(20);
    EXPECT_EQ(Sent(), std::vector<unsigned char>(15, ':'));
}

TEST_F(ServiceCommandsTest, ResponseThatIsNotASerialNumberProgramsNothing) {
    for (const char* typed : {"", "abc", "-5", "4a", "1 2", "+12", "  "}) {
        Sent().clear();
        stamped.genericAnswers.push_back({1, typed});
        Press(SERIAL, MAIN_SERIAL, 1);
        EXPECT_EQ(Control(MAIN_SERIAL).value, 0.0) << '"' << typed << '"';
        EXPECT_TRUE(Sent().empty()) << '"' << typed << '"';
        EXPECT_EQ(zan.link.handshakeFrames, 100);
        EXPECT_EQ(Control(MAIN_MESSAGES).lines,
                  std::vector<std::string>{"SN : \"" + std::string(typed) +
                                           "\" is not a serial number 0..999 ... nothing sent to "
                                           "the crank\n"});
    }
    EXPECT_EQ(stamped.now, start);
}

TEST_F(ServiceCommandsTest, PopupThatFailedProgramsNothingAndKeepsTheHandshake) {
    for (const int button : {0, -1}) {
        stamped.genericAnswers.push_back({button, "123"});
        Press(SERIAL, MAIN_SERIAL, 1);
        EXPECT_EQ(Control(MAIN_SERIAL).value, 0.0);
        EXPECT_TRUE(Sent().empty()) << button;
        EXPECT_EQ(zan.link.handshakeFrames, 100) << button;
        EXPECT_TRUE(Control(MAIN_MESSAGES).lines.empty()) << button;
    }
}
