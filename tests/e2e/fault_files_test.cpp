// Folders the station cannot write to and disks with no room left, with the emulated crank
// pedalling on the virtual clock: the station tells the rider, keeps measuring, keeps the files
// it had, and never leaves half a setup file.
#ifndef _WIN32

#include "app/callbacks.h"
#include "export/ride_export.h"
#include "setup/catalogue.h"
#include "station/replay.h"
#include "tests/support/child_process.h"
#include "tests/support/crank_link_fixture.h"
#include "tests/support/emulated_crank.h"
#include "tests/support/session_rows.h"
#include "tests/support/small_disk.h"
#include "tests/support/station_fixture.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifndef ZAN_PC_PATH
#define ZAN_PC_PATH "zan_pc"
#endif

namespace {
void Press(CtrlCallbackPtr command) {
    Station& zan = EngineStation();
    command(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
}

const char* const sessionRefused = "Session NOT started: file not created !";
} // namespace

class FaultFilesTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        WriteFile("zan_01.set", MatchingSetupFile());
        WriteFile("zan_com.set", "5\n0\n0\n0\n");
        PlayEmulatedCrank(engine, "COM5", EmulatedCrankSettings{});
    }

    // Starts the station and pedals long enough for the cadence and power to settle.
    void StartPedalling() {
        ASSERT_EQ(Start(), 0);
        engine.RunUntil(10.0);
        ASSERT_NEAR(zan.measure.cadence, 90.0, 1.0);
    }

    // The station goes on measuring: frames keep coming and the cadence still reads the crank's.
    void ExpectStillMeasuring(double seconds) {
        const int frames = zan.link.frameCounter;
        engine.RunUntil(engine.now + seconds);
        EXPECT_GT(zan.link.frameCounter, frames + static_cast<int>(40 * seconds));
        EXPECT_NEAR(zan.measure.cadence, 90.0, 1.0);
        EXPECT_FALSE(engine.quitRequested);
    }

    // Records a session of the given seconds into the folder and reads its file back.
    SessionRows RecordSession(const std::string& into, double seconds) {
        engine.dirAnswers = {into};
        Press(SAVE);
        engine.RunUntil(engine.now + seconds);
        Press(SAVE);
        return ReadSessionRows(SessionPath());
    }

    std::vector<std::string> Messages() { return Main(MAIN_MESSAGES).lines; }
    std::string SessionPath() { return zan.record.sessionPath; }
};

// --- Session folders that cannot take a file ---

TEST_F(FaultFilesTest, SessionFolderThatIsAFileIsRefusedWithAMessageAndAnotherFolderRecords) {
    WriteFile("not_a_folder", "x");
    StartPedalling();
    engine.dirAnswers = {(folder / "not_a_folder").string()};
    Press(SAVE);
    EXPECT_EQ(zan.record.sessionActive, 0);
    EXPECT_EQ(Main(MAIN_SESSION_FILE).text, sessionRefused);
    ASSERT_EQ(engine.popups.back().kind, "message");
    EXPECT_NE(engine.popups.back().message.find((folder / "not_a_folder").string()),
              std::string::npos);
    EXPECT_EQ(ReadFile("not_a_folder"), "x");
    ExpectStillMeasuring(10.0);

    std::filesystem::create_directory(folder / "ride");
    const SessionRows session = RecordSession((folder / "ride").string(), 10.0);
    EXPECT_EQ(session.rows.size(), 10u);
    EXPECT_TRUE(RowsNumberedWithoutGap(session));
}

TEST_F(FaultFilesTest, MissingSessionFolderIsRefusedWithAMessage) {
    StartPedalling();
    const std::string missing = (folder / "gone" / "ride").string();
    engine.dirAnswers = {missing};
    Press(SAVE);
    EXPECT_EQ(zan.record.sessionActive, 0);
    EXPECT_EQ(Main(MAIN_SESSION_FILE).text, sessionRefused);
    EXPECT_NE(engine.popups.back().message.find(missing), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder / "gone"));
    ExpectStillMeasuring(5.0);
}

