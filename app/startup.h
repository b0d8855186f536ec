#pragma once
// The program's entry: starts the engine, loads both panels, reads the setup and port files,
// opens the crank's port, gives every working variable its start value and runs the event loop.
// Returns 0 after the quit command, -1 when the engine or a panel cannot be started.

#include "app/station.h"

// In a namespace of its own: on Windows the global WinMain is the system's entry into a window
// program, which Qt's entry point supplies and which calls main.
namespace program {
int WinMain(void* instance, void* previousInstance, char* commandLine, int showState);
}

// Everything before the event loop; -1 when the engine or a panel cannot be started, or the
// command line is too long for a setup path.
int StartStation(Station& zan, void* instance, const char* commandLine);

// The start values of the working variables: cadence and speed read as stopped, the revolution
// period ring full, the frame counter at 1000, the single-side selector at both pedals; the
// window's followers of the measurement set up afresh.
void GiveWorkingDefaults(Station& zan);
// The window's followers of the measurement, in place of any before: the warm-up and the
// calibration with a mass.
void FollowInWindow(Station& zan);

// The longest setup path the command line may give.
constexpr int maxSetupPathLength = 511;
