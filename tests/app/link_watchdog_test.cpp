// The serial-number warning and the link watchdog of the display tick, with a crank on COM1 of the
// headless engine. The frame reader is called as the link timer would call it, once per tick.
#include "app/callbacks.h"
#include "app/link_timer.h"
#include "app/link_watchdog.h"
#include "app/setup_panel.h"
#include "link/frame_reader.h"
#include "link/link_control.h"
#include "record/session_file.h"
#include "setup/catalogue.h"
#include "setup/setup_file.h"
#include "tests/support/emulated_crank.h"
#include "tests/support/headless_crank.h"
#include "tests/support/session_rows.h"
#include "tests/support/station_fixture.h"

#include <algorithm>
#include <array>
#include <climits>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {
const char* const notConnectedMessage =
    "ZAN non connesso !\n\nControllare :\n\n-Accensione sistema ZAN\n-Porta COM\n"
    "-Pairing con Bluetooth (5296)\n\nPremere spia ONLINE/RECONNECT per Riconnettere ...\n\n"
    "Inserire SN ---> Search ZAN ...\nPer versioni SW<1.0 inserire 000";
const char* const serialWarningMessage =
    "Setup file & CRANK with different SERIAL NUMBER !!!\n\n"
    "READINGS could be wrong !!!\n\n\nOverwrite SN on FILE ???";

constexpr GenericAnswer reconnect{1, ""};
constexpr GenericAnswer skip{2, ""};
GenericAnswer SearchFor(const char* typed) {
    return {3, typed};
}

int SecondOfDay(const std::string& time) {
    return std::stoi(time.substr(0, 2)) * 3600 + std::stoi(time.substr(3, 2)) * 60 +
           std::stoi(time.substr(6, 2));
}

// Rows a second apart by their time of day: none twice, none left out.
::testing::AssertionResult ARowEverySecond(const SessionRows& session) {
    for (std::size_t i = 1; i < session.rows.size(); ++i) {
        const int step = SecondOfDay(session.rows[i].at(SessionCell::Time)) -
                         SecondOfDay(session.rows[i - 1].at(SessionCell::Time));
        if (step != 1)
            return ::testing::AssertionFailure()
                   << "row " << i << " comes " << step << " s after the one before";
    }
    return ::testing::AssertionSuccess();
}
} // namespace

class LinkWatchdogTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        WriteFile("zan_01.set", MatchingSetupFile());
        crank = &PlayCrank(engine, "COM1", crankSerial);
        ASSERT_EQ(Start(), 0);
        ASSERT_EQ(zan.setup.setup.serialNumber, 123);
    }
    void Tick(int count = 1) {
        for (int i = 0; i < count; ++i)
            DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
    }
    void Press(CtrlCallbackPtr callback, int control) {
        callback(zan.setup.mainPanel, control, EVENT_COMMIT, nullptr, 0, 0);
    }
    // Link-timer ticks while the crank streams, one frame each.
    void Frames(int ticks) {
        crank->framesLeft = -1;
        for (int i = 0; i < ticks; ++i) ReadZAN(EngineStation());
    }
    // Link-timer ticks while the crank says nothing.
    void Silence(int ticks) {
        crank->framesLeft = 0;
        for (int i = 0; i < ticks; ++i) ReadZAN(EngineStation());
    }
    long PopupCount(const std::string& kind) const {
        return std::count_if(engine.popups.begin(), engine.popups.end(),
                             [&](const PopupRecord& popup) { return popup.kind == kind; });
    }
    double LinkLamp() { return Main(MAIN_LINK_LED).value; }
    void StartSession() {
        std::filesystem::create_directory(folder / "ride");
        engine.dirAnswers.push_back((folder / "ride").string());
        Press(SAVE, 0);
        ASSERT_EQ(zan.record.sessionActive, 1);
    }

    int crankSerial = 123;
    HeadlessCrank* crank = nullptr;
};

// A crank that tells another serial number, on the timers of the engine's virtual clock.
class SerialQuestionTest : public LinkWatchdogTest {
  protected:
    void SetUp() override {
        crankSerial = 45;
        LinkWatchdogTest::SetUp();
    }
};