TEST_F(FaultFilesTest, DataFolderThatIsAFileRefusesTheDefaultSessionWithAMessage) {
    WriteFile("dati", "not a folder");
    StartPedalling();
    // A cancelled folder popup records into dati.
    Press(SAVE);
    EXPECT_EQ(zan.record.sessionActive, 0);
    EXPECT_EQ(Main(MAIN_SESSION_FILE).text, sessionRefused);
    EXPECT_NE(engine.popups.back().message.find("dati"), std::string::npos);
    EXPECT_EQ(ReadFile("dati"), "not a folder");
    ExpectStillMeasuring(5.0);
}

TEST_F(FaultFilesTest, FolderReplacedMidSessionKeepsTheRowsAndRefusesTurnFilesWithAMessage) {
    std::filesystem::create_directory(folder / "ride");
    StartPedalling();
    engine.dirAnswers = {(folder / "ride").string()};
    Press(SAVE);
    engine.RunUntil(engine.now + 10.0);
    const std::string shortName = std::filesystem::path(SessionPath()).filename().string();
    // The folder is moved away and a file takes its name: the open session file moves with it.
    std::filesystem::rename(folder / "ride", folder / "ride_moved");
    WriteFile("ride", "x");
    Press(SAVET);
    Press(SAVE10);
    engine.RunUntil(engine.now + 30.0);
    Press(SAVE);

    // The session's path and its stream's now lead nowhere: each said once, and the rows and
    // the stream go on into the moved files.
    ASSERT_EQ(Messages().size(), 4u);
    EXPECT_EQ(Messages()[0].rfind("Single-turn file could not be written: ", 0), 0u);
    const std::string base = (folder / "ride" / shortName).string();
    EXPECT_EQ(Messages()[1], "Raw stream deleted or moved away, not written anew: " +
                                 base.substr(0, base.size() - 4) + ".zanraw");
    EXPECT_EQ(Messages()[2], "Session file deleted or moved away, not written anew: " + base);
    EXPECT_EQ(Messages()[3].rfind("Multi-turn file could not be written: ", 0), 0u);
    const SessionRows session = ReadSessionRows((folder / "ride_moved" / shortName).string());
    EXPECT_EQ(session.rows.size(), 40u);
    EXPECT_TRUE(RowsNumberedWithoutGap(session));
    EXPECT_EQ(session.trailer.size(), 6u);
    EXPECT_EQ(ReadFile("ride"), "x");
    // The session file and its raw stream, which went on in the moved folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder / "ride_moved"),
                            std::filesystem::directory_iterator()),
              2);
}

// --- Setup files that cannot be written ---

TEST_F(FaultFilesTest, SetupSavedIntoAFolderThatIsAFileOrMissingIsRefusedAndNothingChanges) {
    WriteFile("not_a_folder", "x");
    StartPedalling();
    const std::string before = ReadFile("zan_01.set");
    for (const std::filesystem::path& target :
         {folder / "not_a_folder" / "zan.set", folder / "gone" / "zan.set"}) {
        engine.popups.clear();
        engine.fileAnswers = {target.string()};
        Press(SAVS);
        ASSERT_EQ(engine.popups.size(), 2u) << target;
        EXPECT_EQ(engine.popups[1].title, "Setup file");
        EXPECT_NE(engine.popups[1].message.find(target.string() + "\" could not be saved"),
                  std::string::npos);
        EXPECT_EQ(MainTitle().find("#WR#"), std::string::npos);
    }
    EXPECT_EQ(ReadFile("not_a_folder"), "x");
    EXPECT_FALSE(std::filesystem::exists(folder / "gone"));
    EXPECT_EQ(ReadFile("zan_01.set"), before);
    ExpectStillMeasuring(5.0);
}

