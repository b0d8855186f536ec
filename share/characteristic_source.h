#pragma once
// Where the shared services' values come from: the bytes of each characteristic as the Bluetooth
// SIG lays them out, made from the window results by the services' codecs. The Direct Connect
// server and the Bluetooth LE peripheral both read them here.

#include <cstdint>
#include <vector>

// The characteristics served, by their 16-bit Bluetooth SIG numbers.
enum : std::uint16_t {
    kCyclingPowerService = 0x1818,
    kCyclingPowerMeasurement = 0x2A63,
    kCyclingPowerFeature = 0x2A65,
    kSensorLocation = 0x2A5D,
    kHeartRateService = 0x180D,
    kHeartRateMeasurement = 0x2A37,
    kDeviceInformationService = 0x180A,
    kManufacturerName = 0x2A29,
    kModelNumber = 0x2A24,
    kSerialNumber = 0x2A25,
    kSoftwareRevision = 0x2A28,
};

class CharacteristicSource {
  public:
    virtual ~CharacteristicSource() = default;
    // The characteristic's present value; empty while there is none, and then nothing is sent.
    virtual std::vector<std::uint8_t> Value(std::uint16_t characteristic) const = 0;
};
