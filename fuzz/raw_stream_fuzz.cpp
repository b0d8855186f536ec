// The raw stream reader on any bytes, of either format version: a stream it refuses gives a
// reason and no block; one it reads holds only whole blocks of known kinds whose ticks never go
// back, laid out again byte for byte as they stood, and says so in its note when it stopped
// before the end.
#include "export/raw_stream_reader.h"
#include "fuzz/fuzz_expect.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RawStream stream;
    std::string error;
    if (!ParseRawStream(data, size, stream, error)) {
        FUZZ_EXPECT(!error.empty() && stream.blocks.empty(), error);
        return 0;
    }
    FUZZ_EXPECT(size >= rawHeaderLength, "a header shorter than its layout was read");
    std::size_t at = rawHeaderLength;
    std::uint32_t lastTick = 0;
    for (const RawStreamBlock& block : stream.blocks) {
        FUZZ_EXPECT(block.tick >= lastTick, "a block's tick went back");
        std::size_t length = block.bytes.size();
        if (block.kind == RawBlockKind::Setup) length = rawSetupLength;
        // A display tick's or a session's instant is read into the block, not kept as bytes.
        if (block.kind == RawBlockKind::Display || block.kind == RawBlockKind::Session)
            length = stream.header.version == 1 ? rawDisplayLengthV1 : rawDisplayLength;
        FUZZ_EXPECT(block.kind != RawBlockKind::Port || length > 0, "an empty port block");
        unsigned char head[rawBlockHeadMaxLength];
        const std::size_t headLength = EncodeRawBlockHead(
            stream.header.version, RawBlockHead{block.kind, block.tick, length}, lastTick, head);
        lastTick = block.tick;
        FUZZ_EXPECT(at + headLength + length <= size, "a block beyond the stream's end");
        FUZZ_EXPECT(std::memcmp(head, data + at, headLength) == 0,
                    "a block head read otherwise than it stood");
        if (block.kind == RawBlockKind::Port)
            FUZZ_EXPECT(std::memcmp(block.bytes.data(), data + at + headLength, length) == 0,
                        "port bytes read otherwise than they stood");
        at += headLength + length;
    }
    FUZZ_EXPECT(stream.cutShort == (at < size), "a stream read short without saying so");
    FUZZ_EXPECT(!stream.cutShort || !stream.note.empty(), "a cut stream with no note");
    return 0;
}
