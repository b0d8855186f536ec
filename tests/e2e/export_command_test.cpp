// zan_pc --export: a session file converted with no window, or refused with one line and code 2.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>

#ifndef ZAN_PC_PATH
#define ZAN_PC_PATH "zan_pc"
#endif

namespace {
// The program's exit code and what it wrote on its standard error (and, when asked, its standard
// output); zone is the computer's TZ, options follow the file; verb is the command the program is
// given.
int Export(const std::filesystem::path& file, std::string& said, const std::string& zone = "",
           const std::string& options = "", const char* verb = "--export",
           std::string* printed = nullptr) {
    const std::filesystem::path errors = file.parent_path() / "errors.txt";
    const std::filesystem::path output = file.parent_path() / "output.txt";
    const std::string command = std::string("env -u DISPLAY -u WAYLAND_DISPLAY ") +
                                (zone.empty() ? "" : "TZ=" + zone + " ") + "\"" + ZAN_PC_PATH +
                                "\" " + verb + " \"" + file.string() + "\" " + options + " 2>\"" +
                                errors.string() + "\" >\"" + output.string() + "\"";
    const int status = std::system(command.c_str());
    std::ifstream in(errors);
    said.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (printed != nullptr) {
        std::ifstream out(output);
        printed->assign(std::istreambuf_iterator<char>(out), std::istreambuf_iterator<char>());
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
constexpr const char* oneRowSession =
    "ZAN_session_file ,S_071226_10-00.csv\nKM @ Start ,0.000\n"
    "Time @ Start ,10:00:00\nINDEX,ELAT,LON E+ W-,LAT N+ S-,ALTI,HR,CAD,"
    "SPEED,KCAL,POWT,POWL,POWR,OFL,OFR,UDL,UDR,BATzan,BATphone,KmTOT,"
    "TorqT,TorqL,TorqR,Ratio% L\n    0,10:00:02,000,000,000,130.0,90.0,"
    "36.0,1.5,200.0,96.0,104.0,0.0,0.0,0.0,0.0,80.0,99.9,0.000,21.22,"
    "10.19,11.04,48\n";

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
} // namespace

TEST(ExportCommand, ConvertsASessionFileAndRefusesAnyOtherWithCodeTwo) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zan_export_cmd";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::filesystem::path good = folder / "S_071226_10-00.csv";
    std::ofstream(good) << oneRowSession;
    std::string said;
    std::string printed;
    EXPECT_EQ(Export(good, said, "", "", "--export", &printed), 0) << said;
    EXPECT_EQ(printed, "");
    EXPECT_TRUE(std::filesystem::exists(folder / "S_071226_10-00.fit"));
    EXPECT_TRUE(std::filesystem::exists(folder / "S_071226_10-00.tcx"));

    const std::filesystem::path bad = folder / "notes.csv";
    std::ofstream(bad) << "shopping,list\n";
    EXPECT_EQ(Export(bad, said), 2);
    EXPECT_NE(said.find("is not a ZAN session file"), std::string::npos) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
    EXPECT_FALSE(std::filesystem::exists(folder / "notes.fit"));
    EXPECT_FALSE(std::filesystem::exists(folder / "notes.tcx"));
    // The review window is refused the same way, before any window or Qt line.
    EXPECT_EQ(Export(bad, said, "", "", "--review"), 2);
    EXPECT_EQ(said, "zan_pc --review: " + bad.string() + " is not a ZAN session file\n");
    std::filesystem::remove_all(folder);
}

// A folder, a device that never ends and a pipe nobody writes, given as a raw stream or a session
// file in every mode that reads one, are refused at once by what they are: one line on the
// standard error and code 2. (A folder threw out of the stream's reader, /dev/zero filled the
// memory, a pipe waited for ever.)
TEST(ExportCommand, AFolderADeviceOrAPipeIsRefusedInEveryModeWithOneLineAndCodeTwo) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zan_export_kind";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "x.zanraw");
    std::filesystem::create_directories(folder / "x.csv");
    ASSERT_EQ(mkfifo((folder / "p.zanraw").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((folder / "p.csv").c_str(), 0600), 0);
    // /dev/zero under a name of the folder's, where the command's errors are kept.
    std::filesystem::create_symlink("/dev/zero", folder / "z.zanraw");
    std::filesystem::create_symlink("/dev/zero", folder / "z.csv");
    const struct {
        const char* verb;
        const char* options;
        const char* ending;
    } modes[] = {{"--replay", "--export", ".zanraw"},
                 {"--replay", "", ".zanraw"},
                 {"--review", "", ".zanraw"},
                 {"--review", "", ".csv"},
                 {"--export", "", ".csv"}};
    for (const auto& mode : modes) {
        for (const std::filesystem::path& given :
             {folder / (std::string("x") + mode.ending), folder / (std::string("z") + mode.ending),
              folder / (std::string("p") + mode.ending)}) {
            SCOPED_TRACE(std::string(mode.verb) + " " + given.string() + " " + mode.options);
            std::string said;
            EXPECT_EQ(Export(given, said, "", mode.options, mode.verb), 2);
            EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
            const bool folderGiven = given.filename().string()[0] == 'x';
            EXPECT_NE(said.find(folderGiven ? " is a folder" : " is no regular file"),
                      std::string::npos)
                << said;
        }
    }
    std::filesystem::remove_all(folder);
}

// Beside a session's own FIT (the live station's, with the pedalling metrics) the export leaves it
// byte for byte and writes its files under the next free name, saying which on the standard output.
TEST(ExportCommand, ASessionsOwnFitIsLeftByteForByteAndTheNewFilesTakeANewName) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zan_export_own";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::filesystem::path session = folder / "S_071226_10-00.csv";
    std::ofstream(session) << oneRowSession;
    const std::string liveFit("the live station's FIT\0with its metrics", 40);
    std::ofstream(folder / "S_071226_10-00.fit", std::ios::binary) << liveFit;
    std::string said;
    std::string printed;
    ASSERT_EQ(Export(session, said, "", "", "--export", &printed), 0) << said;
    EXPECT_EQ(said, "");
    EXPECT_EQ(Slurp(folder / "S_071226_10-00.fit"), liveFit);
    EXPECT_FALSE(std::filesystem::exists(folder / "S_071226_10-00.tcx"));
    const std::string stem = (folder / "S_071226_10-00_2").string();
    EXPECT_EQ(printed, "FIT and TCX files written as " + stem + ".fit and " + stem + ".tcx: " +
                           (folder / "S_071226_10-00.fit").string() + " is there already.\n");
    EXPECT_EQ(Slurp(stem + ".fit").substr(8, 4), ".FIT");
    EXPECT_NE(Slurp(stem + ".tcx").find(">200</ns3:Watts>"), std::string::npos);
    std::filesystem::remove_all(folder);
}

