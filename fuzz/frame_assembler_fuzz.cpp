// The frame assembler on any byte stream, cut into reads as the input says: the first byte of
// the input gives the length of each read. Every byte is accounted for: in a frame handed on (18
// bytes, or 17 when the frame's own 0xFF was lost and the last one stands in for it), dropped with
// a cut frame, or waiting in the frame under way. A frame handed on never holds a 0xFF but at its
// start.
#include "fuzz/fuzz_expect.h"
#include "link/frame_assembler.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {
std::string Counts(const FrameAssembler& assembler, long long taken) {
    return "taken " + std::to_string(taken) + ", frames " + std::to_string(assembler.linkFrames) +
           ", skipped " + std::to_string(assembler.linkSkippedBytes) + ", cut " +
           std::to_string(assembler.linkCutFrames) + ", pending " +
           std::to_string(assembler.rxPending);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int readLength = 1 + data[0] % 64;
    FrameAssembler assembler{};
    long long taken = 0;
    long long handedOn = 0;
    for (std::size_t at = 1; at < size;) {
        const int count = static_cast<int>(std::min<std::size_t>(readLength, size - at));
        AssembleFrames(assembler, data + at, count, [&](const unsigned char* frame) {
            for (int i = 1; i < frameLength; ++i)
                FUZZ_EXPECT(frame[i] != frameStart, "0xFF at byte " + std::to_string(i));
            FUZZ_EXPECT(assembler.rxPos == 0 && assembler.rxPending == 0,
                        "the next frame begun before the last was handed on");
            handedOn += 1;
        });
        at += static_cast<std::size_t>(count);
        taken += count;
        FUZZ_EXPECT(assembler.rxPos >= 0 && assembler.rxPos < frameLength,
                    "rxPos " + std::to_string(assembler.rxPos));
        FUZZ_EXPECT(assembler.rxPending <= assembler.rxPos, Counts(assembler, taken));
        FUZZ_EXPECT(assembler.linkFrames == handedOn, Counts(assembler, taken));
        const long long accounted = assembler.linkSkippedBytes + assembler.rxPending;
        FUZZ_EXPECT(accounted + assembler.linkFrames * (frameLength - 1) <= taken &&
                        taken <= accounted + assembler.linkFrames * frameLength,
                    Counts(assembler, taken));
        FUZZ_EXPECT(assembler.linkCutFrames <= assembler.linkSkippedBytes,
                    Counts(assembler, taken));
    }
    return 0;
}
