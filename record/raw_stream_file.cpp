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
// The session file comes first: the stream (4.5 MB an hour) is kept only while the disk has
// this much room left for the rows (a day's rows take some 11 MB).
constexpr long long rawDiskReserve = 16LL * 1024 * 1024;

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

// One block, its head and payload in one write: a kill or a full disk leaves whole blocks.
void WriteRawBlock(RecordState& record, RawBlockKind kind, const unsigned char* payload,
                   std::size_t length) {
    if (record.rawFile <= 0) return;
    unsigned char block[rawBlockHeadLength + 1024];
    unsigned char head[rawBlockHeadLength];
    EncodeRawBlockHead(kind, record.rawTick, length, head);
    bool written;
    if (length <= sizeof block - rawBlockHeadLength) {
        std::memcpy(block, head, rawBlockHeadLength);
        if (length > 0) std::memcpy(block + rawBlockHeadLength, payload, length);
        written = WriteBytes(record.rawFile, block, rawBlockHeadLength + length) == 0;
    } else {
        written = WriteBytes(record.rawFile, head, rawBlockHeadLength) == 0 &&
                  WriteBytes(record.rawFile, payload, length) == 0;
    }
    if (!written) {
        // The blocks written so far are whole and stay; the stream ends there.
        ReportDataFileFailure(record, "Raw stream", record.rawPath);
        CVI_CloseFile(record.rawFile);
        record.rawFile = 0;
        return;
    }
    if (Timer() - record.rawLastSync >= rawSyncSeconds) {
        SyncFile(record.rawFile);
        record.rawLastSync = Timer();
        if (!DiskHasRoom(record.rawPath)) {
            TellNoRoom(record, "stopped");
            CVI_CloseFile(record.rawFile);
            record.rawFile = 0;
        }
    }
}
} // namespace

void StartRawStream(RecordState& record, const SetupState& setup, const LinkState& link) {
    record.rawFile = 0;
    record.rawTick = 0;
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
    EncodeRawSetup(header.setup, record.rawSetup);
    record.rawLastSync = Timer();
}

void CountRawTick(RecordState& record, const SetupState& setup) {
    if (record.rawFile <= 0) return;
    record.rawTick += 1;
    unsigned char now[rawSetupLength];
    EncodeRawSetup(SetupInForce(setup), now);
    if (std::memcmp(now, record.rawSetup, rawSetupLength) == 0) return;
    std::memcpy(record.rawSetup, now, rawSetupLength);
    WriteRawBlock(record, RawBlockKind::Setup, now, rawSetupLength);
}

void KeepRawBytes(RecordState& record, const unsigned char* bytes, int count) {
    if (count <= 0) return;
    WriteRawBlock(record, RawBlockKind::Port, bytes, static_cast<std::size_t>(count));
}

void KeepRawDisplayTick(RecordState& record) {
    if (record.rawFile <= 0) return;
    const double seconds = Timer() - record.kept.startTimer;
    const auto milliseconds =
        static_cast<std::uint32_t>(seconds > 0.0 ? std::llround(seconds * 1000.0) : 0);
    const unsigned char payload[rawDisplayLength] = {
        static_cast<unsigned char>(milliseconds), static_cast<unsigned char>(milliseconds >> 8),
        static_cast<unsigned char>(milliseconds >> 16),
        static_cast<unsigned char>(milliseconds >> 24)};
    WriteRawBlock(record, RawBlockKind::Display, payload, rawDisplayLength);
}

void StopRawStream(RecordState& record) {
    WriteRawBlock(record, RawBlockKind::End, nullptr, 0);
    if (record.rawFile <= 0) return;
    const bool stored = SyncFile(record.rawFile) == 0;
    if (CVI_CloseFile(record.rawFile) < 0 || !stored)
        ReportDataFileFailure(record, "Raw stream", record.rawPath);
    record.rawFile = 0;
}
