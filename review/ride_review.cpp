#include "review/ride_review.h"

#include "export/ride_export.h"
#include "export/session_reader.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <limits>
#include <sstream>

namespace {
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double smoothingSeconds = 30.0;
} // namespace

bool ReadReviewRide(const std::string& path, ReviewRide& ride, std::string& error) {
    return ReadReviewRide(path, nullptr, ride, error);
}

namespace {
// The review of a session read, named name; kept as for ReadReviewRide.
void ReviewSession(const SessionRide& session, const std::string& name, const KeptSession* kept,
                   ReviewRide& ride) {
    FitActivity fit;
    // The review shows the ride as the files other tools were given show it: the same instants,
    // the same rows left out, the same totals.
    RideActivity(session, kept, RideZone{}, fit);
    ride = ReviewRide{};
    ride.name = name;
    // A session started past midnight of its file name's date holds its seconds beyond the day.
    const int second = session.startSecondsOfDay;
    const std::chrono::year_month_day day{
        std::chrono::sys_days{std::chrono::year{session.year} /
                              static_cast<unsigned>(session.month) /
                              static_cast<unsigned>(session.day)} +
        std::chrono::days{second / 86400}};
    char started[48];
    std::snprintf(started, sizeof started, "%04d-%02u-%02u %02d:%02d:%02d",
                  static_cast<int>(day.year()), static_cast<unsigned>(day.month()),
                  static_cast<unsigned>(day.day()), second / 3600 % 24, second / 60 % 60,
                  second % 60);
    ride.started = started;
    for (std::size_t i = 0; i < fit.records.size(); ++i) {
        const FitRecord& record = fit.records[i];
        const SessionRow& row = session.rows[i];
        const bool live = std::isfinite(record.power);
        ride.seconds.push_back(static_cast<double>(record.timestamp) - fit.startTime);
        ride.powerTotal.push_back(record.power);
        ride.powerLeft.push_back(live ? std::max(row.powerLeft, 0.0) : notANumber);
        ride.powerRight.push_back(live ? std::max(row.powerRight, 0.0) : notANumber);
        ride.cadence.push_back(record.cadence);
        ride.heartRate.push_back(record.heartRate);
        ride.speed.push_back(record.speed * 3.6);
        ride.pedalling.push_back(
            ReviewPedalling{record.leftBalance, record.leftTorqueEffectiveness,
                            record.rightTorqueEffectiveness, record.leftPedalSmoothness,
                            record.rightPedalSmoothness, record.leftPhase, record.rightPhase});
    }
    // The summary is the session file's own, however the ride was opened: a raw stream's, read
    // through the file its replay wrote, sums the same rows over the same times as the live
    // session's file does. Only the pedalling metrics, which no file keeps, are the replay's.
    FitActivity file;
    if (kept != nullptr) RideActivity(session, nullptr, RideZone{}, file);
    const FitActivity& rows = kept != nullptr ? file : fit;
    std::vector<double> seconds;
    std::vector<double> power;
    for (const FitRecord& record : rows.records) {
        seconds.push_back(static_cast<double>(record.timestamp) - rows.startTime);
        power.push_back(record.power);
    }
    ride.summary = ReviewSummary{rows.elapsedSeconds,
                                 rows.distance / 1000.0,
                                 rows.work / 1000.0,
                                 rows.averagePower,
                                 rows.maximumPower,
                                 NormalizedPower(seconds, power),
                                 rows.averageCadence,
                                 rows.averageHeartRate,
                                 rows.leftBalance,
                                 fit.leftTorqueEffectiveness,
                                 fit.rightTorqueEffectiveness,
                                 fit.leftPedalSmoothness,
                                 fit.rightPedalSmoothness};
}
} // namespace

bool ReadReviewRide(const std::string& path, const KeptSession* kept, ReviewRide& ride,
                    std::string& error) {
    SessionRide session;
    if (!ReadSessionRide(path, session, error)) return false;
    ReviewSession(session, std::filesystem::path(path).filename().string(), kept, ride);
    return true;
}

