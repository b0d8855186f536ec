#pragma once
// A raw stream (S_ddmmyy_hh-mm.zanraw) read back: its header and its blocks, for a replay or a
// review of the ride. The layout is record/raw_stream_format.h's.
//
// Only a regular file is read: a folder, a device or a pipe is refused at once. A stream of
// another format version, or one whose header is not whole (or fails its checksum), is refused.
// A stream whose end was cut (a kill mid-block, a full disk), whose bytes went bad somewhere (a
// block failing its checksum or reading as no block) or whose clock jumps further than the
// station's ever does is read to its last whole block before that, and says so in one line
// (cutShort and note).
//
// A stream is never held whole: it is read through once when it is opened, to check it and to
// learn what a replay needs before it starts, and then block by block as it plays
// (RawBlockReader), so whatever its length or its blocks, a read holds one block and a buffer.

#include "record/raw_stream_format.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

struct RawStreamBlock {
    RawBlockKind kind;
    std::uint32_t tick; // link ticks since the stream's clock began
    // A port block: the bytes the port gave in that tick's read, in order; they stay valid until
    // the reader reads the next block.
    std::span<const unsigned char> bytes;
    // A setup block: the setup in force from this tick on.
    RawSetup setup;
    // A display or session block: its instant on the stream's clock, in milliseconds, and (from
    // version 2 on) the station's local date-time then.
    std::uint32_t displayMs;
    double dateTime;
};

struct RawStream {
    RawStreamHeader header;
    // What its whole blocks hold, learnt when it was read.
    std::size_t blockCount = 0;
    std::size_t portBlocksEnd = 0; // the blocks up to and with the last that holds port bytes
    std::size_t portBytes = 0;     // the bytes the port gave over the whole stream
    std::uint32_t lastTick = 0;
    bool displays = false; // a display tick is among the blocks
    // The session's block, when the stream has one: the instant its button was pressed (the
    // block itself comes once its folder popup closed) and the date-time then.
    bool session = false;
    std::uint32_t sessionMs = 0;
    double sessionDateTime = 0.0;
    // The instant of the last block, in milliseconds: the last display tick's, and 20 ms for each
    // link tick after it. The link ticks alone fall behind the clock when the timer runs late.
    std::uint32_t endMs = 0;
    bool cutShort = false;
    std::string note; // why the blocks end before the stream does, when cutShort
    // Where the blocks are read from: the file at path, or the bytes given when path is empty.
    std::string path;
    std::vector<unsigned char> bytes;
};

// The recorded session's length in seconds: from the press of its button to its close, without
// the link's history before it. A stream of version 1 begins with its session.
double RecordedSessionSeconds(const RawStream& stream);

// Reads a stream held in memory. False, with the reason in error, when it is refused; true when
// its header was read, what its whole blocks hold in stream.
bool ParseRawStream(const unsigned char* data, std::size_t size, RawStream& stream,
                    std::string& error);
// Reads the stream file at path; as ParseRawStream, and false when it is no regular file or
// cannot be read. The error names the file.
bool ReadRawStream(const std::string& path, RawStream& stream, std::string& error);

// The blocks of a stream, in order: those of a stream ReadRawStream or ParseRawStream read, up to
// where that reading stopped.
class RawBlockReader {
  public:
    explicit RawBlockReader(const RawStream& stream);
    ~RawBlockReader();
    RawBlockReader(const RawBlockReader&) = delete;
    RawBlockReader& operator=(const RawBlockReader&) = delete;

    // The next block; false after the last, or once the file no longer reads as it did.
    bool Next(RawStreamBlock& block);
    // The file was changed or could not be read again before its last block.
    bool Broken() const { return broken; }

  private:
    friend bool ParseRawStream(const unsigned char*, std::size_t, RawStream&, std::string&);
    friend bool ReadRawStream(const std::string&, RawStream&, std::string&);
    enum class Step { Block, End, Cut };
    // Reads the stream through from its header, into what stream learns of it.
    bool Survey(RawStream& stream, std::string& error);
    // A reader of the bytes from the start, checking as it goes.
    RawBlockReader(const unsigned char* data, std::size_t size, std::FILE* file);
    // At least want bytes from the present place, fewer only at the end of the bytes.
    const unsigned char* Look(std::size_t want, std::size_t& available);
    void Skip(std::size_t count);
    bool ReadHeader(RawStreamHeader& header, std::string& error);
    Step Read(RawStreamBlock& block, std::string& why);

    const unsigned char* memory = nullptr;
    std::size_t memorySize = 0;
    std::FILE* file = nullptr;
    std::vector<unsigned char> buffer;
    std::size_t bufferStart = 0;
    std::size_t bufferEnd = 0;
    bool fileFailed = false;
    std::uint64_t offset = 0; // of the present place from the stream's start
    int version = 0;
    // Read again as it plays, a stream was checked whole when it was opened: its checksums are
    // not worked out again at each of a replay's two readings.
    bool checksums = true;
    std::uint32_t lastTick = 0;
    std::size_t blocksLeft = 0;
    bool broken = false;
};
