#pragma once

#include "platform/numbers.h"
// The live display: what the display timer puts on the main panel at each tick.

// Between window ends the window's result follows the crank's channels, the link's loss and
// the pedal figures; a held panel does not stop it.
void KeepResultCurrent();
// The read-outs of the crank's forces, cadence, speed, heart rate and battery.
void ShowLiveReadouts();
// The force, power or time plot, once a two-revolution window has been completed.
void PlotLastWindow();
// The OFL and OFR figures, evaluated every second tick from the peak trackers.
void EvaluatePedalFigures();
// Power, balance, the OFL/OFR and UDL/UDR read-outs with their colours, and the raw counts and
// the link's health at the calibration level.
void ShowPowerAndFigures();