// A crank that tells another serial number than the setup file's.
class OtherCrankTest : public LinkWatchdogTest {
  protected:
    void SetUp() override {
        crankSerial = 45;
        LinkWatchdogTest::SetUp();
        // The identity comes with the 51st frame.
        Frames(60);
        ASSERT_EQ(zan.link.serialMismatch, 1);
    }
};

// --- When the link counts as lost ---

TEST_F(LinkWatchdogTest, HundredTicksWithoutAFrameAreNotALoss) {
    Frames(1);
    Silence(100);
    Tick();
    EXPECT_EQ(PopupCount("generic"), 0);
    EXPECT_EQ(LinkLamp(), 1.0);
}

TEST_F(LinkWatchdogTest, TheHundredAndFirstTickWithoutAFrameIsALossAndBringsTheDialog) {
    Frames(1);
    Silence(101);
    engine.genericAnswers = {skip};
    Tick();
    ASSERT_EQ(PopupCount("generic"), 1);
    EXPECT_EQ(engine.popups.back().title, "Attenzione !!!");
    EXPECT_EQ(engine.popups.back().message, notConnectedMessage);
    EXPECT_EQ(LinkLamp(), 0.0);
}

TEST_F(LinkWatchdogTest, AfterSkipALossOnlyPutsTheLampOutAndFramesLightItAgain) {
    Silence(101);
    engine.genericAnswers = {skip};
    Tick();
    EXPECT_EQ(zan.app.linkDialogOff, 1);
    EXPECT_EQ(zan.link.ticksSinceFrame, 0);
    Silence(101);
    Tick(3);
    EXPECT_EQ(PopupCount("generic"), 1);
    EXPECT_EQ(LinkLamp(), 0.0);
    Frames(1);
    Tick();
    EXPECT_EQ(LinkLamp(), 1.0);
}

TEST_F(LinkWatchdogTest, SrchBringsTheDialogAtTheNextTickEvenWhileFramesArrive) {
    Silence(101);
    engine.genericAnswers = {skip, skip};
    Tick();
    Frames(5);
    Press(SRCH, 0);
    Tick();
    EXPECT_EQ(PopupCount("generic"), 2);
    EXPECT_EQ(LinkLamp(), 0.0);
    EXPECT_EQ(zan.app.linkCheckNow, 0);
    // Answered once; the frames keep it away.
    Frames(5);
    Tick();
    EXPECT_EQ(PopupCount("generic"), 2);
    EXPECT_EQ(LinkLamp(), 1.0);
}

// --- The hold ---

TEST_F(LinkWatchdogTest, WhileTheDisplayIsHeldNoDialogComesAndTheLampKeepsItsState) {
    Frames(1);
    Tick();
    ASSERT_EQ(LinkLamp(), 1.0);
    Press(HOLD, MAIN_HOLD);
    Silence(500);
    Tick(3);
    EXPECT_EQ(PopupCount("generic"), 0);
    EXPECT_EQ(LinkLamp(), 1.0);
    Press(HOLD, MAIN_HOLD);
    engine.genericAnswers = {skip};
    Tick();
    EXPECT_EQ(PopupCount("generic"), 1);
    EXPECT_EQ(LinkLamp(), 0.0);
}

TEST_F(OtherCrankTest, TheSerialWarningStillComesWhileTheDisplayIsHeld) {
    Press(HOLD, MAIN_HOLD);
    Tick();
    EXPECT_EQ(PopupCount("confirm"), 1);
}

// --- The dialog's buttons ---

