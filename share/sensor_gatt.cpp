#include "share/sensor_gatt.h"

#include <cstring>

namespace {
struct Characteristic {
    std::uint16_t service;
    std::uint16_t uuid;
    std::uint8_t properties;
};

// The services in the order they are discovered, and each one's characteristics.
constexpr std::uint16_t services[] = {cyclingPowerService, heartRateService,
                                      deviceInformationService};
constexpr Characteristic characteristics[] = {
    {cyclingPowerService, powerMeasurementUuid, dcNotify},
    {cyclingPowerService, powerFeatureUuid, dcRead},
    {cyclingPowerService, sensorLocationUuid, dcRead},
    {heartRateService, heartRateMeasurementUuid, dcNotify},
    {deviceInformationService, manufacturerNameUuid, dcRead},
    {deviceInformationService, modelNumberUuid, dcRead},
    {deviceInformationService, serialNumberUuid, dcRead},
    {deviceInformationService, softwareRevisionUuid, dcRead},
};

const Characteristic* FindCharacteristic(std::uint16_t uuid) {
    for (const Characteristic& c : characteristics)
        if (c.uuid == uuid) return &c;
    return nullptr;
}

bool KnownService(std::uint16_t uuid) {
    for (std::uint16_t s : services)
        if (s == uuid) return true;
    return false;
}

// A readable characteristic's value into out; its bytes.
int ReadValue(const SensorValues& values, std::uint16_t uuid, std::uint8_t* out) {
    const char* text = nullptr;
    switch (uuid) {
    case powerFeatureUuid: {
        const std::uint32_t bits = PowerFeatureBits();
        for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(bits >> (8 * i));
        return 4;
    }
    case sensorLocationUuid:
        out[0] = spiderLocation;
        return 1;
    case manufacturerNameUuid:
        text = "ZAN";
        break;
    case modelNumberUuid:
        text = "ZAN crank";
        break;
    case serialNumberUuid:
        text = values.serialNumber;
        break;
    case softwareRevisionUuid:
        text = values.softwareVersion;
        break;
    default:
        return 0;
    }
    const std::size_t length = strnlen(text, sizeof values.serialNumber);
    std::memcpy(out, text, length);
    return static_cast<int>(length);
}
} // namespace

int AnswerSensorRequest(const SensorValues& values, const DcHeader& header,
                        const std::uint8_t* payload, SensorSubscriptions& subscriptions,
                        std::uint8_t* out) {
    DcHeader answer{dcVersion, header.type, header.sequence, dcSuccess, 0};
    std::uint8_t body[sensorAnswerMost];
    int bodyBytes = 0;
    const auto refuse = [&](DcResponse code, bool echoUuid) {
        answer.response = code;
        return DcEncode(answer, payload, echoUuid ? dcUuidBytes : 0, out);
    };
    if (header.version != dcVersion) return refuse(dcGenericError, false);
    switch (header.type) {
    case dcDiscoverServices:
        if (header.length != 0) return refuse(dcGenericError, false);
        for (std::uint16_t s : services) {
            DcUuidOf(s, body + bodyBytes);
            bodyBytes += dcUuidBytes;
        }
        return DcEncode(answer, body, bodyBytes, out);
    case dcDiscoverCharacteristics:
    case dcReadCharacteristic:
    case dcWriteCharacteristic:
    case dcEnableNotifications:
        break;
    default:
        // Notifications are the station's to send; any other type it does not know.
        return refuse(dcUnknownType, false);
    }
    if (header.length < dcUuidBytes) return refuse(dcGenericError, false);
    std::uint16_t uuid = 0;
    const bool based = DcShortUuidOf(payload, uuid);
    std::memcpy(body, payload, dcUuidBytes);
    bodyBytes = dcUuidBytes;
    if (header.type == dcDiscoverCharacteristics) {
        if (header.length != dcUuidBytes) return refuse(dcGenericError, false);
        if (!based || !KnownService(uuid)) return refuse(dcServiceNotFound, true);
        for (const Characteristic& c : characteristics) {
            if (c.service != uuid) continue;
            DcUuidOf(c.uuid, body + bodyBytes);
            body[bodyBytes + dcUuidBytes] = c.properties;
            bodyBytes += dcUuidBytes + 1;
        }
        return DcEncode(answer, body, bodyBytes, out);
    }
    const Characteristic* found = based ? FindCharacteristic(uuid) : nullptr;
    if (found == nullptr) return refuse(dcCharacteristicNotFound, true);
    if (header.type == dcReadCharacteristic) {
        if (header.length != dcUuidBytes) return refuse(dcGenericError, true);
        if ((found->properties & dcRead) == 0) return refuse(dcOperationNotSupported, true);
        bodyBytes += ReadValue(values, uuid, body + bodyBytes);
        return DcEncode(answer, body, bodyBytes, out);
    }
    // Nothing the station serves is written to: the sensor is calibrated at the station.
    if (header.type == dcWriteCharacteristic) return refuse(dcOperationNotSupported, true);
    if (header.length != dcUuidBytes + 1 || payload[dcUuidBytes] > 1)
        return refuse(dcGenericError, true);
    if ((found->properties & dcNotify) == 0) return refuse(dcOperationNotSupported, true);
    const bool on = payload[dcUuidBytes] == 1;
    if (uuid == powerMeasurementUuid) subscriptions.power = on;
    if (uuid == heartRateMeasurementUuid) subscriptions.heartRate = on;
    return DcEncode(answer, body, dcUuidBytes, out);
}

int SensorNotification(std::uint16_t characteristic, std::uint8_t sequence,
                       const std::uint8_t* value, int valueBytes, std::uint8_t* out) {
    std::uint8_t body[dcUuidBytes + powerMeasurementMost];
    DcUuidOf(characteristic, body);
    std::memcpy(body + dcUuidBytes, value, valueBytes);
    return DcEncode(DcHeader{dcVersion, dcNotification, sequence, dcSuccess, 0}, body,
                    dcUuidBytes + valueBytes, out);
}
