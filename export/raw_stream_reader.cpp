#include "export/raw_stream_reader.h"

#include "export/regular_file.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {
// The file is read in pieces of this size, into a buffer that holds a piece and the longest
// block (its head, payload and checksum) that may straddle two.
constexpr std::size_t filePiece = 64 * 1024;
constexpr std::size_t longestBlock = rawBlockHeadMaxLength + rawBlockMaxPayload + rawChecksumLength;
// A block's tick counts the station's link timer, 20 ms a tick.
constexpr std::uint64_t linkTickMs = 20;

std::uint64_t LongAt(const unsigned char* bytes) {
    return static_cast<std::uint64_t>(RawWordAt(bytes)) |
           static_cast<std::uint64_t>(RawWordAt(bytes + 4)) << 32;
}

std::uint16_t ChecksumAt(const unsigned char* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

void TakeText(const unsigned char* bytes, std::size_t length, char* text) {
    std::size_t used = 0;
    while (used < length && bytes[used] >= 0x20 && bytes[used] < 0x7F) {
        text[used] = static_cast<char>(bytes[used]);
        used += 1;
    }
    text[used] = '\0';
}

void TakeHeaderFields(const unsigned char* at, RawStreamHeader& header) {
    TakeText(at, rawStationVersionLength, header.stationVersion);
    at += rawStationVersionLength;
    header.crankSerial = static_cast<std::int32_t>(RawWordAt(at));
    header.crankVersion = static_cast<std::int32_t>(RawWordAt(at + 4));
    const std::uint64_t bits = LongAt(at + 8);
    std::memcpy(&header.startDateTime, &bits, 8);
    header.startUtc = static_cast<std::int64_t>(LongAt(at + 16));
    at += 24 + rawSetupLength;
    TakeText(at, rawPortNameLength, header.portName);
    at += rawPortNameLength;
    header.baud = static_cast<std::int32_t>(RawWordAt(at));
    header.parity = static_cast<std::int32_t>(RawWordAt(at + 4));
    header.dataBits = static_cast<std::int32_t>(RawWordAt(at + 8));
    header.stopBits = static_cast<std::int32_t>(RawWordAt(at + 12));
}

void CutShort(RawStream& stream, std::uint64_t offset, const std::string& why) {
    stream.cutShort = true;
    stream.note = "read to its last whole block (" + std::to_string(stream.blockCount) +
                  " blocks): " + why + " at byte " + std::to_string(offset);
}

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}
} // namespace

RawBlockReader::RawBlockReader(const unsigned char* data, std::size_t size, std::FILE* source)
    : memory(data), memorySize(size), file(source),
      blocksLeft(std::numeric_limits<std::size_t>::max()) {
    if (file != nullptr) buffer.resize(filePiece + longestBlock);
}

RawBlockReader::RawBlockReader(const RawStream& stream)
    : RawBlockReader(stream.bytes.data(), stream.bytes.size(),
                     stream.path.empty() ? nullptr : std::fopen(stream.path.c_str(), "rb")) {
    RawStreamHeader header{};
    std::string error;
    broken = (!stream.path.empty() && file == nullptr) || !ReadHeader(header, error) ||
             header.version != stream.header.version;
    blocksLeft = broken ? 0 : stream.blockCount;
    checksums = false;
}

RawBlockReader::~RawBlockReader() {
    if (file != nullptr) std::fclose(file);
}

const unsigned char* RawBlockReader::Look(std::size_t want, std::size_t& available) {
    if (file == nullptr) {
        const std::size_t place = static_cast<std::size_t>(offset);
        available = memorySize - place;
        return memory + place;
    }
    if (bufferEnd - bufferStart < want && !fileFailed) {
        std::memmove(buffer.data(), buffer.data() + bufferStart, bufferEnd - bufferStart);
        bufferEnd -= bufferStart;
        bufferStart = 0;
        while (bufferEnd < want && !fileFailed) {
            const std::size_t got =
                std::fread(buffer.data() + bufferEnd, 1, buffer.size() - bufferEnd, file);
            bufferEnd += got;
            if (got == 0) fileFailed = true;
        }
    }
    available = bufferEnd - bufferStart;
    return buffer.data() + bufferStart;
}

void RawBlockReader::Skip(std::size_t count) {
    offset += count;
    if (file != nullptr) bufferStart += count;
}

bool RawBlockReader::ReadHeader(RawStreamHeader& header, std::string& error) {
    std::size_t size = 0;
    const unsigned char* data = Look(RawHeaderLength(rawStreamVersion), size);
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
    const std::size_t length = RawHeaderLength(header.version);
    const bool lengthRight = size >= 12 && RawWordAt(data + 8) == length - 12;
    if (size < length || !lengthRight) {
        error = size >= 12 && !lengthRight ? "has a damaged header" : "ends inside its header";
        return false;
    }
    const bool checked = header.version >= rawFirstCheckedVersion;
    if ((checked && RawChecksum(data, rawHeaderLength) != ChecksumAt(data + rawHeaderLength)) ||
        !DecodeRawSetup(data + 12 + rawStationVersionLength + 24, header.setup)) {
        error = "has a damaged header";
        return false;
    }
    TakeHeaderFields(data + 12, header);
    version = header.version;
    Skip(length);
    return true;
}

