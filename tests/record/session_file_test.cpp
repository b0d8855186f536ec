#include "app/callbacks.h"
#include "app/session_panel.h"
#include "export/ride_export.h"
#include "export/session_reader.h"
#include "record/session_file.h"
#include "setup/catalogue.h"
#include "station/session.h"
#include "tests/support/emulated_crank.h"
#include "tests/support/session_rows.h"
#include "tests/support/station_fixture.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {
const char* const columnLine =
    "INDEX,ELAT,LON E+ W-,LAT N+ S-,ALTI,HR,CAD,SPEED,KCAL,POWT,POWL,POWR,OFL,OFR,UDL,UDR,BATzan,"
    "BATphone,KmTOT,TorqT,TorqL,TorqR,Ratio% L";
}

// A spreadsheet finds each column under its own name: no name holds the separator or repeats,
// so the header splits back into the names at their cells.
TEST(SessionColumns, TheHeaderSplitsBackIntoEachColumnsNameAtItsCell) {
    const std::vector<std::string> names = SplitCells(SessionColumnNames());
    ASSERT_EQ(names.size(), SessionCell::Count);
    for (const SessionColumn& column : sessionColumns) {
        EXPECT_EQ(names[column.cell], column.name);
        EXPECT_EQ(std::count(names.begin(), names.end(), column.name), 1) << column.name;
    }
}

class SessionFileTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        ASSERT_EQ(Start(), 0);
        std::filesystem::create_directory(folder / "rides");
        zan.setup.setup.totalKm = 1234.5f;
    }
    void PressSave(const std::string& chosenFolder) {
        engine.dirAnswers.push_back(chosenFolder);
        SAVE(zan.setup.mainPanel, 100, EVENT_COMMIT, nullptr, 0, 0);
    }
    // A window measured as the crank sent it.
    void Riding() {
        zan.measure.powerUnmeasured = false;
        zan.measure.heartRate = 135.0f;
        zan.measure.cadence = 90.0f;
        zan.measure.speed = 30.0f;
        zan.measure.powerTotal = 240.0f;
        zan.measure.powerLeft = 100.0f;
        zan.measure.powerRight = 150.0f;
        zan.measure.ofLeft = 1.5f;
        zan.measure.ofRight = -2.0f;
        zan.measure.udLeft = 12.0f;
        zan.measure.udRight = -5.0f;
        zan.measure.batteryLevel = 80.0f;
    }
    std::string Rides(const std::string& name) { return "rides/" + name; }
};

// --- The whole file ---

TEST_F(SessionFileTest, SessionFileHoldsHeaderRowsAndTrailerInTheirFormats) {
    PressSave((folder / "rides").string());
    ASSERT_EQ(zan.record.sessionActive, 1);
    const std::string path = (folder / "rides" / "S_071226_09-00.csv").string();
    EXPECT_EQ(Main(MAIN_SESSION_FILE).text, path);
    EXPECT_FALSE(Main(MAIN_SESSION_CMD_1).Dimmed());
    EXPECT_FALSE(Main(MAIN_SESSION_CMD_2).Dimmed());
    EXPECT_EQ(engine.popups.back().title, "Selezionare FOLDER");

    Riding();
    zan.measure.kcalTotal = 12.34f;
    SaveRowNow(zan);
    engine.now += 1.0;
    zan.measure.cadence = 0.0f;
    zan.measure.powerLeft = zan.measure.powerRight = 0.0f;
    zan.measure.powerTotal = 0.0f;
    SaveRowNow(zan);
    engine.now += 61.0;
    SAVE(zan.setup.mainPanel, 100, EVENT_COMMIT, nullptr, 0, 0);

    EXPECT_EQ(zan.record.sessionActive, 0);
    EXPECT_EQ(Main(MAIN_SESSION_FILE).text, "Session closed !");
    EXPECT_TRUE(Main(MAIN_SESSION_CMD_1).Dimmed());
    const std::vector<std::string> expected = {
        "ZAN_session_file ,S_071226_09-00.csv",
        "KM @ Start ,1234.500",
        "Time @ Start ,09:00:00",
        columnLine,
        "    0,09:00:00,000,000,000,135.0,90.0,30.0,12.3,250.0,100.0,150.0,1.5,-2.0,12.0,-5.0,"
        "80.0,99.9,1234.500,26.53,10.61,15.92,40",
        // At rest: no torque and no left share, written as 0 rather than "nan" or "inf".
        "    1,09:00:01,000,000,000,135.0,0.0,30.0,12.3,0.0,0.0,0.0,1.5,-2.0,12.0,-5.0,80.0,99.9,"
        "1234.500,0.00,0.00,0.00,0",
        "#####",
        "KM @ Stop ,1234.500",
        "Time @ Stop ,09:01:02",
        "Kcal @ Stop ,12.3",
        "POWER ave ,120.0",
        "SPEED ave ,30.0",
    };
    EXPECT_EQ(ReadLines(Rides("S_071226_09-00.csv")), expected);
}

