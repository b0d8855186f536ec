// The frame decoder and the identity reader on any 18 bytes: every word is a 16-bit count, laying
// the decoded words out again gives the same bytes, an identity read is one a crank can have,
// and the crank's own encoding of those words never puts a 0xFF past the start.
#include "fuzz/fuzz_expect.h"
#include "protocol/frame.h"
#include "protocol/identity.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < static_cast<std::size_t>(frameLength)) return 0;
    unsigned char bytes[frameLength];
    std::memcpy(bytes, data, frameLength);
    bytes[0] = frameStart;

    const CrankFrame words = DecodeFrame(bytes);
    for (const int word : {words.rightForce, words.rightAux, words.leftForce, words.leftAux,
                           words.spare, words.crankWord, words.wheelWord, words.heartRateWord})
        FUZZ_EXPECT(word >= 0 && word <= 0xFFFF, "word " + std::to_string(word));
    FUZZ_EXPECT(words.battery >= 0 && words.battery <= 0xFF, std::to_string(words.battery));

    unsigned char again[frameLength];
    LayOutFrame(words, again);
    FUZZ_EXPECT(std::memcmp(again, bytes, frameLength) == 0, "laid out differently");

    const CrankIdentity identity = ReadIdentity(words);
    FUZZ_EXPECT(identity.serial >= 0 && identity.serial <= 999, std::to_string(identity.serial));
    FUZZ_EXPECT(identity.version >= 0 && identity.version <= 9, std::to_string(identity.version));

    unsigned char encoded[frameLength];
    EncodeFrame(words, encoded);
    for (int i = 1; i < frameLength; ++i)
        FUZZ_EXPECT(encoded[i] != frameStart, "0xFF at byte " + std::to_string(i));
    return 0;
}
