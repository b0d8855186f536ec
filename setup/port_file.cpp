#include "setup/port_file.h"

#include "platform/files.h"
#include "setup/number_text.h"
#include "setup/safe_file.h"
#include "setup/setup_state.h"

#include <cstdio>

void SetPortLine(PortSettings& settings, int line, const char* text) {
    int* const values[portFileLines] = {&settings.comPort, &settings.warmupMode,
                                        &settings.plotHeartRate, &settings.plotCadence};
    if (line >= 0 && line < portFileLines) *values[line] = TextToInt(text);
}

void SetPortDefaults(SetupState& setup) {
    setup.comPort = 1;
    setup.warmupMode = 0;
    setup.plotHeartRate = 0;
    setup.plotCadence = 0;
}

void ReadPortFile(SetupState& setup) {
    PortSettings settings = PortSettingsOf(setup);
    // A missing line keeps the value the station had.
    char bytes[portFileBound];
    std::size_t size = 0;
    if (ReadSmallFile(portFilePath, bytes, sizeof bytes, &size) == SmallFileRead::Read)
        ReadPortText(settings, bytes, size);
    setup.comPort = settings.comPort;
    setup.warmupMode = settings.warmupMode;
    setup.plotHeartRate = settings.plotHeartRate;
    setup.plotCadence = settings.plotCadence;
}

int WritePortFile(const PortSettings& settings, SaveProblem* problem) {
    const int values[] = {settings.comPort, settings.warmupMode, settings.plotHeartRate,
                          settings.plotCadence};
    SafeFile file;
    OpenSafeFile(&file, portFilePath);
    for (const int value : values) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", value);
        WriteSafeLine(&file, text);
    }
    return CloseSafeFile(&file, problem);
}

PortSettings PortSettingsOf(const SetupState& setup) {
    return PortSettings{setup.comPort, setup.warmupMode, setup.plotHeartRate, setup.plotCadence};
}
