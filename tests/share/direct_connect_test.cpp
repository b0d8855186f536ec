#include "share/direct_connect.h"
#include "share/sensor_gatt.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes Uuid(std::uint16_t shortUuid) {
    Bytes uuid(dcUuidBytes);
    DcUuidOf(shortUuid, uuid.data());
    return uuid;
}

Bytes Message(std::uint8_t type, std::uint8_t sequence, const Bytes& payload) {
    Bytes out(dcHeaderBytes + payload.size());
    DcEncode(DcHeader{dcVersion, type, sequence, 0, 0}, payload.data(),
             static_cast<int>(payload.size()), out.data());
    return out;
}

struct Answer {
    DcHeader header;
    Bytes payload;
};

// The station's answer to the request, read back by its header.
Answer Ask(const Bytes& request, SensorSubscriptions& subscriptions) {
    SensorValues values{};
    std::strcpy(values.serialNumber, "123");
    std::strcpy(values.softwareVersion, "4");
    DcReader reader{};
    std::memcpy(reader.bytes, request.data(), request.size());
    reader.count = static_cast<int>(request.size());
    DcHeader header{};
    std::uint8_t payload[dcMostPayload];
    EXPECT_EQ(DcTakeMessage(reader, header, payload), DcTake::Message);
    std::uint8_t out[sensorAnswerMost];
    const int count = AnswerSensorRequest(values, header, payload, subscriptions, out);
    Answer answer{DcHeader{out[0], out[1], out[2], out[3],
                           static_cast<std::uint16_t>((out[4] << 8) | out[5])},
                  Bytes(out + dcHeaderBytes, out + count)};
    EXPECT_EQ(answer.header.length, count - dcHeaderBytes);
    return answer;
}
} // namespace

TEST(DirectConnectTest, ShortUuidsSitOnTheBluetoothBaseUuidInPrintedOrder) {
    const Bytes power = Uuid(0x1818);
    const Bytes printed{0x00, 0x00, 0x18, 0x18, 0x00, 0x00, 0x10, 0x00,
                        0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB};
    EXPECT_EQ(power, printed);
    std::uint16_t back = 0;
    EXPECT_TRUE(DcShortUuidOf(power.data(), back));
    EXPECT_EQ(back, 0x1818);
    Bytes vendor = power;
    vendor[15] = 0xFC;
    EXPECT_FALSE(DcShortUuidOf(vendor.data(), back));
}

// Messages come whole however the bytes are split; a length no message may have is junk, and
// the reader never holds more than its limit.
TEST(DirectConnectTest, ReaderTakesMessagesAcrossAnySplitAndRefusesOversizedLengths) {
    const Bytes first = Message(dcDiscoverServices, 1, {});
    Bytes enable = Uuid(0x2A63);
    enable.push_back(1);
    const Bytes second = Message(dcEnableNotifications, 2, enable);
    Bytes stream = first;
    stream.insert(stream.end(), second.begin(), second.end());
    DcReader reader{};
    std::vector<DcHeader> taken;
    std::uint8_t payload[dcMostPayload];
    for (std::uint8_t byte : stream) {
        ASSERT_GT(DcReaderRoom(reader), 0);
        reader.bytes[reader.count++] = byte;
        DcHeader header{};
        while (DcTakeMessage(reader, header, payload) == DcTake::Message) taken.push_back(header);
    }
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].type, dcDiscoverServices);
    EXPECT_EQ(taken[1].sequence, 2);
    EXPECT_EQ(taken[1].length, 17);
    EXPECT_EQ(payload[16], 1);
    EXPECT_EQ(reader.count, 0);

    const Bytes oversized{1, dcWriteCharacteristic, 3, 0, 0x02, 0x01};
    std::memcpy(reader.bytes, oversized.data(), oversized.size());
    reader.count = static_cast<int>(oversized.size());
    DcHeader header{};
    EXPECT_EQ(DcTakeMessage(reader, header, payload), DcTake::Junk);
}

