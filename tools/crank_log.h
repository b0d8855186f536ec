#pragma once
// The emulator's log: one line per notable event on standard error, stamped with the seconds
// since the emulator started.

#if defined(__GNUC__) || defined(__clang__)
#define ZAN_CRANK_PRINTF(formatAt, argumentsAt)                                                    \
    __attribute__((format(printf, formatAt, argumentsAt)))
#else
#define ZAN_CRANK_PRINTF(formatAt, argumentsAt)
#endif

// Seconds since the emulator started, on the monotonic clock that also paces the frames.
double CrankSeconds();
// With quiet on, only errors are written.
void SetCrankLogQuiet(bool quiet);
void CrankLog(const char* format, ...) ZAN_CRANK_PRINTF(1, 2);
void CrankError(const char* format, ...) ZAN_CRANK_PRINTF(1, 2);
