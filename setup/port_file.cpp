#include "setup/port_file.h"

#include "app/callbacks.h"
#include "app/engine/engine.h"
#include "app/station.h"
#include "setup/catalogue.h"
#include "setup/number_text.h"
#include "setup/safe_file.h"

#include <cstdio>

namespace {
constexpr int lineReadLimit = 10;
}

void SetPortDefaults() {
    zan.comPort = 1;
    zan.warmupMode = 0;
    zan.plotHeartRate = 0;
    zan.plotCadence = 0;
}

void ReadPortFile() {
    int* values[] = {&zan.comPort, &zan.warmupMode, &zan.plotHeartRate, &zan.plotCadence};
    const int controls[] = {MAIN_COM_PORT, MAIN_WARMUP_MODE, MAIN_PLOT_HR, MAIN_PLOT_CADENCE};
    zan.fileHandle = CVI_OpenFile(portFilePath, VAL_READ_ONLY, 0, VAL_ASCII);
    bool lineMissing = zan.fileHandle <= 0;
    for (int i = 0; i < 4; ++i) {
        // A missing line keeps the value the station had.
        if (!lineMissing && ReadLine(zan.fileHandle, zan.textBuffer, lineReadLimit) < 0)
            lineMissing = true;
        if (!lineMissing) *values[i] = TextToInt(zan.textBuffer);
        SetCtrlVal(zan.mainPanel, controls[i], *values[i]);
    }
    if (zan.fileHandle > 0) CVI_CloseFile(zan.fileHandle);
}

int WritePortFile(int port, int warmup, int heartRatePlot, int cadencePlot) {
    const int values[] = {port, warmup, heartRatePlot, cadencePlot};
    SafeFile file;
    zan.fileHandle = OpenSafeFile(&file, portFilePath);
    for (const int value : values) {
        std::snprintf(zan.textBuffer, sizeof zan.textBuffer, "%d", value);
        WriteSafeLine(&file, zan.textBuffer);
    }
    return CloseSafeFile(&file, "Port file");
}

int DEFX(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    // The new port number is used from now on; the port opened under the old one stays open
    // until the next reconnect.
    GetCtrlVal(zan.mainPanel, MAIN_COM_PORT, &zan.comPort);
    GetCtrlVal(zan.mainPanel, MAIN_WARMUP_MODE, &zan.warmupMode);
    GetCtrlVal(zan.mainPanel, MAIN_PLOT_HR, &zan.plotHeartRate);
    GetCtrlVal(zan.mainPanel, MAIN_PLOT_CADENCE, &zan.plotCadence);
    WritePortFile(zan.comPort, zan.warmupMode, zan.plotHeartRate, zan.plotCadence);
    return 0;
}