bool ReadReviewText(const std::string& text, const std::string& name, const KeptSession* kept,
                    ReviewRide& ride, std::string& error) {
    std::istringstream in(text);
    SessionRide session;
    if (!ReadSessionText(in, name, session, error)) return false;
    ReviewSession(session, name, kept, ride);
    return true;
}

double NormalizedPower(const std::vector<double>& seconds, const std::vector<double>& power) {
    // The rows in the last 30 s, each standing for the time since the row before it. Rows
    // without power (link lost) hold no time of effort and are left out.
    std::deque<std::pair<double, double>> window; // time, power
    double sumFourth = 0.0;
    double count = 0.0;
    const double first = seconds.empty() ? 0.0 : seconds.front();
    for (std::size_t i = 0; i < seconds.size() && i < power.size(); ++i) {
        if (std::isfinite(power[i])) window.emplace_back(seconds[i], power[i]);
        while (!window.empty() && window.front().first <= seconds[i] - smoothingSeconds)
            window.pop_front();
        if (seconds[i] - first + 1.0 < smoothingSeconds || window.empty()) continue;
        double sum = 0.0;
        for (const auto& [time, watts] : window) sum += watts;
        const double mean = sum / static_cast<double>(window.size());
        sumFourth += mean * mean * mean * mean;
        count += 1.0;
    }
    return count > 0.0 ? std::pow(sumFourth / count, 0.25) : notANumber;
}

std::size_t RowAt(const ReviewRide& ride, double seconds) {
    const auto after = std::upper_bound(ride.seconds.begin(), ride.seconds.end(), seconds);
    if (after == ride.seconds.begin()) return 0;
    return static_cast<std::size_t>(after - ride.seconds.begin()) - 1;
}

std::string ClockText(double seconds) {
    const long whole = std::lround(std::max(seconds, 0.0));
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
    return text;
}

std::string ValueText(double value, int decimals, const char* unit) {
    if (!std::isfinite(value)) return "--";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f %s", decimals, value, unit);
    return text;
}

std::size_t FramesUpTo(const ReviewRide& ride, double seconds) {
    const auto after =
        std::upper_bound(ride.frames.begin(), ride.frames.end(), seconds,
                         [](double at, const ReviewFrame& frame) { return at < frame.seconds; });
    return static_cast<std::size_t>(after - ride.frames.begin());
}

namespace {
// The frame of the count-th revolution mark before end, counting back, or 0 when fewer came.
std::size_t MarkBefore(const ReviewRide& ride, std::size_t end, std::size_t count, bool& found) {
    std::size_t at = end;
    std::size_t marks = 0;
    while (at > 0 && marks < count) {
        at -= 1;
        if (ride.frames[at].frame.revolutionStarts) marks += 1;
    }
    found = marks == count;
    return found ? at : 0;
}
} // namespace

FrameSpan TwoTurnsAt(const ReviewRide& ride, double seconds) {
    const std::size_t end = FramesUpTo(ride, seconds);
    bool found = false;
    const std::size_t last = MarkBefore(ride, end, 1, found);
    if (!found) return FrameSpan{0, 0};
    const std::size_t first = MarkBefore(ride, last, 2, found);
    return found ? FrameSpan{first, last} : FrameSpan{0, 0};
}

void PolarAt(const ReviewRide& ride, double seconds, int turns, PolarState& polar) {
    const std::size_t end = FramesUpTo(ride, seconds);
    // A revolution is kept or left out by its own frames alone: from a mark on, the view holds
    // what it held live. Every revolution the live view kept places the frames of those it
    // shows, so as many are taken again; revolutions left out (a rejected mark, frames lost) send
    // it further back.
    const int wanted = polarMostTurns;
    for (std::size_t back = static_cast<std::size_t>(wanted) + 2;; back *= 2) {
        bool found = false;
        const std::size_t first = MarkBefore(ride, end, back, found);
        polar.turnsAveraged = std::clamp(turns, 1, polarMostTurns);
        ClearPolar(polar);
        for (std::size_t i = first; i < end; ++i) PolarFrameIn(polar, ride.frames[i].frame);
        if (!found || polar.keptCount >= wanted) return;
    }
}
