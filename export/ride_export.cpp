#include "export/ride_export.h"

#include "export/fit_activity.h"
#include "export/session_reader.h"
#include "export/tcx_activity.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>

namespace {
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr std::int64_t secondsPerDay = 86400;
// The record interval of a file that does not show one (fewer than two rows).
constexpr int defaultInterval = 1;
// A gap between the last row and the stop longer than this is a clock change, not time ridden.
constexpr int longestStopGap = 3600;

std::string Beside(const std::string& sessionPath, const char* extension) {
    std::filesystem::path path(sessionPath);
    path.replace_extension(extension);
    return path.string();
}

bool Exists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored) || std::filesystem::is_symlink(path, ignored);
}

// The first free name for the ride files: the session's own when its FIT and TCX are not there
// (its file and raw stream are its own), else its name with _2, _3, ... whose whole set is free.
bool ChooseRideFiles(const std::string& sessionPath, RideFiles& files, std::string& error) {
    files = RideFiles{Beside(sessionPath, ".fit"), Beside(sessionPath, ".tcx"), {}};
    for (const std::string* own : {&files.fit, &files.tcx})
        if (Exists(*own)) {
            files.taken = *own;
            break;
        }
    if (files.taken.empty()) return true;
    const std::string stem = Beside(sessionPath, "");
    for (int copy = 2; copy < 10000; ++copy) {
        const std::string base = stem + "_" + std::to_string(copy);
        bool free = true;
        for (const char* ending : {".csv", ".fit", ".tcx", ".zanraw"})
            free = free && !Exists(base + ending);
        if (!free) continue;
        files.fit = base + ".fit";
        files.tcx = base + ".tcx";
        return true;
    }
    error = "no free name for the ride files beside " + sessionPath;
    return false;
}

bool SameFile(const std::string& one, const std::string& other) {
    std::error_code error;
    if (std::filesystem::equivalent(one, other, error)) return true;
    return std::filesystem::path(one).lexically_normal() ==
           std::filesystem::path(other).lexically_normal();
}

// The seconds from one time of day to the next one, across midnight.
int ClockGap(int from, int to) {
    return static_cast<int>(((to - from) % secondsPerDay + secondsPerDay) % secondsPerDay);
}

// Rows are written on the record interval, which the file does not name: it is the gap between
// the rows' clock times seen most often. A clock change or a slow disk moves a few gaps only.
int RecordInterval(const SessionRide& ride) {
    std::map<int, std::size_t> gaps;
    for (std::size_t i = 1; i < ride.rows.size(); ++i) {
        const int gap = ride.rows[i].secondsOfDay - ride.rows[i - 1].secondsOfDay;
        if (gap > 0 && gap <= longestStopGap) gaps[gap] += 1;
    }
    int interval = 0;
    std::size_t seen = 0;
    for (const auto& [gap, count] : gaps)
        if (count > seen) {
            interval = gap;
            seen = count;
        }
    if (interval > 0) return interval;
    if (ride.rows.size() == 1) {
        const int first = ClockGap(ride.startSecondsOfDay, ride.rows[0].secondsOfDay);
        if (first > 0 && first <= longestStopGap) return first;
    }
    return defaultInterval;
}

// When each row was written and when the session stopped, in Unix seconds.
struct RideTimes {
    std::int64_t localStart; // the start on the wall clock, as if it were UTC
    std::int64_t start;
    std::vector<std::int64_t> rows;
    std::int64_t stop;
};

RideTimes KeptTimes(const KeptSession& kept, std::size_t rowCount, int interval,
                    const RideZone& zone) {
    const double whole = std::floor(kept.startDateTime);
    const double fraction = kept.startDateTime - whole;
    const auto local = static_cast<std::int64_t>(whole);
    RideTimes times{local, UnixTimeOfLocal(local, zone), {}, 0};
    const auto at = [&times, fraction](double seconds) {
        return times.start + std::llround(std::max(seconds, 0.0) + fraction);
    };
    for (std::size_t i = 0; i < rowCount; ++i)
        times.rows.push_back(i < kept.rows.size()
                                 ? at(kept.rows[i].seconds)
                                 : times.start + static_cast<std::int64_t>(i + 1) * interval);
    times.stop = at(kept.stopSeconds);
    return times;
}

