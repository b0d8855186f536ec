// The port-file reader on any file: every line the file has sets its value as the station's
// number reading gives it, every line it lacks keeps the start value (all of them when a line is
// not a number), each value is shown in its control and the port opened is the one named; then
// the station rides with those settings and shows only numbers.
#include "app/link_timer.h"
#include "app/station.h"
#include "fuzz/file_lines.h"
#include "fuzz/fuzz_station.h"
#include "link/frame_reader.h"
#include "setup/catalogue.h"
#include "setup/number_text.h"
#include "setup/port_file.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

namespace {
struct Setting {
    const char* name;
    int* value;
    int startValue;
    int control;
};

void ExpectReadAsCounted(HeadlessEngine& engine, const std::uint8_t* data, std::size_t size) {
    Station& zan = EngineStation();
    const Setting settings[] = {
        {"comPort", &zan.setup.comPort, 1, MAIN_COM_PORT},
        {"warmupMode", &zan.setup.warmupMode, 0, MAIN_WARMUP_MODE},
        {"plotHeartRate", &zan.setup.plotHeartRate, 0, MAIN_PLOT_HR},
        {"plotCadence", &zan.setup.plotCadence, 0, MAIN_PLOT_CADENCE},
    };
    const std::vector<std::string> lines = CountedLines(data, size);
    // A line that is not a number leaves the whole file unread.
    bool taken = true;
    for (std::size_t i = 0; i < std::size(settings) && i < lines.size(); ++i)
        taken = taken && TextHoldsInt(lines[i].c_str());
    for (std::size_t i = 0; i < std::size(settings); ++i) {
        const Setting& setting = settings[i];
        const int expected =
            taken && i < lines.size() ? TextToInt(lines[i].c_str()) : setting.startValue;
        FUZZ_EXPECT(*setting.value == expected, std::string(setting.name) + " holds " +
                                                    std::to_string(*setting.value) +
                                                    ", the file says " + std::to_string(expected));
        const double onPanel = engine.Control(zan.setup.mainPanel, setting.control).value;
        FUZZ_EXPECT(onPanel == expected, std::string(setting.name) + " shows " +
                                             std::to_string(onPanel) + " for " +
                                             std::to_string(expected));
    }
    const std::string portName = "COM" + std::to_string(zan.setup.comPort);
    FUZZ_EXPECT(portName == zan.link.comPortName,
                std::string("the port opened is ") + zan.link.comPortName + ", not " + portName);
}

// Three seconds of pedalling on COM1, read in link-timer steps, with the display ticking; a
// port file naming another port leaves the station without frames.
void Ride(HeadlessEngine& engine) {
    Station& zan = EngineStation();
    const std::vector<std::uint8_t> frames = PedallingFrames(150);
    constexpr std::size_t bytesPerTick = 18;
    for (std::size_t at = 0; at < frames.size(); at += bytesPerTick) {
        SendFromCrank(engine, {frames.begin() + static_cast<std::ptrdiff_t>(at),
                               frames.begin() + static_cast<std::ptrdiff_t>(at + bytesPerTick)});
        ReadZAN(EngineStation());
        if (at % (25 * bytesPerTick) == 0) {
            DisplayTick();
            ExpectPanelsFinite(engine);
        }
    }
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, 2);
    zan.link.lastWindowFrames = zan.measure.snapshotFrames;
    DisplayTick();
    ExpectPanelsFinite(engine);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzFolder folder;
    FuzzFolder::Write(portFilePath, data, size);
    FuzzStation station;
    ExpectReadAsCounted(station.engine, data, size);
    ExpectPanelsFinite(station.engine);
    Ride(station.engine);
    return 0;
}
