#pragma once
// The setup file: the crank's calibration and the bicycle's geometry, one number per line.

constexpr const char* defaultSetupPath = "zan_01.set";

// The values a first start without a setup file works with.
void SetSetupDefaults();
// Reads the file into the setup record, keeping the current value of every line the file does
// not have, then shows the parameters. Returns 0, or -1 when the file cannot be opened.
int LoadPar(const char* path);
// Takes the shown parameters from the panel and writes all 23 lines. The file is replaced in one
// step, so a failed save leaves the previous file whole. Returns 0, or -1 after telling the user.
int SavePar(const char* path);
// Shows the 19 shown parameters in their fields.
void ShowSetupParameters();
