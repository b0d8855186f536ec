#pragma once
// The station as a Bluetooth power sensor: its services and characteristics, and the answer to
// each Direct Connect request an app sends. No sockets: a request's bytes in, the answer's out.

#include "share/characteristics.h"
#include "share/direct_connect.h"

#include <cstdint>

// What the station tells the apps, as it stands now.
struct SensorValues {
    // The crank's serial number and software version, as text.
    char serialNumber[16];
    char softwareVersion[16];
};

// The notifications one app asked for.
struct SensorSubscriptions {
    bool power;
    bool heartRate;
};

// The longest answer: the characteristics' list of the largest service.
constexpr int sensorAnswerMost = dcHeaderBytes + dcUuidBytes + 4 * (dcUuidBytes + 1);

// The answer to the request (header and payload) into out (sensorAnswerMost); returns its bytes.
// Every request gets one: an unknown message type, a malformed request or an unknown UUID its
// error code; subscriptions change on a sound Enable Characteristic Notifications alone.
int AnswerSensorRequest(const SensorValues& values, const DcHeader& header,
                        const std::uint8_t* payload, SensorSubscriptions& subscriptions,
                        std::uint8_t* out);
// A notification of the characteristic's value into out (dcHeaderBytes + dcUuidBytes + the
// value's bytes); returns its bytes.
int SensorNotification(std::uint16_t characteristic, std::uint8_t sequence,
                       const std::uint8_t* value, int valueBytes, std::uint8_t* out);
// The ble-service-uuids an announcement names.
constexpr const char* sensorServiceList = "0x1818,0x180D";
