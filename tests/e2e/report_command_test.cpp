// zan_pc --report: one page of PDF with two rides' pedalling, before and after, written with no
// window; or one line and code 2 when a ride cannot be read or the PDF is there already.
#ifndef _WIN32

#include "tests/support/session_rows.h"
#include "tests/support/station_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#ifndef ZAN_PC_PATH
#define ZAN_PC_PATH "zan_pc"
#endif

namespace {
// A station of its own recording one emulated ride, its raw stream then copied into folder.
class RideRecorder : public StationTest {
  public:
    std::filesystem::path Record(const EmulatedCrankSettings& settings, double daysLater,
                                 const std::filesystem::path& into) {
        SetUp();
        engine.startDateTime += daysLater * 86400.0;
        const std::string stream = StreamBeside(RecordEmulatedSession(settings, 40.0, 2.0));
        const std::filesystem::path kept = into / std::filesystem::path(stream).filename();
        std::filesystem::copy_file(stream, kept);
        TearDown();
        return kept;
    }
    void TestBody() override {}
};

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The program's exit code, what it said on its standard error, and what it printed.
int Report(const std::string& arguments, const std::filesystem::path& folder, std::string& said,
           std::string& printed) {
    const std::string command =
        std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \"") + ZAN_PC_PATH +
        "\" --report " + arguments + " 2>\"" + (folder / "errors.txt").string() + "\" >\"" +
        (folder / "output.txt").string() + "\"";
    const int status = std::system(command.c_str());
    said = Slurp(folder / "errors.txt");
    printed = Slurp(folder / "output.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quoted(const std::filesystem::path& path) {
    return "\"" + path.string() + "\"";
}

// The PDF's text as poppler reads it, its columns kept in place.
std::string PdfText(const std::filesystem::path& pdf) {
    const std::filesystem::path text = pdf.string() + ".txt";
    const std::string command = "pdftotext -layout " + Quoted(pdf) + " " + Quoted(text);
    if (std::system(command.c_str()) != 0) return "pdftotext failed";
    return Slurp(text);
}

class ReportCommand : public testing::Test {
  protected:
    // The rides are recorded once, for every test of the suite (a station's fixture needs the
    // test under way).
    void SetUp() override {
        if (!beforeStream.empty()) return;
        // A folder of this process's own: ctest runs each test in a process of its own, side
        // by side.
        folder = std::filesystem::temp_directory_path() /
                 ("zan_report_command_" + std::to_string(getpid()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        // Before: an even push, the left pedal weaker. After, a week later: a short high stab
        // on both pedals (sin^3), which scores lower.
        EmulatedCrankSettings before;
        before.leftPeak = 220.0;
        EmulatedCrankSettings after;
        after.peakedness = 3.0;
        after.rightPeak = 400.0;
        after.leftPeak = 400.0;
        beforeStream = RideRecorder().Record(before, 0.0, folder);
        afterStream = RideRecorder().Record(after, 7.0, folder);
    }
    static void TearDownTestSuite() {
        std::filesystem::remove_all(folder);
        beforeStream.clear();
    }
    static std::filesystem::path folder;
    static std::filesystem::path beforeStream;
    static std::filesystem::path afterStream;
};
std::filesystem::path ReportCommand::folder;
std::filesystem::path ReportCommand::beforeStream;
std::filesystem::path ReportCommand::afterStream;
} // namespace

TEST_F(ReportCommand, TwoRidesMakeOnePageNamingBothWithTheirFiguresSideBySide) {
    ASSERT_NE(beforeStream.filename(), afterStream.filename());
    const std::filesystem::path pdf = folder / "both.pdf";
    std::string said, printed;
    ASSERT_EQ(Report(Quoted(beforeStream) + " " + Quoted(afterStream) + " --pdf " + Quoted(pdf),
                     folder, said, printed),
              0)
        << said;
    EXPECT_EQ(said, "");
    EXPECT_EQ(printed, pdf.string() + "\n");
    EXPECT_EQ(Slurp(pdf).substr(0, 5), "%PDF-");
    EXPECT_EQ(std::system(("pdfinfo " + Quoted(pdf) + " | grep -q '^Pages: *1$'").c_str()), 0);
    const std::string text = PdfText(pdf);
    EXPECT_NE(text.find("Pedalling before and after"), std::string::npos) << text;
    // Each ride by its file's name and its date: a week apart.
    for (const std::filesystem::path& stream : {beforeStream, afterStream})
        EXPECT_NE(text.find(stream.filename().string() + ", started 20"), std::string::npos)
            << text;
    for (const char* caption : {"Peak angle (deg)", "Power phase (deg)", "Peak power phase (deg)",
                                "Top dead spot", "Bottom dead spot", "Shape score", "Balance (%)",
                                "Torque effectiveness (%)", "Pedal smoothness (%)"})
        EXPECT_NE(text.find(caption), std::string::npos) << caption << "\n" << text;
    // The table's lines: before's right and left, then after's. Both strokes peak at 90 degrees;
    // the even push scores 64 and the stab (sin^3) far less; before's left pedal gave less of
    // the power than after's.
    const auto line = [&text](const std::string& caption) {
        const std::size_t at = text.find(caption);
        return at == std::string::npos ? std::string() : text.substr(at, text.find('\n', at) - at);
    };
    const auto numbers = [&line](const std::string& caption) {
        std::vector<double> values;
        std::string rest = line(caption).substr(caption.size());
        for (char& c : rest)
            if (c == '/' || c == '-' || c == 'N') c = ' ';
        std::istringstream in(rest);
        for (double value; in >> value;) values.push_back(value);
        return values;
    };
    const std::vector<double> peaks = numbers("Peak angle (deg)");
    ASSERT_EQ(peaks.size(), 4u) << line("Peak angle (deg)");
    for (const double peak : peaks) EXPECT_NEAR(peak, 90.0, 3.0) << line("Peak angle (deg)");
    const std::vector<double> shapes = numbers("Shape score");
    ASSERT_EQ(shapes.size(), 4u) << line("Shape score");
    EXPECT_NEAR(shapes[0], 64.0, 4.0);
    EXPECT_NEAR(shapes[1], 64.0, 4.0);
    EXPECT_LT(shapes[2], 50.0);
    EXPECT_LT(shapes[3], 50.0);
    const std::vector<double> balance = numbers("Balance (%)");
    ASSERT_EQ(balance.size(), 4u) << line("Balance (%)");
    EXPECT_NEAR(balance[0] + balance[1], 100.0, 0.2);
    EXPECT_NEAR(balance[2] + balance[3], 100.0, 0.2);
    EXPECT_LT(balance[1], balance[3] - 5.0) << "the left pedal weaker before";
    // The peak power phase narrows from 30-150 to about 53-127 (sin^3 at half its peak).
    const std::vector<double> peakPhase = numbers("Peak power phase (deg)");
    ASSERT_EQ(peakPhase.size(), 8u) << line("Peak power phase (deg)");
    EXPECT_NEAR(peakPhase[2], 30.0, 4.0);
    EXPECT_NEAR(peakPhase[3], 150.0, 4.0);
    EXPECT_NEAR(peakPhase[6], 53.0, 5.0);
    EXPECT_NEAR(peakPhase[7], 127.0, 5.0);

    // One ride alone is a report of its own; a stream cut short (a kill mid-write) is reported
    // to its last whole block, its note told in one line.
    const std::filesystem::path cutShort = folder / "cut_short.zanraw";
    std::filesystem::copy_file(afterStream, cutShort);
    std::filesystem::resize_file(cutShort, std::filesystem::file_size(afterStream) - 10);
    const std::filesystem::path alone = folder / "alone.pdf";
    ASSERT_EQ(Report(Quoted(cutShort) + " --pdf " + Quoted(alone), folder, said, printed), 0)
        << said;
    EXPECT_NE(said.find("read to its last whole block"), std::string::npos) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
    const std::string aloneText = PdfText(alone);
    EXPECT_NE(aloneText.find("cut_short.zanraw, started"), std::string::npos) << aloneText;
    EXPECT_EQ(aloneText.find(beforeStream.filename().string()), std::string::npos) << aloneText;
    if (const char* picture = std::getenv("ZAN_REPORT_PICTURE"))
        std::filesystem::copy_file(pdf, picture, std::filesystem::copy_options::overwrite_existing);
}

// A PDF already there, a ride missing, a file that is no stream and a stream cut within its
// header: one line each, code 2, and no file written or changed.
TEST_F(ReportCommand, EveryRefusalIsOneLineWithCodeTwoAndLeavesTheFilesAsTheyWere) {
    const std::filesystem::path there = folder / "there.pdf";
    std::ofstream(there) << "the rider's own notes";
    const std::filesystem::path junk = folder / "junk.zanraw";
    std::ofstream(junk) << "no stream here";
    const std::filesystem::path cut = folder / "cut.zanraw";
    std::filesystem::copy_file(beforeStream, cut);
    std::filesystem::resize_file(cut, 100);
    const std::filesystem::path fresh = folder / "fresh.pdf";
    const struct {
        std::string arguments;
        std::string reason;
    } refusals[] = {
        {Quoted(beforeStream) + " --pdf " + Quoted(there), there.string() + " is there already"},
        {Quoted(folder / "missing.zanraw") + " --pdf " + Quoted(fresh), "missing.zanraw"},
        {Quoted(beforeStream) + " " + Quoted(junk) + " --pdf " + Quoted(fresh),
         "junk.zanraw\" is no raw stream of the station"},
        {Quoted(cut) + " --pdf " + Quoted(fresh), "cut.zanraw"},
        {Quoted(beforeStream) + " " + Quoted(afterStream) + " " + Quoted(afterStream) + " --pdf " +
             Quoted(fresh),
         "usage: zan_pc --report"},
        {Quoted(beforeStream) + " " + Quoted(fresh), "usage: zan_pc --report"},
    };
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.arguments);
        std::string said, printed;
        EXPECT_EQ(Report(refusal.arguments, folder, said, printed), 2);
        EXPECT_NE(said.find(refusal.reason), std::string::npos) << said;
        EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
        EXPECT_EQ(printed, "");
        EXPECT_FALSE(std::filesystem::exists(fresh));
    }
    EXPECT_EQ(Slurp(there), "the rider's own notes");
}

#endif
