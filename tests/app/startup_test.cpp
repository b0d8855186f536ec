#include "app/callbacks.h"
#include "app/startup.h"
#include "setup/catalogue.h"
#include "tests/support/station_fixture.h"

#include <cmath>

#include <cstring>
#include <tuple>

namespace {
const char* const startupTitle =
    "Orvelta (ZAN_pc Ver -> 1.6 (110126) ) (Setup file -> %s) (Waiting connection ->)";

std::string StartupTitleFor(const std::string& path) {
    char title[2048];
    std::snprintf(title, sizeof title, startupTitle, path.c_str());
    return title;
}

const char* const soundSetup = " 1012.000\n  0.500\n  998.000\n  1.000\n 1003.000\n  0.510\n"
                               " 1001.000\n  1.000\n668.000\n0\n 55.000\n172.500\n"
                               "1234.500\n  0.750\n -0.750\n1\n1\n  0.000\n  0.000\n  0.000\n"
                               "0\n0\n123\n";
} // namespace

class StartupTest : public StationTest {};

// --- Choosing the setup file from the command line ---

TEST_F(StartupTest, ShortCommandLinesChooseTheDefaultSetupFile) {
    for (const char* line : {"", "a", "ab", "abc"}) {
        ResetStation(zan);
        ASSERT_EQ(Start(line), 0);
        EXPECT_STREQ(zan.setup.setupPath, "zan_01.set") << "command line '" << line << "'";
    }
}

TEST_F(StartupTest, CommandLineOfFourCharactersIsTheSetupPath) {
    WriteFile("a.st", soundSetup);
    ASSERT_EQ(Start("a.st"), 0);
    EXPECT_STREQ(zan.setup.setupPath, "a.st");
    EXPECT_FLOAT_EQ(zan.setup.setup.rightForceOffset, 1012.0f);
    EXPECT_EQ(MainTitle(), StartupTitleFor("a.st"));
}

TEST_F(StartupTest, PercentAndQuotesInTheCommandLineAreKeptAsTheyAre) {
    const std::string line = "\"my %s %d %n setup.set\"";
    ASSERT_EQ(Start(line), 0);
    EXPECT_EQ(std::string(zan.setup.setupPath), line);
    EXPECT_EQ(MainTitle(), StartupTitleFor(line));
}

TEST_F(StartupTest, LongestSetupPathFitsAndTheTitleIsCutToItsBuffer) {
    const std::string line(maxSetupPathLength, 'p');
    ASSERT_EQ(Start(line), 0);
    EXPECT_EQ(std::strlen(zan.setup.setupPath), static_cast<std::size_t>(maxSetupPathLength));
    // A title holds at most 255 characters.
    EXPECT_EQ(MainTitle().size(), 255u);
    EXPECT_EQ(MainTitle(), StartupTitleFor(line).substr(0, 255));
}

TEST_F(StartupTest, CommandLineTooLongForASetupPathIsRefusedWithAMessage) {
    const std::string line(10000, 'q');
    EXPECT_EQ(Start(line), -1);
    ASSERT_EQ(engine.popups.size(), 1u);
    EXPECT_NE(engine.popups[0].message.find("10000 characters"), std::string::npos);
    EXPECT_EQ(zan.setup.setupPath[0], '\0');
}

// --- Engine and panels ---

TEST_F(StartupTest, EngineThatCannotStartEndsWithMinusOne) {
    engine.failInit = true;
    EXPECT_EQ(StartAndQuit(""), -1);
}

TEST_F(StartupTest, PanelThatCannotBeLoadedEndsWithMinusOneAndShowsNothing) {
    engine.failLoadPanel = true;
    EXPECT_EQ(StartAndQuit(""), -1);
    EXPECT_EQ(engine.HandleOf(MAIN), -1);
}

// --- Start values and the start-up look ---

