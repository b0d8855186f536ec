#pragma once

// The live display: what the display timer puts on the main panel at each tick.

#include "app/station.h"
#include "platform/numbers.h"

// The plot selector's fourth choice, "Polar".
constexpr int polarPlotMode = 3;

// The read-outs of the crank's forces, cadence, speed, heart rate and battery.
void ShowLiveReadouts(const Station& zan);
// The force, power or time plot, once a two-revolution window has been completed.
void PlotLastWindow(Station& zan);
// Power, balance, the OFL/OFR and UDL/UDR read-outs with their colours, and the raw counts and
// the link's health at the calibration level.
void ShowPowerAndFigures(const Station& zan);
// The polar view: the mean force curves of the last revolutions, and the figures beside them,
// which show only with it.
void PlotPolarView(Station& zan);
void ShowPolarControls(const Station& zan, int shown);
void ShowPolarFigures(Station& zan);
