// Bad input from outside: a command line far too long for the real program, and paths holding
// "%" and quotes, which must be taken as names and never as formats.
#ifndef _WIN32

#include "app/callbacks.h"
#include "setup/catalogue.h"
#include "tests/support/child_process.h"
#include "tests/support/crank_link_fixture.h"
#include "tests/support/emulated_crank.h"
#include "tests/support/session_rows.h"
#include "tests/support/station_fixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef ZAN_PC_PATH
#define ZAN_PC_PATH "zan_pc"
#endif

namespace {
// Without a screen, as on a test box.
const std::vector<std::string> offscreen{"QT_QPA_PLATFORM=offscreen"};
// A setup path a shell would mangle and a format would misread.
const char* const oddSetupName = "ride 100% %s %n \"fast\" 'x'.set";
const char* const oddFolderName = "ride 100% %s %d \"fast\" 'x'";

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> LinesOf(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void Press(CtrlCallbackPtr command) {
    Station& zan = EngineStation();
    command(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
}
} // namespace

// --- The real program ---

class FaultCommandLineTest : public CrankLinkFixture {};

TEST_F(FaultCommandLineTest, RealProgramRefusesACommandLineOf10000CharactersWithCode2) {
    // One argument of 10,000 characters, and 73 arguments that make 10,000 with their blanks.
    std::vector<std::vector<std::string>> commandLines{{std::string(10000, 'q')}};
    commandLines.push_back(std::vector<std::string>(73, std::string(136, 'w')));
    for (const std::vector<std::string>& words : commandLines) {
        std::vector<std::string> arguments{ZAN_PC_PATH};
        arguments.insert(arguments.end(), words.begin(), words.end());
        ChildProcess station;
        ASSERT_TRUE(station.Run(arguments, offscreen, "stderr.txt"));
        ASSERT_TRUE(station.WaitForEnd(60.0));
        EXPECT_EQ(station.EndSignal(), 0);
        EXPECT_EQ(station.ExitCode(), 2);
        EXPECT_NE(Slurp("stderr.txt")
                      .find("Command line too long (10000 characters): the setup "
                            "path holds at most 511."),
                  std::string::npos)
            << Slurp("stderr.txt");
        // Refused before anything was read or written.
        EXPECT_FALSE(std::filesystem::exists("dati"));
        EXPECT_EQ(Slurp("zan_01.set"), MatchingSetupFile());
    }
}

TEST_F(FaultCommandLineTest, RealProgramLoadsASetupPathWithPercentAndQuotesAndSavesItOnQuit) {
    // The odd file differs from the usual one in its total kilometres.
    std::string odd = MatchingSetupFile();
    odd.replace(odd.find("1234.5"), 6, "4321.5");
    std::ofstream(oddSetupName) << odd;
    ASSERT_TRUE(crank.Start(5, {}));
    ChildProcess station;
    ASSERT_TRUE(station.Run({ZAN_PC_PATH, oddSetupName}, offscreen, "stderr.txt"));
    // The data folder is made once the setup is loaded, after the quit signal is handled.
    ASSERT_TRUE(WaitForPath("dati", 60.0)) << Slurp("stderr.txt");
    station.Signal(SIGTERM);
    ASSERT_TRUE(station.WaitForEnd(60.0));
    EXPECT_EQ(station.ExitCode(), 0) << Slurp("stderr.txt");

    // On quitting the values loaded from the odd path go to the default file.
    const std::vector<std::string> saved = LinesOf("zan_01.set");
    ASSERT_EQ(saved.size(), 23u);
    EXPECT_EQ(saved[0], "1000.000");
    EXPECT_EQ(saved[8], "667.180");
    EXPECT_EQ(saved[12], "4321.500");
    EXPECT_EQ(Slurp(oddSetupName), odd);
    EXPECT_FALSE(std::filesystem::exists("zan_01.set.new"));
}

// --- Odd paths through the panel ---

class FaultPathTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        WriteFile("zan_01.set", MatchingSetupFile());
        WriteFile("zan_com.set", "5\n0\n0\n0\n");
        PlayEmulatedCrank(engine, "COM5", EmulatedCrankSettings{});
        ASSERT_EQ(Start(), 0);
        engine.RunUntil(10.0);
    }
};

TEST_F(FaultPathTest, SetupPathWithPercentAndQuotesLoadsAndSaves) {
    std::string odd = MatchingSetupFile();
    odd.replace(odd.find("1234.5"), 6, "4321.5");
    WriteFile(oddSetupName, odd);
    engine.fileAnswers = {(folder / oddSetupName).string()};
    Press(LOAD);
    EXPECT_FLOAT_EQ(zan.setup.setup.totalKm, 4321.5f);
    EXPECT_EQ(std::string(zan.setup.setupPath), (folder / oddSetupName).string());
    EXPECT_NE(MainTitle().find(oddSetupName), std::string::npos);

    const std::string savedName = std::string("saved ") + oddSetupName;
    engine.fileAnswers = {(folder / savedName).string()};
    SetCtrlVal(zan.setup.mainPanel, MAIN_TOTAL_KM, 5000.25);
    Press(SAVS);
    EXPECT_NE(MainTitle().find("#WR#"), std::string::npos);
    const std::vector<std::string> saved = ReadLines(savedName);
    ASSERT_EQ(saved.size(), 23u);
    EXPECT_EQ(saved[12], "5000.250");
    EXPECT_FALSE(std::filesystem::exists(folder / (savedName + ".new")));

    // Read back through the same popup.
    ResetStation(zan);
    ASSERT_EQ(Start(), 0);
    engine.fileAnswers = {(folder / savedName).string()};
    Press(LOAD);
    EXPECT_FLOAT_EQ(zan.setup.setup.totalKm, 5000.25f);
}

TEST_F(FaultPathTest, SessionFolderWithPercentAndQuotesRecords) {
    std::filesystem::create_directory(folder / oddFolderName);
    engine.dirAnswers = {(folder / oddFolderName).string()};
    Press(SAVE);
    ASSERT_EQ(zan.record.sessionActive, 1);
    engine.RunUntil(engine.now + 20.0);
    Press(SAVET);
    Press(SAVE);
    const std::string path = zan.record.sessionPath;
    EXPECT_EQ(path.rfind((folder / oddFolderName).string() + "/S_", 0), 0u) << path;
    const SessionRows session = ReadSessionRows(path);
    EXPECT_EQ(session.rows.size(), 20u);
    EXPECT_TRUE(RowsNumberedWithoutGap(session));
    EXPECT_EQ(session.trailer.size(), 6u);
    EXPECT_TRUE(Main(MAIN_MESSAGES).lines.empty());
    int turnFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder / oddFolderName))
        turnFiles += entry.path().filename().string().rfind("T_", 0) == 0 ? 1 : 0;
    EXPECT_EQ(turnFiles, 1);
}

TEST_F(FaultPathTest, MissingFolderWithPercentAndQuotesIsNamedAsItIsInTheMessage) {
    const std::string missing = (folder / oddFolderName / "gone").string();
    engine.dirAnswers = {missing};
    Press(SAVE);
    EXPECT_EQ(zan.record.sessionActive, 0);
    ASSERT_FALSE(engine.popups.empty());
    EXPECT_NE(engine.popups.back().message.find(missing), std::string::npos)
        << engine.popups.back().message;
}

#endif
