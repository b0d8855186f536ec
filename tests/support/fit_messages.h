#pragma once
// A FIT file as Garmin's own decoder reads it (the FIT SDK for JavaScript, run by Node): its
// messages by kind ("recordMesgs", "sessionMesgs", ...), each a map of field to number, dates as
// milliseconds since 1970. Whatever the decoder finds wrong with the file fails the test.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

using FitMessage = std::map<std::string, double>;
using FitMessages = std::map<std::string, std::vector<FitMessage>>;

// Fails the calling test (ADD_FAILURE) when the file is not read whole and without errors.
FitMessages DecodeFitFile(const std::filesystem::path& file);