TEST_F(LinkWatchdogTest, ReconnectReopensThePortShownWithoutANewHandshake) {
    Frames(100);
    ASSERT_EQ(zan.link.handshakeFrames, 100);
    HeadlessCrank& moved = PlayCrank(engine, "COM3", 123);
    Main(MAIN_COM_PORT).value = 3.0;
    Silence(101);
    engine.genericAnswers = {reconnect};
    Tick();
    engine.timersRunning = false;
    engine.RunUntil(engine.now + 1.0);

    EXPECT_EQ(LinkLamp(), 1.0);
    EXPECT_EQ(zan.setup.comPort, 3);
    EXPECT_TRUE(engine.Port(3).open);
    EXPECT_EQ(engine.Port(3).deviceName, "COM3");
    EXPECT_FALSE(engine.Port(1).open);
    EXPECT_EQ(zan.link.ticksSinceFrame, 0);
    for (int i = 0; i < 10; ++i) ReadZAN(EngineStation());
    EXPECT_EQ(moved.framesSent, 10);
    EXPECT_TRUE(engine.Device("COM3").sent.empty());
    EXPECT_EQ(zan.link.handshakeFrames, 100);
}

TEST_F(LinkWatchdogTest, SearchZanOpensTheBluetoothSettingsThenFindsTheTypedSerial) {
    HeadlessCrank& found = PlayCrank(engine, "COM5", 12, 2.5);
    Silence(101);
    engine.genericAnswers = {SearchFor("012")};
    Tick();

    EXPECT_EQ(engine.bluetoothLaunches, 1);
    EXPECT_EQ(Main(MAIN_MESSAGES).lines,
              (std::vector<std::string>{"Search ZAN sn12 on COM5 ... [ESC=>Skip] \n",
                                        "Found SN012 su COM5"}));
    EXPECT_EQ(Main(MAIN_COM_PORT).value, 5.0);
    EXPECT_EQ(ReadLines("zan_com.set").at(0), "5");
    EXPECT_EQ(zan.setup.comPort, 1);
    EXPECT_EQ(engine.suspendedTimers, 0);
    // After a search a loss no longer asks.
    EXPECT_EQ(zan.app.linkDialogOff, 1);
    found.framesLeft = 0;
    Silence(200);
    Tick();
    EXPECT_EQ(LinkLamp(), 0.0);
    EXPECT_EQ(PopupCount("generic"), 1);
}

TEST_F(LinkWatchdogTest, AnEmptyResponseSearchesForSerialZero) {
    PlayCrank(engine, "COM2", 0, 2.5);
    Silence(101);
    engine.genericAnswers = {SearchFor("")};
    Tick();
    EXPECT_EQ(Main(MAIN_MESSAGES).lines,
              (std::vector<std::string>{"Search ZAN sn0 on COM2 ... [ESC=>Skip] \n",
                                        "Found SN000 su COM2"}));
}

TEST_F(LinkWatchdogTest, EscapeEndsTheWaitForSettingsThatNeverCloseWithTheTimersSuspended) {
    engine.bluetoothSettingsPolls = INT_MAX;
    Silence(101);
    engine.genericAnswers = {SearchFor("12")};
    const double start = engine.now;
    bool suspendedWhileWaiting = true;
    // Escape is held a tenth of a second after the settings opened, and let go soon after.
    engine.escapeKey = [&] {
        suspendedWhileWaiting = suspendedWhileWaiting && engine.suspendedTimers > 0;
        return engine.now >= start + 0.1 && engine.now < start + 0.5;
    };
    Tick();

    EXPECT_TRUE(suspendedWhileWaiting);
    EXPECT_EQ(engine.suspendedTimers, 0);
    // The search ran through the machine's one port after the wait, silent now, and said so.
    EXPECT_EQ(Main(MAIN_MESSAGES).lines,
              (std::vector<std::string>{
                  "Search ZAN sn12 on COM1 ... [ESC=>Skip] \n", "SN error (sn9999<>sn012 on COM1)",
                  "No crank sn12 found on COM1 (looked for the test's devices)."}));
}

// --- The serial-number warning ---

TEST_F(OtherCrankTest, AnsweredNoTheNextSaveKeepsTheFilesSerialNumber) {
    engine.confirmAnswers = {0};
    Tick();
    ASSERT_EQ(PopupCount("confirm"), 1);
    EXPECT_EQ(engine.popups.back().title, "WARNING !!!");
    EXPECT_EQ(engine.popups.back().message, serialWarningMessage);
    EXPECT_EQ(zan.link.serialMismatch, 0);
    ASSERT_EQ(SavePar(EngineStation(), "zan_01.set"), 0);
    EXPECT_EQ(ReadLines("zan_01.set").at(22), "123");
}

