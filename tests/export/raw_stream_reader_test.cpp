#include "export/raw_stream_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
RawStreamHeader SomeHeader(int version = rawStreamVersion) {
    RawStreamHeader header{};
    header.version = version;
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

void AddBlock(std::vector<unsigned char>& stream, int version, RawBlockKind kind,
              std::uint32_t tick, std::uint32_t previousTick,
              const std::vector<unsigned char>& payload) {
    AppendRawBlock(stream, version, RawBlockHead{kind, tick, payload.size()}, previousTick,
                   payload.data());
}

// A block as read, held.
struct HeldBlock {
    RawBlockKind kind;
    std::uint32_t tick;
    std::vector<unsigned char> bytes;
    RawSetup setup;
};

std::vector<HeldBlock> BlocksOf(const RawStream& stream) {
    std::vector<HeldBlock> blocks;
    RawBlockReader reader(stream);
    for (RawStreamBlock block{}; reader.Next(block);)
        blocks.push_back(
            {block.kind, block.tick, {block.bytes.begin(), block.bytes.end()}, block.setup});
    EXPECT_FALSE(reader.Broken());
    return blocks;
}

// A header, two port blocks and a setup block between them.
std::vector<unsigned char> SomeStream(int version) {
    std::vector<unsigned char> stream = EncodeRawHeader(SomeHeader(version));
    AddBlock(stream, version, RawBlockKind::Port, 3, 0, {0xFF, 1, 2, 3});
    RawSetup zeroed = SomeHeader().setup;
    zeroed.parameters.rightForceOffset = -12.5f;
    unsigned char setup[rawSetupLength];
    EncodeRawSetup(zeroed, setup);
    AddBlock(stream, version, RawBlockKind::Setup, 3, 3, {std::begin(setup), std::end(setup)});
    AddBlock(stream, version, RawBlockKind::Port, 9, 3, {4, 5});
    return stream;
}
} // namespace

// The station writes version 3 and still reads the streams it wrote in versions 1 and 2.
TEST(RawStreamReaderTest, AWholeStreamOfEveryVersionReadsBackItsHeaderBlocksAndSetupChange) {
    for (const int version : {1, 2, 3}) {
        SCOPED_TRACE(version);
        const std::vector<unsigned char> bytes = SomeStream(version);
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
        const std::vector<HeldBlock> blocks = BlocksOf(stream);
        ASSERT_EQ(blocks.size(), 3u);
        EXPECT_EQ(stream.blockCount, 3u);
        EXPECT_EQ(blocks[0].bytes, (std::vector<unsigned char>{0xFF, 1, 2, 3}));
        EXPECT_EQ(blocks[1].kind, RawBlockKind::Setup);
        EXPECT_EQ(blocks[1].setup.parameters.rightForceOffset, -12.5f);
        EXPECT_EQ(blocks[2].tick, 9u);
        EXPECT_EQ(stream.lastTick, 9u);
        EXPECT_EQ(stream.portBytes, 6u);
    }
}

// Whatever the damage, the reader either refuses with a reason or keeps the whole blocks before
// it and names where it stopped. From version 3 on a flipped bit anywhere is caught by its
// block's checksum (or the header's) instead of replaying a wrong force or setup; in every
// version a clock that jumps further than the station's ever does ends the blocks there.
TEST(RawStreamReaderTest, DamagedStreamsAreRefusedOrReadToTheirLastWholeBlock) {
    const std::vector<unsigned char> whole = SomeStream(1);
    const std::size_t firstBlock = rawHeaderLength;
    const std::size_t lastBlock = whole.size() - rawBlockHeadLengthV1 - 2;
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        bool read;
        std::size_t blocks;
        const char* says; // nullptr: read whole
    };
    std::vector<unsigned char> otherVersion = whole;
    otherVersion[6] = 4;
    std::vector<unsigned char> badKind = whole;
    badKind[lastBlock] = 0x7E;
    std::vector<unsigned char> tickBack = whole;
    tickBack[lastBlock + 1] = 0;
    std::vector<unsigned char> sessionInOne = whole;
    AddBlock(sessionInOne, 1, RawBlockKind::Session, 9, 9, {0, 0, 0, 0});
    const std::vector<unsigned char> junk(400, 0x5A);
    // Version 3: a bit flipped in the first block's port bytes, in the last block's tick, in the
    // header's setup; the last block's checksum cut.
    const std::vector<unsigned char> checked = SomeStream(3);
    const std::size_t checkedFirst = RawHeaderLength(3);
    std::vector<unsigned char> flippedByte = checked;
    flippedByte[checkedFirst + 3] ^= 0x04;
    std::vector<unsigned char> flippedTick = checked;
    flippedTick[checked.size() - 2 - 2 - 2 + 1] ^= 0x01;
    std::vector<unsigned char> flippedSetup = checked;
    flippedSetup[12 + rawStationVersionLength + 24 + 5] ^= 0x80;
    // The clock jumping: a step of 5 s is the longest read, one tick more is a jump, and a jump
    // to the counter's end is one in a version 1 stream too.
    const auto jumping = [](int version, std::uint32_t step) {
        std::vector<unsigned char> stream = SomeStream(version);
        AddBlock(stream, version, RawBlockKind::Port, 9 + step, 9, {6});
        return stream;
    };
    const Case cases[] = {
        {"another version", otherVersion, false, 0, "format version 4"},
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
        {"a session block in version 1", sessionInOne, true, 3, "damaged block"},
        {"version 3 whole", checked, true, 3, nullptr},
        {"version 3, a port byte flipped", flippedByte, true, 0, "checksum does not match"},
        {"version 3, a tick flipped", flippedTick, true, 2, "checksum does not match"},
        {"version 3, a setup value flipped in the header", flippedSetup, false, 0,
         "damaged header"},
        {"version 3, cut in a checksum",
         {checked.begin(), checked.end() - 1},
         true,
         2,
         "ends inside a block"},
        {"a step of 5 s", jumping(3, rawLongestTickStep), true, 4, nullptr},
        {"a jump of 5 s and a tick", jumping(3, rawLongestTickStep + 1), true, 3,
         "recorded clock jumps 5 s ahead"},
        {"a jump of a day in version 2", jumping(2, 24 * 3600 * 50), true, 3,
         "recorded clock jumps 86400 s ahead"},
        {"a jump to the counter's end in version 1", jumping(1, 0xFFFFFFFFu - 9), true, 3,
         "recorded clock jumps"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RawStream stream;
        std::string error;
        const bool read = ParseRawStream(c.bytes.data(), c.bytes.size(), stream, error);
        ASSERT_EQ(read, c.read) << error;
        const std::string said = read ? stream.note : error;
        if (c.says != nullptr) {
            EXPECT_NE(said.find(c.says), std::string::npos) << said;
        }
        EXPECT_EQ(stream.blockCount, c.blocks);
        if (read) {
            EXPECT_EQ(BlocksOf(stream).size(), c.blocks);
        }
        EXPECT_EQ(stream.cutShort, c.read && c.says != nullptr) << said;
    }
}

