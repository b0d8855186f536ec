#include "app/callbacks.h"
#include "app/setup_panel.h"
#include "setup/catalogue.h"
#include "setup/setup_file.h"
#include "tests/support/station_fixture.h"

#include <algorithm>
#include <regex>

namespace {
std::string LinesOf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

std::string SetupWith(int lineNumber, const std::string& value) {
    std::vector<std::string> lines(23, "0");
    lines[static_cast<std::size_t>(lineNumber - 1)] = value;
    return LinesOf(lines);
}

int Press(CtrlCallbackPtr callback) {
    Station& zan = EngineStation();
    return callback(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
}

// The dated backups of the file beside it, oldest first.
std::vector<std::filesystem::path> DatedBackups(const std::filesystem::path& file) {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path()))
        if (IsDatedBackupOf(entry.path().filename().string().c_str(),
                            file.filename().string().c_str()))
            found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    return found;
}
} // namespace

class SetupFileTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        ASSERT_EQ(Start(), 0);
        engine.popups.clear();
    }
};

// --- Format and round trip ---

TEST_F(SetupFileTest, SavedFileHasTwentyThreeLinesInTheirFormats) {
    zan.link.crankIdentified = 1;
    zan.link.deviceSerial = 123;
    SetCtrlVal(zan.setup.mainPanel, MAIN_RIGHT_FORCE_GAIN, 1.5);
    SetCtrlVal(zan.setup.mainPanel, MAIN_SIMULATION, 2);
    SetCtrlVal(zan.setup.mainPanel, MAIN_TOTAL_KM, -12.25);
    SetCtrlVal(zan.setup.mainPanel, MAIN_TURN_DETECTION, 3);
    ASSERT_EQ(SavePar(EngineStation(), "out.set"), 0);
    const std::vector<std::string> lines = ReadLines("out.set");
    ASSERT_EQ(lines.size(), 23u);
    EXPECT_EQ(lines[1], "  1.500");
    EXPECT_EQ(lines[9], "2");
    EXPECT_EQ(lines[12], "-12.250");
    EXPECT_EQ(lines[17], "  0.000"); // reserved values are written back
    EXPECT_EQ(lines[21], "3");
    EXPECT_EQ(lines[22], "123"); // stamped with the connected crank
    EXPECT_FALSE(std::filesystem::exists(folder / "out.set.new"));
}

TEST_F(SetupFileTest, RoundTripGivesBackEveryValueToThreeDecimals) {
    const int controls[] = {
        MAIN_RIGHT_FORCE_OFFSET,     MAIN_RIGHT_AUX_OFFSET,     MAIN_LEFT_FORCE_OFFSET,
        MAIN_LEFT_AUX_OFFSET,        MAIN_RIGHT_FORCE_GAIN,     MAIN_RIGHT_RATIO_SCALE,
        MAIN_LEFT_FORCE_GAIN,        MAIN_LEFT_RATIO_SCALE,     MAIN_WHEEL_DIAMETER,
        MAIN_CORRECTION_REFERENCE,   MAIN_CRANK_LENGTH,         MAIN_TOTAL_KM,
        MAIN_RIGHT_CORRECTION_COEFF, MAIN_LEFT_CORRECTION_COEFF};
    std::vector<double> written;
    double value = 1.23456;
    for (const int control : controls) {
        SetCtrlVal(zan.setup.mainPanel, control, value);
        written.push_back(Main(control).value);
        value = value * -3.1 + 0.0172;
    }
    SetCtrlVal(zan.setup.mainPanel, MAIN_RECORD_INTERVAL, 5);
    SetCtrlVal(zan.setup.mainPanel, MAIN_RESERVED_FLAG, 9);
    ASSERT_EQ(SavePar(EngineStation(), "trip.set"), 0);

    for (const int control : controls) SetCtrlVal(zan.setup.mainPanel, control, 77.0);
    ASSERT_EQ(LoadPar(EngineStation(), "trip.set"), 0);
    for (std::size_t i = 0; i < written.size(); ++i)
        EXPECT_NEAR(Main(controls[i]).value, written[i], 5e-4) << "control " << controls[i];
    EXPECT_FLOAT_EQ(zan.setup.setup.totalKm, static_cast<float>(Main(MAIN_TOTAL_KM).value));
    EXPECT_FLOAT_EQ(zan.setup.setup.leftAuxOffset,
                    static_cast<float>(Main(MAIN_LEFT_AUX_OFFSET).value));
    EXPECT_EQ(zan.setup.setup.recordInterval, 5);
    EXPECT_EQ(Main(MAIN_RESERVED_FLAG).value, 9);
}