TEST_F(OtherCrankTest, AnsweredYesTheNextSaveWritesTheCranksSerialNumber) {
    engine.confirmAnswers = {1};
    Tick();
    EXPECT_EQ(zan.link.serialMismatch, 0);
    ASSERT_EQ(SavePar(EngineStation(), "zan_01.set"), 0);
    EXPECT_EQ(ReadLines("zan_01.set").at(22), "45");
}

TEST_F(SerialQuestionTest, FramesAndRowsGoOnWhileTheQuestionWaitsAndYesThenTakesTheCranksNumber) {
    StartSession();
    engine.confirmOpenSeconds = {20.0};
    engine.confirmAnswers = {1};
    engine.RunUntil(30.0);
    ASSERT_EQ(PopupCount("confirm"), 1);
    EXPECT_GT(crank->framesSent, 1450);
    Press(SAVE, 0);
    const SessionRows session = ReadSessionRows(zan.record.sessionPath);
    EXPECT_TRUE(RowsNumberedWithoutGap(session));
    EXPECT_GE(session.rows.size(), 29u);
    EXPECT_TRUE(ARowEverySecond(session));
    ASSERT_EQ(SavePar(EngineStation(), "zan_01.set"), 0);
    EXPECT_EQ(ReadLines("zan_01.set").at(22), "45");
}

TEST_F(SerialQuestionTest, AQuitWhileTheQuestionWaitsKeepsTheFilesNumber) {
    engine.confirmOpenSeconds = {60.0};
    engine.confirmAnswers = {1};
    engine.At(10.0, [this] { Press(FINE, 0); });
    engine.RunUntil(30.0);
    ASSERT_TRUE(engine.quitRequested);
    EXPECT_EQ(PopupCount("confirm"), 1);
    EXPECT_EQ(ReadLines("zan_01.set").at(22), "123");
}

// --- The reconnect's pause ---

TEST_F(LinkWatchdogTest, TenReconnectsLoseNoRowAndTheReopenComesASecondLater) {
    StartSession();
    std::vector<double> stillClosed;
    for (int i = 0; i < 10; ++i) {
        const double at = 3.3 + 3.0 * i;
        engine.At(at, [this] { Press(ONLINE, MAIN_LINK_LED); });
        engine.At(at + 0.99, [this, &stillClosed] {
            if (!engine.Port(1).open) stillClosed.push_back(engine.now);
        });
    }
    engine.RunUntil(40.0);
    EXPECT_EQ(stillClosed.size(), 10u) << "the port stays closed for its second";
    EXPECT_TRUE(engine.Port(1).open);
    EXPECT_FALSE(LinkLost(EngineStation().link));
    Press(SAVE, 0);
    const SessionRows session = ReadSessionRows(zan.record.sessionPath);
    EXPECT_TRUE(RowsNumberedWithoutGap(session));
    EXPECT_GE(session.rows.size(), 39u);
    EXPECT_TRUE(ARowEverySecond(session));
}

// --- Identity frames through a bad link ---

struct IdentityStream {
    double corruptShare; // of the crank's bytes; 1: nothing but random bytes at the link's rate
    unsigned long long seed;
};

class CorruptedIdentityTest : public LinkWatchdogTest,
                              public ::testing::WithParamInterface<IdentityStream> {
  protected:
    void SetUp() override {
        LinkWatchdogTest::SetUp();
        const IdentityStream& stream = GetParam();
        // The station is started; its port is now fed by the stream under test instead.
        crank->framesLeft = 0;
        HeadlessDevice& device = engine.Device("COM1");
        device.feed = nullptr;
        if (stream.corruptShare < 1.0) {
            EmulatedCrankSettings settings;
            settings.corruptShare = stream.corruptShare;
            settings.seed = stream.seed;
            PlayEmulatedCrank(engine, "COM1", settings);
            return;
        }
        auto noise = std::make_shared<std::mt19937_64>(stream.seed);
        device.feed = [this, noise, sent = 0LL](HeadlessDevice& port) mutable {
            // 38400 baud, ten bits a byte.
            for (const auto due = static_cast<long long>(engine.now * 3840.0); sent < due; ++sent)
                port.input.push_back(static_cast<unsigned char>((*noise)() & 0xFF));
        };
    }
};

