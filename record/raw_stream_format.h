#pragma once
// The raw stream beside a session file (S_ddmmyy_hh-mm.zanraw): the bytes the crank's port gave,
// as they came, each block stamped with the link tick it came in, after a header that holds what
// the measurement depends on. The recorder writes it and the export's reader reads it back; both
// take the layout from here only.
//
// All numbers are little-endian. The header:
//   "ZANRAW" and the format version (2 bytes), then the length of the rest of the header (4),
//   the station's version (16 bytes of text, 0-padded), the crank's serial number and firmware
//   version (4 each), the session's start as the station's local date-time (8, seconds as a
//   double) and as Unix time in UTC (8), the setup in force (rawSetupLength bytes), the port's
//   device name (16 bytes of text), baud rate, parity, data bits and stop bits (4 each).
// Then blocks, each a head and its payload: the bytes read from the port for a port block, the
// setup now in force for a setup block, the instant of a display tick for a display block; an
// end block closes the stream. The head holds the block's kind, the link tick it came in and
// the length of its payload:
//   version 1: the kind (1 byte), the tick (4) and the length (2);
//   version 2: one byte of the kind (low 3 bits) and the length (high 5 bits; 31 when a varint
//   of the length less 31 follows), then the tick as a varint of its step from the block
//   before's (from 0 for the first). A port read of a frame or two thus takes a head of 2 bytes
//   instead of 7: about 1 KB a second, 3.5 MB an hour instead of 4.5.
//   version 3: version 2's head, and after the payload a checksum of the head and the payload
//   (2 bytes, see RawChecksum); the header ends with a checksum of its own bytes before it. A
//   bit flipped on the disk then cuts the stream there instead of replaying a wrong force or
//   setup, for 2 bytes a block (about 100 bytes a second).
// A varint holds 7 bits a byte, the lowest first, the high bit set on every byte but the last.

#include "setup/setup_state.h"

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr unsigned char rawStreamMagic[6] = {'Z', 'A', 'N', 'R', 'A', 'W'};
// The version the station writes; it reads versions 1 and 2 too.
constexpr int rawStreamVersion = 3;
constexpr int rawStreamOldestVersion = 1;
constexpr std::size_t rawStationVersionLength = 16;
constexpr std::size_t rawPortNameLength = 16;
// The 23 setup values in the setup file's order, 4 bytes each, and the pedals measured.
constexpr int rawSetupValues = 23;
constexpr std::size_t rawSetupLength = rawSetupValues * 4 + 4;
constexpr std::size_t rawHeaderLength = 6 + 2 + 4 + rawStationVersionLength + 4 + 4 + 8 + 8 +
                                        rawSetupLength + rawPortNameLength + 4 * 4;
// From version 3 on, the header and each block end with a checksum of this many bytes.
constexpr std::size_t rawChecksumLength = 2;
constexpr int rawFirstCheckedVersion = 3;
// The bytes the header of a version takes, its checksum included.
constexpr std::size_t RawHeaderLength(int version) {
    return rawHeaderLength + (version >= rawFirstCheckedVersion ? rawChecksumLength : 0);
}
// The checksum's bytes after a block's payload in a version.
constexpr std::size_t RawBlockChecksumLength(int version) {
    return version >= rawFirstCheckedVersion ? rawChecksumLength : 0;
}
constexpr std::size_t rawBlockHeadLengthV1 = 1 + 4 + 2;
// The longest head of either version: a kind and length byte, a 3-byte length, a 5-byte tick.
constexpr std::size_t rawBlockHeadMaxLength = 1 + 3 + 5;
// A port block holds at most one read of the port.
constexpr std::size_t rawBlockMaxPayload = 65535;
// Version 2's head byte holds a payload's length below this; at it, a varint follows.
constexpr std::size_t rawShortLengthEscape = 31;

