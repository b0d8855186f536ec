#pragma once
// Direct Connect: the attribute protocol of a Bluetooth sensor carried over TCP. Each message is
// a 6-byte header (version 1, message type, sequence number, response code, the payload's length
// as 16 bits big-endian) and its payload; services and characteristics are named by 128-bit
// UUIDs written in their printed order. Plain bytes: no sockets, so it is fuzzed and tested from
// buffers.

#include <cstdint>

constexpr int dcHeaderBytes = 6;
constexpr std::uint8_t dcVersion = 1;
constexpr int dcUuidBytes = 16;

enum DcType : std::uint8_t {
    dcDiscoverServices = 1,
    dcDiscoverCharacteristics = 2,
    dcReadCharacteristic = 3,
    dcWriteCharacteristic = 4,
    dcEnableNotifications = 5,
    dcNotification = 6,
};

enum DcResponse : std::uint8_t {
    dcSuccess = 0,
    dcUnknownType = 1,
    dcGenericError = 2,
    dcServiceNotFound = 3,
    dcCharacteristicNotFound = 4,
    dcOperationNotSupported = 5,
    dcWriteFailed = 6,
};

// A characteristic's properties in the characteristics' list.
enum DcProperty : std::uint8_t { dcRead = 1, dcWrite = 2, dcNotify = 4 };

struct DcHeader {
    std::uint8_t version;
    std::uint8_t type;
    std::uint8_t sequence;
    std::uint8_t response;
    std::uint16_t length;
};

// The 128-bit UUID of a 16-bit one, on the Bluetooth base UUID
// 0000xxxx-0000-1000-8000-00805F9B34FB.
void DcUuidOf(std::uint16_t shortUuid, std::uint8_t* out);
// The 16-bit UUID a 128-bit one carries; false when it is not on the base UUID.
bool DcShortUuidOf(const std::uint8_t* uuid, std::uint16_t& shortUuid);

// Writes the header with the payload's length and the payload; returns the message's bytes.
int DcEncode(DcHeader header, const std::uint8_t* payload, int payloadBytes, std::uint8_t* out);

// The longest payload a client's message may carry: the longest the station takes is a
// characteristic and one byte, and a write is refused whatever its length.
constexpr int dcMostPayload = 512;
constexpr int dcReaderLimit = dcHeaderBytes + dcMostPayload;

// A client's bytes until they make a message. It never holds more than dcReaderLimit.
struct DcReader {
    std::uint8_t bytes[dcReaderLimit];
    int count;
};

enum class DcTake { Message, NeedMore, Junk };

// Room left for bytes: they are written at reader.bytes + reader.count.
inline int DcReaderRoom(const DcReader& reader) {
    return dcReaderLimit - reader.count;
}
// The first whole message, taken out of the reader: its header, and its payload at payload (which
// holds dcMostPayload). Junk when the length is past dcMostPayload: no message can follow it
// that the station could find, so the connection is closed.
DcTake DcTakeMessage(DcReader& reader, DcHeader& header, std::uint8_t* payload);
