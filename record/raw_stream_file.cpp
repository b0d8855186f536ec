#include "record/raw_stream_file.h"

#include "link/crank_port.h"
#include "platform/bounded_text.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "record/data_file.h"
#include "setup/window_title.h"

#include <cmath>
#include <cstring>
#include <ctime>

namespace {
// As often as the session file is stored on disk: a power cut loses at most a few seconds.
constexpr double rawSyncSeconds = 5.0;
// The session file comes first: the stream (4.1 MB an hour) is kept only while the disk has
// this much room left for the rows (a day's rows take some 11 MB).
constexpr long long rawDiskReserve = 16LL * 1024 * 1024;
// The link's history kept for a session's stream: some 50 minutes of the port's bytes.
constexpr std::size_t rawPrerollRoom = 4 * 1024 * 1024;
// The history goes into the stream in writes of about this many bytes.
constexpr std::size_t rawPrerollWrite = 64 * 1024;

bool DiskHasRoom(const char* path) {
    const long long free = FreeDiskBytes(path);
    return free < 0 || free >= rawDiskReserve;
}

void TellNoRoom(RecordState& record, const char* what) {
    char message[noticeLength];
    FormatText(message, sizeof message,
               "Raw stream %s: less than 16 MB free beside %s, kept for the session file.", what,
               record.sessionPath);
    TellRider(record, message);
}

// The engine's local date-time as the Unix time of that moment, in the computer's own zone.
std::int64_t UtcOfLocal(double dateTime) {
    const auto local = static_cast<std::time_t>(dateTime);
    const std::tm* parts = std::gmtime(&local);
    if (parts == nullptr) return 0;
    std::tm wall = *parts;
    wall.tm_isdst = -1;
    const std::time_t utc = std::mktime(&wall);
    return utc == static_cast<std::time_t>(-1) ? 0 : static_cast<std::int64_t>(utc);
}

RawSetup SetupInForce(const SetupState& setup) {
    return RawSetup{setup.setup, setup.singleSide};
}

// The blocks written so far are whole and stay; the stream ends there.
void EndOnFailure(RecordState& record) {
    ReportDataFileFailure(record, "Raw stream", record.rawPath);
    CVI_CloseFile(record.rawFile);
    record.rawFile = 0;
}

// A stream deleted or moved away comes back whole at its path, as the session file does.
void KeepRawStream(RecordState& record) {
    KeepFileAtPath(record, record.rawFile, record.rawPath, record.rawFileLost, "Raw stream",
                   "every block");
}

// The pending blocks in one write: a kill or a full disk leaves whole blocks.
void WritePending(RecordState& record) {
    std::vector<unsigned char>& blocks = record.rawPending;
    if (record.rawFile > 0 && !blocks.empty() &&
        WriteBytes(record.rawFile, blocks.data(), blocks.size()) != 0)
        EndOnFailure(record);
    blocks.clear();
}

// One block, its head, payload and checksum. The port's reads (50 a second) and setup changes
// wait for the next display tick: written with its block, before the row that tick writes, they
// are in the file before any row made from them, so a crash of the station loses no byte behind
// a row, and the stream takes two writes a second rather than fifty.
void WriteRawBlock(RecordState& record, RawBlockKind kind, std::uint32_t tick,
                   const unsigned char* payload, std::size_t length) {
    if (record.rawFile <= 0) return;
    AppendRawBlock(record.rawPending, rawStreamVersion, RawBlockHead{kind, tick, length},
                   record.rawLastTick, payload);
    record.rawLastTick = tick;
    const bool waits = kind == RawBlockKind::Port || kind == RawBlockKind::Setup;
    if (waits && record.rawPending.size() < rawPrerollWrite) return;
    WritePending(record);
    if (record.rawFile > 0 && record.now.timer - record.rawLastSync >= rawSyncSeconds) {
        KeepRawStream(record);
        SyncFile(record.rawFile);
        record.rawLastSync = record.now.timer;
        if (!DiskHasRoom(record.rawPath)) {
            TellNoRoom(record, "stopped");
            CVI_CloseFile(record.rawFile);
            record.rawFile = 0;
        }
    }
}

// An instant: the steady timer's on the stream's clock (milliseconds since its link ticks
// began), and the station's local date-time then.
void PutInstant(const RecordState& record, double timer, double dateTime,
                unsigned char (&payload)[rawDisplayLength]) {
    const double seconds = timer - record.rawClockStart;
    const auto milliseconds =
        static_cast<std::uint32_t>(seconds > 0.0 ? std::llround(seconds * 1000.0) : 0);
    std::uint64_t bits = 0;
    std::memcpy(&bits, &dateTime, 8);
    for (std::size_t i = 0; i < 4; ++i)
        payload[i] = static_cast<unsigned char>(milliseconds >> (8 * i));
    for (std::size_t i = 0; i < 8; ++i)
        payload[4 + i] = static_cast<unsigned char>(bits >> (8 * i));
}

// A block of the link's history, kept for the next session's stream in version 1's layout (its
// tick whole); past the pre-roll's room the history is dropped and begins again once no session
// records.
void KeepPrerollBlock(RecordState& record, RawBlockKind kind, const unsigned char* payload,
                      std::size_t length) {
    if (!record.rawPrerollKept) return;
    std::vector<unsigned char>& preroll = record.rawPreroll;
    if (preroll.size() + rawBlockHeadLengthV1 + length > rawPrerollRoom) {
        preroll.clear();
        record.rawPrerollKept = false;
        return;
    }
    unsigned char head[rawBlockHeadMaxLength];
    const std::size_t headLength =
        EncodeRawBlockHead(1, RawBlockHead{kind, record.rawTick, length}, 0, head);
    preroll.insert(preroll.end(), head, head + headLength);
    if (length > 0) preroll.insert(preroll.end(), payload, payload + length);
}

// The stream's clock begins at the given instant of the steady timer: its ticks count from
// here, and its history from the setup in force.
void BeginStreamClock(RecordState& record, const SetupState& setup, double origin) {
    record.rawPreroll.clear();
    record.rawPrerollKept = true;
    record.rawTick = 0;
    record.rawClockStart = origin;
    EncodeRawSetup(SetupInForce(setup), record.rawSetup);
    KeepPrerollBlock(record, RawBlockKind::Setup, record.rawSetup, rawSetupLength);
}

void KeepRawBlock(RecordState& record, RawBlockKind kind, const unsigned char* payload,
                  std::size_t length) {
    KeepPrerollBlock(record, kind, payload, length);
    WriteRawBlock(record, kind, record.rawTick, payload, length);
}

// The link's history since the stream's clock began goes first, as it came, in writes of whole
// blocks; a session block then marks the tick the session opened at and the instant its button
// was pressed.
void WritePreroll(RecordState& record) {
    const std::vector<unsigned char>& preroll = record.rawPreroll;
    std::vector<unsigned char>& out = record.rawPending;
    out.clear();
    out.reserve(rawPrerollWrite + rawBlockHeadMaxLength + rawBlockMaxPayload + rawChecksumLength);
    RawBlockHead block{};
    std::size_t kept = 0;
    for (std::size_t at = 0; at < preroll.size() && record.rawFile > 0; at += kept + block.length) {
        if (DecodeRawBlockHead(1, preroll.data() + at, preroll.size() - at, 0, block, kept) !=
            RawHeadRead::Whole)
            break;
        AppendRawBlock(out, rawStreamVersion, block, record.rawLastTick,
                       preroll.data() + at + kept);
        record.rawLastTick = block.tick;
        if (out.size() >= rawPrerollWrite) WritePending(record);
    }
    WritePending(record);
    unsigned char instant[rawDisplayLength];
    PutInstant(record, record.kept.startTimer, record.kept.startDateTime, instant);
    WriteRawBlock(record, RawBlockKind::Session, record.rawTick, instant, rawDisplayLength);
}
} // namespace

