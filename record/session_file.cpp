#include "record/session_file.h"

#include "link/link_control.h"
#include "measure/measure_state.h"
#include "measure/power.h"
#include "platform/bounded_text.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/numbers.h"
#include "platform/paths.h"
#include "record/data_file.h"
#include "record/session_columns.h"

#include <cstdarg>
#include <cstring>

namespace {
constexpr char comma = ',';
// A row costs one write; the file is also stored on disk at least this often.
constexpr double syncSeconds = 5.0;

// The handle of a session kept in memory: no file of the platform has it.
constexpr int sessionInMemory = 1 << 30;

bool InMemory(const RecordState& record) {
    return record.sessionFile == sessionInMemory;
}

// Formats one line into the open session file; false when it did not reach the file.
bool PutSessionLine(const RecordState& record, const char* format, std::va_list arguments) {
    char line[1024];
    FormatTextList(line, sizeof line, format, arguments);
    if (!InMemory(record)) return WriteDataText(record.sessionFile, line);
    record.sessionText->append(line).push_back('\n');
    return true;
}

#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
bool WriteHeaderLine(const RecordState& record, const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    const bool written = PutSessionLine(record, format, arguments);
    va_end(arguments);
    return written;
}

#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
bool WriteSessionLine(RecordState& record, const char* format, ...) {
    if (record.sessionFile <= 0) return false;
    std::va_list arguments;
    va_start(arguments, format);
    const bool written = PutSessionLine(record, format, arguments);
    va_end(arguments);
    if (!written && !record.sessionWriteFailed) {
        record.sessionWriteFailed = 1;
        ReportDataFileFailure(record, "Session rows", record.sessionPath);
    }
    return written;
}

// A session file deleted or moved away is written anew at its path, every row in it.
void KeepSessionFile(RecordState& record) {
    if (InMemory(record)) return;
    if (KeepFileAtPath(record, record.sessionFile, record.sessionPath, record.sessionFileLost,
                       "Session file", "every row"))
        record.sessionWriteFailed = 0;
}

// No session without its file.
SessionStart RefuseSession(RecordState& record) {
    record.sessionFile = 0;
    return SessionStart::Refused;
}
} // namespace

void StampSession(RecordState& record) {
    // One reading of the clock names the file and gives its start: the folder popup may stay
    // open past midnight.
    record.sessionStartTime = record.now.dateTime;
    record.kept = KeptSession{};
    record.kept.startDateTime = record.sessionStartTime;
    record.kept.startTimer = record.now.timer;
    TakeFileStamp(record, record.sessionStartTime);
}

void OfferRecordFolder(RecordState& record) {
    char folder[512] = "";
    GetDir(folder, sizeof folder);
    FormatText(record.defaultRecordFolder, sizeof record.defaultRecordFolder, "%s%cdati", folder,
               pathSeparator);
}

void TakeRecordFolder(RecordState& record, const char* chosen) {
    if (chosen[0] != '\0')
        FormatText(record.recordFolder, sizeof record.recordFolder, "%s", chosen);
    else if (record.recordFolder[0] == '\0') {
        MakeDir(record.defaultRecordFolder);
        std::memcpy(record.recordFolder, record.defaultRecordFolder, sizeof record.recordFolder);
    }
}

SessionStart StartSession(RecordState& record, const SetupState& setup, bool keepsRawStream) {
    char taken[512];
    const bool kept = record.sessionText != nullptr;
    const NameSet set = kept             ? NameSet::Kept
                        : keepsRawStream ? NameSet::Session
                                         : NameSet::ReplayedSession;
    const bool named = MakeDataFilePath(record, "S", false, set, record.sessionPath,
                                        sizeof record.sessionPath, record.fileShortName,
                                        sizeof record.fileShortName, taken, sizeof taken) == 0;
    if (kept) record.sessionText->clear();
    record.sessionFile = kept ? sessionInMemory : named ? OpenDataFile(record.sessionPath) : -1;
    if (record.sessionFile <= 0) return RefuseSession(record);
    char timeText[16];
    FormatDateTimeString(record.sessionStartTime, "%H:%M:%S", timeText, sizeof timeText);
    // Rows go only into a session file: the whole header on disk first, or no session. The
    // file just made is the station's own and goes with the refusal.
    const bool headerWritten =
        WriteHeaderLine(record, "ZAN_session_file %c%s", comma, record.fileShortName) &&
        WriteHeaderLine(record, "KM @ Start %c%.3f", comma,
                        static_cast<double>(setup.setup.totalKm)) &&
        WriteHeaderLine(record, "Time @ Start %c%s", comma, timeText) &&
        WriteHeaderLine(record, "%s", SessionColumnNames().c_str()) &&
        (kept || SyncFile(record.sessionFile) == 0);
    if (!headerWritten) {
        CVI_CloseFile(record.sessionFile);
        RemoveFile(record.sessionPath);
        return RefuseSession(record);
    }
    if (taken[0] != '\0') {
        char message[noticeLength];
        FormatText(message, sizeof message, "Session file named %s: %s is there already.",
                   record.fileShortName, taken);
        TellRider(record, message);
    }
    record.sessionActive = 1;
    record.sessionWriteFailed = 0;
    record.sessionFileLost = 0;
    record.lastSyncTime = record.now.timer;
    record.sessionRow = 0;
    record.sessionLiveRows = 0;
    record.sessionPowerSum = 0.0f;
    record.sessionPowerAverage = 0.0f;
    record.sessionSpeedSum = 0.0f;
    record.sessionSpeedAverage = 0.0f;
    return SessionStart::Started;
}

