#pragma once
// The port file: the COM port of the crank's link, the warm-up mode and the two time-plot
// switches, one integer per line.

constexpr const char* portFilePath = "zan_com.set";

// The values a first start without a port file works with.
void SetPortDefaults();
// Reads the file into comPort, warmupMode, plotHeartRate and plotCadence, keeping the current
// value of every line the file does not have, and shows each in its control.
void ReadPortFile();
// Writes the four lines with the given port number; 0, or -1 after telling the user.
int WritePortFile(int port, int warmup, int heartRatePlot, int cadencePlot);