void StartRawStream(RecordState& record, const SetupState& setup, const LinkState& link) {
    record.rawFile = 0;
    record.rawFileLost = 0;
    record.rawLastTick = 0;
    // The session file's own name with the stream's ending: "S_ddmmyy_hh-mm.zanraw".
    const std::size_t length = std::strlen(record.sessionPath);
    if (length < 4 || length + 3 >= sizeof record.rawPath) {
        ReportDataFileFailure(record, "Raw stream", record.sessionPath);
        return;
    }
    FormatText(record.rawPath, sizeof record.rawPath, "%.*s.zanraw", static_cast<int>(length - 4),
               record.sessionPath);
    if (FileExists(record.rawPath)) {
        char message[noticeLength];
        FormatText(message, sizeof message, "Raw stream not recorded: %s is there already.",
                   record.rawPath);
        TellRider(record, message);
        return;
    }
    if (!DiskHasRoom(record.sessionPath)) {
        TellNoRoom(record, "not recorded");
        return;
    }
    RawStreamHeader header{};
    header.version = rawStreamVersion;
    FormatText(header.stationVersion, sizeof header.stationVersion, "%s", programVersion);
    const std::size_t versionLength = std::strlen(header.stationVersion);
    if (versionLength > 0 && header.stationVersion[versionLength - 1] == ' ')
        header.stationVersion[versionLength - 1] = '\0';
    header.crankSerial = link.deviceSerial;
    header.crankVersion = link.deviceVersion;
    header.startDateTime = record.sessionStartTime;
    header.startUtc = UtcOfLocal(record.sessionStartTime);
    header.setup = SetupInForce(setup);
    FormatText(header.portName, sizeof header.portName, "%s", link.comPortName);
    header.baud = crankBaud;
    header.parity = crankParity;
    header.dataBits = crankDataBits;
    header.stopBits = crankStopBits;
    const std::vector<unsigned char> bytes = EncodeRawHeader(header);
    record.rawFile = OpenDataFile(record.rawPath);
    if (record.rawFile <= 0 || WriteBytes(record.rawFile, bytes.data(), bytes.size()) != 0 ||
        SyncFile(record.rawFile) != 0) {
        // A stream without its whole header is no stream: the file just made goes.
        if (record.rawFile > 0) {
            CVI_CloseFile(record.rawFile);
            RemoveFile(record.rawPath);
        }
        record.rawFile = 0;
        ReportDataFileFailure(record, "Raw stream", record.rawPath);
        return;
    }
    record.rawLastSync = record.now.timer;
    // With no history kept (a session pressed before the first tick, or a history that
    // outgrew its room), the stream's clock begins with the session's press.
    if (!record.rawPrerollKept) BeginStreamClock(record, setup, record.kept.startTimer);
    WritePreroll(record);
}

