#include "setup/port_file.h"

#include "platform/files.h"
#include "setup/number_text.h"
#include "setup/safe_file.h"
#include "setup/setup_file.h"
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

SetupReading CheckPortText(const char* bytes, std::size_t size) {
    const int line = FirstLineNotANumber<portLineChars>(
        portFileLines, bytes, size, [](int, const char* text) { return TextHoldsInt(text); });
    return SetupReading{line != 0 ? SetupRead::NotANumber : SetupRead::Read, line};
}

SetupReading ReadPortFile(SetupState& setup) {
    char bytes[portFileBound];
    std::size_t size = 0;
    SetupReading reading{ReadValueFile(portFilePath, bytes, sizeof bytes, &size), 0};
    if (reading.read == SetupRead::Read) reading = CheckPortText(bytes, size);
    if (reading.read != SetupRead::Read) return reading;
    // A missing line keeps the value the station had.
    PortSettings settings = PortSettingsOf(setup);
    ReadPortText(settings, bytes, size);
    setup.comPort = settings.comPort;
    setup.warmupMode = settings.warmupMode;
    setup.plotHeartRate = settings.plotHeartRate;
    setup.plotCadence = settings.plotCadence;
    return reading;
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
