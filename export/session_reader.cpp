#include "export/session_reader.h"

#include "record/session_columns.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {
constexpr const char* firstLineStart = "ZAN_session_file ,";
// The cells a ride is exported from, and where each goes.
constexpr struct {
    std::size_t cell;
    double SessionRow::*value;
} numberCells[] = {
    {SessionCell::HeartRate, &SessionRow::heartRate},
    {SessionCell::Cadence, &SessionRow::cadence},
    {SessionCell::Speed, &SessionRow::speed},
    {SessionCell::Kcal, &SessionRow::kcal},
    {SessionCell::PowerTotal, &SessionRow::powerTotal},
    {SessionCell::PowerLeft, &SessionRow::powerLeft},
    {SessionCell::PowerRight, &SessionRow::powerRight},
    {SessionCell::RatioLeft, &SessionRow::leftShare},
};

// "hh:mm:ss" as seconds of the day; -1 when it is not a time.
int SecondsOfDay(const std::string& text) {
    int hours = 0, minutes = 0, seconds = 0;
    char end = 0;
    if (std::sscanf(text.c_str(), "%2d:%2d:%2d%c", &hours, &minutes, &seconds, &end) != 3 ||
        hours > 23 || minutes > 59 || seconds > 59 || hours < 0 || minutes < 0 || seconds < 0)
        return -1;
    return hours * 3600 + minutes * 60 + seconds;
}

bool Number(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end != text.c_str() && *end == '\0';
}

std::vector<std::string> Cells(const std::string& line) {
    std::vector<std::string> cells;
    std::stringstream stream(line);
    for (std::string cell; std::getline(stream, cell, ',');) cells.push_back(cell);
    if (!line.empty() && line.back() == ',') cells.emplace_back();
    return cells;
}

// The file's name carries the start's date: S_DDMMYY_HH-MM.csv.
bool DateFromName(const std::string& name, SessionRide& ride) {
    int day = 0, month = 0, year = 0, hour = 0, minute = 0;
    char end = 0;
    if (std::sscanf(name.c_str(), "S_%2d%2d%2d_%2d-%2d.csv%c", &day, &month, &year, &hour, &minute,
                    &end) != 5 ||
        day < 1 || day > 31 || month < 1 || month > 12)
        return false;
    ride.year = 2000 + year;
    ride.month = month;
    ride.day = day;
    return true;
}

std::string WithoutLineEnd(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}
} // namespace

bool ReadSessionRide(const std::string& path, SessionRide& ride, std::string& error) {
    ride = SessionRide{};
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::stringstream whole;
    whole << in.rdbuf();
    const std::string text = whole.str();
    std::vector<std::string> lines;
    std::stringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(WithoutLineEnd(line));
    // A last line without its line end was being written when the program stopped.
    if (!text.empty() && text.back() != '\n' && !lines.empty()) lines.pop_back();

    const std::string notSession = path + " is not a ZAN session file";
    if (lines.size() < 4 || lines[0].rfind(firstLineStart, 0) != 0 ||
        lines[3] != SessionColumnNames()) {
        error = notSession;
        return false;
    }
    const std::string name = lines[0].substr(std::string(firstLineStart).size());
    const std::string timeLabel = "Time @ Start ,";
    if (!DateFromName(name, ride) || lines[2].rfind(timeLabel, 0) != 0 ||
        (ride.startSecondsOfDay = SecondsOfDay(lines[2].substr(timeLabel.size()))) < 0) {
        error = notSession + " (its start has no date or time)";
        return false;
    }
    for (std::size_t i = 4; i < lines.size() && lines[i] != "#####"; ++i) {
        const std::vector<std::string> cells = Cells(lines[i]);
        SessionRow row{};
        row.secondsOfDay =
            cells.size() == SessionCell::Count ? SecondsOfDay(cells[SessionCell::Time]) : -1;
        bool whole = row.secondsOfDay >= 0;
        for (const auto& number : numberCells)
            whole = whole && Number(cells[number.cell], row.*number.value);
        if (!whole) {
            error = notSession + " (line " + std::to_string(i + 1) + " is no session row)";
            return false;
        }
        ride.rows.push_back(row);
    }
    return true;
}
