#include "tests/support/frames.h"

namespace {
void PutWord(std::vector<unsigned char>& frame, int word) {
    frame.push_back(static_cast<unsigned char>(word & 0xFF));
    frame.push_back(static_cast<unsigned char>((word >> 8) & 0xFF));
}
} // namespace

std::vector<unsigned char> MakeFrame(const FrameWords& words) {
    std::vector<unsigned char> frame{0xFF};
    for (const int word : {words.rightForce, words.rightAux, words.leftForce, words.leftAux,
                           words.spare, words.crank, words.wheel, words.heartRate})
        PutWord(frame, word);
    frame.push_back(static_cast<unsigned char>(words.battery));
    return frame;
}

std::vector<unsigned char> MakeIdentityFrame(int serial, int version) {
    FrameWords words;
    words.rightForce = 2 * ('0' + serial / 100);
    words.rightAux = 2 * ('0' + serial / 10 % 10);
    words.leftForce = 2 * ('0' + serial % 10);
    words.leftAux = 2 * ('0' + version);
    return MakeFrame(words);
}

void Append(std::vector<unsigned char>& stream, const std::vector<unsigned char>& bytes) {
    stream.insert(stream.end(), bytes.begin(), bytes.end());
}
