#include "tests/support/session_rows.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {
constexpr std::size_t headerLines = 4;
} // namespace

std::vector<std::string> SplitCells(const std::string& line) {
    std::vector<std::string> cells;
    std::stringstream stream(line);
    for (std::string cell; std::getline(stream, cell, ',');) cells.push_back(cell);
    return cells;
}

std::string WriteSessionFile(const std::string& folder, const std::vector<RideSecond>& seconds) {
    const std::string path = folder + "/S_071226_10-00.csv";
    std::ofstream out(path, std::ios::binary);
    out << "ZAN_session_file ,S_071226_10-00.csv\nKM @ Start ,0.000\nTime @ Start ,10:00:00\n"
        << SessionColumnNames() << "\n";
    for (std::size_t i = 0; i < seconds.size(); ++i) {
        const RideSecond& s = seconds[i];
        const int clock = 36000 + static_cast<int>(i) + 1;
        const double power = s.powerLeft + s.powerRight;
        char row[256];
        std::snprintf(row, sizeof row,
                      "%5d,%02d:%02d:%02d,000,000,000,%.1f,%.1f,%.1f,0.0,%.1f,%.1f,%.1f,0.0,0.0,"
                      "0.0,0.0,80.0,99.9,0.000,0.00,0.00,0.00,%.0f\n",
                      static_cast<int>(i), clock / 3600, clock / 60 % 60, clock % 60, s.heartRate,
                      s.cadence, s.speed, power, s.powerLeft, s.powerRight,
                      power > 0.0 ? 100.0 * s.powerLeft / power : 0.0);
        out << row;
    }
    const int stop = 36000 + static_cast<int>(seconds.size()) + 1;
    char stopClock[16];
    std::snprintf(stopClock, sizeof stopClock, "%02d:%02d:%02d", stop / 3600, stop / 60 % 60,
                  stop % 60);
    out << "#####\nTime @ Stop ," << stopClock << "\n";
    return path;
}

SessionRows ReadSessionRows(const std::string& path) {
    SessionRows session;
    std::ifstream in(path, std::ios::binary);
    if (!in) return session;
    session.found = true;
    std::stringstream whole;
    whole << in.rdbuf();
    const std::string text = whole.str();
    session.wholeLines = text.empty() || text.back() == '\n';
    std::stringstream lines(text);
    bool inTrailer = false;
    for (std::string line; std::getline(lines, line);) {
        if (session.header.size() < headerLines) {
            session.header.push_back(line);
            continue;
        }
        if (line == "#####") inTrailer = true;
        if (inTrailer)
            session.trailer.push_back(line);
        else
            session.rows.push_back(SplitCells(line));
    }
    return session;
}

::testing::AssertionResult RowsNumberedWithoutGap(const SessionRows& session) {
    for (std::size_t i = 0; i < session.rows.size(); ++i) {
        const std::vector<std::string>& cells = session.rows[i];
        if (cells.size() != SessionCell::Count)
            return ::testing::AssertionFailure()
                   << "row " << i << " has " << cells.size() << " cells";
        char* end = nullptr;
        const long index = std::strtol(cells[SessionCell::Index].c_str(), &end, 10);
        if (end == cells[SessionCell::Index].c_str() || *end != '\0' ||
            index != static_cast<long>(i))
            return ::testing::AssertionFailure()
                   << "row " << i << " is numbered " << cells[SessionCell::Index];
    }
    return ::testing::AssertionSuccess() << session.rows.size() << " rows";
}

std::string StreamBeside(const std::string& sessionPath) {
    return sessionPath.substr(0, sessionPath.size() - 4) + ".zanraw";
}

::testing::AssertionResult SameRows(const SessionRows& live, const SessionRows& replayed) {
    const std::size_t rows = std::min(live.rows.size(), replayed.rows.size());
    for (std::size_t row = 0; row < rows; ++row) {
        const std::vector<std::string>& want = live.rows[row];
        const std::vector<std::string>& got = replayed.rows[row];
        for (std::size_t cell = 0; cell < std::max(want.size(), got.size()); ++cell) {
            const std::string wanted = cell < want.size() ? want[cell] : "(none)";
            const std::string given = cell < got.size() ? got[cell] : "(none)";
            if (wanted != given)
                return ::testing::AssertionFailure()
                       << "row " << row << ", cell " << cell << ": live " << wanted << ", replayed "
                       << given;
        }
    }
    if (live.rows.size() != replayed.rows.size())
        return ::testing::AssertionFailure()
               << "live " << live.rows.size() << " rows, replayed " << replayed.rows.size();
    return ::testing::AssertionSuccess() << rows << " rows alike";
}