// A session kept in memory (a raw stream read for the review) holds the lines a file would, reads
// back as a session, and makes no file or folder: not the data folder offered, not a stored copy
// when the sync's seconds pass.
TEST_F(SessionFileTest, ASessionKeptInMemoryHoldsTheFilesLinesAndMakesNoFile) {
    const auto entries = [this] {
        std::size_t count = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            static_cast<void>(entry);
            count += 1;
        }
        return count;
    };
    const std::size_t before = entries();
    std::string text;
    zan.record.sessionText = &text;
    StampStationSession(zan, ReadClock());
    ASSERT_EQ(OpenStationSession(zan, "", ReadClock()), SessionStart::Started);
    Riding();
    SaveRowNow(zan);
    engine.now += 6.0;
    SaveRowNow(zan);
    const ClosedSession closed = CloseStationSession(zan, ReadClock());
    EXPECT_TRUE(closed.sessionFile);
    EXPECT_FALSE(closed.rawStream);
    EXPECT_EQ(entries(), before);
    EXPECT_EQ(text.rfind("ZAN_session_file ,S_071226_09-00.csv\n", 0), 0u) << text;
    std::istringstream in(text);
    SessionRide ride;
    std::string error;
    ASSERT_TRUE(ReadSessionText(in, "kept", ride, error)) << error;
    ASSERT_EQ(ride.rows.size(), 2u);
    EXPECT_EQ(ride.rows[1].secondsOfDay - ride.rows[0].secondsOfDay, 6);
    EXPECT_EQ(ride.trailer.powerAverage, 240.0);
    EXPECT_EQ(zan.record.kept.rows.size(), 2u);
}

TEST_F(SessionFileTest, EveryRowIsInTheFileAsSoonAsItIsWritten) {
    PressSave((folder / "rides").string());
    Riding();
    SaveRowNow(zan);
    // Read while the session is still open, as after a crash of the station.
    const std::vector<std::string> lines = ReadLines(Rides("S_071226_09-00.csv"));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[4].substr(0, 15), "    0,09:00:00,");
}

TEST_F(SessionFileTest, IndexWidensBeyondFiveDigits) {
    PressSave((folder / "rides").string());
    zan.record.sessionRow = 123456;
    SaveRowNow(zan);
    EXPECT_EQ(ReadLines(Rides("S_071226_09-00.csv"))[4].substr(0, 7), "123456,");
}

TEST_F(SessionFileTest, NewSessionStartsFromZeroButKeepsTheRowTickCount) {
    zan.setup.setup.recordInterval = 2;
    PressSave((folder / "rides").string());
    Riding();
    for (int tick = 0; tick < 6; ++tick)
        DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
    EXPECT_EQ(zan.record.sessionRow, 1);
    EXPECT_EQ(zan.record.rowTicks, 2);
    SAVE(zan.setup.mainPanel, 100, EVENT_COMMIT, nullptr, 0, 0);
    engine.now += 60.0;
    PressSave((folder / "rides").string());
    EXPECT_EQ(zan.record.sessionRow, 0);
    EXPECT_EQ(zan.record.sessionPowerAverage, 0.0f);
    EXPECT_EQ(zan.measure.kcalTotal, 0.0f);
    DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
    DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
    EXPECT_EQ(zan.record.sessionRow, 1);
}

