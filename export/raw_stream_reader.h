#pragma once
// A raw stream (S_ddmmyy_hh-mm.zanraw) read back: its header and its blocks, for a replay or a
// review of the ride. The layout is record/raw_stream_format.h's.
//
// A stream of another format version, or one whose header is not whole, is refused. A stream
// whose end was cut (a kill mid-block, a full disk) or whose bytes went bad somewhere is read to
// its last whole block, and says so in one line (cutShort and note).

#include "record/raw_stream_format.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct RawStreamBlock {
    RawBlockKind kind;
    std::uint32_t tick; // link ticks since the session's start
    // A port block: the bytes the port gave in that tick's read, in order.
    std::vector<unsigned char> bytes;
    // A setup block: the setup in force from this tick on.
    RawSetup setup;
    // A display or session block: its instant on the stream's clock, in milliseconds, and (from
    // version 2 on) the station's local date-time then.
    std::uint32_t displayMs;
    double dateTime;
};

struct RawStream {
    RawStreamHeader header;
    std::vector<RawStreamBlock> blocks;
    bool cutShort = false;
    std::string note; // why the blocks end before the stream does, when cutShort
};

// Reads a stream held in memory. False, with the reason in error, when it is refused; true when
// its header was read, its whole blocks in stream.blocks.
bool ParseRawStream(const unsigned char* data, std::size_t size, RawStream& stream,
                    std::string& error);
// Reads the stream file at path; as ParseRawStream, and false when the file cannot be read. The
// error names the file.
bool ReadRawStream(const std::string& path, RawStream& stream, std::string& error);
// How many bytes the port gave over the whole stream.
std::size_t RawStreamBytes(const RawStream& stream);
