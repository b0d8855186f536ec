#pragma once
// Reading back a session file as the rider's spreadsheet would: its four header lines, its rows
// and its trailer, and whether every line of it is whole.

#include "record/session_columns.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct SessionRows {
    std::vector<std::string> header;            // the lines before the first row
    std::vector<std::vector<std::string>> rows; // each row's cells
    std::vector<std::string> trailer;           // "#####" and the lines after it
    bool wholeLines = true;                     // every line ends with its line end
    bool found = false;
};

SessionRows ReadSessionRows(const std::string& path);
// The rows are numbered 0, 1, 2, ... without a gap, each with every column of the header.
::testing::AssertionResult RowsNumberedWithoutGap(const SessionRows& session);
std::vector<std::string> SplitCells(const std::string& line);
// The raw stream kept beside a session file: the file's own name with the stream's ending.
std::string StreamBeside(const std::string& sessionPath);
// The replayed session holds the live one's rows value for value; else the first cell apart.
::testing::AssertionResult SameRows(const SessionRows& live, const SessionRows& replayed);

// One second of a ride as a session row holds it; a second of the link lost is all 0.
struct RideSecond {
    double heartRate;
    double cadence;
    double speed; // km/h
    double powerLeft;
    double powerRight;
};
// Writes S_071226_10-00.csv into folder, started at 10:00:00, a row a second and its trailer;
// returns its path.
std::string WriteSessionFile(const std::string& folder, const std::vector<RideSecond>& seconds);