TEST_F(StartupTest, CorrectionCoefficientsOutsideTheRangeBecomeZeroNotTheBound) {
    struct Case {
        const char* right;
        const char* left;
        float expectedRight;
        float expectedLeft;
    };
    for (const Case& c : {Case{"0.75", "-0.75", 0.75f, -0.75f}, Case{"0.76", "-0.8", 0.0f, 0.0f},
                          Case{"-0.751", "9", 0.0f, 0.0f}}) {
        ResetStation(zan);
        // The crank's port is there: the box holds the file's lines alone.
        engine.Device("COM1");
        std::string setup;
        for (int line = 1; line <= 23; ++line)
            setup += line == 14   ? std::string(c.right) + "\n"
                     : line == 15 ? std::string(c.left) + "\n"
                                  : "1\n";
        WriteFile("zan_01.set", setup);
        ASSERT_EQ(Start(), 0);
        EXPECT_FLOAT_EQ(zan.setup.setup.rightCorrectionCoeff, c.expectedRight) << c.right;
        EXPECT_FLOAT_EQ(zan.setup.setup.leftCorrectionCoeff, c.expectedLeft) << c.left;
        EXPECT_FLOAT_EQ(Main(MAIN_RIGHT_CORRECTION_COEFF).value, c.expectedRight);
        EXPECT_FLOAT_EQ(Main(MAIN_LEFT_CORRECTION_COEFF).value, c.expectedLeft);
        // The technician learns of every value set to 0 before a save writes it.
        std::vector<std::string> told;
        for (const auto& [side, text, taken] : {std::tuple{"Right", c.right, c.expectedRight},
                                                std::tuple{"Left", c.left, c.expectedLeft}})
            if (taken != std::stof(text))
                told.push_back(std::string(side) + " correction coefficient " + text +
                               " in \"zan_01.set\" is outside -0.75..0.75: 0 is used, and the "
                               "next save writes 0.");
        EXPECT_EQ(Main(MAIN_MESSAGES).lines, told);
    }
}

// --- Setup files the station cannot take ---