TEST_F(SessionFileTest, RowIntervalOfZeroWritesARowOnEveryTick) {
    zan.setup.setup.recordInterval = 0;
    PressSave((folder / "rides").string());
    for (int tick = 0; tick < 5; ++tick)
        DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
    EXPECT_EQ(ReadLines(Rides("S_071226_09-00.csv")).size(), 4u + 5u);
}

// --- Names and folders ---

TEST_F(SessionFileTest, SecondSessionInTheSameMinuteKeepsTheFirst) {
    PressSave((folder / "rides").string());
    SAVE(zan.setup.mainPanel, 100, EVENT_COMMIT, nullptr, 0, 0);
    PressSave((folder / "rides").string());
    SAVE(zan.setup.mainPanel, 100, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(ReadLines(Rides("S_071226_09-00.csv"))[0], "ZAN_session_file ,S_071226_09-00.csv");
    EXPECT_EQ(ReadLines(Rides("S_071226_09-00_2.csv"))[0],
              "ZAN_session_file ,S_071226_09-00_2.csv");
}

// Any file of a session's set there already (a session file deleted, its FIT, TCX or raw stream
// left) gives the new session a new name for its whole set, told to the rider; the file there is
// kept byte for byte, also once the session closes and leaves its FIT and TCX.
TEST_F(SessionFileTest, AnyFileOfTheSetThereAlreadyGivesTheWholeNewSetANewNameAndIsKept) {
    for (const char* ending : {".csv", ".fit", ".tcx", ".zanraw"}) {
        std::filesystem::remove_all(folder / "rides");
        std::filesystem::create_directory(folder / "rides");
        const std::string there = Rides(std::string("S_071226_09-00") + ending);
        WriteFile(there, "an earlier ride\n");
        const std::size_t told = Main(MAIN_MESSAGES).lines.size();
        PressSave((folder / "rides").string());
        EXPECT_EQ(Main(MAIN_SESSION_FILE).text,
                  (folder / "rides" / "S_071226_09-00_2.csv").string());
        ASSERT_EQ(Main(MAIN_MESSAGES).lines.size(), told + 1) << ending;
        EXPECT_EQ(Main(MAIN_MESSAGES).lines.back(),
                  "Session file named S_071226_09-00_2.csv: " +
                      (folder / "rides" / "S_071226_09-00").string() + ending +
                      " is there already.");
        SaveRowNow(zan);
        // The button's whole work, its FIT and TCX files included.
        SESSION(zan.setup.mainPanel, 100, EVENT_COMMIT, nullptr, 0, 0);
        EXPECT_EQ(ReadFile(there), "an earlier ride\n") << ending;
        for (const char* written : {".csv", ".fit", ".tcx", ".zanraw"})
            EXPECT_TRUE(std::filesystem::exists(folder / "rides" /
                                                (std::string("S_071226_09-00_2") + written)))
                << ending << " " << written;
        engine.now += 1.0;
    }
}

// The rider finds the ride's files without knowing where the station puts them: the close lists
// each, with its whole path, and each is there. A press the station refuses says no "Stop".
TEST_F(SessionFileTest, TheButtonSaysWhatAPressDoesAndTheCloseListsEveryFileByItsPath) {
    const auto button = [this] {
        return Main(MAIN_SESSION_BUTTON).textAttributes[ATTR_LABEL_TEXT];
    };
    engine.dirAnswers.push_back((folder / "no" / "such" / "folder").string());
    SESSION(zan.setup.mainPanel, 100, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_NE(button(), "Stop session");
    engine.dirAnswers.push_back((folder / "rides").string());
    SESSION(zan.setup.mainPanel, 100, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(button(), "Stop session");
    Riding();
    SaveRowNow(zan);
    engine.now += 60.0;
    SaveRowNow(zan);
    SESSION(zan.setup.mainPanel, 100, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(button(), "Start session");
    EXPECT_EQ(Main(MAIN_SESSION_FILE).text, "Session closed !");

    const std::string stem = (folder / "rides" / "S_071226_09-00").string();
    const std::vector<std::string> listed = {
        "Session closed, files written:", "  CSV: " + stem + ".csv", "  FIT: " + stem + ".fit",
        "  TCX: " + stem + ".tcx", "  Raw stream: " + stem + ".zanraw"};
    const std::vector<std::string>& lines = Main(MAIN_MESSAGES).lines;
    ASSERT_GE(lines.size(), listed.size());
    EXPECT_EQ(std::vector<std::string>(lines.end() - static_cast<long>(listed.size()), lines.end()),
              listed);
    for (const char* ending : {".csv", ".fit", ".tcx", ".zanraw"})
        EXPECT_TRUE(std::filesystem::exists(stem + ending)) << ending;
}

TEST_F(SessionFileTest, CancelledFolderPopupRecordsIntoTheFolderUsedLastOrData) {
    PressSave("");
    EXPECT_EQ(Main(MAIN_SESSION_FILE).text, (folder / "dati" / "S_071226_09-00.csv").string());
    SAVE(zan.setup.mainPanel, 100, EVENT_COMMIT, nullptr, 0, 0);
    PressSave((folder / "rides").string());
    SAVE(zan.setup.mainPanel, 100, EVENT_COMMIT, nullptr, 0, 0);
    PressSave("");
    EXPECT_EQ(Main(MAIN_SESSION_FILE).text, (folder / "rides" / "S_071226_09-00_2.csv").string());
}

TEST_F(SessionFileTest, SessionWhoseFileCannotBeCreatedDoesNotStartAndSaysSo) {
    PressSave((folder / "no" / "such" / "folder").string());
    EXPECT_EQ(zan.record.sessionActive, 0);
    EXPECT_EQ(Main(MAIN_SESSION_FILE).text, "Session NOT started: file not created !");
    EXPECT_TRUE(Main(MAIN_SESSION_CMD_1).Dimmed());
    ASSERT_EQ(engine.popups.back().kind, "message");
    EXPECT_NE(engine.popups.back().message.find("could not be created"), std::string::npos);
    DISPLAY(zan.setup.mainPanel, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
    EXPECT_EQ(zan.record.sessionRow, 0);
}

TEST_F(SessionFileTest, QuittingClosesTheOpenSessionWithItsTrailer) {
    PressSave((folder / "rides").string());
    Riding();
    SaveRowNow(zan);
    FINE(zan.setup.mainPanel, 107, EVENT_COMMIT, nullptr, 0, 0);
    const std::vector<std::string> lines = ReadLines(Rides("S_071226_09-00.csv"));
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[5], "#####");
    EXPECT_EQ(lines[10], "SPEED ave ,30.0");
}

// Said once in each place: the message box and a popup, which an engine with nobody at a window
// puts on the standard error; the station prints no line of its own beside it.
TEST_F(SessionFileTest, RideFilesNotWrittenAtQuitAreToldOnceInAPopupBeforeTheWindowGoes) {
    PressSave((folder / "rides").string());
    SaveRowNow(zan);
    // The FIT file's bytes cannot be made: its temporary name is a folder.
    std::filesystem::create_directory(folder / "rides" / "S_071226_09-00.fit.new");
    const std::size_t popups = engine.popups.size();
    testing::internal::CaptureStderr();
    FINE(zan.setup.mainPanel, 107, EVENT_COMMIT, nullptr, 0, 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "");
    ASSERT_EQ(engine.popups.size(), popups + 1);
    EXPECT_EQ(engine.popups.back().title, "FIT and TCX files");
    EXPECT_EQ(engine.popups.back().message.rfind("FIT and TCX files not written: ", 0), 0u);
    const std::vector<std::string>& lines = Main(MAIN_MESSAGES).lines;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), engine.popups.back().message), 1);
}

// --- A file taken from under the open session ---

TEST_F(SessionFileTest, FileDeletedMidSessionIsWrittenAnewWholeButAFileTakingItsNameIsNot) {
    for (const bool nameTaken : {false, true}) {
        PressSave((folder / "rides").string());
        const std::size_t told = Main(MAIN_MESSAGES).lines.size();
        const std::string path = zan.record.sessionPath;
        const std::string kept = nameTaken ? path + ".moved" : path;
        for (int row = 0; row < 9; ++row, engine.now += 1.0) {
            SaveRowNow(zan);
            std::error_code error;
            if (row == 2 && nameTaken) std::filesystem::rename(path, kept, error);
            if (row == 2 && !nameTaken) std::filesystem::remove(path, error);
            if (error) GTEST_SKIP() << "this system keeps an open file where it is";
            if (row == 2 && nameTaken) std::ofstream(path) << "notes\n";
        }
        // Noticed when the file is next stored on disk, within 5 s.
        ShowRecordNotices(zan);
        EXPECT_EQ(Main(MAIN_MESSAGES).lines.size(), told + 1);
        SAVE(zan.setup.mainPanel, 100, EVENT_COMMIT, nullptr, 0, 0);
        const SessionRows session = ReadSessionRows(kept);
        EXPECT_EQ(session.rows.size(), 9u);
        EXPECT_TRUE(RowsNumberedWithoutGap(session));
        EXPECT_EQ(session.trailer.size(), 6u);
        std::string refused;
        EXPECT_TRUE(ExportRide(kept, 0, nullptr, RideZone{}, refused)) << refused;
        if (nameTaken) {
            EXPECT_EQ(ReadFile(path), "notes\n");
        }
    }
}

// --- Held panel ---

class HeldPanelRideTest : public StationTest {};

// HOLD freezes the panel, not the file: while it is held the crank's heart rate, speed, cadence
// and auxiliary ratios (the pedalling figures OFL and OFR) change, and the rows follow the crank.
TEST_F(HeldPanelRideTest, RowsFollowTheCrankWhileThePanelIsHeld) {
    WriteFile("zan_01.set", MatchingSetupFile());
    WriteFile("zan_com.set", "5\n0\n0\n0\n");
    EmulatedCrankSettings settings;
    settings.cadence = 90.0;
    settings.heartRate = 120.0;
    settings.speed = 30.0;
    EmulatedCrank& crank = PlayEmulatedCrank(engine, "COM5", settings);
    std::filesystem::create_directory(folder / "rides");
    engine.dirAnswers.push_back((folder / "rides").string());
    ASSERT_EQ(Start(), 0);
    engine.RunUntil(5.0);
    SAVE(zan.setup.mainPanel, 100, EVENT_COMMIT, nullptr, 0, 0);
    engine.RunUntil(30.0);
    HOLD(zan.setup.mainPanel, MAIN_HOLD, EVENT_COMMIT, nullptr, 0, 0);
    crank.settings.heartRate = 160.0;
    crank.settings.speed = 20.0;
    crank.settings.cadence = 70.0;
    // 0.44 auxiliary counts a newton read as 60.5 against the correction reference of 55.
    crank.settings.scales.auxRatio = 0.44;
    engine.RunUntil(65.0);
    EXPECT_EQ(Main(MAIN_HEART_RATE).value, 120.0);
    EXPECT_NEAR(Main(MAIN_SPEED).value, 30.0, 0.1);
    SAVE(zan.setup.mainPanel, 100, EVENT_COMMIT, nullptr, 0, 0);

    // A row a second from 5 s: the rows from 15 s to the hold hold the ride before it, the last
    // 20 (from 45 s, the new cadence settled) the crank's new values.
    const SessionRows session = ReadSessionRows(zan.record.sessionPath);
    ASSERT_EQ(session.rows.size(), 60u);
    const struct {
        std::size_t first;
        std::size_t last;
        const char* heartRate;
        double cadence;
        const char* speed;
        double pedalFigure;
    } spans[] = {{10, 23, "120.0", 90.0, "30.0", 0.0}, {40, 59, "160.0", 70.0, "20.0", 5.5}};
    for (const auto& span : spans)
        for (std::size_t i = span.first; i <= span.last; ++i) {
            const std::vector<std::string>& cells = session.rows[i];
            EXPECT_EQ(cells[SessionCell::HeartRate], span.heartRate) << "row " << i;
            EXPECT_NEAR(std::stod(cells[SessionCell::Cadence]), span.cadence, 1.0) << "row " << i;
            EXPECT_EQ(cells[SessionCell::Speed], span.speed) << "row " << i;
            EXPECT_NEAR(std::stod(cells[SessionCell::OfLeft]), span.pedalFigure, 0.2)
                << "row " << i;
            EXPECT_NEAR(std::stod(cells[SessionCell::OfRight]), span.pedalFigure, 0.2)
                << "row " << i;
        }
}