TEST_F(SetupFileTest, EveryValueTheFieldShowsReadsBackAsShownAndOrdinaryValuesKeepTheirFormat) {
    struct Case {
        double value;
        const char* line;
    };
    // Ordinary values as ever; those whose "%7.3f" line does not read back in its first 10
    // characters, or reads as 0, in the shortest exponent form that does.
    for (const Case& c :
         {Case{1.0, "  1.000"}, Case{668.0, "668.000"}, Case{172.5, "172.500"},
          Case{1234.567, "1234.567"}, Case{-12.25, "-12.250"}, Case{0.0, "  0.000"},
          Case{1234567.0, "1234567.000"}, Case{123456792.0, "123456792.000"}, Case{1e10, "1e10"},
          Case{12345678901.0, "12345679e3"}, Case{-98765432109.0, "-9876543e4"},
          Case{3.4028235e38, "3.403e38"}, Case{-3.4028235e38, "-3.403e38"}, Case{1.5e-5, "1.5e-5"},
          Case{-0.0004, "-4e-4"}}) {
        SetCtrlVal(zan.setup.mainPanel, MAIN_TOTAL_KM, c.value);
        const double shown = Main(MAIN_TOTAL_KM).value;
        ASSERT_EQ(SavePar(EngineStation(), "trip.set"), 0);
        EXPECT_EQ(ReadLines("trip.set")[12], c.line) << c.value;
        SetCtrlVal(zan.setup.mainPanel, MAIN_TOTAL_KM, 77.0);
        ASSERT_EQ(LoadPar(EngineStation(), "trip.set"), 0);
        EXPECT_EQ(Main(MAIN_TOTAL_KM).value, shown) << c.value;
    }
}

TEST_F(SetupFileTest, EverySaveKeepsTheFileItReplacesAsTheBackupOrDoesNotSave) {
    WriteFile("zan_01.set", SetupWith(12, "170.000"));
    ASSERT_EQ(SavePar(EngineStation(), "zan_01.set"), 0);
    EXPECT_EQ(ReadFile("zan_01.set.bak"), SetupWith(12, "170.000"));
    const std::string first = ReadFile("zan_01.set");
    SetCtrlVal(zan.setup.mainPanel, MAIN_CRANK_LENGTH, 180.0);
    ASSERT_EQ(SavePar(EngineStation(), "zan_01.set"), 0);
    EXPECT_EQ(ReadFile("zan_01.set.bak"), first);
    // A backup that cannot be made (its name taken by a folder) stops the save.
    std::filesystem::create_directories(folder / "zan_01.set.bak.new" / "keep");
    const std::string second = ReadFile("zan_01.set");
    SetCtrlVal(zan.setup.mainPanel, MAIN_CRANK_LENGTH, 190.0);
    EXPECT_EQ(SavePar(EngineStation(), "zan_01.set"), -1);
    EXPECT_EQ(ReadFile("zan_01.set"), second);
    EXPECT_EQ(ReadFile("zan_01.set.bak"), first);
    EXPECT_EQ(engine.popups.back().title, "Setup file");
}

TEST_F(SetupFileTest, SaveQuitSaveQuitKeepsTheCalibrationBeforeEachChange) {
    const std::string original = SetupWith(12, "170.000");
    WriteFile("zan_01.set", original);
    std::vector<std::string> saved;
    for (const double crankLength : {175.0, 180.0}) {
        ResetStation(zan);
        ASSERT_EQ(Start(), 0);
        SetCtrlVal(zan.setup.mainPanel, MAIN_CRANK_LENGTH, crankLength);
        Press(DEF);
        saved.push_back(ReadFile("zan_01.set"));
        // The quit writes what the file holds: the backups keep the calibration before.
        Press(FINE);
        EXPECT_EQ(ReadFile("zan_01.set"), saved.back());
        EXPECT_EQ(ReadFile("zan_01.set.bak"), saved.size() == 1 ? original : saved[0]);
    }
    const std::vector<std::filesystem::path> dated = DatedBackups(folder / "zan_01.set");
    ASSERT_EQ(dated.size(), 2u);
    EXPECT_EQ(ReadFile(dated[0].filename().string()), original);
    EXPECT_EQ(ReadFile(dated[1].filename().string()), saved[0]);
    // Named by the local date and time of the change (a second change within the same second
    // numbered after it), with nothing Windows refuses in a name.
    for (const std::filesystem::path& backup : dated)
        EXPECT_TRUE(
            std::regex_match(backup.filename().string(),
                             std::regex(R"(zan_01\.set\.2026-12-07_\d\d-\d\d-\d\d(_\d\d)?\.bak)")))
            << backup;

    // Going back: the backup copied over the file is read as the calibration it was.
    // (MinGW's copy_file does not overwrite: the file goes first.)
    std::filesystem::remove(folder / "zan_01.set");
    std::filesystem::copy_file(dated[0], folder / "zan_01.set");
    ASSERT_EQ(LoadPar(EngineStation(), "zan_01.set"), 0);
    EXPECT_FLOAT_EQ(zan.setup.setup.crankLength, 170.0f);
}

