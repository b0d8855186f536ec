#include "record/raw_stream_format.h"

#include <array>
#include <cstring>
#include <type_traits>

namespace {
constexpr std::uint16_t checksumPolynomial = 0x1021;

constexpr std::array<std::uint16_t, 256> MakeChecksumTable() {
    std::array<std::uint16_t, 256> table{};
    for (std::size_t byte = 0; byte < table.size(); ++byte) {
        auto crc = static_cast<std::uint16_t>(byte << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint16_t>((crc & 0x8000) != 0 ? (crc << 1) ^ checksumPolynomial
                                                                 : crc << 1);
        table[byte] = crc;
    }
    return table;
}
constexpr std::array<std::uint16_t, 256> checksumTable = MakeChecksumTable();

void PutWord(std::vector<unsigned char>& out, std::uint32_t word) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(word >> (8 * i)));
}

void PutLong(std::vector<unsigned char>& out, std::uint64_t word) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<unsigned char>(word >> (8 * i)));
}

void PutText(std::vector<unsigned char>& out, const char* text, std::size_t length) {
    std::size_t used = 0;
    while (used < length && text[used] != '\0') used += 1;
    out.insert(out.end(), text, text + used);
    out.insert(out.end(), length - used, 0);
}

template <typename T> std::uint32_t BitsOf(T value) {
    static_assert(sizeof(T) == 4);
    std::uint32_t word = 0;
    std::memcpy(&word, &value, 4);
    return word;
}

template <typename T> T FromBits(std::uint32_t word) {
    static_assert(sizeof(T) == 4);
    T value;
    std::memcpy(&value, &word, 4);
    return value;
}

// The setup values as words in the setup file's order, each visited once, for both directions.
template <typename Parameters, typename Visit> void VisitSetupValues(Parameters& p, Visit visit) {
    visit(p.rightForceOffset), visit(p.rightForceGain), visit(p.rightAuxOffset),
        visit(p.rightRatioScale), visit(p.leftForceOffset), visit(p.leftForceGain),
        visit(p.leftAuxOffset), visit(p.leftRatioScale), visit(p.wheelDiameter),
        visit(p.simulation), visit(p.correctionReference), visit(p.crankLength), visit(p.totalKm),
        visit(p.rightCorrectionCoeff), visit(p.leftCorrectionCoeff), visit(p.recordInterval),
        visit(p.displayFilter), visit(p.reserved1), visit(p.reserved2), visit(p.reserved3),
        visit(p.reservedFlag), visit(p.turnDetection), visit(p.serialNumber);
}
} // namespace

std::uint16_t RawChecksum(const unsigned char* bytes, std::size_t length, std::uint16_t crc) {
    for (std::size_t i = 0; i < length; ++i)
        crc = static_cast<std::uint16_t>(crc << 8) ^ checksumTable[(crc >> 8) ^ bytes[i]];
    return crc;
}

std::size_t EncodeRawBlock(int version, const RawBlockHead& block, std::uint32_t previousTick,
                           const unsigned char* payload, unsigned char* out) {
    unsigned char head[rawBlockHeadMaxLength];
    const std::size_t headLength = EncodeRawBlockHead(version, block, previousTick, head);
    std::memcpy(out, head, headLength);
    if (block.length > 0) std::memcpy(out + headLength, payload, block.length);
    std::size_t size = headLength + block.length;
    if (version < rawFirstCheckedVersion) return size;
    const std::uint16_t crc = RawChecksum(out, size);
    out[size] = static_cast<unsigned char>(crc & 0xFF);
    out[size + 1] = static_cast<unsigned char>(crc >> 8);
    return size + rawChecksumLength;
}

void AppendRawBlock(std::vector<unsigned char>& out, int version, const RawBlockHead& block,
                    std::uint32_t previousTick, const unsigned char* payload) {
    const std::size_t start = out.size();
    out.resize(start + rawBlockHeadMaxLength + block.length + rawChecksumLength);
    out.resize(start + EncodeRawBlock(version, block, previousTick, payload, out.data() + start));
}

std::uint32_t RawWordAt(const unsigned char* bytes) {
    std::uint32_t word = 0;
    for (int i = 3; i >= 0; --i) word = (word << 8) | bytes[i];
    return word;
}

void EncodeRawSetup(const RawSetup& setup, unsigned char (&bytes)[rawSetupLength]) {
    // Straight into the block, with no vector to grow: the setup in force is encoded at every
    // link tick, to be compared with the one last kept.
    std::size_t at = 0;
    const auto put = [&bytes, &at](std::uint32_t word) {
        for (int i = 0; i < 4 && at < rawSetupLength; ++i)
            bytes[at++] = static_cast<unsigned char>(word >> (8 * i));
    };
    SetupParameters parameters = setup.parameters;
    VisitSetupValues(parameters, [&put](auto& value) { put(BitsOf(value)); });
    put(static_cast<std::uint32_t>(setup.singleSide));
}

bool DecodeRawSetup(const unsigned char* bytes, RawSetup& setup) {
    std::size_t at = 0;
    VisitSetupValues(setup.parameters, [bytes, &at](auto& value) {
        value = FromBits<std::remove_reference_t<decltype(value)>>(RawWordAt(bytes + at));
        at += 4;
    });
    const std::uint32_t side = RawWordAt(bytes + at);
    if (side > static_cast<std::uint32_t>(SingleSide::LeftOnly)) return false;
    setup.singleSide = static_cast<SingleSide>(side);
    return true;
}

