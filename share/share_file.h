#pragma once
// The sharing file: whether the station shares with training apps, kept across runs beside the
// port file. One line, 1 on or 0 off.

#include "setup/safe_file.h"
#include "setup/setup_file.h"

#include <cstddef>

constexpr const char* shareFilePath = "zan_share.set";
constexpr std::size_t shareFileBound = 1024;

// The switch from the file's bytes: Read with on set, or NotANumber when its line holds no 0 or 1.
SetupReading ReadShareText(const char* bytes, std::size_t size, bool& on);
// Reads the file: Read with on set; otherwise on is left as it was and the read says why.
SetupReading ReadShareFile(bool& on);
// Writes the switch; 0, or -1 with the problem told.
int WriteShareFile(bool on, SaveProblem* problem);
