#pragma once
// The setup file: the crank's calibration and the bicycle's geometry, one number per line.

#include "link/link_state.h"
#include "platform/text_lines.h"
#include "setup/safe_file.h"
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

// How reading a setup or port file went; anything but Read leaves the values as they were.
enum class SetupRead {
    Read,
    Missing,
    Folder,
    NotAFile,
    CannotRead,
    NotText,
    NoNumber,
    NotANumber,
    DanglingLink
};
// What a read came to, with the first line that is not a number (1 the first) for NotANumber.
struct SetupReading {
    SetupRead read;
    int line;
};
// What is wrong with the file, to follow its name in a message ("is a folder", "line 2 is not a
// number").
void SetupReadProblem(const SetupReading& reading, char* text, std::size_t size);
// Reads a small file of one value a line whole into bytes: Read, or why it could not be (a link
// whose target is not there is DanglingLink, not Missing).
SetupRead ReadValueFile(const char* path, char* bytes, std::size_t capacity, std::size_t* size);
// Whether a file's bytes are a calibration: text (no control characters) with a number on every
// line it has of the 23. Read, NotText, NoNumber (not one line holds one) or NotANumber.
SetupReading CheckSetupText(const char* bytes, std::size_t size);
// At most this much of a setup file is read: 23 lines of a few characters fit many times over.
constexpr std::size_t setupFileBound = 4096;

// The values a first start without a setup file works with.
void SetSetupDefaults(SetupParameters& setup);
// The station listens to the crank instead of simulating one.
void StopSimulation(SetupState& setup);
// Reads the file into the setup record, keeping the current value of every line the file does
// not have; what the read came to. A file that cannot be read or is no calibration leaves the
// record unchanged.
SetupReading LoadSetupFile(SetupState& setup, const char* path);
// The start's load: as LoadSetupFile, noting whether the calibration in use was read (a first
// start without the default file counts as read: its defaults are the setup).
SetupReading LoadStartSetup(SetupState& setup, const char* path);
// Writes all 23 lines; the serial number is the crank's own once it identified itself. The file
// is replaced in one step, after the file it replaces is kept (see safe_file.h), so a failed save
// leaves the previous file whole. Returns 0, or -1 with the problem told.
int SaveSetupFile(SetupState& setup, const LinkState& link, const char* path, SaveProblem* problem);
// True while the calibration in use was not read from a file and the default file's name is
// taken (by a file, a folder or a link, even one to nothing): the saves of quitting and zeroing
// leave it as it is.
bool DefaultSetupIsTheRidersOwn(const SetupState& setup);
// The setup file in use from now on.
void KeepSetupPath(SetupState& setup, const char* path);
// The panels the setup's controls live on, as the engine loaded them.
void KeepPanels(SetupState& setup, int mainPanel, int warmupPanel);
// The correction coefficients the start-up set to 0, with the values the file gave.
struct ClampedCoefficients {
    bool right;
    bool left;
    float rightWas;
    float leftWas;
};
// After the load at start: the wheel's circumference from its diameter, and a correction
// coefficient out of range taken as no correction at all, not as the bound.
ClampedCoefficients TakeWheelAndCorrections(SetupState& setup);