TEST_F(SetupFileTest, TheLastTenDifferentCalibrationsAreKeptAndNoOtherFileIsTouched) {
    WriteFile("zan_01.set", SetupWith(12, "100.000"));
    WriteFile("zan_01.set.old.bak", "mine");
    WriteFile("zan_01.set.2020-01-01_00-00-00.txt", "mine");
    std::vector<std::string> before;
    for (int change = 1; change <= 12; ++change) {
        before.push_back(ReadFile("zan_01.set"));
        SetCtrlVal(zan.setup.mainPanel, MAIN_CRANK_LENGTH, 100.0 + change);
        ASSERT_EQ(SavePar(EngineStation(), "zan_01.set"), 0);
        // The same again changes nothing, and makes no backup.
        ASSERT_EQ(SavePar(EngineStation(), "zan_01.set"), 0);
    }
    const std::vector<std::filesystem::path> dated = DatedBackups(folder / "zan_01.set");
    ASSERT_EQ(dated.size(), static_cast<std::size_t>(keptDatedBackups));
    for (std::size_t i = 0; i < dated.size(); ++i)
        EXPECT_EQ(ReadFile(dated[i].filename().string()), before[i + 2]) << dated[i];
    EXPECT_EQ(ReadFile("zan_01.set.bak"), before.back());
    EXPECT_EQ(ReadFile("zan_01.set.old.bak"), "mine");
    EXPECT_EQ(ReadFile("zan_01.set.2020-01-01_00-00-00.txt"), "mine");
}

TEST_F(SetupFileTest, ASetupFileThatIsALinkIsSavedThroughItAndStaysALink) {
#ifdef _WIN32
    GTEST_SKIP() << "Wine and Windows give a test no symbolic link";
#else
    std::filesystem::create_directory(folder / "drive");
    WriteFile("drive/zan_01.set", SetupWith(12, "170.000"));
    std::filesystem::create_symlink("drive/zan_01.set", folder / "zan_01.set");
    ResetStation(zan);
    ASSERT_EQ(Start(), 0);
    EXPECT_FLOAT_EQ(zan.setup.setup.crankLength, 170.0f);
    SetCtrlVal(zan.setup.mainPanel, MAIN_CRANK_LENGTH, 175.0);
    Press(DEF);
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "zan_01.set"));
    EXPECT_EQ(ReadLines("drive/zan_01.set")[11], "175.000");
    EXPECT_EQ(ReadFile("zan_01.set.bak"), SetupWith(12, "170.000"));
    EXPECT_FALSE(std::filesystem::exists(folder / "drive" / "zan_01.set.new"));

    // The drive unmounted: the link leads nowhere. It is not read, quitting and zeroing leave
    // it, and a save says why it cannot write and leaves it too.
    std::filesystem::rename(folder / "drive", folder / "unmounted");
    ResetStation(zan);
    engine.popups.clear();
    ASSERT_EQ(Start(), 0);
    ASSERT_EQ(engine.popups.size(), 1u);
    EXPECT_EQ(engine.popups[0].message,
              "Setup file \"zan_01.set\" is a link to a file that is not there: the default "
              "calibration is in use, and the file is kept as it is until the setup is saved.");
    engine.confirmAnswers.push_back(1);
    Press(ZERO);
    Press(DEF);
    Press(FINE);
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "zan_01.set"));
    EXPECT_FALSE(std::filesystem::exists(folder / "drive"));
    ASSERT_EQ(engine.popups.size(), 3u);
    EXPECT_EQ(engine.popups[2].message,
              "\"zan_01.set\" could not be saved: it is a link to \"drive/zan_01.set\", which "
              "cannot be written (folder missing or not writable, or disk full).\nThe link and "
              "the previous file are kept unchanged.");
