#include "protocol/frame.h"

#include <cmath>

int SafeWord(long value) {
    if (value < 0) return 0;
    if (value > largestSafeWord) return largestSafeWord;
    if ((value & 0xFF) == 0xFF) return static_cast<int>(value - 1);
    return static_cast<int>(value);
}

int SafeByte(long value) {
    if (value < 0) return 0;
    if (value > 0xFE) return 0xFE;
    return static_cast<int>(value);
}

namespace {

void PutWord(unsigned char bytes[frameLength], int position, int value) {
    int safe = SafeWord(value);
    bytes[position] = static_cast<unsigned char>(safe & 0xFF);
    bytes[position + 1] = static_cast<unsigned char>(safe >> 8);
}

int Rounded(double value) {
    if (!(value > 0.0)) return 0;
    if (value > 65535.0) return 65535;
    return static_cast<int>(std::lround(value));
}

} // namespace

namespace {
template <typename PutWordAt>
void LayOut(const CrankFrame& frame, unsigned char bytes[frameLength], PutWordAt put) {
    bytes[0] = frameStart;
    put(bytes, rightForceAt, frame.rightForce);
    put(bytes, rightAuxAt, frame.rightAux);
    put(bytes, leftForceAt, frame.leftForce);
    put(bytes, leftAuxAt, frame.leftAux);
    put(bytes, spareAt, frame.spare);
    put(bytes, crankWordAt, frame.crankWord);
    put(bytes, wheelWordAt, frame.wheelWord);
    put(bytes, heartRateAt, frame.heartRateWord);
}
} // namespace

void EncodeFrame(const CrankFrame& frame, unsigned char bytes[frameLength]) {
    LayOut(frame, bytes, PutWord);
    bytes[batteryAt] = static_cast<unsigned char>(SafeByte(frame.battery));
}

void LayOutFrame(const CrankFrame& frame, unsigned char bytes[frameLength]) {
    LayOut(frame, bytes, [](unsigned char* out, int position, int value) {
        out[position] = static_cast<unsigned char>(value & 0xFF);
        out[position + 1] = static_cast<unsigned char>((value >> 8) & 0xFF);
    });
    bytes[batteryAt] = static_cast<unsigned char>(frame.battery & 0xFF);
}

int ForceCounts(double force, const FrameScales& scales) {
    return Rounded(scales.offset + force / scales.gain);
}

int AuxCounts(double force, const FrameScales& scales) {
    return Rounded(scales.offset + force * scales.auxRatio);
}

int CrankWord(double cadenceRpm, bool revolutionStart) {
    int period = crankPeriodMask;
    // 60 000 ms per minute, two units per millisecond.
    if (cadenceRpm > 0.0) period = Rounded(120000.0 / cadenceRpm);
    if (period > crankPeriodMask) period = crankPeriodMask;
    return revolutionStart ? period | revolutionMarker : period;
}

int WheelWord(double speedKmh, double wheelMm) {
    if (!(speedKmh > 0.0)) return largestSafeWord;
    // Period in ms is (wheelMm / 1000) / (speedKmh / 3.6) * 1000, twice that in 0.5 ms units.
    int period = Rounded(wheelMm * 7.2 / speedKmh);
    return period > largestSafeWord ? largestSafeWord : period;
}

int HeartRateWord(double beatsPerMinute) {
    return Rounded(beatsPerMinute * 2.0);
}

int BatteryCode(double percent) {
    return 138 + Rounded(percent / 5.0);
}

void SetForceWords(CrankFrame& frame, double rightForce, double leftForce,
                   const FrameScales& scales) {
    frame.rightForce = ForceCounts(rightForce, scales);
    frame.rightAux = AuxCounts(rightForce, scales);
    frame.leftForce = ForceCounts(leftForce, scales);
    frame.leftAux = AuxCounts(leftForce, scales);
}