TEST_F(FaultFilesTest, QuitWithAnUnwritableSetupFileTellsTheRiderKeepsTheOldOneAndEnds) {
    // The new file cannot be made: its name is taken by a folder.
    std::filesystem::create_directory(folder / "zan_01.set.new");
    std::filesystem::create_directory(folder / "zan_01.set.new" / "keep");
    const std::string before = ReadFile("zan_01.set");
    EXPECT_EQ(StartAndQuit("", 12.0), 0);
    ASSERT_FALSE(engine.popups.empty());
    EXPECT_EQ(engine.popups.back().title, "Setup file");
    EXPECT_NE(engine.popups.back().message.find("previous file is kept unchanged"),
              std::string::npos);
    EXPECT_EQ(ReadFile("zan_01.set"), before);
    EXPECT_TRUE(std::filesystem::exists(folder / "zan_01.set.new" / "keep"));
}

// The real program quit by a signal, as a service or a shutdown would: nobody is there to answer
// a dialog, so what it has to say goes to its standard error, and it still ends.
class FaultQuitTest : public CrankLinkFixture {};

TEST_F(FaultQuitTest, RealProgramQuitBySignalWithAnUnwritableSetupSaysSoAndEnds) {
    std::filesystem::create_directories("zan_01.set.new/keep");
    ASSERT_TRUE(crank.Start(5, {}));
    ChildProcess station;
    ASSERT_TRUE(station.Run({ZAN_PC_PATH}, {"QT_QPA_PLATFORM=offscreen"}, "stderr.txt"));
    // The data folder is made once the setup is loaded, after the quit signal is handled.
    ASSERT_TRUE(WaitForPath("dati", 60.0));
    station.Signal(SIGTERM);
    ASSERT_TRUE(station.WaitForEnd(15.0)) << "still waiting for an answer to a dialog";
    EXPECT_EQ(station.ExitCode(), 0);
    std::stringstream error;
    error << std::ifstream("stderr.txt").rdbuf();
    EXPECT_NE(error.str().find("Setup file: \"zan_01.set\" could not be saved"), std::string::npos)
        << error.str();
    std::stringstream setup;
    setup << std::ifstream("zan_01.set").rdbuf();
    EXPECT_EQ(setup.str(), MatchingSetupFile());
}

// The real program given a setup file it cannot take, or a command line it refuses: after the
// refusal, or a start and a quit, the rider's calibration is byte for byte what it was.
class FaultSetupStartTest : public CrankLinkFixture {
  protected:
    static std::string Contents(const std::string& path) {
        std::stringstream text;
        text << std::ifstream(path, std::ios::binary).rdbuf();
        return text.str();
    }

    // Starts zan_pc with the arguments, waits the given real time at most for it to be up (its
    // data folder made) and quits it by SIGTERM. Its exit code, or -1 when it did not start or
    // did not end.
    static int StartAndQuit(const std::vector<std::string>& arguments, double startSeconds,
                            std::vector<std::string> environment = {}) {
        std::filesystem::remove_all("dati");
        ChildProcess station;
        std::vector<std::string> command{ZAN_PC_PATH};
        command.insert(command.end(), arguments.begin(), arguments.end());
        environment.push_back("QT_QPA_PLATFORM=offscreen");
        if (!station.Run(command, environment, "stderr.txt")) return -1;
        if (!WaitForPath("dati", startSeconds)) return -1;
        station.Signal(SIGTERM);
        if (!station.WaitForEnd(15.0)) return -1;
        return station.ExitCode();
    }
};

