#pragma once
// The setup on the panel: the window title, the shown parameters, the port choices, the single
// side, the warm-up window, and the setup and port files as the rider loads and saves them.

#include "app/station.h"
#include "setup/safe_file.h"
#include "setup/setup_file.h"
#include "setup/warmup.h"

// The 19 parameters shown on the panel, in the order the panel is filled and read back, with
// the field each shows.
struct ShownParameter {
    int control;
    float SetupParameters::*floatField;
    int SetupParameters::*intField;
};
constexpr int shownParameterCount = 19;
extern const ShownParameter shownParameters[shownParameterCount];

void ShowStartupTitle(Station& zan);
void ShowConnectedTitle(Station& zan, const char* mark);

// Shows the 19 shown parameters in their fields.
void ShowSetupParameters(const Station& zan);
// Reads the file into the setup and shows the parameters. Returns 0, or -1 when the file cannot
// be read or is no calibration (the setup is then unchanged); read, when given, says which.
int LoadPar(Station& zan, const char* path, SetupReading* read = nullptr);
// Takes the shown parameters from the panel and saves the setup file. Returns 0, or -1 after
// telling the rider.
int SavePar(Station& zan, const char* path);
// Saves the setup into the default file, which becomes the one in use (the rider's save).
int SaveDefaultSetup(Station& zan);
// The save of quitting and zeroing: as SaveDefaultSetup, but a default file is left as it is
// while the calibration in use is not one read from a file. Returns 0 when saved or left, -1 when
// the save failed.
int SaveDefaultSetupIfRead(Station& zan);
// Tells the rider that a file could not be saved.
void ShowSaveProblem(const char* what, const SaveProblem& problem);

// The port file's settings in their controls.
void ShowPortChoices(const Station& zan);
// The port number chosen on the panel becomes the one in use; returns it.
int TakePanelComPort(Station& zan);
// The warm-up mode and the two time-plot switches chosen on the panel become the ones in use.
void TakePanelPortChoices(Station& zan);
// Writes the port file with the settings in use; 0, or -1 after telling the rider.
int SavePortFile(const Station& zan);

void ShowSingleSide(const Station& zan);
// The single side chosen on the panel becomes the one measured.
void TakePanelSingleSide(Station& zan);
// The offsets in their fields, after a zero.
void ShowOffsets(const Station& zan);

// The warm-up window after a window end's step.
void ShowWarmup(const SetupState& setup, const WarmupStep& step);
// The warm-up is over (reset or skipped): its window goes.
void CloseWarmup(Station& zan);
