#include "record/raw_stream_format.h"

#include <cstring>
#include <type_traits>

namespace {
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

std::uint32_t RawWordAt(const unsigned char* bytes) {
    std::uint32_t word = 0;
    for (int i = 3; i >= 0; --i) word = (word << 8) | bytes[i];
    return word;
}

void EncodeRawSetup(const RawSetup& setup, unsigned char (&bytes)[rawSetupLength]) {
    std::vector<unsigned char> out;
    SetupParameters parameters = setup.parameters;
    VisitSetupValues(parameters, [&out](auto& value) { PutWord(out, BitsOf(value)); });
    PutWord(out, static_cast<std::uint32_t>(setup.singleSide));
    std::memcpy(bytes, out.data(), rawSetupLength);
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
    out.push_back(static_cast<unsigned char>(rawStreamVersion & 0xFF));
    out.push_back(static_cast<unsigned char>(rawStreamVersion >> 8));
    PutWord(out, static_cast<std::uint32_t>(rawHeaderLength - 12));
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
    return out;
}

void EncodeRawBlockHead(RawBlockKind kind, std::uint32_t tick, std::size_t length,
                        unsigned char (&head)[rawBlockHeadLength]) {
    head[0] = static_cast<unsigned char>(kind);
    for (int i = 0; i < 4; ++i) head[1 + i] = static_cast<unsigned char>(tick >> (8 * i));
    head[5] = static_cast<unsigned char>(length & 0xFF);
    head[6] = static_cast<unsigned char>(length >> 8);
}