TEST_F(FaultSetupStartTest, RefusedCommandLinesAnswerOnTheConsoleAndTouchNoFile) {
    struct Case {
        const char* arguments;
        int exitCode;
        const char* output; // the whole standard output
        const char* error;  // the whole standard error
    };
    const std::string pc = ZAN_PC_PATH;
    for (const Case& c :
         {Case{"nothere.set", 2, "",
               "Setup file \"nothere.set\" does not exist: the station does not start.\n"},
          Case{"--version", 0, "zan_pc 1.6 (110126)\n", ""}, Case{"--help", 0, nullptr, ""},
          Case{"-h", 0, nullptr, ""},
          // The language option is taken out before the rest is read.
          Case{"--lang en --version", 0, "zan_pc 1.6 (110126)\n", ""},
          Case{"--lang de", 2, "",
               "usage: zan_pc --lang it|en [SETUP_FILE | --replay STREAM.zanraw ...]\n"}}) {
        ChildProcess station;
        ASSERT_TRUE(station.Run(
            {"/bin/sh", "-c", "exec '" + pc + "' " + c.arguments + " >out.txt 2>err.txt"}));
        ASSERT_TRUE(station.WaitForEnd(30.0)) << c.arguments;
        EXPECT_EQ(station.ExitCode(), c.exitCode) << c.arguments;
        if (c.output != nullptr)
            EXPECT_EQ(Contents("out.txt"), c.output);
        else
            EXPECT_EQ(Contents("out.txt").rfind("usage: zan_pc [SETUP_FILE]\n", 0), 0u);
        EXPECT_EQ(Contents("err.txt"), c.error) << c.arguments;
        EXPECT_EQ(Contents("zan_01.set"), MatchingSetupFile()) << c.arguments;
        EXPECT_FALSE(std::filesystem::exists("dati")) << c.arguments;
        EXPECT_FALSE(std::filesystem::exists("zan_01.set.bak")) << c.arguments;
    }
}

TEST_F(FaultSetupStartTest, SetupFilesTheStationCannotReadAreKeptByteForByteAfterAStartAndAQuit) {
    const std::string junk("\x7f"
                           "ELF\x02\x01\0\0\xff\xfe\n 12.5 \x01",
                           18);
    // A line in words, as a rider may write it, would be read as 0 and saved back.
    std::string words = MatchingSetupFile();
    words.replace(words.find('\n') + 1, 0, "gain\n");
    // The default file as junk, a folder, with a line in words, or a link to a drive not
    // mounted; junk, or a device that never ends (a reader without a bound would spin on
    // /dev/zero for ever), named on the command line.
    for (const std::string given :
         {"junk", "folder", "words", "dangling", "junk.set", "/dev/zero"}) {
        std::filesystem::remove_all("zan_01.set");
        if (given == "folder")
            std::filesystem::create_directories("zan_01.set/inside");
        else if (given == "dangling")
            std::filesystem::create_symlink("unmounted/zan_01.set", "zan_01.set");
        else
            std::ofstream("zan_01.set", std::ios::binary)
                << (given == "junk"    ? junk
                    : given == "words" ? words
                                       : MatchingSetupFile());
        if (given == "junk.set") std::ofstream(given, std::ios::binary) << junk;
        const std::string before = Contents("zan_01.set");
        std::vector<std::string> arguments;
        if (given == "junk.set" || given == "/dev/zero") arguments.push_back(given);

        EXPECT_EQ(StartAndQuit(arguments, 20.0), 0) << given;
        EXPECT_EQ(std::filesystem::is_directory("zan_01.set/inside"), given == "folder");
        EXPECT_EQ(std::filesystem::is_symlink("zan_01.set"), given == "dangling");
        EXPECT_EQ(Contents("zan_01.set"), before) << given;
        EXPECT_FALSE(std::filesystem::exists("zan_01.set.bak")) << given;
        EXPECT_FALSE(std::filesystem::exists("unmounted")) << given;
    }
}

// On an Italian desktop the files keep their decimal point: Qt hands the rider's language to the
// C library, and a comma would split a session row's columns and read back as another number.
TEST_F(FaultSetupStartTest, AnItalianDesktopStillWritesTheDecimalPoint) {
    // The language, compiled into the test's folder from Debian's locale sources.
    std::filesystem::create_directories("locales");
    ASSERT_EQ(std::system("localedef -c -i it_IT -f UTF-8 locales/it_IT.UTF-8 >/dev/null 2>&1"), 0);
    std::filesystem::remove("zan_01.set");
    const std::string locales = std::filesystem::absolute("locales").string();
    EXPECT_EQ(StartAndQuit({}, 20.0, {"LOCPATH=" + locales, "LC_ALL=it_IT.UTF-8"}), 0);
    const std::string written = Contents("zan_01.set");
    EXPECT_NE(written.find("  1.000\n"), std::string::npos) << written;
    EXPECT_EQ(written.find(','), std::string::npos) << written;
}

