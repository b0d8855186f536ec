#include "record/session_file.h"

#include "link/link_control.h"
#include "measure/measure_state.h"
#include "measure/power.h"
#include "platform/bounded_text.h"
#include "platform/engine.h"
#include "platform/numbers.h"
#include "platform/paths.h"
#include "platform/program_part.h"
#include "record/data_file.h"
#include "record/record_callbacks.h"
#include "record/record_state.h"
#include "record/session_columns.h"
#include "setup/catalogue.h"
#include "setup/setup_state.h"

#include <cstdarg>
#include <cstring>

namespace {
constexpr char comma = ',';
// A row costs one write; the file is also stored on disk at least this often.
constexpr double syncSeconds = 5.0;

// Formats one line into the open session file; false when it did not reach the file.
bool PutSessionLine(const char* format, std::va_list arguments) {
    RecordState& record = PartOf<RecordState>();
    char line[1024];
    FormatTextList(line, sizeof line, format, arguments);
    return WriteDataText(record.sessionFile, line);
}

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
bool WriteHeaderLine(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    const bool written = PutSessionLine(format, arguments);
    va_end(arguments);
    return written;
}

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void WriteSessionLine(const char* format, ...) {
    RecordState& record = PartOf<RecordState>();
    if (record.sessionFile <= 0) return;
    std::va_list arguments;
    va_start(arguments, format);
    const bool written = PutSessionLine(format, arguments);
    va_end(arguments);
    if (!written && !record.sessionWriteFailed) {
        record.sessionWriteFailed = 1;
        ReportDataFileFailure("Session rows", record.sessionPath);
    }
}

void TellSessionFile(const char* what) {
    const RecordState& record = PartOf<RecordState>();
    char message[700];
    FormatText(message, sizeof message, "%s: %s", what, record.sessionPath);
    InsertTextBoxLine(ViewOf<SetupState>().mainPanel, MAIN_MESSAGES, -1, message);
}

// A session file deleted or moved away would take every later row where nobody finds it: a new
// file at its path gets all it holds, read back through its handle, and the session goes on
// there. A file that took the name meanwhile is not the station's, and is never written over.
void KeepSessionFile() {
    RecordState& record = PartOf<RecordState>();
    if (record.sessionFile <= 0 || FileIsAt(record.sessionFile, record.sessionPath)) return;
    const int handle = FileExists(record.sessionPath) ? -1 : OpenDataFile(record.sessionPath);
    const bool written =
        handle > 0 && CopyOpenFile(record.sessionFile, handle) == 0 && SyncFile(handle) == 0;
    if (!written) {
        if (handle > 0) {
            CVI_CloseFile(handle);
            RemoveFile(record.sessionPath);
        }
        if (!record.sessionFileLost)
            TellSessionFile("Session file deleted or moved away, not written anew");
        record.sessionFileLost = 1;
        return;
    }
    CVI_CloseFile(record.sessionFile);
    record.sessionFile = handle;
    record.sessionFileLost = 0;
    record.sessionWriteFailed = 0;
    TellSessionFile("Session file deleted or moved away, written anew with every row");
}

// No session without its file: the rider is told, and the panel shows no path.
void RefuseSession() {
    RecordState& record = PartOf<RecordState>();
    record.sessionFile = 0;
    SetCtrlVal(ViewOf<SetupState>().mainPanel, MAIN_SESSION_FILE,
               "Session NOT started: file not created !");
    char message[800];
    FormatText(message, sizeof message,
               "The session file could not be created in\n%s\n(folder not writable or disk "
               "full). No session is recording.",
               record.recordFolder);
    MessagePopup("Session", message);
}

// The folder the rider picks; a cancelled popup records into the folder used last, or "dati".
void ChooseRecordFolder() {
    RecordState& record = PartOf<RecordState>();
    char folder[512] = "";
    GetDir(folder, sizeof folder);
    FormatText(record.defaultRecordFolder, sizeof record.defaultRecordFolder, "%s%cdati", folder,
               pathSeparator);
    char chosen[512] = "";
    DirSelectPopup(record.defaultRecordFolder, "Selezionare FOLDER", chosen, sizeof chosen);
    if (chosen[0] != '\0')
        std::memcpy(record.recordFolder, chosen, sizeof chosen);
    else if (record.recordFolder[0] == '\0') {
        MakeDir(record.defaultRecordFolder);
        std::memcpy(record.recordFolder, record.defaultRecordFolder, sizeof record.recordFolder);
    }
}

void StartSession() {
    RecordState& record = PartOf<RecordState>();
    const SetupState& setup = ViewOf<SetupState>();
    // One reading of the clock names the file and gives its start: the folder popup may stay
    // open past midnight.
    GetCurrentDateTime(&record.sessionStartTime);
    record.kept = KeptSession{};
    record.kept.startDateTime = record.sessionStartTime;
    record.kept.startTimer = Timer();
    TakeFileStamp(record.sessionStartTime);
    ChooseRecordFolder();
    const bool named = MakeDataFilePath("S", false, record.sessionPath, sizeof record.sessionPath,
                                        record.fileShortName, sizeof record.fileShortName) == 0;
    record.sessionFile = named ? OpenDataFile(record.sessionPath) : -1;
    if (record.sessionFile <= 0) {
        RefuseSession();
        return;
    }
    char timeText[16];
    FormatDateTimeString(record.sessionStartTime, "%H:%M:%S", timeText, sizeof timeText);
    // Rows go only into a session file: the whole header on disk first, or no session. The
    // file just made is the station's own and goes with the refusal.
    const bool headerWritten =
        WriteHeaderLine("ZAN_session_file %c%s", comma, record.fileShortName) &&
        WriteHeaderLine("KM @ Start %c%.3f", comma, static_cast<double>(setup.setup.totalKm)) &&
        WriteHeaderLine("Time @ Start %c%s", comma, timeText) &&
        WriteHeaderLine("%s", SessionColumnNames().c_str()) && SyncFile(record.sessionFile) == 0;
    if (!headerWritten) {
        CVI_CloseFile(record.sessionFile);
        RemoveFile(record.sessionPath);
        RefuseSession();
        return;
    }
    record.sessionActive = 1;
    record.sessionWriteFailed = 0;
    record.sessionFileLost = 0;
    record.lastSyncTime = Timer();
    SetCtrlVal(setup.mainPanel, MAIN_SESSION_FILE, record.sessionPath);
    SetCtrlAttribute(setup.mainPanel, MAIN_SESSION_CMD_2, ATTR_DIMMED, 0);
    SetCtrlAttribute(setup.mainPanel, MAIN_SESSION_CMD_1, ATTR_DIMMED, 0);
    record.sessionRow = 0;
    record.sessionLiveRows = 0;
    RestartEnergy();
    record.sessionPowerSum = 0.0f;
    record.sessionPowerAverage = 0.0f;
    record.sessionSpeedSum = 0.0f;
    record.sessionSpeedAverage = 0.0f;
}
} // namespace