#endif
}

// --- Reading: the 10-character limit and the number conversions ---

TEST_F(SetupFileTest, OnlyTheFirstTenCharactersOfALineAreRead) {
    WriteFile("long.set", SetupWith(13, "1234567.125"));
    ASSERT_EQ(LoadPar(EngineStation(), "long.set"), 0);
    EXPECT_FLOAT_EQ(zan.setup.setup.totalKm, 1234567.12f);
    // The rest of the long line is skipped, not taken as the next line.
    EXPECT_FLOAT_EQ(zan.setup.setup.rightCorrectionCoeff, 0.0f);
}

TEST_F(SetupFileTest, SevenDigitValueIsWrittenInElevenCharactersAndLosesItsLastDecimal) {
    SetCtrlVal(zan.setup.mainPanel, MAIN_TOTAL_KM, 1234567.0);
    ASSERT_EQ(SavePar(EngineStation(), "big.set"), 0);
    EXPECT_EQ(ReadLines("big.set")[12], "1234567.000");
    ASSERT_EQ(LoadPar(EngineStation(), "big.set"), 0);
    EXPECT_FLOAT_EQ(zan.setup.setup.totalKm, 1234567.0f);
}

TEST_F(SetupFileTest, NumbersAreReadUpToTheFirstCharacterThatIsNotPartOfThem) {
    struct Case {
        const char* line;
        float value;
    };
    // A decimal comma is the rider's decimal point.
    for (const Case& c :
         {Case{"  -0.125abc", -0.125f}, Case{"1e99", 3.4028235e38f}, Case{"  2.5e1x", 25.0f},
          Case{"1,250", 1.25f}, Case{" -0,125 N", -0.125f}, Case{"2,5e1", 25.0f}, Case{"5.", 5.0f},
          Case{",5", 0.5f}, Case{"+3", 3.0f}, Case{"1.5.3", 1.5f}, Case{"1,5, 2", 1.5f},
          Case{"0x10", 16.0f}, Case{"1e-999", 0.0f}}) {
        WriteFile("n.set", SetupWith(2, c.line));
        ASSERT_EQ(LoadPar(EngineStation(), "n.set"), 0) << "line '" << c.line << "'";
        EXPECT_FLOAT_EQ(zan.setup.setup.rightForceGain, c.value) << "line '" << c.line << "'";
    }
    // A byte-order mark before the first line is no part of its number.
    WriteFile("bom.set", "\xEF\xBB\xBF" + SetupWith(1, "1012,5"));
    ASSERT_EQ(LoadPar(EngineStation(), "bom.set"), 0);
    EXPECT_FLOAT_EQ(zan.setup.setup.rightForceOffset, 1012.5f);
    WriteFile("i.set", SetupWith(16, "9999999999"));
    ASSERT_EQ(LoadPar(EngineStation(), "i.set"), 0);
    EXPECT_EQ(zan.setup.setup.recordInterval, 2147483647);
    WriteFile("i.set", SetupWith(16, " 12 rows"));
    ASSERT_EQ(LoadPar(EngineStation(), "i.set"), 0);
    EXPECT_EQ(zan.setup.setup.recordInterval, 12);
}

TEST_F(SetupFileTest, ALineThatIsNotANumberLeavesTheSetupAsItWasAndIsNamed) {
    struct Case {
        int line;
        const char* text;
    };
    // Text, nothing, no finite number, or a comma beside another separator (a thousand or a
    // unit?): none is taken as 0 or as a guess.
    for (const Case& c :
         {Case{2, "abc"}, Case{2, ""}, Case{13, "nan"}, Case{13, "-inf"}, Case{13, "1e999"},
          Case{13, "1,250.5"}, Case{13, "1.250,5"}, Case{16, "x"}, Case{23, "SN 12"}}) {
        zan.setup.setup.rightForceGain = 0.5f;
        zan.setup.setup.totalKm = 7.0f;
        engine.popups.clear();
        WriteFile("bad.set", SetupWith(c.line, c.text));
        engine.fileAnswers.push_back((folder / "bad.set").string());
        Press(LOAD);
        const std::string message = "\"" + (folder / "bad.set").string() + "\" line " +
                                    std::to_string(c.line) +
                                    " is not a number.\nThe setup in use is unchanged.";
        ASSERT_EQ(engine.popups.size(), 2u) << c.text;
        EXPECT_EQ(engine.popups[1].message, message) << c.text;
        EXPECT_FLOAT_EQ(zan.setup.setup.rightForceGain, 0.5f) << c.text;
        EXPECT_FLOAT_EQ(zan.setup.setup.totalKm, 7.0f) << c.text;
    }
}

