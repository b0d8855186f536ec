#include "tests/support/frames.h"

#include "protocol/frame.h"
#include "protocol/identity.h"

namespace {
std::vector<unsigned char> LaidOut(const CrankFrame& frame) {
    std::vector<unsigned char> bytes(frameLength);
    LayOutFrame(frame, bytes.data());
    return bytes;
}
} // namespace

std::vector<unsigned char> MakeFrame(const FrameWords& words) {
    return LaidOut(CrankFrame{words.rightForce, words.rightAux, words.leftForce, words.leftAux,
                              words.spare, words.crankWord, words.wheelWord, words.heartRateWord,
                              words.battery});
}

std::vector<unsigned char> MakeIdentityFrame(int serial, int version) {
    FrameWords words;
    CrankFrame frame{};
    SetIdentityWords(frame, serial, version);
    return LaidOut(CrankFrame{frame.rightForce, frame.rightAux, frame.leftForce, frame.leftAux,
                              words.spare, words.crankWord, words.wheelWord, words.heartRateWord,
                              words.battery});
}

void Append(std::vector<unsigned char>& stream, const std::vector<unsigned char>& bytes) {
    stream.insert(stream.end(), bytes.begin(), bytes.end());
}
