#include "setup/port_file.h"

#include "platform/engine.h"
#include "platform/program_part.h"
#include "setup/catalogue.h"
#include "setup/number_text.h"
#include "setup/safe_file.h"
#include "setup/setup_callbacks.h"
#include "setup/setup_state.h"

#include <cstdio>

void SetPortLine(PortSettings& settings, int line, const char* text) {
    int* const values[portFileLines] = {&settings.comPort, &settings.warmupMode,
                                        &settings.plotHeartRate, &settings.plotCadence};
    if (line >= 0 && line < portFileLines) *values[line] = TextToInt(text);
}

void SetPortDefaults() {
    SetupState& setup = PartOf<SetupState>();
    setup.comPort = 1;
    setup.warmupMode = 0;
    setup.plotHeartRate = 0;
    setup.plotCadence = 0;
}

void ReadPortFile() {
    SetupState& setup = PartOf<SetupState>();
    PortSettings settings{setup.comPort, setup.warmupMode, setup.plotHeartRate, setup.plotCadence};
    // A missing line keeps the value the station had.
    char bytes[portFileBound];
    std::size_t size = 0;
    if (ReadSmallFile(portFilePath, bytes, sizeof bytes, &size) == SmallFileRead::Read)
        ReadPortText(settings, bytes, size);
    setup.comPort = settings.comPort;
    setup.warmupMode = settings.warmupMode;
    setup.plotHeartRate = settings.plotHeartRate;
    setup.plotCadence = settings.plotCadence;
    SetCtrlVal(setup.mainPanel, MAIN_COM_PORT, setup.comPort);
    SetCtrlVal(setup.mainPanel, MAIN_WARMUP_MODE, setup.warmupMode);
    SetCtrlVal(setup.mainPanel, MAIN_PLOT_HR, setup.plotHeartRate);
    SetCtrlVal(setup.mainPanel, MAIN_PLOT_CADENCE, setup.plotCadence);
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

int TakePanelComPort() {
    SetupState& setup = PartOf<SetupState>();
    GetCtrlVal(setup.mainPanel, MAIN_COM_PORT, &setup.comPort);
    return setup.comPort;
}

void TakePanelPortChoices() {
    SetupState& setup = PartOf<SetupState>();
    GetCtrlVal(setup.mainPanel, MAIN_WARMUP_MODE, &setup.warmupMode);
    GetCtrlVal(setup.mainPanel, MAIN_PLOT_HR, &setup.plotHeartRate);
    GetCtrlVal(setup.mainPanel, MAIN_PLOT_CADENCE, &setup.plotCadence);
}

int DEFX(int, int, int event, void*, int, int) {
    SetupState& setup = PartOf<SetupState>();
    if (event != EVENT_COMMIT) return 0;
    // The new port number is used from now on; the port opened under the old one stays open
    // until the next reconnect.
    TakePanelComPort();
    TakePanelPortChoices();
    WritePortFile(setup.comPort, setup.warmupMode, setup.plotHeartRate, setup.plotCadence);
    return 0;
}
