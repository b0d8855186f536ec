#include "export/ride_export.h"

#include "export/fit_activity.h"
#include "export/session_reader.h"
#include "export/tcx_activity.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <limits>

namespace {
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr int secondsPerDay = 86400;

// The local midnight of the session's date, in Unix seconds: the rows' times are local.
std::int64_t LocalMidnight(const SessionRide& ride) {
    std::tm local{};
    local.tm_year = ride.year - 1900;
    local.tm_mon = ride.month - 1;
    local.tm_mday = ride.day;
    local.tm_hour = 12; // noon first, so a daylight-saving change that night cannot move the day
    local.tm_isdst = -1;
    const std::time_t noon = std::mktime(&local);
    return static_cast<std::int64_t>(noon) - 12 * 3600;
}

// Local time minus UTC at that moment, in seconds.
std::int32_t LocalOffset(std::int64_t unixTime) {
    const std::time_t time = static_cast<std::time_t>(unixTime);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &time);
#else
    gmtime_r(&time, &utc);
#endif
    utc.tm_isdst = -1;
    return static_cast<std::int32_t>(unixTime - static_cast<std::int64_t>(std::mktime(&utc)));
}

std::string Beside(const std::string& sessionPath, const char* extension) {
    std::filesystem::path path(sessionPath);
    path.replace_extension(extension);
    return path.string();
}
} // namespace

bool ExportRide(const std::string& sessionPath, unsigned serialNumber,
                const std::vector<PedalMetrics>* metrics, std::string& error) {
    SessionRide ride;
    if (!ReadSessionRide(sessionPath, ride, error)) return false;

    // Each row stands for the interval before it: its speed over that time is its distance,
    // its power its work. A time of day earlier than the last is the next day.
    const std::int64_t midnight = LocalMidnight(ride);
    const std::int64_t start = midnight + ride.startSecondsOfDay;
    // Local time a few hours either side of the clock's own offset is still the same moment.
    const std::int32_t offset = LocalOffset(start);
    FitActivity fit{};
    fit.startTime = static_cast<std::uint32_t>(start - fitEpochUnixSeconds);
    fit.localOffset = offset;
    TcxActivity tcx{};
    tcx.startUnixTime = start;
    std::int64_t dayStart = midnight;
    std::int64_t previous = start;
    int lastSeconds = ride.startSecondsOfDay;
    double distance = 0.0, work = 0.0, powerSum = 0.0, cadenceSum = 0.0, heartSum = 0.0;
    double maximumPower = 0.0, maximumHeart = 0.0;
    for (std::size_t i = 0; i < ride.rows.size(); ++i) {
        const SessionRow& row = ride.rows[i];
        if (row.secondsOfDay < lastSeconds) dayStart += secondsPerDay;
        lastSeconds = row.secondsOfDay;
        const std::int64_t time = dayStart + row.secondsOfDay;
        const double interval = static_cast<double>(std::max<std::int64_t>(time - previous, 0));
        previous = time;
        const double speed = row.speed / 3.6;
        distance += speed * interval;
        work += std::max(row.powerTotal, 0.0) * interval;
        powerSum += row.powerTotal;
        cadenceSum += row.cadence;
        heartSum += row.heartRate;
        maximumPower = std::max(maximumPower, row.powerTotal);
        maximumHeart = std::max(maximumHeart, row.heartRate);

        const bool hasMetrics = metrics != nullptr && i < metrics->size();
        const PedalMetrics pedal = hasMetrics ? (*metrics)[i] : PedalMetrics{};
        const auto metric = [hasMetrics](float value) {
            return hasMetrics ? static_cast<double>(value) : notANumber;
        };
        fit.records.push_back(
            FitRecord{static_cast<std::uint32_t>(time - fitEpochUnixSeconds), row.powerTotal,
                      row.cadence, speed, row.heartRate, distance, row.leftShare,
                      metric(pedal.torqueEffectivenessLeft), metric(pedal.torqueEffectivenessRight),
                      metric(pedal.pedalSmoothnessLeft), metric(pedal.pedalSmoothnessRight)});
        tcx.points.push_back(
            TcxPoint{time, row.heartRate, row.cadence, speed, distance, row.powerTotal});
    }
    const double rows = static_cast<double>(std::max<std::size_t>(ride.rows.size(), 1));
    fit.serialNumber = serialNumber;
    fit.elapsedSeconds = static_cast<double>(previous - start);
    fit.distance = distance;
    fit.work = work;
    fit.averagePower = powerSum / rows;
    fit.maximumPower = maximumPower;
    fit.averageCadence = cadenceSum / rows;
    fit.averageHeartRate = heartSum / rows;
    fit.calories = ride.rows.empty() ? 0.0 : ride.rows.back().kcal;
    tcx.elapsedSeconds = fit.elapsedSeconds;
    tcx.distance = distance;
    tcx.calories = fit.calories;
    tcx.averageHeartRate = fit.averageHeartRate;
    tcx.maximumHeartRate = maximumHeart;

    const std::string fitPath = Beside(sessionPath, ".fit");
    if (!WriteFitActivity(fitPath, fit, error)) return false;
    if (!WriteTcxActivity(Beside(sessionPath, ".tcx"), tcx, error)) {
        std::error_code ignored;
        std::filesystem::remove(fitPath, ignored);
        return false;
    }
    return true;
}