RideTimes FileTimes(const SessionRide& ride, int interval, const RideZone& zone) {
    const std::int64_t localStart =
        DaysFromCivil(ride.year, ride.month, ride.day) * secondsPerDay + ride.startSecondsOfDay;
    RideTimes times{localStart, UnixTimeOfLocal(localStart, zone), {}, 0};
    // The start is the press of the session button; the rows began once its folder popup
    // closed, which the first row's clock tells when it came later than one interval.
    const int firstGap = ride.rows.empty() ? 0
                                           : ClockGap(ride.startSecondsOfDay % secondsPerDay,
                                                      ride.rows[0].secondsOfDay);
    const std::int64_t first =
        times.start + (firstGap > interval && firstGap <= longestStopGap ? firstGap : interval);
    for (std::size_t i = 0; i < ride.rows.size(); ++i)
        times.rows.push_back(first + static_cast<std::int64_t>(i) * interval);
    // The stop comes after the last row by the trailer's clock; a gap past an hour is the clock
    // moved, not time ridden.
    const int lastClock =
        ride.rows.empty() ? ride.startSecondsOfDay % secondsPerDay : ride.rows.back().secondsOfDay;
    const std::int64_t last = times.rows.empty() ? times.start : times.rows.back();
    const int stopGap =
        ride.trailer.stopSecondsOfDay < 0 ? 0 : ClockGap(lastClock, ride.trailer.stopSecondsOfDay);
    times.stop = last + (stopGap <= longestStopGap ? stopGap : 0);
    return times;
}

// Sum, count and largest of the values a ride has.
struct Tally {
    double sum = 0.0;
    double count = 0.0;
    double largest = notANumber;
    void Add(double value) {
        if (!std::isfinite(value)) return;
        sum += value;
        count += 1.0;
        largest = std::isfinite(largest) ? std::max(largest, value) : value;
    }
    double Mean() const { return count > 0.0 ? sum / count : notANumber; }
};
} // namespace

bool ReadRideActivity(const std::string& sessionPath, const KeptSession* kept, const RideZone& zone,
                      SessionRide& ride, FitActivity& fit, std::string& error) {
    if (!ReadSessionRide(sessionPath, ride, error)) return false;
    RideActivity(ride, kept, zone, fit);
    return true;
}

void RideActivity(const SessionRide& ride, const KeptSession* kept, const RideZone& zone,
                  FitActivity& fit) {
    const int interval = RecordInterval(ride);
    const RideTimes times = kept != nullptr ? KeptTimes(*kept, ride.rows.size(), interval, zone)
                                            : FileTimes(ride, interval, zone);
    fit = FitActivity{};
    fit.startTime = static_cast<std::uint32_t>(times.start - fitEpochUnixSeconds);
    fit.localOffset = static_cast<std::int32_t>(times.localStart - times.start);
    fit.records.reserve(ride.rows.size());
    // Each row stands for the interval before it: its speed over that time is its distance, its
    // power its work. A row of a lost link has no crank values: no power, cadence, speed or heart
    // rate, and it counts in no average; a row without power has no balance or pedal metrics.
    std::int64_t previous = times.start;
    double distance = 0.0, work = 0.0, leftPower = 0.0, pedalPower = 0.0;
    Tally power, cadence, speed, heartRate;
    Tally leftEffectiveness, rightEffectiveness, leftSmoothness, rightSmoothness;
    std::vector<PowerPhase> leftPhases, rightPhases;
    for (std::size_t i = 0; i < ride.rows.size(); ++i) {
        const SessionRow& row = ride.rows[i];
        const std::int64_t time = std::max(times.rows[i], previous);
        // The first row stands for one interval at most: before it the folder popup was open,
        // and the session recorded nothing.
        const double seconds = static_cast<double>(
            i == 0 ? std::min<std::int64_t>(time - previous, interval) : time - previous);
        previous = time;
        const bool live =
            kept != nullptr && i < kept->rows.size() ? kept->rows[i].live : row.fromCrank;
        const auto crank = [live](double value) { return live ? value : notANumber; };
        // Pedalling backwards drives nothing: the crank's negative power is none.
        const double watts = crank(std::max(row.powerTotal, 0.0));
        const double rowSpeed = crank(row.speed / 3.6);
        const double heart = row.heartRate > 0.0 ? row.heartRate : notANumber;
        const bool pedalled = live && watts > 0.0;
        if (live) distance += rowSpeed * seconds;
        if (live) work += watts * seconds;
        power.Add(watts);
        cadence.Add(crank(row.cadence));
        speed.Add(rowSpeed);
        heartRate.Add(heart);
        const double balance = pedalled ? row.leftShare : notANumber;
        if (pedalled && row.powerLeft >= 0.0 && row.powerRight >= 0.0) {
            leftPower += row.powerLeft;
            pedalPower += row.powerLeft + row.powerRight;
        }
        const bool hasMetrics = pedalled && kept != nullptr && i < kept->rows.size();
        const PedalMetrics pedal = hasMetrics ? kept->rows[i].metrics : PedalMetrics{};
        const auto metric = [hasMetrics](float value) {
            return hasMetrics ? static_cast<double>(value) : notANumber;
        };
        const FitRecord record{static_cast<std::uint32_t>(time - fitEpochUnixSeconds),
                               watts,
                               crank(row.cadence),
                               rowSpeed,
                               heart,
                               distance,
                               balance,
                               metric(pedal.torqueEffectivenessLeft),
                               metric(pedal.torqueEffectivenessRight),
                               metric(pedal.pedalSmoothnessLeft),
                               metric(pedal.pedalSmoothnessRight),
                               hasMetrics ? kept->rows[i].leftPhase : PowerPhase{},
                               hasMetrics ? kept->rows[i].rightPhase : PowerPhase{}};
        leftEffectiveness.Add(record.leftTorqueEffectiveness);
        rightEffectiveness.Add(record.rightTorqueEffectiveness);
        leftSmoothness.Add(record.leftPedalSmoothness);
        rightSmoothness.Add(record.rightPedalSmoothness);
        fit.records.push_back(record);
        leftPhases.push_back(record.leftPhase);
        rightPhases.push_back(record.rightPhase);
    }
    const double lastKcal = ride.rows.empty() ? 0.0 : ride.rows.back().kcal;
    fit.elapsedSeconds = static_cast<double>(std::max(times.stop, previous) - times.start);
    fit.distance = distance;
    fit.work = work;
    fit.averagePower = power.Mean();
    fit.maximumPower = power.largest;
    fit.averageCadence = cadence.Mean();
    fit.maximumCadence = cadence.largest;
    fit.averageSpeed = speed.Mean();
    fit.maximumSpeed = speed.largest;
    fit.averageHeartRate = heartRate.Mean();
    fit.maximumHeartRate = heartRate.largest;
    fit.calories = std::isfinite(ride.trailer.kcal) ? ride.trailer.kcal : lastKcal;
    fit.leftBalance = pedalPower > 0.0 ? 100.0 * leftPower / pedalPower : notANumber;
    fit.leftTorqueEffectiveness = leftEffectiveness.Mean();
    fit.rightTorqueEffectiveness = rightEffectiveness.Mean();
    fit.leftPedalSmoothness = leftSmoothness.Mean();
    fit.rightPedalSmoothness = rightSmoothness.Mean();
    fit.leftPhase = MeanPowerPhase(leftPhases.data(), static_cast<int>(leftPhases.size()));
    fit.rightPhase = MeanPowerPhase(rightPhases.data(), static_cast<int>(rightPhases.size()));
}

