#pragma once
// The port file: the COM port of the crank's link, the warm-up mode and the two time-plot
// switches, one integer per line.

#include "platform/text_lines.h"
#include "setup/safe_file.h"
#include "setup/setup_file.h"
#include "setup/setup_state.h"

#include <cstddef>

constexpr const char* portFilePath = "zan_com.set";

// The four settings, in the file's order; only the first 10 characters of a line count.
struct PortSettings {
    int comPort;
    int warmupMode;
    int plotHeartRate;
    int plotCadence;
};
constexpr int portFileLines = 4;
constexpr int portLineChars = 10;
// At most this much of the port file is read, whatever it is: four short lines fit many times.
constexpr std::size_t portFileBound = 4096;

// Sets the setting of one line of the file (0 the first) from its text.
void SetPortLine(PortSettings& settings, int line, const char* text);
// The file's bytes, held in memory, into the settings; a line the file lacks keeps its value.
inline void ReadPortText(PortSettings& settings, const char* bytes, std::size_t size) {
    ReadValueText<portLineChars>(
        portFileLines, bytes, size,
        [&settings](int line, const char* text) { SetPortLine(settings, line, text); });
}

// The values a first start without a port file works with.
void SetPortDefaults(SetupState& setup);
// Whether every line the file's bytes have of the four holds an integer: Read, or NotANumber with
// the first line that does not.
SetupReading CheckPortText(const char* bytes, std::size_t size);
// Reads the file into comPort, warmupMode, plotHeartRate and plotCadence, keeping the current
// value of every line the file does not have; what the read came to. A file that cannot be read,
// or with a line that is not a number, changes nothing.
SetupReading ReadPortFile(SetupState& setup);
// The four settings in use.
PortSettings PortSettingsOf(const SetupState& setup);
// Writes the four lines; 0, or -1 with the problem told.
int WritePortFile(const PortSettings& settings, SaveProblem* problem);
