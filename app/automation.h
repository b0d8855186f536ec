#pragma once
// A measuring aid of the Qt program: ZAN_AUTOMATE names what the rider would do and when, so a
// script can measure the whole station on the emulator with a session recording and each plot
// mode, without a screen. Each step goes through the same command the rider's press reaches.
//
//   ZAN_AUTOMATE="1:session;20:plot=1;40:plot=2;59:session;60:quit"
//
// Steps are "seconds:action", separated by ';', timed from the start of the program. Actions:
// session (the session button; its folder popup is cancelled, so the session records into the
// folder used last, or dati), turn (save turn file), capture (capture 1000 frames), plot=N (the
// plot selector), code=N (the access code, entered), quit (the quit button) and histories=N (the
// time plot's histories as after N windows of riding, to measure the station on a long ride),
// reconnect (the link lamp) and readouts (the shown power and cadence appended to readouts.txt in
// the working folder, as "power W cadence RPM").

#include <string>
#include <vector>

enum class AutomationAction {
    Session,
    Turn,
    Capture,
    Plot,
    Code,
    Quit,
    Histories,
    Reconnect,
    Readouts
};

struct AutomationStep {
    int milliseconds;
    AutomationAction action;
    int value; // the plot mode, the access code or the windows
};

// Reads a script; false with the reason in error, and no steps, when any step is malformed.
bool ParseAutomation(const std::string& script, std::vector<AutomationStep>& steps,
                     std::string& error);
// Runs each step at its time from now on the event loop.
void ScheduleAutomation(const std::vector<AutomationStep>& steps);
// Runs one step at once.
void RunAutomationStep(const AutomationStep& step);
