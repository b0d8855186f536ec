// The raw stream reader on any bytes, of any format version: a stream it refuses gives a reason
// and no block; one it reads holds only whole blocks of known kinds whose ticks never go back nor
// jump further than the station's clock does, each laid out again byte for byte as it stood (its
// checksum too, from version 3 on), and says so in its note when it stopped before the end.
#include "export/raw_stream_reader.h"
#include "fuzz/fuzz_expect.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RawStream stream;
    std::string error;
    if (!ParseRawStream(data, size, stream, error)) {
        FUZZ_EXPECT(!error.empty() && stream.blockCount == 0, error);
        return 0;
    }
    const int version = stream.header.version;
    FUZZ_EXPECT(size >= RawHeaderLength(version), "a header shorter than its layout was read");
    std::size_t at = RawHeaderLength(version);
    std::uint32_t lastTick = 0;
    std::size_t blocks = 0;
    std::size_t portBytes = 0;
    RawBlockReader reader(stream);
    std::vector<unsigned char> written;
    for (RawStreamBlock block{}; reader.Next(block); ++blocks) {
        FUZZ_EXPECT(block.tick >= lastTick, "a block's tick went back");
        FUZZ_EXPECT(block.tick - lastTick <= rawLongestTickStep, "a jump of the clock was read");
        std::size_t length = block.bytes.size();
        if (block.kind == RawBlockKind::Setup) length = rawSetupLength;
        // A display tick's or a session's instant is read into the block, not kept as bytes.
        if (block.kind == RawBlockKind::Display || block.kind == RawBlockKind::Session)
            length = version == 1 ? rawDisplayLengthV1 : rawDisplayLength;
        FUZZ_EXPECT(block.kind != RawBlockKind::Port || length > 0, "an empty port block");
        unsigned char head[rawBlockHeadMaxLength];
        const RawBlockHead blockHead{block.kind, block.tick, length};
        const std::size_t headLength = EncodeRawBlockHead(version, blockHead, lastTick, head);
        const std::size_t whole = headLength + length + RawBlockChecksumLength(version);
        FUZZ_EXPECT(at + whole <= size, "a block beyond the stream's end");
        FUZZ_EXPECT(std::memcmp(head, data + at, headLength) == 0,
                    "a block head read otherwise than it stood");
        // The block written again from what was read: the port's bytes and the setup as read,
        // an instant as it stood.
        unsigned char setup[rawSetupLength];
        EncodeRawSetup(block.setup, setup);
        const unsigned char* payload = block.kind == RawBlockKind::Port    ? block.bytes.data()
                                       : block.kind == RawBlockKind::Setup ? setup
                                                                           : data + at + headLength;
        written.clear();
        AppendRawBlock(written, version, blockHead, lastTick, payload);
        FUZZ_EXPECT(written.size() == whole && std::memcmp(written.data(), data + at, whole) == 0,
                    "a block read otherwise than it stood");
        lastTick = block.tick;
        portBytes += block.bytes.size();
        at += whole;
    }
    FUZZ_EXPECT(!reader.Broken(), "the blocks read again otherwise than at the first reading");
    FUZZ_EXPECT(blocks == stream.blockCount && portBytes == stream.portBytes,
                "the blocks read again were not those counted");
    FUZZ_EXPECT(stream.cutShort == (at < size), "a stream read short without saying so");
    FUZZ_EXPECT(!stream.cutShort || !stream.note.empty(), "a cut stream with no note");
    return 0;
}
