#pragma once
// Where a ride sits in time: the station's clock reads local wall-clock time, the ride files
// want UTC. The zone that turns one into the other is the computer's own unless the rider names
// the ride's offset from UTC.

#include <cstdint>
#include <string>

struct RideZone {
    bool fixedOffset = false;
    std::int32_t offsetSeconds = 0; // local time minus UTC, when fixed
};

// "+HH:MM" or "-HH:MM" (also "+HH" and "+HHMM"), at most 14 hours either side of UTC; false for
// anything else.
bool ParseUtcOffset(const std::string& text, std::int32_t& offsetSeconds);

// A local wall-clock time, counted as seconds since 1970-01-01 as if it were UTC (the form the
// engine's date-time takes), as the Unix time of that moment in the zone.
std::int64_t UnixTimeOfLocal(std::int64_t localSeconds, const RideZone& zone);

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(int year, int month, int day);
