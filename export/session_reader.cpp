#include "export/session_reader.h"

#include "export/regular_file.h"
#include "record/session_columns.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>

namespace {
constexpr const char* firstLineStart = "ZAN_session_file ,";
constexpr const char* byteOrderMark = "\xEF\xBB\xBF";
constexpr int secondsPerDay = 86400;
// Far longer than any line the station writes (a row takes some 120 characters): a longer one
// is no session's, and is not held whole.
constexpr std::streamsize longestLine = 4096;
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
// The cells that come from the crank: a lost link writes all of them as 0.
constexpr std::size_t crankCells[] = {
    SessionCell::HeartRate, SessionCell::Cadence,    SessionCell::Speed,
    SessionCell::PowerLeft, SessionCell::PowerRight, SessionCell::OfLeft,
    SessionCell::OfRight,   SessionCell::UdLeft,     SessionCell::UdRight,
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

// The file's name carries the start's date and minute: S_DDMMYY_HH-MM.csv.
bool DateFromName(const std::string& name, SessionRide& ride, int& nameSecondsOfDay) {
    int day = 0, month = 0, year = 0, hour = 0, minute = 0;
    char end = 0;
    if (std::sscanf(name.c_str(), "S_%2d%2d%2d_%2d-%2d%c", &day, &month, &year, &hour, &minute,
                    &end) != 6 ||
        (end != '.' && end != '_') || day < 1 || day > 31 || month < 1 || month > 12 || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59)
        return false;
    ride.year = 2000 + year;
    ride.month = month;
    ride.day = day;
    nameSecondsOfDay = hour * 3600 + minute * 60;
    return true;
}

// The next line without its line end (LF or CR LF); false at the end of the file, for a last
// line without its line end, which was being written when the program stopped, and for a line
// longer than longestLine (LineTooLong then tells).
bool NextLine(std::istream& in, std::string& line) {
    char text[longestLine];
    in.getline(text, longestLine);
    if (in.fail() || in.eof()) return false;
    line.assign(text, static_cast<std::size_t>(in.gcount() - 1));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

bool LineTooLong(const std::istream& in) {
    return in.fail() && !in.eof();
}

// The value after "Label ," of a trailer line.
bool TrailerValue(const std::string& line, const char* label, std::string& value) {
    const std::string start = std::string(label) + " ,";
    if (line.rfind(start, 0) != 0) return false;
    value = line.substr(start.size());
    return true;
}

void ReadTrailer(std::istream& in, SessionTrailer& trailer) {
    for (std::string line, value; NextLine(in, line);) {
        double number = 0.0;
        if (TrailerValue(line, "Time @ Stop", value))
            trailer.stopSecondsOfDay = SecondsOfDay(value);
        else if (TrailerValue(line, "Kcal @ Stop", value) && Number(value, number))
            trailer.kcal = number;
        else if (TrailerValue(line, "POWER ave", value) && Number(value, number))
            trailer.powerAverage = number;
        else if (TrailerValue(line, "SPEED ave", value) && Number(value, number))
            trailer.speedAverage = number;
    }
}
} // namespace

bool ReadSessionRide(const std::string& path, SessionRide& ride, std::string& error) {
    if (const FileKind kind = KindOfFile(path); kind != FileKind::Regular) {
        error = kind == FileKind::Missing
                    ? "cannot read " + path
                    : path + " " + NotReadBecause(kind) + ", not a ZAN session file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    return ReadSessionText(in, path, ride, error);
}

bool ReadSessionText(std::istream& in, const std::string& source, SessionRide& ride,
                     std::string& error) {
    ride = SessionRide{};
    constexpr double none = std::numeric_limits<double>::quiet_NaN();
    ride.trailer = SessionTrailer{-1, none, none, none};
    const std::string notSession = source + " is not a ZAN session file";
    std::string header[4];
    bool whole = true;
    for (std::string& line : header) whole = whole && NextLine(in, line);
    // An editor that saved the file as UTF-8 may have put a byte-order mark before it.
    if (header[0].rfind(byteOrderMark, 0) == 0) header[0].erase(0, 3);
    if (!whole || header[0].rfind(firstLineStart, 0) != 0 || header[3] != SessionColumnNames()) {
        error = notSession;
        return false;
    }
    const std::string name = header[0].substr(std::string(firstLineStart).size());
    const std::string timeLabel = "Time @ Start ,";
    int nameSecondsOfDay = 0;
    if (!DateFromName(name, ride, nameSecondsOfDay) || header[2].rfind(timeLabel, 0) != 0 ||
        (ride.startSecondsOfDay = SecondsOfDay(header[2].substr(timeLabel.size()))) < 0) {
        error = notSession + " (its start has no date or time)";
        return false;
    }
    // The name's minute and the start can differ by the time the folder popup stayed open:
    // a start earlier in the day than the name came after midnight.
    if (ride.startSecondsOfDay + 60 <= nameSecondsOfDay) ride.startSecondsOfDay += secondsPerDay;
    std::string line;
    std::size_t number = 5;
    for (; NextLine(in, line); ++number) {
        if (line == "#####") {
            ReadTrailer(in, ride.trailer);
            break;
        }
        const std::vector<std::string> cells = Cells(line);
        SessionRow row{};
        const bool complete = cells.size() == SessionCell::Count;
        row.secondsOfDay = complete ? SecondsOfDay(cells[SessionCell::Time]) : -1;
        bool read = row.secondsOfDay >= 0;
        for (const auto& cell : numberCells)
            read = read && Number(cells[cell.cell], row.*cell.value);
        for (std::size_t i = 0; read && i < std::size(crankCells); ++i) {
            double value = 0.0;
            read = Number(cells[crankCells[i]], value);
            row.fromCrank = row.fromCrank || value != 0.0;
        }
        if (!read) {
            error = notSession + " (line " + std::to_string(number) + " is no session row)";
            return false;
        }
        ride.rows.push_back(row);
    }
    if (LineTooLong(in)) {
        error = notSession + " (line " + std::to_string(number) + " is no session row)";
        return false;
    }
    return true;
}