TEST_P(CorruptedIdentityTest, NoQuestionNoFalseTitleAndRowsAllAlong) {
    StartSession();
    engine.confirmOpenSeconds = {60.0};
    engine.RunUntil(20.0);
    EXPECT_EQ(PopupCount("confirm"), 0);
    // The crank is named through the corruption; random bytes name none.
    const bool crank = GetParam().corruptShare < 1.0;
    EXPECT_NE(MainTitle().find(crank ? "SN_123 )" : "Waiting connection"), std::string::npos)
        << MainTitle();
    EXPECT_EQ(zan.link.crankIdentified, crank ? 1 : 0);
    Press(SAVE, 0);
    const SessionRows session = ReadSessionRows(zan.record.sessionPath);
    EXPECT_GE(session.rows.size(), 18u);
    EXPECT_TRUE(ARowEverySecond(session));
}

std::vector<IdentityStream> IdentityStreams() {
    std::vector<IdentityStream> streams;
    for (const double share : {0.02, 0.05, 0.10})
        for (unsigned long long seed = 1; seed <= 10; ++seed) streams.push_back({share, seed});
    for (unsigned long long seed = 1; seed <= 3; ++seed) streams.push_back({1.0, seed});
    return streams;
}

INSTANTIATE_TEST_SUITE_P(Starts, CorruptedIdentityTest, ::testing::ValuesIn(IdentityStreams()),
                         [](const auto& info) {
                             const IdentityStream& stream = info.param;
                             const std::string kind =
                                 stream.corruptShare < 1.0
                                     ? "corrupt" + std::to_string(static_cast<int>(
                                                       stream.corruptShare * 100.0 + 0.5))
                                     : std::string("random");
                             return kind + "_seed" + std::to_string(stream.seed);
                         });

// --- Dialogs under an engine that runs ticks while they wait ---

// Runs a display tick inside each dialog, as an engine whose timers go on under a modal dialog
// does, and keeps what the not-connected dialog was given.
class TickingDialogEngine : public HeadlessEngine {
  public:
    int ConfirmPopup(const char* title, const char* message) override {
        TickOnce();
        return HeadlessEngine::ConfirmPopup(title, message);
    }
    int GenericMessagePopup(const char* title, const char* message, const char* button1,
                            const char* button2, const char* button3, char* response,
                            int maxResponseLength) override {
        buttons = {button1, button2, button3};
        responseLength = maxResponseLength;
        TickOnce();
        return HeadlessEngine::GenericMessagePopup(title, message, button1, button2, button3,
                                                   response, maxResponseLength);
    }
    std::array<std::string, 3> buttons;
    int responseLength = 0;

  private:
    // One tick under the first dialog, so a second dialog cannot recurse without end.
    void TickOnce() {
        Station& zan = EngineStation();
        if (ticked) return;
        ticked = true;
        DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
    }
    bool ticked = false;
};

class TickingDialogTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        UseEngine(&ticking);
        UseStation(*station);
        ASSERT_EQ(Start(), 0);
    }
    long PopupCount(const std::string& kind) const {
        return std::count_if(ticking.popups.begin(), ticking.popups.end(),
                             [&](const PopupRecord& popup) { return popup.kind == kind; });
    }
    TickingDialogEngine ticking;
};

TEST_F(TickingDialogTest, TheDialogOffersReconnectSkipAndSearchZanWithAThreeCharacterField) {
    zan.link.ticksSinceFrame = 101;
    ticking.genericAnswers = {skip};
    DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
    EXPECT_EQ(ticking.buttons, (std::array<std::string, 3>{"Reconnect", "Skip", "Search ZAN"}));
    EXPECT_EQ(ticking.responseLength, 3);
}

TEST_F(TickingDialogTest, ATickWhileTheDialogWaitsDoesNotOpenASecondOne) {
    zan.link.ticksSinceFrame = 101;
    ticking.genericAnswers = {skip, skip};
    DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
    EXPECT_EQ(PopupCount("generic"), 1);
}

