#pragma once
// The clock and waiting, as the station calls them: the engine's clock, so a test can run an
// hour of pedalling on a virtual clock in milliseconds.

#include <cstddef>

// One reading of the clock: the monotonic timer and the local date-time, in seconds. The
// station's core is given one at each tick, so a replay gives it the recorded ride's.
struct ClockReading {
    double timer;
    double dateTime;
};
// The engine's clock now.
ClockReading ReadClock();

int GetCurrentDateTime(double* dateTime);
int GetDateTimeElements(double dateTime, int* hour, int* minute, int* second, int* month, int* day,
                        int* year);
// Formats a date-time (or an elapsed time, taken modulo 24 hours) with strftime codes.
int FormatDateTimeString(double dateTime, const char* format, char* buffer, std::size_t size);
// The time of day as "hh:mm:ss".
int TimeStr(char* buffer, std::size_t size);
double Timer();
void Delay(double seconds);
void Sleep(int milliseconds);