RawBlockReader::Step RawBlockReader::Read(RawStreamBlock& block, std::string& why) {
    std::size_t available = 0;
    const unsigned char* data = Look(rawBlockHeadMaxLength, available);
    if (available == 0) return Step::End;
    RawBlockHead head{};
    std::size_t headLength = 0;
    const RawHeadRead read =
        DecodeRawBlockHead(version, data, available, lastTick, head, headLength);
    if (read == RawHeadRead::Cut) {
        why = "the stream ends inside a block";
        return Step::Cut;
    }
    // Ticks never go back, and a setup block holds exactly one setup: anything else is a block
    // gone bad, and what follows it cannot be trusted to start where it seems to.
    const bool first = version == 1;
    const std::size_t instant = first ? rawDisplayLengthV1 : rawDisplayLength;
    const RawBlockKind kind = head.kind;
    const std::size_t length = head.length;
    const bool known = (kind == RawBlockKind::Port && length > 0) ||
                       (kind == RawBlockKind::Setup && length == rawSetupLength) ||
                       (kind == RawBlockKind::End && length == 0) ||
                       (kind == RawBlockKind::Display && length == instant) ||
                       (kind == RawBlockKind::Session && length == instant && !first);
    if (read == RawHeadRead::Damaged || !known || head.tick < lastTick) {
        why = "a damaged block";
        return Step::Cut;
    }
    const std::size_t whole = headLength + length + RawBlockChecksumLength(version);
    data = Look(whole, available);
    if (available < whole) {
        why = "the stream ends inside a block";
        return Step::Cut;
    }
    const unsigned char* payload = data + headLength;
    if (checksums && version >= rawFirstCheckedVersion &&
        RawChecksum(data, headLength + length) != ChecksumAt(payload + length)) {
        why = "a damaged block (its checksum does not match)";
        return Step::Cut;
    }
    // Checked after the checksum: a flipped bit in a head reads as the damage it is.
    if (head.tick - lastTick > rawLongestTickStep) {
        why =
            "the recorded clock jumps " + std::to_string((head.tick - lastTick) / 50) + " s ahead";
        return Step::Cut;
    }
    block = RawStreamBlock{kind, head.tick, {}, {}, 0, 0.0};
    if (kind == RawBlockKind::Setup && !DecodeRawSetup(payload, block.setup)) {
        why = "a damaged block";
        return Step::Cut;
    }
    if (kind == RawBlockKind::Display || kind == RawBlockKind::Session) {
        block.displayMs = RawWordAt(payload);
        if (!first) {
            const std::uint64_t bits = LongAt(payload + 4);
            std::memcpy(&block.dateTime, &bits, 8);
        }
    }
    if (kind == RawBlockKind::Port) block.bytes = {payload, length};
    lastTick = head.tick;
    Skip(whole);
    return Step::Block;
}

bool RawBlockReader::Next(RawStreamBlock& block) {
    if (blocksLeft == 0) return false;
    std::string why;
    if (Read(block, why) != Step::Block) {
        broken = true;
        blocksLeft = 0;
        return false;
    }
    blocksLeft -= 1;
    return true;
}

bool RawBlockReader::Survey(RawStream& stream, std::string& error) {
    if (!ReadHeader(stream.header, error)) return false;
    RawStreamBlock block{};
    std::string why;
    std::uint32_t displayTick = 0;
    std::uint64_t displayMs = 0;
    for (;;) {
        const std::uint64_t at = offset;
        const Step step = Read(block, why);
        if (step == Step::End) break;
        if (step == Step::Cut) {
            CutShort(stream, at, why);
            break;
        }
        stream.blockCount += 1;
        stream.lastTick = block.tick;
        stream.portBytes += block.bytes.size();
        if (!block.bytes.empty()) stream.portBlocksEnd = stream.blockCount;
        if (block.kind == RawBlockKind::Display) {
            stream.displays = true;
            displayTick = block.tick;
            displayMs = block.displayMs;
        }
        if (block.kind == RawBlockKind::Session && !stream.session) {
            stream.session = true;
            stream.sessionMs = block.displayMs;
            stream.sessionDateTime = block.dateTime;
        }
    }
    const std::uint64_t endMs =
        displayMs + static_cast<std::uint64_t>(stream.lastTick - displayTick) * linkTickMs;
    stream.endMs = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(endMs, std::numeric_limits<std::uint32_t>::max()));
    if (fileFailed && file != nullptr && std::ferror(file) != 0) {
        error = "cannot be read";
        return false;
    }
    return true;
}

double RecordedSessionSeconds(const RawStream& stream) {
    const std::uint32_t start = stream.session ? stream.sessionMs : 0;
    return stream.endMs > start ? (stream.endMs - start) / 1000.0 : 0.0;
}

bool ParseRawStream(const unsigned char* data, std::size_t size, RawStream& stream,
                    std::string& error) {
    stream = RawStream{};
    stream.bytes.assign(data, data + size);
    RawBlockReader reader(stream.bytes.data(), stream.bytes.size(), nullptr);
    if (reader.Survey(stream, error)) return true;
    stream = RawStream{};
    return false;
}

bool ReadRawStream(const std::string& path, RawStream& stream, std::string& error) {
    stream = RawStream{};
    const FileKind kind = KindOfFile(path);
    if (kind != FileKind::Regular) {
        error = Quoted(path) + " " + NotReadBecause(kind);
        if (kind != FileKind::Missing) error += ", not a raw stream";
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = Quoted(path) + " cannot be read";
        return false;
    }
    RawBlockReader reader(nullptr, 0, file);
    stream.path = path;
    if (!reader.Survey(stream, error)) {
        error = Quoted(path) + " " + error;
        stream = RawStream{};
        return false;
    }
    if (stream.cutShort) stream.note = Quoted(path) + " " + stream.note;
    return true;
}
