#pragma once
// A ride as Training Center XML with the activity extension's watts and speed: one lap, one
// trackpoint a session row.

#include <cstdint>
#include <string>
#include <vector>

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
};

// The activity as a TCX document, UTF-8, the same bytes on every system.
std::string TcxDocument(const TcxActivity& activity);
// Writes the file whole or not at all; false with the reason in error.
bool WriteTcxActivity(const std::string& path, const TcxActivity& activity, std::string& error);