// The services, their characteristics, the readable values and the notifications an app asks
// for, each answer carrying the request's type and sequence number.
TEST(SensorGattTest, AnAppDiscoversReadsAndSubscribesAsToABluetoothPowerSensor) {
    SensorSubscriptions subscriptions{};
    const Answer services = Ask(Message(dcDiscoverServices, 7, {}), subscriptions);
    EXPECT_EQ(services.header.type, dcDiscoverServices);
    EXPECT_EQ(services.header.sequence, 7);
    EXPECT_EQ(services.header.response, dcSuccess);
    Bytes expected = Uuid(0x1818);
    for (std::uint16_t s : {0x180D, 0x180A}) {
        const Bytes uuid = Uuid(s);
        expected.insert(expected.end(), uuid.begin(), uuid.end());
    }
    EXPECT_EQ(services.payload, expected);

    const Answer power = Ask(Message(dcDiscoverCharacteristics, 8, Uuid(0x1818)), subscriptions);
    ASSERT_EQ(power.payload.size(), 16u + 3u * 17u);
    EXPECT_EQ(Bytes(power.payload.begin() + 16, power.payload.begin() + 32), Uuid(0x2A63));
    EXPECT_EQ(power.payload[32], dcNotify);
    EXPECT_EQ(power.payload[49], dcRead);

    const struct {
        std::uint16_t uuid;
        Bytes value;
    } reads[] = {
        {0x2A65, {0xDD, 0x00, 0x00, 0x00}}, {0x2A5D, {15}},  {0x2A29, {'Z', 'A', 'N'}},
        {0x2A25, {'1', '2', '3'}},          {0x2A28, {'4'}},
    };
    for (const auto& read : reads) {
        const Answer answer = Ask(Message(dcReadCharacteristic, 9, Uuid(read.uuid)), subscriptions);
        EXPECT_EQ(answer.header.response, dcSuccess) << std::hex << read.uuid;
        Bytes value = Uuid(read.uuid);
        value.insert(value.end(), read.value.begin(), read.value.end());
        EXPECT_EQ(answer.payload, value) << std::hex << read.uuid;
    }

    for (std::uint16_t uuid : {0x2A63, 0x2A37}) {
        Bytes enable = Uuid(uuid);
        enable.push_back(1);
        const Answer answer = Ask(Message(dcEnableNotifications, 10, enable), subscriptions);
        EXPECT_EQ(answer.header.response, dcSuccess);
        EXPECT_EQ(answer.payload, Uuid(uuid));
    }
    EXPECT_TRUE(subscriptions.power);
    EXPECT_TRUE(subscriptions.heartRate);
    Bytes disable = Uuid(0x2A63);
    disable.push_back(0);
    Ask(Message(dcEnableNotifications, 11, disable), subscriptions);
    EXPECT_FALSE(subscriptions.power);
    EXPECT_TRUE(subscriptions.heartRate);
}

// Whatever an app asks that the sensor does not have gets the protocol's error code, and no
// subscription changes.
TEST(SensorGattTest, UnknownOrMalformedRequestsGetTheirErrorCodes) {
    Bytes enableFeature = Uuid(0x2A65);
    enableFeature.push_back(1);
    Bytes enableTwo = Uuid(0x2A63);
    enableTwo.push_back(2);
    Bytes write = Uuid(0x2A5D);
    write.push_back(5);
    const struct {
        Bytes request;
        std::uint8_t response;
    } cases[] = {
        {Message(0x42, 1, {}), dcUnknownType},
        {Message(dcNotification, 1, Uuid(0x2A63)), dcUnknownType},
        {Message(dcDiscoverCharacteristics, 1, Uuid(0x1826)), dcServiceNotFound},
        {Message(dcDiscoverCharacteristics, 1, {1, 2, 3}), dcGenericError},
        {Message(dcReadCharacteristic, 1, Uuid(0x2AD2)), dcCharacteristicNotFound},
        {Message(dcReadCharacteristic, 1, Uuid(0x2A63)), dcOperationNotSupported},
        {Message(dcWriteCharacteristic, 1, write), dcOperationNotSupported},
        {Message(dcEnableNotifications, 1, enableFeature), dcOperationNotSupported},
        {Message(dcEnableNotifications, 1, enableTwo), dcGenericError},
        {Message(dcDiscoverServices, 1, {0}), dcGenericError},
    };
    for (const auto& c : cases) {
        SensorSubscriptions subscriptions{};
        const Answer answer = Ask(c.request, subscriptions);
        EXPECT_EQ(answer.header.response, c.response) << int(c.request[1]);
        EXPECT_EQ(answer.header.type, c.request[1]);
        EXPECT_FALSE(subscriptions.power);
    }
    Bytes otherVersion = Message(dcDiscoverServices, 1, {});
    otherVersion[0] = 2;
    SensorSubscriptions subscriptions{};
    EXPECT_EQ(Ask(otherVersion, subscriptions).header.response, dcGenericError);
}