void CountRawTick(RecordState& record, const SetupState& setup) {
    // The stream's clock begins with the station's first tick, and again once a history too
    // long for the pre-roll was dropped and no session records.
    if (!record.rawPrerollKept && record.rawFile <= 0)
        BeginStreamClock(record, setup, record.now.timer);
    record.rawTick += 1;
    unsigned char now[rawSetupLength];
    EncodeRawSetup(SetupInForce(setup), now);
    if (std::memcmp(now, record.rawSetup, rawSetupLength) == 0) return;
    std::memcpy(record.rawSetup, now, rawSetupLength);
    KeepRawBlock(record, RawBlockKind::Setup, now, rawSetupLength);
}

void KeepRawBytes(RecordState& record, const unsigned char* bytes, int count) {
    if (count <= 0) return;
    KeepRawBlock(record, RawBlockKind::Port, bytes, static_cast<std::size_t>(count));
}

void KeepRawDisplayTick(RecordState& record, const SetupState& setup) {
    // A display tick may come before the first link tick (inside it, as its events are
    // processed): the clock begins with it then.
    if (!record.rawPrerollKept && record.rawFile <= 0)
        BeginStreamClock(record, setup, record.now.timer);
    unsigned char payload[rawDisplayLength];
    PutInstant(record, record.now.timer, record.now.dateTime, payload);
    KeepRawBlock(record, RawBlockKind::Display, payload, rawDisplayLength);
}

bool StopRawStream(RecordState& record) {
    WriteRawBlock(record, RawBlockKind::End, record.rawTick, nullptr, 0);
    if (record.rawFile <= 0) return false;
    KeepRawStream(record);
    const bool stored = SyncFile(record.rawFile) == 0;
    const bool closed = CVI_CloseFile(record.rawFile) >= 0;
    if (!closed || !stored) ReportDataFileFailure(record, "Raw stream", record.rawPath);
    record.rawFile = 0;
    return closed && stored && record.rawFileLost == 0;
}
