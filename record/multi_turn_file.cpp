#include "record/multi_turn_file.h"

#include "app/bounded_text.h"
#include "app/callbacks.h"
#include "app/engine/engine.h"
#include "app/station.h"
#include "record/data_file.h"

namespace {
constexpr char comma = ',';
}

int SAVE10(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    // Armed or capturing already: the press changes nothing.
    if (zan.captureState != 0) return 0;
    zan.captureState = 1;
    zan.captureFrames = 0;
    zan.captureCount = 0;
    return 0;
}

void Save10() {
    if (zan.sessionActive <= 0) return;
    GetCurrentDateTime(&zan.turnFileTime);
    TakeFileStamp(zan.turnFileTime);
    const bool named = MakeDataFilePath("X", true, zan.turnPath, sizeof zan.turnPath,
                                        zan.fileShortName, sizeof zan.fileShortName) == 0;
    zan.turnFile = named ? OpenDataFile(zan.turnPath) : -1;
    if (zan.turnFile <= 0) {
        ReportDataFileFailure("Multi-turn file", zan.turnPath);
        return;
    }
    bool written = true;
    FormatText(zan.lineBuffer, sizeof zan.lineBuffer, "ZAN_Multi_Turn_file %c%s", comma,
               zan.fileShortName);
    written &= WriteDataLine(zan.turnFile);
    FormatText(zan.lineBuffer, sizeof zan.lineBuffer, "INDEX%cTIME%cPOWT%cFORCE L (N)%cFORCE R (N)",
               comma, comma, comma, comma);
    written &= WriteDataLine(zan.turnFile);
    // Single precision on purpose: 0.01 added a thousand times prints 0.010 to 10.000.
    float time = 0.0f;
    for (int i = 0; i < zan.captureCount && i < captureCapacity; ++i) {
        time += 0.01f;
        FormatText(zan.lineBuffer, sizeof zan.lineBuffer, "%4d%c%.3f%c%.1f%c%.1f%c%.1f", i, comma,
                   static_cast<double>(time), comma, static_cast<double>(zan.capturePower[i]),
                   comma, static_cast<double>(zan.captureLeft[i]), comma,
                   static_cast<double>(zan.captureRight[i]));
        written &= WriteDataLine(zan.turnFile);
    }
    FormatText(zan.lineBuffer, sizeof zan.lineBuffer, "#####");
    written &= WriteDataLine(zan.turnFile);
    written &= SyncFile(zan.turnFile) == 0;
    written &= CVI_CloseFile(zan.turnFile) == 0;
    zan.turnFile = 0;
    if (!written) ReportDataFileFailure("Multi-turn file", zan.turnPath);
}
