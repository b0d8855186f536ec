#include "tests/support/session_rows.h"

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