// The end block, with no payload, marks the tick the session closed at. A display block marks
// a display tick after the link tick it is stamped with; its payload is its instant on the
// stream's clock in milliseconds (4 bytes) and, from version 2 on, the station's local date-time
// then (8, seconds as a double), so a replay writes each row when and as the live station did,
// to the second the live one read.
//
// Version 1's ticks and clock start with the session. Version 2's start with the station (or
// with the history kept for it, see record/raw_stream_file.h): the blocks before the session
// block are the link's history before the session, and the session block (version 2 only)
// marks the tick the session opened at, its payload the instant its button was pressed (as a
// display block's). A replay plays the history first, so it measures the session from the state
// the live station was in.
// The longest step of the link ticks from one block to the next that a stream the station wrote
// holds: every display tick (500 ms, 25 link ticks of 20 ms) is a block, and the link counts as
// lost after 100 ticks (2 s) without a frame, so 5 s is twice the longest silence the station
// lets pass unremarked and ten display ticks missed in a row. A longer step is a damaged clock:
// played, a jump to the counter's end would run for days and write a row a second of it.
constexpr std::uint32_t rawLongestTickStep = 250;
enum class RawBlockKind : unsigned char { Port = 1, Setup = 2, End = 3, Display = 4, Session = 5 };
constexpr std::size_t rawDisplayLengthV1 = 4;
constexpr std::size_t rawDisplayLength = 4 + 8;

// The setup a measurement runs under: the setup file's values and the pedals the crank measures.
struct RawSetup {
    SetupParameters parameters;
    SingleSide singleSide;
};

struct RawStreamHeader {
    int version; // the format version, written as given
    char stationVersion[rawStationVersionLength + 1];
    std::int32_t crankSerial;
    std::int32_t crankVersion;
    double startDateTime;  // the engine's local date-time at the session's start
    std::int64_t startUtc; // the same instant, Unix time
    RawSetup setup;
    char portName[rawPortNameLength + 1];
    std::int32_t baud;
    std::int32_t parity;
    std::int32_t dataBits;
    std::int32_t stopBits;
};

// The header's bytes in its version's layout, RawHeaderLength(header.version) of them.
std::vector<unsigned char> EncodeRawHeader(const RawStreamHeader& header);
struct RawBlockHead {
    RawBlockKind kind;
    std::uint32_t tick;
    std::size_t length; // of the payload, at most rawBlockMaxPayload
};
// A block's head in the given format version, after a block of previousTick; returns its length.
std::size_t EncodeRawBlockHead(int version, const RawBlockHead& block, std::uint32_t previousTick,
                               unsigned char (&head)[rawBlockHeadMaxLength]);
enum class RawHeadRead { Whole, Cut, Damaged };
// The block head at bytes, of which available are there, after a block of previousTick: Cut when
// the bytes end inside it, Damaged when no head of the version reads so (a varint too long, a
// tick past the counter's end, a length beyond a block's); its length in headLength.
RawHeadRead DecodeRawBlockHead(int version, const unsigned char* bytes, std::size_t available,
                               std::uint32_t previousTick, RawBlockHead& block,
                               std::size_t& headLength);
// CRC-16/CCITT (polynomial 0x1021, from 0xFFFF, no reflection; "123456789" gives 0x29B1) of
// the bytes, continued from crc: every single, double and odd number of flipped bits and every
// burst of up to 16 bits in a block is caught, at a table look-up a byte.
constexpr std::uint16_t rawChecksumStart = 0xFFFF;
std::uint16_t RawChecksum(const unsigned char* bytes, std::size_t length,
                          std::uint16_t crc = rawChecksumStart);
// A whole block in the given version: its head, its payload and (from version 3 on) its
// checksum, into out, which has room for rawBlockHeadMaxLength + block.length +
// rawChecksumLength bytes; returns the bytes it took.
std::size_t EncodeRawBlock(int version, const RawBlockHead& block, std::uint32_t previousTick,
                           const unsigned char* payload, unsigned char* out);
// The same, appended to out.
void AppendRawBlock(std::vector<unsigned char>& out, int version, const RawBlockHead& block,
                    std::uint32_t previousTick, const unsigned char* payload);
// The little-endian 4-byte word at bytes.
std::uint32_t RawWordAt(const unsigned char* bytes);
void EncodeRawSetup(const RawSetup& setup, unsigned char (&bytes)[rawSetupLength]);
// A setup from its bytes; false when a value could not be the station's (a side out of range).
bool DecodeRawSetup(const unsigned char* bytes, RawSetup& setup);
