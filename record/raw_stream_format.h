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
// Then blocks, each: its kind (1 byte), the link tick since the session's start (4), the length
// of its payload (2) and the payload: the bytes read from the port for a port block, the setup
// now in force for a setup block, the instant of a display tick for a display block; an end
// block closes the stream.

#include "setup/setup_state.h"

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr unsigned char rawStreamMagic[6] = {'Z', 'A', 'N', 'R', 'A', 'W'};
constexpr int rawStreamVersion = 1;
constexpr std::size_t rawStationVersionLength = 16;
constexpr std::size_t rawPortNameLength = 16;
// The 23 setup values in the setup file's order, 4 bytes each, and the pedals measured.
constexpr int rawSetupValues = 23;
constexpr std::size_t rawSetupLength = rawSetupValues * 4 + 4;
constexpr std::size_t rawHeaderLength = 6 + 2 + 4 + rawStationVersionLength + 4 + 4 + 8 + 8 +
                                        rawSetupLength + rawPortNameLength + 4 * 4;
constexpr std::size_t rawBlockHeadLength = 1 + 4 + 2;
// A port block holds at most one read of the port.
constexpr std::size_t rawBlockMaxPayload = 65535;

// The end block, with no payload, marks the tick the session closed at. A display block marks
// a display tick after the link tick it is stamped with; its payload is the milliseconds since
// the session's start on the station's clock (4 bytes), so a replay writes each row when and as
// the live station did.
enum class RawBlockKind : unsigned char { Port = 1, Setup = 2, End = 3, Display = 4 };
constexpr std::size_t rawDisplayLength = 4;

// The setup a measurement runs under: the setup file's values and the pedals the crank measures.
struct RawSetup {
    SetupParameters parameters;
    SingleSide singleSide;
};

struct RawStreamHeader {
    int version;
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

// The header's bytes, rawHeaderLength of them.
std::vector<unsigned char> EncodeRawHeader(const RawStreamHeader& header);
// A block's head before its payload of the given length.
void EncodeRawBlockHead(RawBlockKind kind, std::uint32_t tick, std::size_t length,
                        unsigned char (&head)[rawBlockHeadLength]);
// The little-endian 4-byte word at bytes.
std::uint32_t RawWordAt(const unsigned char* bytes);
void EncodeRawSetup(const RawSetup& setup, unsigned char (&bytes)[rawSetupLength]);
// A setup from its bytes; false when a value could not be the station's (a side out of range).
bool DecodeRawSetup(const unsigned char* bytes, RawSetup& setup);
