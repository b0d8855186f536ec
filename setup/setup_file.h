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

// How reading a setup file went; anything but Read leaves the setup record as it was.
enum class SetupRead { Read, Missing, Folder, NotAFile, CannotRead, NotText, NoNumber };
// What is wrong with the file, to follow its name in a message ("is a folder").
const char* SetupReadProblem(SetupRead read);
// Whether a file's bytes are a calibration: text (no control characters) with a number on at
// least one of its 23 lines. Read, NotText or NoNumber.
SetupRead CheckSetupText(const char* bytes, std::size_t size);
// At most this much of a setup file is read: 23 lines of a few characters fit many times over.
constexpr std::size_t setupFileBound = 4096;

// The values a first start without a setup file works with.
void SetSetupDefaults();
// The station listens to the crank instead of simulating one.
void StopSimulation();
// Reads the file into the setup record, keeping the current value of every line the file does
// not have, then shows the parameters. Returns 0, or -1 when the file cannot be read or is no
// calibration (the record is then unchanged); read, when given, says which.
int LoadPar(const char* path, SetupRead* read = nullptr);
// The start's load: as LoadPar, without showing, and noting whether the calibration in use was
// read (a first start without the default file counts as read: its defaults are the setup).
SetupRead LoadStartSetup(const char* path);
// Takes the shown parameters from the panel and writes all 23 lines. The file is replaced in one
// step, after the file it replaces is kept as "<path>.bak", so a failed save leaves the previous
// file whole. Returns 0, or -1 after telling the user.
int SavePar(const char* path);
// Saves the setup into the default file, which becomes the one in use (the rider's save).
// Returns SavePar's result.
int SaveDefaultSetup();
// The save of quitting and zeroing: as SaveDefaultSetup, but a default file is left as it is
// while the calibration in use is not one read from a file. Returns 0 when saved or left, -1 when
// the save failed.
int SaveDefaultSetupIfRead();
// The setup file in use from now on.
void KeepSetupPath(const char* path);
// The panels the setup's controls live on, as the engine loaded them.
void KeepPanels(int mainPanel, int warmupPanel);
// The correction coefficients the start-up set to 0, with the values the file gave.
struct ClampedCoefficients {
    bool right;
    bool left;
    float rightWas;
    float leftWas;
};
// After the load at start: the wheel's circumference from its diameter, and a correction
// coefficient out of range taken as no correction at all, not as the bound.
ClampedCoefficients TakeWheelAndCorrections();
// Shows the 19 shown parameters in their fields.
void ShowSetupParameters();
