#pragma once
// The setup file: the crank's calibration and the bicycle's geometry, one number per line.

#include "platform/text_lines.h"
#include "setup/setup_state.h"

#include <cstddef>

constexpr const char* defaultSetupPath = "zan_01.set";
// One value a line, in the order of SetupParameters; only the first 10 characters of a line count.
constexpr int setupFileLines = 23;
constexpr int setupLineChars = 10;

// Sets the value of one line of the file (0 the first) from its text.
void SetSetupLine(SetupParameters& setup, int line, const char* text);
// The file's bytes, held in memory, into the parameters; a line the file lacks keeps its value.
inline void ReadSetupText(SetupParameters& setup, const char* bytes, std::size_t size) {
    ReadValueText<setupLineChars>(
        setupFileLines, bytes, size,
        [&setup](int line, const char* text) { SetSetupLine(setup, line, text); });
}

// The values a first start without a setup file works with.
void SetSetupDefaults();
// The station listens to the crank instead of simulating one.
void StopSimulation();
// Reads the file into the setup record, keeping the current value of every line the file does
// not have, then shows the parameters. Returns 0, or -1 when the file cannot be opened.
int LoadPar(const char* path);
// Takes the shown parameters from the panel and writes all 23 lines. The file is replaced in one
// step, so a failed save leaves the previous file whole. Returns 0, or -1 after telling the user.
int SavePar(const char* path);
// Saves the setup into the default file, which becomes the one in use.
void SaveDefaultSetup();
// The setup file in use from now on.
void KeepSetupPath(const char* path);
// The panels the setup's controls live on, as the engine loaded them.
void KeepPanels(int mainPanel, int warmupPanel);
// After the load at start: the wheel's circumference from its diameter, and a correction
// coefficient out of range taken as no correction at all, not as the bound.
void TakeWheelAndCorrections();
// Shows the 19 shown parameters in their fields.
void ShowSetupParameters();
