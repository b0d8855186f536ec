#pragma once
// The access codes the rider, technician or factory enters. The levels are plain comparisons on
// the number entered: every code above the service code opens the service level, the
// calibration and factory codes more on top of it, and 0 locks the panel again.

constexpr int serviceCode = 2739;
constexpr int calibrationCode = 6868;
constexpr int factoryCode = 24517;
constexpr int lockedCode = 0;

// What a code opens, lowest first. Any code from the calibration code up shows the raw counts,
// but only the exact calibration and factory codes open their own panel columns.
enum class AccessLevel {
    Locked,               // exactly 0
    Rider,                // 1 to the service code, and negative codes
    Service,              // above the service code, below the calibration code
    ServiceWithRawCounts, // above the calibration code, other than the factory code
    Calibration,          // exactly the calibration code
    Factory,              // exactly the factory code
};

constexpr AccessLevel AccessLevelOf(int code) {
    if (code == lockedCode) return AccessLevel::Locked;
    if (code == calibrationCode) return AccessLevel::Calibration;
    if (code == factoryCode) return AccessLevel::Factory;
    if (code > calibrationCode) return AccessLevel::ServiceWithRawCounts;
    if (code > serviceCode) return AccessLevel::Service;
    return AccessLevel::Rider;
}

// The service level and up read the single-side selector back into the measurement.
constexpr bool ReadsSingleSide(AccessLevel level) {
    return level >= AccessLevel::Service;
}

// The raw channel counts and the link's health are for the technician.
constexpr bool ShowsRawCounts(AccessLevel level) {
    return level >= AccessLevel::ServiceWithRawCounts;
}
