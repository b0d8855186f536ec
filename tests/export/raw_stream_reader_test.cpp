#include "export/raw_stream_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {
RawStreamHeader SomeHeader() {
    RawStreamHeader header{};
    std::strcpy(header.stationVersion, "1.6 (110126)");
    header.crankSerial = 123;
    header.crankVersion = 7;
    header.startDateTime = 1.7e9 + 0.25;
    header.startUtc = 1700000000;
    header.setup.parameters.rightForceGain = 1.25f;
    header.setup.parameters.crankLength = 172.5f;
    header.setup.parameters.serialNumber = 123;
    header.setup.singleSide = SingleSide::LeftOnly;
    std::strcpy(header.portName, "COM4");
    header.baud = 38400;
    header.dataBits = 8;
    header.stopBits = 1;
    return header;
}

void AddBlock(std::vector<unsigned char>& stream, RawBlockKind kind, std::uint32_t tick,
              const std::vector<unsigned char>& payload) {
    unsigned char head[rawBlockHeadLength];
    EncodeRawBlockHead(kind, tick, payload.size(), head);
    stream.insert(stream.end(), std::begin(head), std::end(head));
    stream.insert(stream.end(), payload.begin(), payload.end());
}

// A header, two port blocks and a setup block between them.
std::vector<unsigned char> SomeStream() {
    std::vector<unsigned char> stream = EncodeRawHeader(SomeHeader());
    AddBlock(stream, RawBlockKind::Port, 3, {0xFF, 1, 2, 3});
    RawSetup zeroed = SomeHeader().setup;
    zeroed.parameters.rightForceOffset = -12.5f;
    unsigned char setup[rawSetupLength];
    EncodeRawSetup(zeroed, setup);
    AddBlock(stream, RawBlockKind::Setup, 3, {std::begin(setup), std::end(setup)});
    AddBlock(stream, RawBlockKind::Port, 9, {4, 5});
    return stream;
}
} // namespace

TEST(RawStreamReaderTest, AWholeStreamReadsBackItsHeaderBlocksAndSetupChange) {
    const std::vector<unsigned char> bytes = SomeStream();
    RawStream stream;
    std::string error;
    ASSERT_TRUE(ParseRawStream(bytes.data(), bytes.size(), stream, error)) << error;
    EXPECT_FALSE(stream.cutShort);
    EXPECT_STREQ(stream.header.stationVersion, "1.6 (110126)");
    EXPECT_EQ(stream.header.crankSerial, 123);
    EXPECT_EQ(stream.header.startDateTime, 1.7e9 + 0.25);
    EXPECT_EQ(stream.header.startUtc, 1700000000);
    EXPECT_EQ(stream.header.setup.parameters.crankLength, 172.5f);
    EXPECT_EQ(stream.header.setup.singleSide, SingleSide::LeftOnly);
    EXPECT_STREQ(stream.header.portName, "COM4");
    EXPECT_EQ(stream.header.baud, 38400);
    ASSERT_EQ(stream.blocks.size(), 3u);
    EXPECT_EQ(stream.blocks[0].bytes, (std::vector<unsigned char>{0xFF, 1, 2, 3}));
    EXPECT_EQ(stream.blocks[1].kind, RawBlockKind::Setup);
    EXPECT_EQ(stream.blocks[1].setup.parameters.rightForceOffset, -12.5f);
    EXPECT_EQ(stream.blocks[2].tick, 9u);
    EXPECT_EQ(RawStreamBytes(stream), 6u);
}

// Whatever the damage, the reader either refuses with a reason or keeps the whole blocks before
// it and names where it stopped.
TEST(RawStreamReaderTest, DamagedStreamsAreRefusedOrReadToTheirLastWholeBlock) {
    const std::vector<unsigned char> whole = SomeStream();
    const std::size_t firstBlock = rawHeaderLength;
    const std::size_t lastBlock = whole.size() - rawBlockHeadLength - 2;
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        bool read;
        std::size_t blocks;
        const char* says;
    };
    std::vector<unsigned char> otherVersion = whole;
    otherVersion[6] = 2;
    std::vector<unsigned char> badKind = whole;
    badKind[lastBlock] = 0x7E;
    std::vector<unsigned char> tickBack = whole;
    tickBack[lastBlock + 1] = 0;
    const std::vector<unsigned char> junk(400, 0x5A);
    const Case cases[] = {
        {"another version", otherVersion, false, 0, "format version 2"},
        {"junk", junk, false, 0, "no raw stream"},
        {"empty", {}, false, 0, "no raw stream"},
        {"cut in the header", {whole.begin(), whole.begin() + 40}, false, 0, "inside its header"},
        {"cut in the last block", {whole.begin(), whole.end() - 1}, true, 2, "ends inside a block"},
        {"cut in a block head",
         {whole.begin(), whole.begin() + firstBlock + 3},
         true,
         0,
         "ends inside a block"},
        {"a block of no kind", badKind, true, 2, "damaged block"},
        {"a tick going back", tickBack, true, 2, "damaged block"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RawStream stream;
        std::string error;
        const bool read = ParseRawStream(c.bytes.data(), c.bytes.size(), stream, error);
        ASSERT_EQ(read, c.read) << error;
        const std::string said = read ? stream.note : error;
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
        EXPECT_EQ(stream.blocks.size(), c.blocks);
        EXPECT_EQ(stream.cutShort, c.read);
    }
}
