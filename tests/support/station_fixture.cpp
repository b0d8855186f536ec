#include "tests/support/station_fixture.h"

#include "app/callbacks.h"
#include "app/startup.h"
#include "platform/files.h"

#include <atomic>
#include <fstream>
#include <memory>
#include <sstream>

namespace {
std::atomic<int> folderCount{0};
}

void StationTest::SetUp() {
    previousFolder = std::filesystem::current_path();
    folder = std::filesystem::temp_directory_path() /
             ("zan_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
              "_" + std::to_string(folderCount++) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    Use();
}

void StationTest::TearDown() {
    // A test may end with its station still recording. Its files close here, as a quit would
    // close them: the file table is the thread's, and the Windows tests run every test in one
    // process, where the files left open ran the table out for the tests after them.
    for (int handle = 1; handle <= 256; ++handle) CVI_CloseFile(handle);
    UseEngine(nullptr);
    std::filesystem::current_path(previousFolder);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

void StationTest::WriteFile(const std::string& name, const std::string& text) {
    std::ofstream out(folder / name, std::ios::binary);
    out << text;
}

std::string StationTest::ReadFile(const std::string& name) const {
    std::ifstream in(folder / name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> StationTest::ReadLines(const std::string& name) const {
    std::vector<std::string> lines;
    std::ifstream in(folder / name);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

int StationTest::StartAndQuit(const std::string& commandLine, double quitAt) {
    engine.At(quitAt, [this] { FINE(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0); });
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    return program::WinMain(nullptr, nullptr, line.data(), 1);
}

std::string StationTest::RecordEmulatedSession(const EmulatedCrankSettings& settings,
                                               double seconds, double openAt) {
    WriteFile("zan_01.set", MatchingSetupFile());
    WriteFile("zan_com.set", "5\n0\n1\n1\n");
    PlayEmulatedCrank(engine, "COM5", settings);
    std::filesystem::create_directory(folder / "ride");
    engine.dirAnswers.push_back((folder / "ride").string());
    EXPECT_EQ(Start(), 0);
    if (openAt > 0.0) engine.RunUntil(openAt);
    SESSION(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
    engine.RunUntil(openAt + seconds / 2.0 + 0.01);
    zan.setup.setup.rightForceOffset += 40.0f;
    engine.RunUntil(openAt + seconds + 0.01);
    const std::string session = zan.record.sessionPath;
    SESSION(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
    return session;
}