// --- Full disks ---

TEST_F(FaultFilesTest, SetupSavedOntoAFullDiskKeepsTheOldFileAndTellsTheRider) {
    StartPedalling();
    const std::string before = ReadFile("zan_01.set");
    std::filesystem::create_symlink("/dev/full", folder / "zan_01.set.new");
    Press(DEF);
    ASSERT_EQ(engine.popups.size(), 1u);
    EXPECT_EQ(engine.popups[0].title, "Setup file");
    EXPECT_NE(engine.popups[0].message.find("\"zan_01.set\" could not be saved"),
              std::string::npos);
    EXPECT_EQ(ReadFile("zan_01.set"), before);
    // The half-made file is gone; the device it pointed at is untouched.
    EXPECT_FALSE(std::filesystem::is_symlink(folder / "zan_01.set.new"));
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));

    // Room again: the same command saves.
    Press(DEF);
    EXPECT_EQ(engine.popups.size(), 1u);
    EXPECT_EQ(ReadLines("zan_01.set").size(), 23u);
    ExpectStillMeasuring(5.0);
}

TEST_F(FaultFilesTest, PortFileSavedOntoAFullDiskKeepsTheOldFileAndTellsTheRider) {
    StartPedalling();
    std::filesystem::create_symlink("/dev/full", folder / "zan_com.set.new");
    SetCtrlVal(zan.setup.mainPanel, MAIN_COM_PORT, 7);
    Press(DEFX);
    ASSERT_EQ(engine.popups.size(), 1u);
    EXPECT_EQ(engine.popups[0].title, "Port file");
    EXPECT_EQ(ReadFile("zan_com.set"), "5\n0\n0\n0\n");
    EXPECT_FALSE(std::filesystem::is_symlink(folder / "zan_com.set.new"));
}

TEST_F(FaultFilesTest, SessionThatFillsTheDiskKeepsEveryWholeRowAndTellsTheRiderOnce) {
    StartPedalling();
    // Some 110 rows fit; the ride lasts three minutes.
    SmallDisk disk((folder / "small").string(), 16384);
    ASSERT_TRUE(disk.Ok());
    engine.dirAnswers = {(folder / "small").string()};
    Press(SAVE);
    ASSERT_EQ(zan.record.sessionActive, 1);
    // The rows the station wrote before it said anything went wrong.
    int rowsBeforeMessage = 0;
    for (double t = engine.now; t < engine.now + 180.0; t += 0.5)
        engine.At(t, [&] {
            if (Messages().empty()) rowsBeforeMessage = zan.record.sessionRow;
        });
    const int frames = zan.link.frameCounter;
    engine.RunUntil(engine.now + 180.0);
    EXPECT_GT(zan.link.frameCounter, frames + 40 * 180);
    EXPECT_NEAR(zan.measure.cadence, 90.0, 1.0);
    Press(SAVE);
    EXPECT_EQ(Main(MAIN_SESSION_FILE).text, "Session closed !");

    // The disk has no room for the raw stream beside the rows: it is not begun.
    ASSERT_EQ(Messages().size(), 2u) << disk.Kind();
    EXPECT_EQ(Messages()[0].rfind("Raw stream not recorded: less than 16 MB free", 0), 0u);
    EXPECT_EQ(Messages()[1], "Session rows could not be written: " + SessionPath());
    const SessionRows session = ReadSessionRows(SessionPath());
    ASSERT_TRUE(session.found);
    EXPECT_EQ(session.header.size(), 4u);
    // Every row written before the disk filled is there, and only whole lines: the row the disk
    // could not take is taken back, so the short trailer lines may still fit.
    EXPECT_TRUE(session.wholeLines);
    const SessionRows& whole = session;
    EXPECT_TRUE(RowsNumberedWithoutGap(whole));
    EXPECT_GE(static_cast<int>(whole.rows.size()), rowsBeforeMessage - 1);
    EXPECT_GT(whole.rows.size(), 50u);
    EXPECT_LT(whole.rows.size(), 180u);
    if (!session.trailer.empty()) {
        EXPECT_EQ(session.trailer[0], "#####");
    }
}

