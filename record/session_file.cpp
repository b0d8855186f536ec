#include "record/session_file.h"

#include "app/station.h"
#include "platform/bounded_text.h"
#include "platform/engine.h"
#include "platform/numbers.h"
#include "platform/paths.h"
#include "record/data_file.h"
#include "record/record_callbacks.h"
#include "setup/catalogue.h"

#include <cstdarg>
#include <cstring>

namespace {
constexpr char comma = ',';
// A row costs one write; the file is also stored on disk at least this often.
constexpr double syncSeconds = 5.0;

const char* const columnNames =
    "INDEX,ELAT,LON E+ W-,LAT N+ S-,ALTI,HR,CAD,SPEED,KCAL,POWT,POWL,POWR,OFL,OFR,UDL,UDR,BATzan,"
    "BATphone,KmTOT,TorqT,TorqL,TorqR,Ratio% L";

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void WriteSessionLine(const char* format, ...) {
    Station& zan = CurrentStation();
    if (zan.sessionFile <= 0) return;
    char line[1024];
    std::va_list arguments;
    va_start(arguments, format);
    FormatTextList(line, sizeof line, format, arguments);
    va_end(arguments);
    if (!WriteDataText(zan.sessionFile, line) && !zan.sessionWriteFailed) {
        zan.sessionWriteFailed = 1;
        ReportDataFileFailure("Session rows", zan.sessionPath);
    }
}

// The folder the rider picks; a cancelled popup records into the folder used last, or "dati".
void ChooseRecordFolder() {
    Station& zan = CurrentStation();
    char folder[512] = "";
    GetDir(folder, sizeof folder);
    FormatText(zan.defaultRecordFolder, sizeof zan.defaultRecordFolder, "%s%cdati", folder,
               pathSeparator);
    char chosen[512] = "";
    DirSelectPopup(zan.defaultRecordFolder, "Selezionare FOLDER", chosen, sizeof chosen);
    if (chosen[0] != '\0')
        std::memcpy(zan.recordFolder, chosen, sizeof chosen);
    else if (zan.recordFolder[0] == '\0') {
        MakeDir(zan.defaultRecordFolder);
        std::memcpy(zan.recordFolder, zan.defaultRecordFolder, sizeof zan.recordFolder);
    }
}

void StartSession() {
    Station& zan = CurrentStation();
    GetCurrentDateTime(&zan.sessionStartTime);
    TakeFileStamp(zan.sessionStartTime);
    ChooseRecordFolder();
    const bool named = MakeDataFilePath("S", false, zan.sessionPath, sizeof zan.sessionPath,
                                        zan.fileShortName, sizeof zan.fileShortName) == 0;
    zan.sessionFile = named ? OpenDataFile(zan.sessionPath) : -1;
    if (zan.sessionFile <= 0) {
        // No session without its file: the rider is told, and the panel shows no path.
        zan.sessionFile = 0;
        SetCtrlVal(zan.mainPanel, MAIN_SESSION_FILE, "Session NOT started: file not created !");
        char message[800];
        FormatText(message, sizeof message,
                   "The session file could not be created in\n%s\n(folder not writable or disk "
                   "full). No session is recording.",
                   zan.recordFolder);
        MessagePopup("Session", message);
        return;
    }
    zan.sessionActive = 1;
    zan.sessionWriteFailed = 0;
    char timeText[16];
    WriteSessionLine("ZAN_session_file %c%s", comma, zan.fileShortName);
    WriteSessionLine("KM @ Start %c%.3f", comma, static_cast<double>(zan.setup.totalKm));
    TimeStr(timeText, sizeof timeText);
    WriteSessionLine("Time @ Start %c%s", comma, timeText);
    WriteSessionLine("%s", columnNames);
    SyncFile(zan.sessionFile);
    zan.lastSyncTime = Timer();
    SetCtrlVal(zan.mainPanel, MAIN_SESSION_FILE, zan.sessionPath);
    SetCtrlAttribute(zan.mainPanel, MAIN_SESSION_CMD_2, ATTR_DIMMED, 0);
    SetCtrlAttribute(zan.mainPanel, MAIN_SESSION_CMD_1, ATTR_DIMMED, 0);
    zan.sessionRow = 0;
    zan.kcalTotal = 0.0f;
    zan.sessionPowerSum = 0.0f;
    zan.sessionPowerAverage = 0.0f;
    zan.sessionSpeedSum = 0.0f;
    zan.sessionSpeedAverage = 0.0f;
}
} // namespace