std::string RideFilesNote(const RideFiles& files) {
    if (files.taken.empty()) return {};
    return "FIT and TCX files written as " + files.fit + " and " + files.tcx + ": " + files.taken +
           " is there already.";
}

bool ExportRide(const std::string& sessionPath, unsigned serialNumber, const KeptSession* kept,
                const RideZone& zone, std::string& error, RideFiles* written) {
    for (const char* ending : {".fit", ".tcx"})
        if (SameFile(Beside(sessionPath, ending), sessionPath)) {
            error = sessionPath + " would be written over by its own ride file: give it the "
                                  "name it had (.csv)";
            return false;
        }
    RideFiles files;
    if (!ChooseRideFiles(sessionPath, files, error)) return false;
    const std::string& fitPath = files.fit;
    const std::string& tcxPath = files.tcx;
    SessionRide ride;
    FitActivity fit;
    if (!ReadRideActivity(sessionPath, kept, zone, ride, fit, error)) return false;
    ride.rows = {};
    fit.serialNumber = serialNumber;
    TcxActivity tcx{};
    tcx.startUnixTime = static_cast<std::int64_t>(fit.startTime) + fitEpochUnixSeconds;
    tcx.points.reserve(fit.records.size());
    for (const FitRecord& record : fit.records)
        tcx.points.push_back(TcxPoint{
            static_cast<std::int64_t>(record.timestamp) + fitEpochUnixSeconds, record.heartRate,
            record.cadence, record.speed, record.distance, record.power});
    tcx.elapsedSeconds = fit.elapsedSeconds;
    tcx.distance = fit.distance;
    tcx.calories = fit.calories;
    tcx.averageHeartRate = fit.averageHeartRate;
    tcx.maximumHeartRate = fit.maximumHeartRate;
    tcx.averageCadence = fit.averageCadence;
    tcx.maximumCadence = fit.maximumCadence;
    tcx.averageSpeed = fit.averageSpeed;
    tcx.maximumSpeed = fit.maximumSpeed;
    tcx.averagePower = fit.averagePower;
    tcx.maximumPower = fit.maximumPower;

    if (!WriteFitActivity(fitPath, fit, error)) return false;
    fit.records = {};
    if (!WriteTcxActivity(tcxPath, tcx, error)) {
        std::error_code ignored;
        std::filesystem::remove(fitPath, ignored);
        return false;
    }
    if (written != nullptr) *written = files;
    return true;
}