// The check is CRC-16/CCITT: its own check value, and continued over a head and a payload as
// over the block whole.
TEST(RawStreamReaderTest, TheBlockChecksumIsCrc16CcittAndContinuesOverPieces) {
    const unsigned char check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(RawChecksum(check, sizeof check), 0x29B1);
    EXPECT_EQ(RawChecksum(check + 4, 5, RawChecksum(check, 4)), 0x29B1);
}

#ifndef _WIN32
// A folder, a device that never ends and a pipe nobody writes are refused at once, by what they
// are, before a byte is read: none is a stream (a folder threw out of the reader, /dev/zero
// filled the memory, a pipe waited for ever).
TEST(RawStreamReaderTest, OnlyARegularFileIsReadAsAStream) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("zan_stream_kinds_" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "folder.zanraw");
    ASSERT_EQ(mkfifo((folder / "pipe.zanraw").c_str(), 0600), 0);
    const struct {
        std::string path;
        const char* says;
    } cases[] = {{(folder / "folder.zanraw").string(), "is a folder, not a raw stream"},
                 {"/dev/zero", "is no regular file (a device or a pipe), not a raw stream"},
                 {(folder / "pipe.zanraw").string(),
                  "is no regular file (a device or a pipe), not a raw stream"},
                 {(folder / "none.zanraw").string(), "cannot be read"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        RawStream stream;
        std::string error;
        EXPECT_FALSE(ReadRawStream(c.path, stream, error));
        EXPECT_EQ(error, "\"" + c.path + "\" " + c.says);
    }
    std::filesystem::remove_all(folder);
}
#endif

// Version 2's heads: a read of a frame takes 2 bytes of head, a long read or a tick far ahead a
// few more; a head that does not read as the writer writes them ends the blocks read there.
TEST(RawStreamReaderTest, VersionTwoHeadsAreShortAndOneThatReadsOtherwiseIsDamaged) {
    struct Case {
        const char* what;
        std::vector<unsigned char> head;
        std::uint32_t previousTick;
        RawHeadRead read;
        RawBlockHead block;
    };
    const Case cases[] = {
        {"a frame a tick on", {0x91, 0x01}, 7, RawHeadRead::Whole, {RawBlockKind::Port, 8, 18}},
        {"a display tick in the same tick",
         {0x24, 0x00},
         7,
         RawHeadRead::Whole,
         {RawBlockKind::Display, 7, 4}},
        {"a long read a minute on",
         {0xF9, 0x8D, 0x02, 0xB8, 0x17},
         0,
         RawHeadRead::Whole,
         {RawBlockKind::Port, 3000, 300}},
        {"the longest read",
         {0xF9, 0xE0, 0xFF, 0x03, 0x01},
         0,
         RawHeadRead::Whole,
         {RawBlockKind::Port, 1, rawBlockMaxPayload}},
        {"a read longer than a block", {0xF9, 0xE1, 0xFF, 0x03, 0x01}, 0, RawHeadRead::Damaged, {}},
        {"a tick past the counter",
         {0x91, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F},
         1,
         RawHeadRead::Damaged,
         {}},
        {"a varint of six bytes",
         {0x91, 0x81, 0x80, 0x80, 0x80, 0x80, 0x00},
         0,
         RawHeadRead::Damaged,
         {}},
        {"a varint longer than it needs", {0x91, 0x81, 0x00}, 0, RawHeadRead::Damaged, {}},
        {"cut in its tick", {0x91, 0x81}, 0, RawHeadRead::Cut, {}},
        {"cut after its first byte", {0x91}, 0, RawHeadRead::Cut, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RawBlockHead block{};
        std::size_t length = 0;
        ASSERT_EQ(
            DecodeRawBlockHead(2, c.head.data(), c.head.size(), c.previousTick, block, length),
            c.read);
        if (c.read != RawHeadRead::Whole) continue;
        EXPECT_EQ(length, c.head.size());
        EXPECT_EQ(block.kind, c.block.kind);
        EXPECT_EQ(block.tick, c.block.tick);
        EXPECT_EQ(block.length, c.block.length);
        unsigned char written[rawBlockHeadMaxLength];
        ASSERT_EQ(EncodeRawBlockHead(2, c.block, c.previousTick, written), c.head.size());
        EXPECT_TRUE(std::equal(c.head.begin(), c.head.end(), written));
    }
}