TEST_F(SetupFileTest, MissingLinesKeepTheValuesTheStationHad) {
    zan.setup.setup.crankLength = 170.0f;
    zan.setup.setup.serialNumber = 55;
    WriteFile("short.set", "1\n2\n3\n");
    ASSERT_EQ(LoadPar(EngineStation(), "short.set"), 0);
    EXPECT_FLOAT_EQ(zan.setup.setup.rightForceOffset, 1.0f);
    EXPECT_FLOAT_EQ(zan.setup.setup.rightAuxOffset, 3.0f);
    EXPECT_FLOAT_EQ(zan.setup.setup.crankLength, 170.0f);
    EXPECT_EQ(zan.setup.setup.serialNumber, 55);
    EXPECT_FLOAT_EQ(static_cast<float>(Main(MAIN_CRANK_LENGTH).value), 170.0f);
}

TEST_F(SetupFileTest, SerialNumberIsWrittenFromTheCrankOnlyWhenOneIdentifiedItself) {
    WriteFile("sn.set", SetupWith(23, "321"));
    ASSERT_EQ(LoadPar(EngineStation(), "sn.set"), 0);
    EXPECT_EQ(zan.setup.setup.serialNumber, 321);
    // No crank in this run: the placeholder 0 never reaches the calibration.
    zan.link.deviceSerial = 0;
    ASSERT_EQ(SavePar(EngineStation(), "sn.set"), 0);
    EXPECT_EQ(ReadLines("sn.set")[22], "321");
    zan.link.crankIdentified = 1;
    zan.link.deviceSerial = 7;
    ASSERT_EQ(SavePar(EngineStation(), "sn.set"), 0);
    EXPECT_EQ(ReadLines("sn.set")[22], "7");
    EXPECT_EQ(zan.setup.setup.serialNumber, 321);
}

TEST_F(SetupFileTest, QuitWithoutACrankKeepsTheSerialNumberOfTheDefaultFile) {
    WriteFile("zan_01.set", SetupWith(23, "123"));
    ResetStation(zan);
    ASSERT_EQ(Start(), 0);
    Press(FINE);
    EXPECT_EQ(ReadLines("zan_01.set")[22], "123");
}

// --- Load and save commands ---

TEST_F(SetupFileTest, SaveAsWithTheDialogCancelledSavesTheDefaultFileAndMarksTheTitle) {
    engine.fileAnswers.push_back("");
    Press(SAVS);
    EXPECT_STREQ(zan.setup.setupPath, "zan_01.set");
    EXPECT_EQ(ReadLines("zan_01.set").size(), 23u);
    EXPECT_EQ(MainTitle(), "Orvelta (ZAN_pc Ver -> 1.6 (110126) ) (Setup file -> zan_01.set) "
                           "( Connected to ZAN -> SW_00  SN_000 ) #WR# ");
    ASSERT_EQ(engine.popups.size(), 1u);
    EXPECT_EQ(engine.popups[0].title, "Selezionare il file SETUP");
}

TEST_F(SetupFileTest, LoadReadsTheChosenFileAndMarksTheTitle) {
    WriteFile("bike.set", SetupWith(12, "175.000"));
    engine.fileAnswers.push_back((folder / "bike.set").string());
    zan.link.deviceVersion = 4;
    zan.link.deviceSerial = 12;
    Press(LOAD);
    EXPECT_FLOAT_EQ(zan.setup.setup.crankLength, 175.0f);
    EXPECT_EQ(MainTitle(), "Orvelta (ZAN_pc Ver -> 1.6 (110126) ) (Setup file -> " +
                               (folder / "bike.set").string() +
                               ") ( Connected to ZAN -> SW_04  SN_012 ) *RD* ");
}