void StopSession() {
    RecordState& record = PartOf<RecordState>();
    const MeasureState& measure = ViewOf<MeasureState>();
    const SetupState& setup = ViewOf<SetupState>();
    record.sessionActive = 0;
    record.kept.stopSeconds = Timer() - record.kept.startTimer;
    KeepSessionFile();
    char timeText[16];
    WriteSessionLine("#####");
    WriteSessionLine("KM @ Stop %c%.3f", comma, static_cast<double>(setup.setup.totalKm));
    TimeStr(timeText, sizeof timeText);
    WriteSessionLine("Time @ Stop %c%s", comma, timeText);
    WriteSessionLine("Kcal @ Stop %c%.1f", comma, static_cast<double>(measure.kcalTotal));
    WriteSessionLine("POWER ave %c%.1f", comma, static_cast<double>(record.sessionPowerAverage));
    WriteSessionLine("SPEED ave %c%.1f", comma, static_cast<double>(record.sessionSpeedAverage));
    if (record.sessionFile > 0) {
        SyncFile(record.sessionFile);
        if (CVI_CloseFile(record.sessionFile) < 0 && !record.sessionWriteFailed)
            ReportDataFileFailure("Session file", record.sessionPath);
    }
    record.sessionFile = 0;
    SetCtrlVal(setup.mainPanel, MAIN_SESSION_FILE, "Session closed !");
    SetCtrlAttribute(setup.mainPanel, MAIN_SESSION_CMD_2, ATTR_DIMMED, 1);
    SetCtrlAttribute(setup.mainPanel, MAIN_SESSION_CMD_1, ATTR_DIMMED, 1);
}

void SaveDat() {
    RecordState& record = PartOf<RecordState>();
    const MeasureState& measure = ViewOf<MeasureState>();
    // The row holds the latest window's result, whatever the panel shows.
    const WindowResult& result = measure;
    const SetupState& setup = ViewOf<SetupState>();
    // A lost link has no values from the crank: its rows hold 0 for them, and they do not count
    // in the session's averages as pedalling. The last values would read as the rider's.
    const bool live = !LinkLost();
    SessionRowSource source{};
    source.result = result;
    if (!live) {
        WindowResult& crank = source.result;
        crank.heartRate = crank.cadence = crank.speed = 0.0f;
        crank.powerLeft = crank.powerRight = 0.0f;
        crank.ofLeft = crank.ofRight = crank.udLeft = crank.udRight = 0.0f;
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
    TimeStr(timeText, sizeof timeText);
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
    record.kept.rows.push_back(KeptRow{Timer() - record.kept.startTimer, live,
                                       live ? result.pedalMetrics : PedalMetrics{}});
    if (live) {
        record.sessionLiveRows += 1;
        const auto rows = static_cast<float>(record.sessionLiveRows);
        record.sessionPowerSum += result.powerTotal;
        record.sessionPowerAverage = record.sessionPowerSum / rows;
        record.sessionSpeedSum += result.speed;
        record.sessionSpeedAverage = record.sessionSpeedSum / rows;
    }
    WriteSessionLine("%s", row.c_str());
    // A power cut loses at most the last few seconds of rows; a file gone from its path is
    // noticed as often.
    if (record.sessionFile > 0 && Timer() - record.lastSyncTime >= syncSeconds) {
        KeepSessionFile();
        SyncFile(record.sessionFile);
        record.lastSyncTime = Timer();
    }
}

int SAVE(int, int, int event, void*, int, int) {
    RecordState& record = PartOf<RecordState>();
    if (event != EVENT_COMMIT) return 0;
    if (record.sessionActive == 0)
        StartSession();
    else
        StopSession();
    return 0;
}

void GiveRecordDefaults() {
    RecordState& record = PartOf<RecordState>();
    record.sessionActive = 0;
    record.rowTicks = 0;
    record.ledFlashTimer = 0;
    record.captureState = CaptureState::Idle;
    record.captureFrames = 0;
    record.captureCount = 0;
}
