#include "export/ride_clock.h"

#include <cstdio>
#include <ctime>

namespace {
constexpr std::int64_t secondsPerDay = 86400;
constexpr std::int32_t largestOffset = 14 * 3600;

// The wall clock's offset from UTC at a local time: the computer's zone rules, through the
// standard library. mktime takes the local time apart from its fields, so any date works,
// whatever the daylight-saving rules of the zone; an hour the clock skips or repeats is read with
// the offset the library picks.
std::int64_t ComputerZoneUnixTime(std::int64_t localSeconds) {
    std::int64_t days = localSeconds / secondsPerDay;
    std::int64_t ofDay = localSeconds % secondsPerDay;
    if (ofDay < 0) {
        ofDay += secondsPerDay;
        days -= 1;
    }
    std::tm local{};
    // Days from the epoch added to January 1970: mktime brings the fields back into range.
    local.tm_year = 70;
    local.tm_mday = 1 + static_cast<int>(days);
    local.tm_hour = static_cast<int>(ofDay / 3600);
    local.tm_min = static_cast<int>(ofDay / 60 % 60);
    local.tm_sec = static_cast<int>(ofDay % 60);
    local.tm_isdst = -1;
    const std::time_t moment = std::mktime(&local);
    return moment == static_cast<std::time_t>(-1) ? localSeconds
                                                  : static_cast<std::int64_t>(moment);
}
} // namespace

std::int64_t DaysFromCivil(int year, int month, int day) {
    const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool ParseUtcOffset(const std::string& text, std::int32_t& offsetSeconds) {
    if (text.size() < 3 || (text[0] != '+' && text[0] != '-')) return false;
    int hours = 0, minutes = 0, used = 0;
    const char* digits = text.c_str() + 1;
    const bool parsed =
        std::sscanf(digits, "%2d:%2d%n", &hours, &minutes, &used) == 2 ||
        (minutes = 0, std::sscanf(digits, "%2d%2d%n", &hours, &minutes, &used) == 2) ||
        (minutes = 0, std::sscanf(digits, "%2d%n", &hours, &used) == 1);
    if (!parsed || static_cast<std::size_t>(used) + 1 != text.size()) return false;
    for (const char c : text.substr(1))
        if (c != ':' && (c < '0' || c > '9')) return false;
    const std::int32_t seconds = hours * 3600 + minutes * 60;
    if (minutes > 59 || seconds > largestOffset) return false;
    offsetSeconds = text[0] == '-' ? -seconds : seconds;
    return true;
}

std::int64_t UnixTimeOfLocal(std::int64_t localSeconds, const RideZone& zone) {
    if (zone.fixedOffset) return localSeconds - zone.offsetSeconds;
    return ComputerZoneUnixTime(localSeconds);
}