// The same ride in Rome converted in Rome or in New York gives the same files once its zone is
// given, as an offset or by name; an offset no zone has is refused.
TEST(ExportCommand, TheRidesZoneIsTheOneGivenNotTheConvertingComputers) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zan_export_zone";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::filesystem::path ride = folder / "S_071226_10-00.csv";
    std::ofstream(ride) << oneRowSession;
    const struct {
        const char* computer;
        const char* given;
    } conversions[] = {{"Europe/Rome", ""},
                       {"Europe/Rome", "--utc-offset +01:00"},
                       {"America/New_York", "--utc-offset +01:00"},
                       {"America/New_York", "--utc-offset Europe/Rome"}};
    std::string said;
    std::string first;
    for (const auto& conversion : conversions) {
        // The files of the conversion before are never written over: each goes first.
        std::filesystem::remove(folder / "S_071226_10-00.tcx");
        std::filesystem::remove(folder / "S_071226_10-00.fit");
        ASSERT_EQ(Export(ride, said, conversion.computer, conversion.given), 0) << said;
        const std::string tcx = Slurp(folder / "S_071226_10-00.tcx");
        EXPECT_NE(tcx.find("<Id>2026-12-07T09:00:00Z</Id>"), std::string::npos)
            << conversion.computer << " " << conversion.given;
        const std::string fit = Slurp(folder / "S_071226_10-00.fit");
        if (first.empty()) first = fit;
        EXPECT_EQ(fit, first) << conversion.computer << " " << conversion.given;
    }
    EXPECT_EQ(Export(ride, said, "Europe/Rome", "--utc-offset +25:00"), 2);
    EXPECT_NE(said.find("+25:00"), std::string::npos) << said;
    std::filesystem::remove_all(folder);
}

#endif
