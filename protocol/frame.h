#pragma once
// The frame the crank streams: 18 bytes, a 0xFF start byte, then eight 16-bit words low byte first
// and the battery code. The station restarts a frame on every 0xFF it reads, so no data byte of a
// frame may ever be 0xFF; every word is made safe before it is sent (SafeWord).
// This is the crank's wire format for the station, the emulator and the tests alike; it depends on
// nothing.

constexpr int frameLength = 18;
constexpr unsigned char frameStart = 0xFF;
// The crank marks each revolution in bit 13 of the crank word; bits 0-12 hold its period.
constexpr int revolutionMarker = 0x2000;
constexpr int crankPeriodMask = 0x1FFF;
// Largest word whose bytes both differ from 0xFF.
constexpr int largestSafeWord = 0xFEFE;

// Byte positions of the words in the frame.
constexpr int rightForceAt = 1;
constexpr int rightAuxAt = 3;
constexpr int leftForceAt = 5;
constexpr int leftAuxAt = 7;
constexpr int spareAt = 9;
constexpr int crankWordAt = 11;
constexpr int wheelWordAt = 13;
constexpr int heartRateAt = 15;
constexpr int batteryAt = 17;

// One frame as the crank's words: what the crank means to send, or what the station read.
struct CrankFrame {
    int rightForce;
    int rightAux;
    int leftForce;
    int leftAux;
    int spare;
    int crankWord;
    int wheelWord;
    int heartRateWord;
    int battery;
};

// How the crank turns newtons into counts: counts = offset + force / gain on the force channels
// and offset + force * auxRatio on the auxiliary channels (the same offset on all four).
struct FrameScales {
    double offset;
    double gain;
    double auxRatio;
};

// Clamps a word to 0..0xFEFE and turns a 0xFF low byte into 0xFE (one count less), so neither of
// its bytes can be mistaken for a frame start.
int SafeWord(long value);
// Clamps a byte to 0..0xFE for the same reason.
int SafeByte(long value);
// Lays the frame out: byte 0 is 0xFF, the words low byte first, every data byte made safe.
void EncodeFrame(const CrankFrame& frame, unsigned char bytes[frameLength]);
// Lays the frame out as EncodeFrame does, but each word's two low bytes as they are, 0xFF
// included: how a corrupted frame looks on the wire.
void LayOutFrame(const CrankFrame& frame, unsigned char bytes[frameLength]);
// The word at a byte position, low byte first, as the station reads it. Written as bytes ORed
// into place, the compiler reads the word in one load.
inline int FrameWord(const unsigned char bytes[frameLength], int position) {
    return bytes[position] | bytes[position + 1] << 8;
}
// The words of a frame as it came, start byte first. Inline: the station decodes every frame.
inline CrankFrame DecodeFrame(const unsigned char bytes[frameLength]) {
    return CrankFrame{FrameWord(bytes, rightForceAt),
                      FrameWord(bytes, rightAuxAt),
                      FrameWord(bytes, leftForceAt),
                      FrameWord(bytes, leftAuxAt),
                      FrameWord(bytes, spareAt),
                      FrameWord(bytes, crankWordAt),
                      FrameWord(bytes, wheelWordAt),
                      FrameWord(bytes, heartRateAt),
                      bytes[batteryAt]};
}
// The same words read a byte at a time, for a frame whose bytes were just written one by one (the
// assembler's buffer of a frame split between two reads): the processor hands each byte written
// on to its own read at once, where a read of the whole frame would wait for every write before it
// to reach memory.
inline CrankFrame DecodeFrameBytes(const unsigned char bytes[frameLength]) {
    const auto word = [bytes](int position) { return bytes[position] + 256 * bytes[position + 1]; };
    return CrankFrame{word(rightForceAt), word(rightAuxAt),  word(leftForceAt),
                      word(leftAuxAt),    word(spareAt),     word(crankWordAt),
                      word(wheelWordAt),  word(heartRateAt), bytes[batteryAt]};
}

int ForceCounts(double force, const FrameScales& scales);
int AuxCounts(double force, const FrameScales& scales);
// Revolution period in 0.5 ms units (bits 0-12, 0x1FFF for a crank turning slower than that or
// standing), with the marker bit on the frame where a revolution starts.
int CrankWord(double cadenceRpm, bool revolutionStart);
// Wheel revolution period in 0.5 ms units; a standing wheel gives the largest safe word.
int WheelWord(double speedKmh, double wheelMm);
int HeartRateWord(double beatsPerMinute);
// The station shows 5 * (code - 138) percent.
int BatteryCode(double percent);

// Forces and auxiliaries of both pedals; the other words are left for the caller.
void SetForceWords(CrankFrame& frame, double rightForce, double leftForce,
                   const FrameScales& scales);