TEST_F(FaultFilesTest, SessionOnAFullDiskDoesNotStartAndStartsWholeWhenRoomComesBack) {
    StartPedalling();
    const std::string small = (folder / "small").string();
    {
        SmallDisk disk(small, 0);
        ASSERT_TRUE(disk.Ok());
        engine.dirAnswers = {small};
        Press(SAVE);
        EXPECT_EQ(zan.record.sessionActive, 0) << disk.Kind();
        EXPECT_EQ(Main(MAIN_SESSION_FILE).text, sessionRefused);
        EXPECT_NE(engine.popups.back().message.find(small), std::string::npos);
        // The file the header did not reach is not left behind.
        EXPECT_FALSE(std::filesystem::exists(SessionPath()));
        engine.RunUntil(engine.now + 10.0);
    }
    const SessionRows session = RecordSession(small, 10.0);
    EXPECT_EQ(session.header.size(), 4u);
    EXPECT_TRUE(RowsNumberedWithoutGap(session));
    std::string error;
    EXPECT_TRUE(ExportRide(SessionPath(), 0, nullptr, RideZone{}, error)) << error;
}

TEST_F(FaultFilesTest, TurnFilesOntoAFullDiskAreReportedAndTheStationRunsOn) {
    StartPedalling();
    // Room for the session's header and a few rows at most: the disk is full a minute on.
    SmallDisk disk((folder / "full").string(), 300);
    ASSERT_TRUE(disk.Ok());
    engine.dirAnswers = {(folder / "full").string()};
    Press(SAVE);
    engine.RunUntil(engine.now + 60.0);
    Press(SAVET);
    Press(SAVE10);
    engine.RunUntil(engine.now + 30.0);
    Press(SAVE);
    const std::vector<std::string> messages = Messages();
    ASSERT_EQ(messages.size(), 4u) << disk.Kind();
    EXPECT_EQ(messages[0].rfind("Raw stream not recorded: ", 0), 0u);
    EXPECT_EQ(messages[1].rfind("Session rows could not be written: ", 0), 0u);
    EXPECT_EQ(messages[2].rfind("Single-turn file could not be written: ", 0), 0u);
    EXPECT_EQ(messages[3].rfind("Multi-turn file could not be written: ", 0), 0u);
    EXPECT_EQ(zan.record.turnFile, 0);
    ExpectStillMeasuring(5.0);
}

#endif

// A replay of a stream onto a disk with little room beside the stream fails, and says which file
// it could not write, from the station's own count of files not written.
TEST_F(FaultFilesTest, AReplayOntoAFullDiskFailsAndNamesTheFileItCouldNotWrite) {
    const std::string live = RecordEmulatedSession(EmulatedCrankSettings{}, 60.0);
    const std::string stream = StreamBeside(live);
    const std::string small = (folder / "small").string();
    SmallDisk disk(small, static_cast<long>(std::filesystem::file_size(stream)) + 4096);
    ASSERT_TRUE(disk.Ok());
    const std::string copy = small + "/" + std::filesystem::path(stream).filename().string();
    std::filesystem::copy_file(stream, copy);
    std::string replayed;
    std::string note;
    std::string error;
    EXPECT_FALSE(ReplayExport(copy, replayed, note, error)) << disk.Kind();
    UseEngine(&engine);
    // The rows or, with a page of the disk left for them, the FIT file.
    EXPECT_TRUE(error.find("Session rows could not be written") != std::string::npos ||
                error.find("FIT and TCX files not written") != std::string::npos)
        << error;
    EXPECT_NE(error.find(small), std::string::npos) << error;
}
