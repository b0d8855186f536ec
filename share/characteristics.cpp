#include "share/characteristics.h"

namespace {
// The Cycling Power Feature's bits: balance, wheel and crank revolutions, extreme magnitudes,
// dead spot angles and accumulated energy supported.
enum PowerFeatureBit : std::uint32_t {
    balanceSupported = 1u << 0,
    wheelSupported = 1u << 2,
    crankSupported = 1u << 3,
    extremesSupported = 1u << 4,
    deadSpotsSupported = 1u << 6,
    energySupported = 1u << 7,
};

// Little-endian, as every multi-byte value on the attribute protocol.
void Put16(std::uint8_t*& out, std::uint16_t value) {
    *out++ = static_cast<std::uint8_t>(value & 0xFF);
    *out++ = static_cast<std::uint8_t>(value >> 8);
}
void Put32(std::uint8_t*& out, std::uint32_t value) {
    Put16(out, static_cast<std::uint16_t>(value & 0xFFFF));
    Put16(out, static_cast<std::uint16_t>(value >> 16));
}

struct Bytes {
    const std::uint8_t* at;
    int left;
    bool Take16(std::uint16_t& value) {
        if (left < 2) return false;
        value = static_cast<std::uint16_t>(at[0] | (at[1] << 8));
        at += 2;
        left -= 2;
        return true;
    }
    bool Take32(std::uint32_t& value) {
        std::uint16_t low = 0;
        std::uint16_t high = 0;
        if (!Take16(low) || !Take16(high)) return false;
        value = low | (static_cast<std::uint32_t>(high) << 16);
        return true;
    }
};
} // namespace

int EncodePowerMeasurement(const PowerMeasurement& m, std::uint8_t* out) {
    std::uint16_t flags = 0;
    if (m.balanceKnown) flags |= balancePresent | balanceReferenceLeft;
    if (m.wheelKnown) flags |= wheelDataPresent;
    if (m.crankKnown) flags |= crankDataPresent;
    if (m.forcesKnown) flags |= extremeForcesPresent;
    if (m.deadSpotsKnown) flags |= topDeadSpotPresent | bottomDeadSpotPresent;
    if (m.energyKnown) flags |= energyPresent;
    std::uint8_t* at = out;
    Put16(at, flags);
    Put16(at, static_cast<std::uint16_t>(m.power));
    if (m.balanceKnown) *at++ = m.balanceLeftHalves;
    if (m.wheelKnown) {
        Put32(at, m.wheelRevolutions);
        Put16(at, m.wheelEventTime);
    }
    if (m.crankKnown) {
        Put16(at, m.crankRevolutions);
        Put16(at, m.crankEventTime);
    }
    if (m.forcesKnown) {
        Put16(at, static_cast<std::uint16_t>(m.maxForce));
        Put16(at, static_cast<std::uint16_t>(m.minForce));
    }
    if (m.deadSpotsKnown) {
        Put16(at, m.topDeadSpot);
        Put16(at, m.bottomDeadSpot);
    }
    if (m.energyKnown) Put16(at, m.energy);
    return static_cast<int>(at - out);
}

bool DecodePowerMeasurement(const std::uint8_t* bytes, int count, PowerMeasurement& m) {
    m = PowerMeasurement{};
    Bytes in{bytes, count};
    std::uint16_t flags = 0;
    std::uint16_t word = 0;
    if (!in.Take16(flags) || !in.Take16(word)) return false;
    constexpr std::uint16_t sent = balancePresent | balanceReferenceLeft | wheelDataPresent |
                                   crankDataPresent | extremeForcesPresent | topDeadSpotPresent |
                                   bottomDeadSpotPresent | energyPresent;
    if ((flags & ~sent) != 0) return false;
    m.power = static_cast<std::int16_t>(word);
    m.balanceKnown = (flags & balancePresent) != 0;
    if (m.balanceKnown) {
        if (in.left < 1) return false;
        m.balanceLeftHalves = *in.at++;
        in.left -= 1;
    }
    m.wheelKnown = (flags & wheelDataPresent) != 0;
    if (m.wheelKnown && !(in.Take32(m.wheelRevolutions) && in.Take16(m.wheelEventTime)))
        return false;
    m.crankKnown = (flags & crankDataPresent) != 0;
    if (m.crankKnown && !(in.Take16(m.crankRevolutions) && in.Take16(m.crankEventTime)))
        return false;
    m.forcesKnown = (flags & extremeForcesPresent) != 0;
    std::uint16_t high = 0;
    std::uint16_t low = 0;
    if (m.forcesKnown) {
        if (!in.Take16(high) || !in.Take16(low)) return false;
        m.maxForce = static_cast<std::int16_t>(high);
        m.minForce = static_cast<std::int16_t>(low);
    }
    m.deadSpotsKnown = (flags & topDeadSpotPresent) != 0;
    if (m.deadSpotsKnown != ((flags & bottomDeadSpotPresent) != 0)) return false;
    if (m.deadSpotsKnown && !(in.Take16(m.topDeadSpot) && in.Take16(m.bottomDeadSpot)))
        return false;
    m.energyKnown = (flags & energyPresent) != 0;
    if (m.energyKnown && !in.Take16(m.energy)) return false;
    return in.left == 0;
}

std::uint32_t PowerFeatureBits() {
    return balanceSupported | wheelSupported | crankSupported | extremesSupported |
           deadSpotsSupported | energySupported;
}

void EncodeHeartRate(int beatsPerMinute, std::uint8_t* out) {
    out[0] = 0;
    out[1] = static_cast<std::uint8_t>(beatsPerMinute < 0     ? 0
                                       : beatsPerMinute > 255 ? 255
                                                              : beatsPerMinute);
}