bool StopSession(RecordState& record, const MeasureState& measure, const SetupState& setup) {
    record.sessionActive = 0;
    record.kept.stopSeconds = record.now.timer - record.kept.startTimer;
    KeepSessionFile(record);
    char timeText[16];
    WriteSessionLine(record, "#####");
    WriteSessionLine(record, "KM @ Stop %c%.3f", comma, static_cast<double>(setup.setup.totalKm));
    FormatDateTimeString(record.now.dateTime, "%H:%M:%S", timeText, sizeof timeText);
    WriteSessionLine(record, "Time @ Stop %c%s", comma, timeText);
    WriteSessionLine(record, "Kcal @ Stop %c%.1f", comma, static_cast<double>(measure.kcalTotal));
    WriteSessionLine(record, "POWER ave %c%.1f", comma,
                     static_cast<double>(record.sessionPowerAverage));
    WriteSessionLine(record, "SPEED ave %c%.1f", comma,
                     static_cast<double>(record.sessionSpeedAverage));
    bool closed = InMemory(record);
    if (record.sessionFile > 0 && !closed) {
        SyncFile(record.sessionFile);
        closed = CVI_CloseFile(record.sessionFile) >= 0;
        if (!closed && !record.sessionWriteFailed)
            ReportDataFileFailure(record, "Session file", record.sessionPath);
    }
    record.sessionFile = 0;
    return closed && record.sessionFileLost == 0;
}

void SaveDat(RecordState& record, const MeasureState& measure, const SetupState& setup,
             const LinkState& link) {
    // The row holds the latest window's result, whatever the panel shows.
    const WindowResult& result = measure;
    // A lost link has no values from the crank: its rows hold 0 for them, and they do not count
    // in the session's averages as pedalling. The last values would read as the rider's. A window
    // too damaged to measure is written the same way: no power rather than an invented one.
    const bool live = !LinkLost(link) && !result.powerUnmeasured;
    SessionRowSource source{};
    source.result = result;
    if (!live) {
        auto* crank = &source.result;
        crank->heartRate = crank->cadence = crank->speed = 0.0f;
        crank->powerLeft = crank->powerRight = 0.0f;
        crank->ofLeft = crank->ofRight = crank->udLeft = crank->udRight = 0.0f;
    }
    const float cadence = source.result.cadence;
    const float powerLeft = source.result.powerLeft;
    const float powerRight = source.result.powerRight;
    record.phoneBattery = 99.9f;
    record.rowPowerTotal = powerRight + powerLeft;
    // A crank at rest has no torque and no left share worth writing: those cells hold 0.
    record.rowTorqueTotal = static_cast<float>(CrankTorque(record.rowPowerTotal, cadence));
    record.rowTorqueLeft = static_cast<float>(CrankTorque(powerLeft, cadence));
    record.rowTorqueRight = static_cast<float>(CrankTorque(powerRight, cadence));
    record.rowRatioLeft = static_cast<float>(
        FiniteOrZero(100.0 * (static_cast<double>(powerLeft) / record.rowPowerTotal)));
    char timeText[16];
    FormatDateTimeString(record.now.dateTime, "%H:%M:%S", timeText, sizeof timeText);
    source.row = record.sessionRow;
    source.timeOfDay = timeText;
    source.kcal = measure.kcalTotal;
    source.phoneBattery = record.phoneBattery;
    source.totalKm = setup.setup.totalKm;
    source.torqueTotal = record.rowTorqueTotal;
    source.torqueLeft = record.rowTorqueLeft;
    source.torqueRight = record.rowTorqueRight;
    source.ratioLeft = record.rowRatioLeft;
    const std::string row = SessionRowText(source);
    record.sessionRow += 1;
    // The kept rows pair with the rows the file holds: a row that did not reach it has none.
    if (WriteSessionLine(record, "%s", row.c_str())) {
        KeptRow kept{record.now.timer - record.kept.startTimer, live,
                     live ? result.pedalMetrics : PedalMetrics{}, PowerPhase{}, PowerPhase{}};
        // The phases are made here, a row at a time, not at every window: only a recording
        // session has a file to give them to.
        if (live && result.windowTurnsKept > 0) {
            PolarFigures figures;
            MakeRecentFigures(measure.polar, result.windowTurnsKept, figures);
            kept.rightPhase = figures.rightPedal.phase;
            kept.leftPhase = figures.leftPedal.phase;
        }
        record.kept.rows.push_back(kept);
    }
    if (live) {
        record.sessionLiveRows += 1;
        const auto rows = static_cast<float>(record.sessionLiveRows);
        record.sessionPowerSum += result.powerTotal;
        record.sessionPowerAverage = record.sessionPowerSum / rows;
        record.sessionSpeedSum += result.speed;
        record.sessionSpeedAverage = record.sessionSpeedSum / rows;
    }
    // A power cut loses at most the last few seconds of rows; a file gone from its path is
    // noticed as often.
    if (record.sessionFile > 0 && !InMemory(record) &&
        record.now.timer - record.lastSyncTime >= syncSeconds) {
        KeepSessionFile(record);
        SyncFile(record.sessionFile);
        record.lastSyncTime = record.now.timer;
    }
}

void GiveRecordDefaults(RecordState& record) {
    record.sessionActive = 0;
    record.rawFile = 0;
    record.rowTicks = 0;
    record.ledFlashTimer = 0;
    record.captureState = CaptureState::Idle;
    record.captureFrames = 0;
    record.captureCount = 0;
}