TEST_F(SetupFileTest, LoadOfAFileThatCannotBeReadChangesNothingAndSaysSo) {
    const std::string title = MainTitle();
    zan.setup.setup.crankLength = 170.0f;
    engine.fileAnswers.push_back((folder / "missing.set").string());
    Press(LOAD);
    EXPECT_STREQ(zan.setup.setupPath, "zan_01.set");
    EXPECT_FLOAT_EQ(zan.setup.setup.crankLength, 170.0f);
    EXPECT_EQ(MainTitle(), title);
    ASSERT_EQ(engine.popups.size(), 2u);
    EXPECT_EQ(engine.popups[1].message, "\"" + (folder / "missing.set").string() +
                                            "\" does not exist.\nThe setup in use is unchanged.");
}

TEST_F(SetupFileTest, FailedSaveKeepsThePreviousFileTellsTheUserAndLeavesNoWriteMark) {
    WriteFile("zan_01.set", SetupWith(1, "42.000"));
    // A folder in the way of the new file makes the save fail, as a full disk would.
    std::filesystem::create_directory(folder / "zan_01.set.new");
    const std::string title = MainTitle();
    engine.fileAnswers.push_back("zan_01.set");
    Press(SAVS);
    EXPECT_EQ(ReadFile("zan_01.set"), SetupWith(1, "42.000"));
    EXPECT_EQ(MainTitle(), title);
    ASSERT_EQ(engine.popups.size(), 2u);
    EXPECT_EQ(engine.popups[1].title, "Setup file");
    EXPECT_NE(engine.popups[1].message.find("could not be saved"), std::string::npos);
}

TEST_F(SetupFileTest, SaveIntoAMissingFolderIsToldToTheUser) {
    engine.fileAnswers.push_back((folder / "no" / "such" / "x.set").string());
    Press(SAVS);
    ASSERT_EQ(engine.popups.size(), 2u);
    EXPECT_EQ(engine.popups[1].kind, "message");
    EXPECT_FALSE(std::filesystem::exists(folder / "no"));
}

TEST_F(SetupFileTest, DefaultSaveTakesTheWarmupModeAndAlwaysWritesTheDefaultFile) {
    std::snprintf(zan.setup.setupPath, sizeof zan.setup.setupPath, "%s", "other.set");
    SetCtrlVal(zan.setup.mainPanel, MAIN_WARMUP_MODE, 2);
    Press(DEF);
    EXPECT_EQ(zan.setup.warmupMode, 2);
    EXPECT_STREQ(zan.setup.setupPath, "zan_01.set");
    EXPECT_EQ(ReadLines("zan_01.set").size(), 23u);
    EXPECT_FALSE(std::filesystem::exists(folder / "other.set"));
}

TEST_F(SetupFileTest, SaveWithWarmupRestartsTheWarmupOnlyWhenItIsOffAndAModeIsSet) {
    struct Case {
        WarmupState state;
        int mode;
        WarmupState expectedState;
    };
    constexpr WarmupState off = WarmupState::Off;
    constexpr WarmupState toShow = WarmupState::ToShow;
    constexpr WarmupState complete = WarmupState::CompleteYellow;
    for (const Case& c : {Case{off, 1, toShow}, Case{off, 0, off}, Case{complete, 2, complete},
                          Case{off, 2, toShow}}) {
        zan.setup.warmupState = c.state;
        zan.setup.warmupMode = c.mode;
        zan.setup.warmupLevel = 45;
        Press(DEFM);
        EXPECT_EQ(zan.setup.warmupState, c.expectedState);
        EXPECT_EQ(zan.setup.warmupLevel, c.expectedState != c.state ? 0 : 45);
        EXPECT_STREQ(zan.setup.setupPath, "zan_01.set");
    }
    EXPECT_EQ(ReadLines("zan_01.set").size(), 23u);
}

TEST_F(SetupFileTest, CommandsIgnoreEveryEventButCommit) {
    for (const CtrlCallbackPtr command : {LOAD, SAVS, DEF, DEFM, DEFX})
        command(zan.setup.mainPanel, 0, EVENT_LEFT_DOUBLE_CLICK, nullptr, 0, 0);
    EXPECT_TRUE(engine.popups.empty());
    EXPECT_FALSE(std::filesystem::exists(folder / "zan_01.set"));
    EXPECT_FALSE(std::filesystem::exists(folder / "zan_com.set"));
}
