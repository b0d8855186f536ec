#include "setup/port_file.h"

#include "app/station.h"
#include "platform/engine.h"
#include "setup/catalogue.h"
#include "setup/number_text.h"
#include "setup/safe_file.h"
#include "setup/setup_callbacks.h"

#include <cstdio>

void SetPortLine(PortSettings& settings, int line, const char* text) {
    int* const values[portFileLines] = {&settings.comPort, &settings.warmupMode,
                                        &settings.plotHeartRate, &settings.plotCadence};
    if (line >= 0 && line < portFileLines) *values[line] = TextToInt(text);
}

void SetPortDefaults() {
    Station& zan = CurrentStation();
    zan.comPort = 1;
    zan.warmupMode = 0;
    zan.plotHeartRate = 0;
    zan.plotCadence = 0;
}

void ReadPortFile() {
    Station& zan = CurrentStation();
    PortSettings settings{zan.comPort, zan.warmupMode, zan.plotHeartRate, zan.plotCadence};
    const int handle = CVI_OpenFile(portFilePath, VAL_READ_ONLY, 0, VAL_ASCII);
    if (handle > 0) {
        // A missing line keeps the value the station had.
        ReadValueLines<portLineChars>(
            portFileLines,
            [handle](char* text, int maxChars) { return ReadLine(handle, text, maxChars); },
            [&settings](int line, const char* text) { SetPortLine(settings, line, text); });
        CVI_CloseFile(handle);
    }
    zan.comPort = settings.comPort;
    zan.warmupMode = settings.warmupMode;
    zan.plotHeartRate = settings.plotHeartRate;
    zan.plotCadence = settings.plotCadence;
    SetCtrlVal(zan.mainPanel, MAIN_COM_PORT, zan.comPort);
    SetCtrlVal(zan.mainPanel, MAIN_WARMUP_MODE, zan.warmupMode);
    SetCtrlVal(zan.mainPanel, MAIN_PLOT_HR, zan.plotHeartRate);
    SetCtrlVal(zan.mainPanel, MAIN_PLOT_CADENCE, zan.plotCadence);
}

int WritePortFile(int port, int warmup, int heartRatePlot, int cadencePlot) {
    const int values[] = {port, warmup, heartRatePlot, cadencePlot};
    SafeFile file;
    OpenSafeFile(&file, portFilePath);
    for (const int value : values) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", value);
        WriteSafeLine(&file, text);
    }
    return CloseSafeFile(&file, "Port file");
}

int DEFX(int, int, int event, void*, int, int) {
    Station& zan = CurrentStation();
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