void StopSession() {
    Station& zan = CurrentStation();
    zan.sessionActive = 0;
    char timeText[16];
    WriteSessionLine("#####");
    WriteSessionLine("KM @ Stop %c%.3f", comma, static_cast<double>(zan.setup.totalKm));
    TimeStr(timeText, sizeof timeText);
    WriteSessionLine("Time @ Stop %c%s", comma, timeText);
    WriteSessionLine("Kcal @ Stop %c%.1f", comma, static_cast<double>(zan.kcalTotal));
    WriteSessionLine("POWER ave %c%.1f", comma, static_cast<double>(zan.sessionPowerAverage));
    WriteSessionLine("SPEED ave %c%.1f", comma, static_cast<double>(zan.sessionSpeedAverage));
    if (zan.sessionFile > 0) {
        SyncFile(zan.sessionFile);
        if (CVI_CloseFile(zan.sessionFile) < 0 && !zan.sessionWriteFailed)
            ReportDataFileFailure("Session file", zan.sessionPath);
    }
    zan.sessionFile = 0;
    SetCtrlVal(zan.mainPanel, MAIN_SESSION_FILE, "Session closed !");
    SetCtrlAttribute(zan.mainPanel, MAIN_SESSION_CMD_2, ATTR_DIMMED, 1);
    SetCtrlAttribute(zan.mainPanel, MAIN_SESSION_CMD_1, ATTR_DIMMED, 1);
}

void SaveDat() {
    Station& zan = CurrentStation();
    zan.phoneBattery = 99.9f;
    zan.rowPowerTotal = zan.powerRight + zan.powerLeft;
    // 9.55 turns watts over revolutions per minute into newton-metres. A crank at rest has no
    // torque and no left share worth writing: those cells hold 0.
    zan.rowTorqueTotal = static_cast<float>(FiniteOrZero(9.55 * zan.rowPowerTotal / zan.cadence));
    zan.rowTorqueLeft = static_cast<float>(FiniteOrZero(9.55 * zan.powerLeft / zan.cadence));
    zan.rowTorqueRight = static_cast<float>(FiniteOrZero(9.55 * zan.powerRight / zan.cadence));
    zan.rowRatioLeft = static_cast<float>(
        FiniteOrZero(100.0 * (static_cast<double>(zan.powerLeft) / zan.rowPowerTotal)));
    char timeText[16];
    TimeStr(timeText, sizeof timeText);
    const auto f = [](float value) { return FiniteOrZero(value); };
    char row[1024];
    FormatText(row, sizeof row,
               "%5d%c%s%c000%c000%c000%c%.1f%c%.1f%c%.1f%c%.1f%c%.1f%c%.1f%c%.1f%c%.1f%c%.1f%c%."
               "1f%c%.1f%c%.1f%c%.1f%c%.3f%c%.2f%c%.2f%c%.2f%c%.0f",
               zan.sessionRow, comma, timeText, comma, comma, comma, comma, f(zan.heartRate), comma,
               f(zan.cadence), comma, f(zan.speed), comma, f(zan.kcalTotal), comma,
               f(zan.rowPowerTotal), comma, f(zan.powerLeft), comma, f(zan.powerRight), comma,
               f(zan.ofLeft), comma, f(zan.ofRight), comma, f(zan.udLeft), comma, f(zan.udRight),
               comma, f(zan.batteryLevel), comma, f(zan.phoneBattery), comma, f(zan.setup.totalKm),
               comma, f(zan.rowTorqueTotal), comma, f(zan.rowTorqueLeft), comma,
               f(zan.rowTorqueRight), comma, f(zan.rowRatioLeft));
    zan.sessionRow += 1;
    zan.sessionPowerSum += zan.powerTotal;
    zan.sessionPowerAverage = zan.sessionPowerSum / static_cast<float>(zan.sessionRow);
    zan.sessionSpeedSum += zan.speed;
    zan.sessionSpeedAverage = zan.sessionSpeedSum / static_cast<float>(zan.sessionRow);
    WriteSessionLine("%s", row);
    // A power cut loses at most the last few seconds of rows.
    if (zan.sessionFile > 0 && Timer() - zan.lastSyncTime >= syncSeconds) {
        SyncFile(zan.sessionFile);
        zan.lastSyncTime = Timer();
    }
}

int SAVE(int, int, int event, void*, int, int) {
    Station& zan = CurrentStation();
    if (event != EVENT_COMMIT) return 0;
    if (zan.sessionActive == 0)
        StartSession();
    else
        StopSession();
    return 0;
}
