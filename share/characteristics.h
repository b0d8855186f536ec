#pragma once
// The values training apps read from a power sensor, in the Bluetooth SIG's layouts: the Cycling
// Power Measurement, its Feature and Sensor Location, the Heart Rate Measurement and the Device
// Information strings. Plain bytes from plain numbers: no sockets, no station.

#include <cstdint>

// The 16-bit UUIDs of the services and characteristics the station serves.
enum ShareUuid : std::uint16_t {
    cyclingPowerService = 0x1818,
    heartRateService = 0x180D,
    deviceInformationService = 0x180A,
    powerMeasurementUuid = 0x2A63,
    powerFeatureUuid = 0x2A65,
    sensorLocationUuid = 0x2A5D,
    heartRateMeasurementUuid = 0x2A37,
    manufacturerNameUuid = 0x2A29,
    modelNumberUuid = 0x2A24,
    serialNumberUuid = 0x2A25,
    softwareRevisionUuid = 0x2A28,
};

// The Cycling Power Measurement's flags: which fields follow the power, in this order.
enum PowerMeasurementFlag : std::uint16_t {
    balancePresent = 1u << 0,
    // The balance is the left pedal's share (clear: the reference is not known).
    balanceReferenceLeft = 1u << 1,
    wheelDataPresent = 1u << 4,
    crankDataPresent = 1u << 5,
    extremeForcesPresent = 1u << 6,
    topDeadSpotPresent = 1u << 9,
    bottomDeadSpotPresent = 1u << 10,
    energyPresent = 1u << 11,
};

// One measurement: each group is sent only when known.
struct PowerMeasurement {
    std::int16_t power; // W
    bool balanceKnown;
    std::uint8_t balanceLeftHalves; // the left pedal's share, in 1/2 %
    bool wheelKnown;
    std::uint32_t wheelRevolutions;
    std::uint16_t wheelEventTime; // 1/2048 s
    bool crankKnown;
    std::uint16_t crankRevolutions;
    std::uint16_t crankEventTime; // 1/1024 s
    bool forcesKnown;
    std::int16_t maxForce; // N
    std::int16_t minForce; // N
    bool deadSpotsKnown;
    std::uint16_t topDeadSpot;    // degrees
    std::uint16_t bottomDeadSpot; // degrees
    bool energyKnown;
    std::uint16_t energy; // kJ
};

// The longest measurement the station sends: every group present.
constexpr int powerMeasurementMost = 2 + 2 + 1 + 6 + 4 + 4 + 4 + 2;

// Writes the measurement's bytes into out (powerMeasurementMost at least); returns how many.
int EncodePowerMeasurement(const PowerMeasurement& measurement, std::uint8_t* out);
// Reads one back (an app's reading, for the tests and the fuzzing): false when the bytes are
// short or carry a field the station never sends.
bool DecodePowerMeasurement(const std::uint8_t* bytes, int count, PowerMeasurement& measurement);

// The Cycling Power Feature: every group a measurement may carry, whether or not this one does.
std::uint32_t PowerFeatureBits();
// The Sensor Location the crank reports: it measures both pedals at the spider.
constexpr std::uint8_t spiderLocation = 15;

// The Heart Rate Measurement: 8-bit beats per minute, no contact, energy or intervals.
constexpr int heartRateMeasurementBytes = 2;
void EncodeHeartRate(int beatsPerMinute, std::uint8_t* out);
