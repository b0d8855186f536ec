#include "share/direct_connect.h"

#include <cstring>

namespace {
// The base UUID's bytes as printed; the 16-bit UUID goes in bytes 2 and 3.
constexpr std::uint8_t baseUuid[dcUuidBytes] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                                0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB};
} // namespace

void DcUuidOf(std::uint16_t shortUuid, std::uint8_t* out) {
    std::memcpy(out, baseUuid, dcUuidBytes);
    out[2] = static_cast<std::uint8_t>(shortUuid >> 8);
    out[3] = static_cast<std::uint8_t>(shortUuid & 0xFF);
}

bool DcShortUuidOf(const std::uint8_t* uuid, std::uint16_t& shortUuid) {
    if (uuid[0] != 0 || uuid[1] != 0 || std::memcmp(uuid + 4, baseUuid + 4, dcUuidBytes - 4) != 0)
        return false;
    shortUuid = static_cast<std::uint16_t>((uuid[2] << 8) | uuid[3]);
    return true;
}

int DcEncode(DcHeader header, const std::uint8_t* payload, int payloadBytes, std::uint8_t* out) {
    out[0] = header.version;
    out[1] = header.type;
    out[2] = header.sequence;
    out[3] = header.response;
    out[4] = static_cast<std::uint8_t>(payloadBytes >> 8);
    out[5] = static_cast<std::uint8_t>(payloadBytes & 0xFF);
    if (payloadBytes > 0) std::memcpy(out + dcHeaderBytes, payload, payloadBytes);
    return dcHeaderBytes + payloadBytes;
}

DcTake DcTakeMessage(DcReader& reader, DcHeader& header, std::uint8_t* payload) {
    if (reader.count < dcHeaderBytes) return DcTake::NeedMore;
    const std::uint8_t* at = reader.bytes;
    const int length = (at[4] << 8) | at[5];
    if (length > dcMostPayload) return DcTake::Junk;
    const int whole = dcHeaderBytes + length;
    if (reader.count < whole) return DcTake::NeedMore;
    header = DcHeader{at[0], at[1], at[2], at[3], static_cast<std::uint16_t>(length)};
    std::memcpy(payload, at + dcHeaderBytes, length);
    std::memmove(reader.bytes, reader.bytes + whole, reader.count - whole);
    reader.count -= whole;
    return DcTake::Message;
}