TEST_F(TickingDialogTest, ATickWhileTheWarningWaitsDoesNotAskAgain) {
    zan.link.serialMismatch = 1;
    ticking.confirmAnswers = {1, 1};
    DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
    EXPECT_EQ(PopupCount("confirm"), 1);
}

// --- A lost link's values ---

TEST_F(LinkWatchdogTest, ALostLinkShowsAndRecordsNoCrankValuesAndKeepsThemOutOfTheAverages) {
    Frames(200);
    std::filesystem::create_directory(folder / "ride");
    engine.dirAnswers.push_back((folder / "ride").string());
    Press(SAVE, 0);
    ASSERT_EQ(zan.record.sessionActive, 1);
    // Rows only where the test writes them.
    zan.setup.setup.recordInterval = 1000;
    // A crank pedalling at 60 rpm with 150 W, as the last window left it.
    zan.measure.powerUnmeasured = false;
    zan.link.turnPeriod = 1000.0f;
    zan.measure.powerLeft = zan.measure.powerRight = 75.0f;
    zan.measure.powerTotal = 150.0f;
    Tick();
    EXPECT_DOUBLE_EQ(Main(MAIN_CADENCE).value, 60.0);
    SaveRowNow(zan);

    engine.genericAnswers = {skip};
    Silence(101);
    Tick();
    for (const int control : {MAIN_POWER_TOTAL, MAIN_CADENCE, MAIN_SPEED, MAIN_HEART_RATE,
                              MAIN_RIGHT_FORCE, MAIN_LEFT_FORCE, MAIN_BALANCE_LEFT})
        EXPECT_DOUBLE_EQ(Main(control).value, 0.0) << control;
    EXPECT_EQ(Main(MAIN_LINK_LED).value, 0);
    SaveRowNow(zan);
    SaveRowNow(zan);
    EXPECT_FLOAT_EQ(zan.record.sessionPowerAverage, 150.0f);

    Press(SAVE, 0);
    const SessionRows session = ReadSessionRows(zan.record.sessionPath);
    ASSERT_EQ(session.rows.size(), 3u);
    EXPECT_TRUE(RowsNumberedWithoutGap(session));
    EXPECT_EQ(session.rows[0][SessionCell::PowerTotal], "150.0");
    for (std::size_t row = 1; row < 3; ++row)
        for (const std::size_t column :
             {SessionCell::HeartRate, SessionCell::Cadence, SessionCell::Speed,
              SessionCell::PowerTotal, SessionCell::TorqueTotal})
            EXPECT_EQ(std::stod(session.rows[row][column]), 0.0) << row << " " << column;
}

TEST_F(LinkWatchdogTest, RowsGoOnWhileTheDialogWaitsAndFramesComingBackCloseIt) {
    std::filesystem::create_directory(folder / "ride");
    engine.dirAnswers.push_back((folder / "ride").string());
    engine.RunUntil(5.0);
    Press(SAVE, 0);
    ASSERT_EQ(zan.record.sessionActive, 1);
    // The crank falls silent for 10 s; nobody answers the dialog within a minute.
    engine.At(10.0, [this] { crank->framesLeft = 0; });
    engine.At(20.0, [this] { crank->framesLeft = -1; });
    engine.genericAnswers = {{skip.button, "", 60.0}};
    engine.RunUntil(30.0);
    EXPECT_EQ(PopupCount("generic"), 1);
    EXPECT_EQ(zan.app.linkDialogOpen, 0);
    EXPECT_EQ(zan.app.linkDialogOff, 0); // closed by the frames, not skipped
    EXPECT_EQ(Main(MAIN_LINK_LED).value, 1);
    EXPECT_FALSE(LinkLost(EngineStation().link));
    Press(SAVE, 0);
    const SessionRows session = ReadSessionRows(zan.record.sessionPath);
    EXPECT_TRUE(RowsNumberedWithoutGap(session));
    // A row a second from 5 s to 30 s, the dialog's ten seconds included.
    EXPECT_GE(session.rows.size(), 24u);
}
