#include "tools/crank_frame.h"

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

void PutWord(unsigned char bytes[crankFrameLength], int position, int value) {
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

void EncodeFrame(const CrankFrame& frame, unsigned char bytes[crankFrameLength]) {
    bytes[0] = frameStart;
    PutWord(bytes, rightForceAt, frame.rightForce);
    PutWord(bytes, rightAuxAt, frame.rightAux);
    PutWord(bytes, leftForceAt, frame.leftForce);
    PutWord(bytes, leftAuxAt, frame.leftAux);
    PutWord(bytes, spareAt, frame.spare);
    PutWord(bytes, crankWordAt, frame.crankWord);
    PutWord(bytes, wheelWordAt, frame.wheelWord);
    PutWord(bytes, heartRateAt, frame.heartRateWord);
    bytes[batteryAt] = static_cast<unsigned char>(SafeByte(frame.battery));
}

int FrameWord(const unsigned char bytes[crankFrameLength], int position) {
    return bytes[position] + 256 * bytes[position + 1];
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

void SetIdentityWords(CrankFrame& frame, int serial, int version) {
    frame.rightForce = 2 * ('0' + serial / 100 % 10);
    frame.rightAux = 2 * ('0' + serial / 10 % 10);
    frame.leftForce = 2 * ('0' + serial % 10);
    frame.leftAux = 2 * ('0' + version % 10);
}
