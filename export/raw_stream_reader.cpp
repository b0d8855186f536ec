#include "export/raw_stream_reader.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace {
std::uint64_t LongAt(const unsigned char* bytes) {
    return static_cast<std::uint64_t>(RawWordAt(bytes)) |
           static_cast<std::uint64_t>(RawWordAt(bytes + 4)) << 32;
}

void TakeText(const unsigned char* bytes, std::size_t length, char* text) {
    std::size_t used = 0;
    while (used < length && bytes[used] >= 0x20 && bytes[used] < 0x7F) {
        text[used] = static_cast<char>(bytes[used]);
        used += 1;
    }
    text[used] = '\0';
}

bool ParseHeader(const unsigned char* data, std::size_t size, RawStreamHeader& header,
                 std::string& error) {
    if (size < 8 || std::memcmp(data, rawStreamMagic, sizeof rawStreamMagic) != 0) {
        error = "is no raw stream of the station";
        return false;
    }
    header.version = data[6] | data[7] << 8;
    if (header.version < rawStreamOldestVersion || header.version > rawStreamVersion) {
        error = "is a raw stream of format version " + std::to_string(header.version) +
                ", which this station does not read (it reads versions " +
                std::to_string(rawStreamOldestVersion) + " to " + std::to_string(rawStreamVersion) +
                ")";
        return false;
    }
    if (size < rawHeaderLength || RawWordAt(data + 8) != rawHeaderLength - 12) {
        error = "ends inside its header";
        if (size >= 12 && RawWordAt(data + 8) != rawHeaderLength - 12)
            error = "has a damaged header";
        return false;
    }
    const unsigned char* at = data + 12;
    TakeText(at, rawStationVersionLength, header.stationVersion);
    at += rawStationVersionLength;
    header.crankSerial = static_cast<std::int32_t>(RawWordAt(at));
    header.crankVersion = static_cast<std::int32_t>(RawWordAt(at + 4));
    const std::uint64_t bits = LongAt(at + 8);
    std::memcpy(&header.startDateTime, &bits, 8);
    header.startUtc = static_cast<std::int64_t>(LongAt(at + 16));
    at += 24;
    if (!DecodeRawSetup(at, header.setup)) {
        error = "has a damaged header";
        return false;
    }
    at += rawSetupLength;
    TakeText(at, rawPortNameLength, header.portName);
    at += rawPortNameLength;
    header.baud = static_cast<std::int32_t>(RawWordAt(at));
    header.parity = static_cast<std::int32_t>(RawWordAt(at + 4));
    header.dataBits = static_cast<std::int32_t>(RawWordAt(at + 8));
    header.stopBits = static_cast<std::int32_t>(RawWordAt(at + 12));
    return true;
}

void CutShort(RawStream& stream, std::size_t offset, const char* why) {
    stream.cutShort = true;
    stream.note = "read to its last whole block (" + std::to_string(stream.blocks.size()) +
                  " blocks): " + why + " at byte " + std::to_string(offset);
}
} // namespace

bool ParseRawStream(const unsigned char* data, std::size_t size, RawStream& stream,
                    std::string& error) {
    stream = RawStream{};
    if (!ParseHeader(data, size, stream.header, error)) return false;
    std::size_t at = rawHeaderLength;
    std::uint32_t lastTick = 0;
    while (at < size) {
        RawBlockHead head{};
        std::size_t headLength = 0;
        const RawHeadRead read = DecodeRawBlockHead(stream.header.version, data + at, size - at,
                                                    lastTick, head, headLength);
        if (read == RawHeadRead::Cut) {
            CutShort(stream, at, "the stream ends inside a block");
            break;
        }
        const RawBlockKind kind = head.kind;
        const std::uint32_t tick = head.tick;
        const std::size_t length = head.length;
        // Ticks never go back, and a setup block holds exactly one setup: anything else is a
        // block gone bad, and what follows it cannot be trusted to start where it seems to.
        const bool first = stream.header.version == 1;
        const std::size_t instant = first ? rawDisplayLengthV1 : rawDisplayLength;
        const bool known = (kind == RawBlockKind::Port && length > 0) ||
                           (kind == RawBlockKind::Setup && length == rawSetupLength) ||
                           (kind == RawBlockKind::End && length == 0) ||
                           (kind == RawBlockKind::Display && length == instant) ||
                           (kind == RawBlockKind::Session && length == instant && !first);
        if (read == RawHeadRead::Damaged || !known || tick < lastTick) {
            CutShort(stream, at, "a damaged block");
            break;
        }
        if (size - at - headLength < length) {
            CutShort(stream, at, "the stream ends inside a block");
            break;
        }
        const unsigned char* payload = data + at + headLength;
        RawStreamBlock block{kind, tick, {}, stream.header.setup, 0, 0.0};
        if (kind == RawBlockKind::Setup) {
            if (!DecodeRawSetup(payload, block.setup)) {
                CutShort(stream, at, "a damaged block");
                break;
            }
        } else if (kind == RawBlockKind::Display || kind == RawBlockKind::Session) {
            block.displayMs = RawWordAt(payload);
            if (!first) {
                const std::uint64_t bits = LongAt(payload + 4);
                std::memcpy(&block.dateTime, &bits, 8);
            }
        } else {
            block.bytes.assign(payload, payload + length);
        }
        stream.blocks.push_back(std::move(block));
        lastTick = tick;
        at += headLength + length;
    }
    return true;
}

bool ReadRawStream(const std::string& path, RawStream& stream, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "\"" + path + "\" cannot be read";
        return false;
    }
    const std::vector<unsigned char> data{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
    if (file.bad()) {
        error = "\"" + path + "\" cannot be read";
        return false;
    }
    if (!ParseRawStream(data.data(), data.size(), stream, error)) {
        error = "\"" + path + "\" " + error;
        return false;
    }
    if (stream.cutShort) stream.note = "\"" + path + "\" " + stream.note;
    return true;
}

std::size_t RawStreamBytes(const RawStream& stream) {
    std::size_t bytes = 0;
    for (const RawStreamBlock& block : stream.blocks) bytes += block.bytes.size();
    return bytes;
}