TEST_F(StartupTest, SetupFileThatCannotBeReadIsToldAtStartAndKeptAsItIsByZeroAndQuit) {
    struct Case {
        const char* commandLine;
        const char* file; // the file given, as text, a folder or a device
        std::string text;
        const char* problem;
    };
    const std::string junk("\x7f"
                           "ELF\x02\x01\0\0\xff\xfe\n",
                           11);
    for (const Case& c : {Case{"", "zan_01.set", junk, "is not a text file"},
                          Case{"", "zan_01.set", "", "holds no number"},
                          Case{"", "zan_01.set", "gain\nkm\n  x1\n", "holds no number"},
                          Case{"", "zan_01.set", " 1012.0\n  abc\n", "line 2 is not a number"},
                          Case{"", "zan_01.set", "link", "is a link to a file that is not there"},
                          Case{"", "zan_01.set", "folder", "is a folder"},
                          Case{"", "zan_01.set", "device", "is not a regular file"},
                          Case{"junk.set", "junk.set", junk, "is not a text file"},
                          Case{"nothere.set", "", "", "does not exist"}}) {
#ifdef _WIN32
        // Wine and Windows give a test no symbolic link.
        if (c.text == "device" || c.text == "link") continue;
#endif
        ResetStation(zan);
        // The crank's port is there: the box holds the file's lines alone.
        engine.Device("COM1");
        engine.popups.clear();
        std::filesystem::remove_all(folder / "zan_01.set");
        WriteFile("zan_01.set", soundSetup);
        const std::filesystem::path given = folder / c.file;
        if (c.text == "folder" || c.text == "device" || c.text == "link")
            std::filesystem::remove(given);
        if (c.text == "folder")
            std::filesystem::create_directory(given);
        else if (c.text == "device")
            std::filesystem::create_symlink("/dev/null", given);
        else if (c.text == "link")
            // A drive not mounted.
            std::filesystem::create_symlink("unmounted/zan_01.set", given);
        else if (*c.file != '\0')
            WriteFile(c.file, c.text);
        const auto kind = std::filesystem::symlink_status(folder / "zan_01.set").type();
        const std::string before = ReadFile("zan_01.set");

        ASSERT_EQ(Start(c.commandLine), 0);
        const std::string message = std::string("Setup file \"") +
                                    (*c.commandLine != '\0' ? c.commandLine : "zan_01.set") +
                                    "\" " + c.problem +
                                    ": the default calibration is in use, and the file is kept as "
                                    "it is until the setup is saved.";
        ASSERT_EQ(engine.popups.size(), 1u) << message;
        EXPECT_EQ(engine.popups[0].message, message);
        EXPECT_EQ(Main(MAIN_MESSAGES).lines, std::vector<std::string>{message});
        EXPECT_FLOAT_EQ(zan.setup.setup.rightForceGain, 1.0f);
        engine.confirmAnswers.push_back(1);
        ZERO(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
        FINE(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
        EXPECT_EQ(std::filesystem::symlink_status(folder / "zan_01.set").type(), kind) << message;
        EXPECT_EQ(ReadFile("zan_01.set"), before) << message;
        EXPECT_FALSE(std::filesystem::exists(folder / "zan_01.set.bak")) << message;
        EXPECT_FALSE(std::filesystem::exists(folder / "unmounted")) << message;
    }
    // The rider's own save replaces the file, kept as the backup; the quit saves again from then.
    ResetStation(zan);
    ASSERT_EQ(Start("nothere.set"), 0);
    DEF(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_EQ(ReadFile("zan_01.set.bak"), soundSetup);
    SetCtrlVal(zan.setup.mainPanel, MAIN_CRANK_LENGTH, 175.0);
    FINE(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_EQ(ReadLines("zan_01.set").size(), 23u);
    EXPECT_EQ(ReadLines("zan_01.set")[11], "175.000");
}

TEST_F(StartupTest, WarmupStartsOnlyForModesAboveZero) {
    for (const int mode : {-1, 0, 1, 2}) {
        ResetStation(zan);
        WriteFile("zan_com.set", "3\n" + std::to_string(mode) + "\n0\n0\n");
        ASSERT_EQ(Start(), 0);
        EXPECT_EQ(zan.setup.warmupState, mode > 0 ? WarmupState::ToShow : WarmupState::Off)
            << "mode " << mode;
        EXPECT_EQ(zan.setup.warmupLevel, 0);
    }
}

TEST_F(StartupTest, StartUpShowsTheSetupTheTitleAndTheLockedServiceControls) {
    WriteFile("zan_01.set", soundSetup);
    WriteFile("zan_com.set", "7\n1\n0\n1\n");
    ASSERT_EQ(Start(), 0);

    EXPECT_TRUE(engine.Panel(zan.setup.mainPanel).visible);
    EXPECT_FALSE(engine.Panel(zan.setup.warmupPanel).visible);
    EXPECT_EQ(engine.Panel(zan.setup.mainPanel).intAttributes[ATTR_WINDOW_ZOOM], VAL_MAXIMIZE);
    EXPECT_EQ(MainTitle(), StartupTitleFor("zan_01.set"));
    EXPECT_FLOAT_EQ(Main(MAIN_RIGHT_FORCE_OFFSET).value, 1012.0f);
    EXPECT_FLOAT_EQ(Main(MAIN_LEFT_FORCE_GAIN).value, 0.51f);
    EXPECT_FLOAT_EQ(Main(MAIN_TOTAL_KM).value, 1234.5f);
    EXPECT_EQ(Main(MAIN_COM_PORT).value, 7);
    EXPECT_EQ(Main(MAIN_WARMUP_MODE).value, 1);
    EXPECT_EQ(Main(MAIN_PLOT_HR).value, 0);
    EXPECT_EQ(Main(MAIN_PLOT_CADENCE).value, 1);
    EXPECT_EQ(Main(MAIN_SINGLE_SIDE).value, 0);
    EXPECT_EQ(Main(MAIN_SINGLE_SIDE).setCount, 1);

    EXPECT_FALSE(Main(MAIN_CRANK_CADENCE).Visible());
    EXPECT_TRUE(Main(MAIN_COM_PORT).Dimmed());
    EXPECT_TRUE(Main(MAIN_WARMUP_MODE).Dimmed());
    EXPECT_EQ(Main(MAIN_CAL_COVER_1).intAttributes.at(ATTR_ZPLANE_POSITION), 0);
    EXPECT_EQ(Main(MAIN_CAL_COVER_2).intAttributes.at(ATTR_ZPLANE_POSITION), 0);

    EXPECT_FLOAT_EQ(zan.setup.wheelCircumference, 3.1415926f * 668.0f);
    EXPECT_EQ(zan.link.crankPeriodWord, 9999999);
    EXPECT_EQ(zan.link.wheelPeriodWord, 9999999);
    EXPECT_FLOAT_EQ(zan.link.turnPeriod, 60000.0f);
    // No window yet to smooth the first one with.
    EXPECT_TRUE(std::isnan(zan.measure.previousPower));
    EXPECT_EQ(zan.link.frameCounter, 1000);
    EXPECT_DOUBLE_EQ(zan.link.simFrameClock, 100.0);
    EXPECT_EQ(zan.link.turnModeMask, 255);
    for (const float slot : zan.link.periodRing) EXPECT_FLOAT_EQ(slot, 2000.0f);
    EXPECT_TRUE(std::filesystem::is_directory(folder / "dati"));
}

TEST_F(StartupTest, CrankPortOpensAt38400EightNoneOneWithFiveMillisecondTimeOut) {
    engine.Device("COM7");
    WriteFile("zan_com.set", "7\n0\n0\n0\n");
    ASSERT_EQ(Start(), 0);
    const HeadlessPort& port = engine.Port(7);
    EXPECT_TRUE(port.open);
    EXPECT_EQ(port.deviceName, "COM7");
    EXPECT_STREQ(zan.link.comPortName, "COM7");
    EXPECT_EQ(port.baud, 38400);
    EXPECT_EQ(port.parity, 0);
    EXPECT_EQ(port.dataBits, 8);
    EXPECT_EQ(port.stopBits, 1);
    EXPECT_DOUBLE_EQ(port.timeout, 0.005);
}

// A port another station holds, one not the rider's to open, one the machine does not have: the
// rider is told why at start, and the station reads nothing from it.
TEST_F(StartupTest, APortThatWillNotOpenIsToldWithItsReasonAtStartAndGivesNothing) {
    const struct {
        const char* what;
        bool HeadlessDevice::*fault; // nullptr: the port opens; no device at all when missing
        bool missing;
        const char* reason;
    } ports[] = {
        // First, while the test has made no COM7.
        {"missing", nullptr, true, "missing: no such device"},
        {"opens", nullptr, false, nullptr},
        {"busy", &HeadlessDevice::busy, false, "busy: another station or program has it open"},
        {"denied", &HeadlessDevice::denied, false, PortOpenProblem(portOpenDenied)},
    };
    for (const auto& port : ports) {
        SCOPED_TRACE(port.what);
        ResetStation(zan);
        if (!port.missing) {
            engine.Device("COM7").input.assign(36, 0xFF);
            if (port.fault != nullptr) engine.Device("COM7").*port.fault = true;
        }
        WriteFile("zan_com.set", "7\n0\n0\n0\n");
        ASSERT_EQ(Start(), 0);
        EXPECT_EQ(engine.Port(7).open, port.reason == nullptr);
        std::vector<std::string> told;
        if (port.reason != nullptr)
            told.push_back(std::string("COM7 not opened: ") + port.reason +
                           ". Nothing is measured from it.");
        EXPECT_EQ(Main(MAIN_MESSAGES).lines, told);
        if (port.reason == nullptr) continue;
        engine.RunUntil(engine.now + 1.0);
        EXPECT_EQ(zan.link.handshakeFrames, 0);
        if (port.missing) continue;
        EXPECT_EQ(engine.Device("COM7").input.size(), 36u);
        engine.Device("COM7") = HeadlessDevice{};
    }
}

TEST_F(StartupTest, FirstStartWithoutFilesUsesSoundDefaultsAndStillStarts) {
    ASSERT_EQ(Start(), 0);
    EXPECT_EQ(zan.setup.comPort, 1);
    EXPECT_EQ(zan.setup.warmupMode, 0);
    EXPECT_FLOAT_EQ(zan.setup.setup.rightForceGain, 1.0f);
    EXPECT_FLOAT_EQ(zan.setup.setup.leftForceGain, 1.0f);
    EXPECT_FLOAT_EQ(zan.setup.setup.correctionReference, 55.0f);
    EXPECT_FLOAT_EQ(zan.setup.setup.crankLength, 172.5f);
    EXPECT_FLOAT_EQ(zan.setup.setup.wheelDiameter, 668.0f);
    EXPECT_EQ(zan.setup.setup.recordInterval, 1);
    EXPECT_FALSE(engine.Port(1).open);
    EXPECT_TRUE(engine.popups.empty());
}

// --- Quitting ---

TEST_F(StartupTest, QuitSendsThreeQuitBytesClosesThePortAndSavesTheDefaultSetup) {
    WriteFile("other.set", soundSetup);
    WriteFile("zan_com.set", "4\n0\n0\n0\n");
    engine.Device("COM4");
    ASSERT_EQ(StartAndQuit("other.set"), 0);

    EXPECT_EQ(engine.Device("COM4").sent, (std::vector<unsigned char>{52, 52, 52}));
    EXPECT_FALSE(engine.Port(4).open);
    EXPECT_TRUE(engine.Panel(zan.setup.mainPanel).discarded);
    EXPECT_STREQ(zan.setup.setupPath, "zan_01.set");
    const std::vector<std::string> saved = ReadLines("zan_01.set");
    ASSERT_EQ(saved.size(), 23u);
    EXPECT_EQ(saved[0], "1012.000");
    EXPECT_EQ(saved[1], "  0.500");
    EXPECT_EQ(saved[12], "1234.500");
    // No crank reported a serial number: the file keeps the one it had.
    EXPECT_EQ(saved[22], ReadLines("other.set")[22]);
}

TEST_F(StartupTest, QuitWaitsBetweenTheQuitBytes) {
    ASSERT_EQ(Start(), 0);
    const double before = engine.now;
    FINE(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_NEAR(engine.now - before, 0.15, 1e-9);
    EXPECT_TRUE(engine.quitRequested);
}

TEST_F(StartupTest, QuitIgnoresEveryEventButCommit) {
    engine.Device("COM1");
    ASSERT_EQ(Start(), 0);
    FINE(zan.setup.mainPanel, 0, EVENT_LEFT_DOUBLE_CLICK, nullptr, 0, 0);
    FINE(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
    EXPECT_TRUE(engine.Device("COM1").sent.empty());
    EXPECT_FALSE(std::filesystem::exists(folder / "zan_01.set"));
}

TEST_F(StartupTest, EventLoopRunsBothTimersUntilQuit) {
    ASSERT_EQ(StartAndQuit("", 2.0), 0);
    EXPECT_NEAR(engine.now, 2.15, 0.03);
}
