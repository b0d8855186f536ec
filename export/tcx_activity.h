#pragma once
// A ride as Training Center XML with the activity extension's watts and speed: one lap, one
// trackpoint a session row.

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

// A value that is not a finite number is left out: a sensor that gave nothing has no value.
struct TcxPoint {
    std::int64_t unixTime; // seconds, UTC
    double heartRate;      // bpm
    double cadence;        // rpm
    double speed;          // m/s
    double distance;       // m
    double watts;
};

struct TcxActivity {
    std::int64_t startUnixTime;
    double elapsedSeconds;
    double distance; // m
    double calories; // kcal
    double averageHeartRate;
    double maximumHeartRate;
    std::vector<TcxPoint> points;
    // Not a number where no row had the value.
    double averageCadence = std::numeric_limits<double>::quiet_NaN();
    double maximumCadence = std::numeric_limits<double>::quiet_NaN();
    double averageSpeed = std::numeric_limits<double>::quiet_NaN(); // m/s
    double maximumSpeed = std::numeric_limits<double>::quiet_NaN(); // m/s
    double averagePower = std::numeric_limits<double>::quiet_NaN();
    double maximumPower = std::numeric_limits<double>::quiet_NaN();
};

// The activity as a TCX document, UTF-8, the same bytes on every system.
std::string TcxDocument(const TcxActivity& activity);
// Writes the file whole or not at all, a trackpoint at a time; false with the reason in error.
bool WriteTcxActivity(const std::string& path, const TcxActivity& activity, std::string& error);
