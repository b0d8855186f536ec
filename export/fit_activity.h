#pragma once
// A ride as a FIT activity file, the file cycling computers and power meters write and training
// tools read: file_id, device_info, one record per session row, a lap, a session and an activity
// message, little-endian, with the file header's and the file's CRC.

#include "measure/polar.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

// One session row as FIT stores it. A value that is not a finite number is written as FIT's
// "invalid" for its field, which readers leave out: a sensor that gave nothing has no value.
struct FitRecord {
    std::uint32_t timestamp; // seconds since 1989-12-31 00:00:00 UTC (FIT's epoch)
    double power;            // W
    double cadence;          // rpm
    double speed;            // m/s
    double heartRate;        // bpm
    double distance;         // m, from the start
    double leftBalance;      // % of the power from the left pedal
    // Per pedal, %; not a number when the row has none (a converted past session).
    double leftTorqueEffectiveness;
    double rightTorqueEffectiveness;
    double leftPedalSmoothness;
    double rightPedalSmoothness;
    // Per pedal, degrees from its own top; none when the row has none.
    PowerPhase leftPhase{};
    PowerPhase rightPhase{};
};

struct FitActivity {
    std::uint32_t serialNumber; // the crank's
    std::uint32_t startTime;    // FIT seconds, UTC
    std::int32_t localOffset;   // local time minus UTC, in seconds, for the activity's local time
    std::vector<FitRecord> records;
    // Totals of the lap and the session.
    double elapsedSeconds;
    double distance; // m
    double work;     // J
    double averagePower;
    double maximumPower;
    double averageCadence;
    double averageHeartRate;
    double calories; // kcal
    // Not a number where no row had the value.
    double maximumHeartRate = std::numeric_limits<double>::quiet_NaN();
    double maximumCadence = std::numeric_limits<double>::quiet_NaN();
    double averageSpeed = std::numeric_limits<double>::quiet_NaN(); // m/s
    double maximumSpeed = std::numeric_limits<double>::quiet_NaN(); // m/s
    double leftBalance = std::numeric_limits<double>::quiet_NaN();  // % from the left pedal
    double leftTorqueEffectiveness = std::numeric_limits<double>::quiet_NaN();
    double rightTorqueEffectiveness = std::numeric_limits<double>::quiet_NaN();
    double leftPedalSmoothness = std::numeric_limits<double>::quiet_NaN();
    double rightPedalSmoothness = std::numeric_limits<double>::quiet_NaN();
    // The means of the records' power phases, each angle round the circle.
    PowerPhase leftPhase{};
    PowerPhase rightPhase{};
};

// Seconds from 1970-01-01 UTC (Unix time) to FIT's epoch.
constexpr std::uint32_t fitEpochUnixSeconds = 631065600;

// The whole file, header to CRC.
std::vector<std::uint8_t> EncodeFitActivity(const FitActivity& activity);
// Writes the file whole or not at all (a temporary beside it, renamed over it); false with the
// reason in error.
bool WriteFitActivity(const std::string& path, const FitActivity& activity, std::string& error);