std::vector<unsigned char> EncodeRawHeader(const RawStreamHeader& header) {
    std::vector<unsigned char> out(std::begin(rawStreamMagic), std::end(rawStreamMagic));
    out.push_back(static_cast<unsigned char>(header.version & 0xFF));
    out.push_back(static_cast<unsigned char>(header.version >> 8));
    PutWord(out, static_cast<std::uint32_t>(RawHeaderLength(header.version) - 12));
    PutText(out, header.stationVersion, rawStationVersionLength);
    PutWord(out, static_cast<std::uint32_t>(header.crankSerial));
    PutWord(out, static_cast<std::uint32_t>(header.crankVersion));
    std::uint64_t bits = 0;
    std::memcpy(&bits, &header.startDateTime, 8);
    PutLong(out, bits);
    PutLong(out, static_cast<std::uint64_t>(header.startUtc));
    unsigned char setup[rawSetupLength];
    EncodeRawSetup(header.setup, setup);
    out.insert(out.end(), std::begin(setup), std::end(setup));
    PutText(out, header.portName, rawPortNameLength);
    for (std::int32_t value : {header.baud, header.parity, header.dataBits, header.stopBits})
        PutWord(out, static_cast<std::uint32_t>(value));
    if (header.version >= rawFirstCheckedVersion) {
        const std::uint16_t crc = RawChecksum(out.data(), out.size());
        out.push_back(static_cast<unsigned char>(crc & 0xFF));
        out.push_back(static_cast<unsigned char>(crc >> 8));
    }
    return out;
}

std::size_t EncodeRawBlockHead(int version, const RawBlockHead& block, std::uint32_t previousTick,
                               unsigned char (&head)[rawBlockHeadMaxLength]) {
    const auto kind = static_cast<unsigned char>(block.kind);
    if (version == 1) {
        head[0] = kind;
        for (int i = 0; i < 4; ++i) head[1 + i] = static_cast<unsigned char>(block.tick >> (8 * i));
        head[5] = static_cast<unsigned char>(block.length & 0xFF);
        head[6] = static_cast<unsigned char>(block.length >> 8);
        return rawBlockHeadLengthV1;
    }
    std::size_t at = 1;
    const auto putVarint = [&head, &at](std::uint32_t value) {
        while (value >= 0x80) {
            head[at++] = static_cast<unsigned char>(value | 0x80);
            value >>= 7;
        }
        head[at++] = static_cast<unsigned char>(value);
    };
    if (block.length < rawShortLengthEscape) {
        head[0] = static_cast<unsigned char>(kind | block.length << 3);
    } else {
        head[0] = static_cast<unsigned char>(kind | rawShortLengthEscape << 3);
        putVarint(static_cast<std::uint32_t>(block.length - rawShortLengthEscape));
    }
    putVarint(block.tick - previousTick);
    return at;
}

RawHeadRead DecodeRawBlockHead(int version, const unsigned char* bytes, std::size_t available,
                               std::uint32_t previousTick, RawBlockHead& block,
                               std::size_t& headLength) {
    if (version == 1) {
        if (available < rawBlockHeadLengthV1) return RawHeadRead::Cut;
        block.kind = static_cast<RawBlockKind>(bytes[0]);
        block.tick = RawWordAt(bytes + 1);
        block.length = bytes[5] | static_cast<std::size_t>(bytes[6]) << 8;
        headLength = rawBlockHeadLengthV1;
        return RawHeadRead::Whole;
    }
    std::size_t at = 1;
    // A varint of at most 5 bytes whose value fits 32 bits, in its shortest form: the writer
    // gives no other, so a head reads back as it was written or not at all.
    const auto takeVarint = [bytes, available, &at](std::uint64_t& value) {
        value = 0;
        for (int shift = 0; shift < 35; shift += 7) {
            if (at >= available) return RawHeadRead::Cut;
            const unsigned char byte = bytes[at++];
            value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
            if ((byte & 0x80) != 0) continue;
            const bool shortest = byte != 0 || shift == 0;
            return shortest && value <= 0xFFFFFFFFu ? RawHeadRead::Whole : RawHeadRead::Damaged;
        }
        return RawHeadRead::Damaged;
    };
    if (available < 1) return RawHeadRead::Cut;
    block.kind = static_cast<RawBlockKind>(bytes[0] & 0x07);
    block.length = bytes[0] >> 3;
    std::uint64_t value = 0;
    if (block.length == rawShortLengthEscape) {
        if (const RawHeadRead read = takeVarint(value); read != RawHeadRead::Whole) return read;
        if (value > rawBlockMaxPayload - rawShortLengthEscape) return RawHeadRead::Damaged;
        block.length = rawShortLengthEscape + static_cast<std::size_t>(value);
    }
    if (const RawHeadRead read = takeVarint(value); read != RawHeadRead::Whole) return read;
    if (value > 0xFFFFFFFFu - previousTick) return RawHeadRead::Damaged;
    block.tick = previousTick + static_cast<std::uint32_t>(value);
    headLength = at;
    return RawHeadRead::Whole;
}
