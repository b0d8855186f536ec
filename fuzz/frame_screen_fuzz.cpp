// The frame screen on any stream of frames (17 bytes of words each; the first two bytes of the
// input give the force gains): every frame that comes in goes out once, in order, unless it is
// the one still held; each word that goes out is the frame's own, the frame before's, the middle
// of its neighbours, or the word that says nothing (no force, no heart rate, the period before
// without its revolution mark); and the rejected count is the number of frames mended.
#include "fuzz/fuzz_expect.h"
#include "link/frame_screen.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {
int Word(const std::uint8_t* at) {
    return at[0] | (at[1] << 8);
}

CrankFrame FrameAt(const std::uint8_t* at) {
    return CrankFrame{Word(at),      Word(at + 2),  Word(at + 4),  Word(at + 6), Word(at + 8),
                      Word(at + 10), Word(at + 12), Word(at + 14), at[16]};
}

constexpr int CrankFrame::*words[] = {
    &CrankFrame::rightForce, &CrankFrame::rightAux,      &CrankFrame::leftForce,
    &CrankFrame::leftAux,    &CrankFrame::spare,         &CrankFrame::crankWord,
    &CrankFrame::wheelWord,  &CrankFrame::heartRateWord, &CrankFrame::battery};
// The word the screen gives where it can trust none; -1 for the words it never empties.
int SaysNothing(int CrankFrame::*word, int before, const ScreenLimits& limits) {
    if (word == &CrankFrame::rightForce) return limits.forceNone[0];
    if (word == &CrankFrame::leftForce) return limits.forceNone[1];
    if (word == &CrankFrame::heartRateWord) return 0;
    if (word == &CrankFrame::crankWord) return before & crankPeriodMask;
    return -1;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t frameBytes = 17;
    if (size < 2) return 0;
    const ScreenLimits limits = CrankLimits(data[0] / 64.0f, data[1] / 64.0f, 1000.0f, 1000.0f);
    std::vector<CrankFrame> in;
    for (std::size_t at = 2; at + frameBytes <= size; at += frameBytes)
        in.push_back(FrameAt(data + at));

    FrameScreen screen{};
    std::vector<CrankFrame> out;
    long long mended = 0;
    for (const CrankFrame& frame : in) {
        const ScreenedFrames screened = ScreenFrame(screen, frame, limits);
        FUZZ_EXPECT(screened.count >= 0 && screened.count <= 2, std::to_string(screened.count));
        for (int i = 0; i < screened.count; ++i) {
            out.push_back(screened.frames[i]);
            mended += screened.rejected[i] ? 1 : 0;
        }
    }
    const std::size_t held = screen.holding ? 1 : 0;
    FUZZ_EXPECT(out.size() + held == in.size(),
                std::to_string(out.size()) + " out of " + std::to_string(in.size()));
    FUZZ_EXPECT(mended == screen.rejectedFrames, std::to_string(mended));
    for (std::size_t k = 0; k < out.size(); ++k) {
        for (const auto word : words) {
            const int got = out[k].*word;
            const int own = in[k].*word;
            const int before = k > 0 ? out[k - 1].*word : own;
            const int after = k + 1 < in.size() ? in[k + 1].*word : own;
            const bool known = got == own || got == before ||
                               got == before + (after - before) / 2 ||
                               got == SaysNothing(word, before, limits);
            FUZZ_EXPECT(known, "frame " + std::to_string(k) + " word " + std::to_string(got));
        }
    }
    return 0;
}
