// The setup-file reader on any file: every line the file has sets its value as the station's
// number reading gives it, every line it lacks keeps the value before, every value is finite and
// shown as it is held; then a station started with that file rides and shows only numbers.
#include "app/link_timer.h"
#include "app/setup_panel.h"
#include "app/station.h"
#include "fuzz/file_lines.h"
#include "fuzz/fuzz_station.h"
#include "link/frame_reader.h"
#include "setup/catalogue.h"
#include "setup/number_text.h"
#include "setup/setup_file.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

namespace {
constexpr const char* fuzzSetupPath = "fuzz_01.set";

// The setup record's members are declared in the order of the file's lines.
struct Field {
    const char* name;
    float SetupParameters::*floatField;
    int SetupParameters::*intField;
};

#define FLOAT_FIELD(name)                                                                          \
    { #name, &SetupParameters::name, nullptr }
#define INT_FIELD(name)                                                                            \
    { #name, nullptr, &SetupParameters::name }
const Field fields[] = {
    FLOAT_FIELD(rightForceOffset),
    FLOAT_FIELD(rightForceGain),
    FLOAT_FIELD(rightAuxOffset),
    FLOAT_FIELD(rightRatioScale),
    FLOAT_FIELD(leftForceOffset),
    FLOAT_FIELD(leftForceGain),
    FLOAT_FIELD(leftAuxOffset),
    FLOAT_FIELD(leftRatioScale),
    FLOAT_FIELD(wheelDiameter),
    INT_FIELD(simulation),
    FLOAT_FIELD(correctionReference),
    FLOAT_FIELD(crankLength),
    FLOAT_FIELD(totalKm),
    FLOAT_FIELD(rightCorrectionCoeff),
    FLOAT_FIELD(leftCorrectionCoeff),
    INT_FIELD(recordInterval),
    INT_FIELD(displayFilter),
    FLOAT_FIELD(reserved1),
    FLOAT_FIELD(reserved2),
    FLOAT_FIELD(reserved3),
    INT_FIELD(reservedFlag),
    INT_FIELD(turnDetection),
    INT_FIELD(serialNumber),
};
#undef FLOAT_FIELD
#undef INT_FIELD

// A file that is no calibration (not text, or no number on any line) changes nothing.
void ExpectReadAsCounted(const std::uint8_t* data, std::size_t size, const SetupParameters& before,
                         bool taken) {
    Station& zan = EngineStation();
    const std::vector<std::string> lines = CountedLines(data, size);
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        const Field& field = fields[i];
        const bool present = taken && i < lines.size();
        if (field.floatField != nullptr) {
            const float held = zan.setup.setup.*field.floatField;
            const float expected =
                present ? TextToFloat(lines[i].c_str()) : before.*field.floatField;
            FUZZ_EXPECT(std::isfinite(held), std::string(field.name) + " is not finite");
            FUZZ_EXPECT(held == expected, std::string(field.name) + " holds " +
                                              std::to_string(held) + ", the file says " +
                                              std::to_string(expected));
        } else {
            const int held = zan.setup.setup.*field.intField;
            const int expected = present ? TextToInt(lines[i].c_str()) : before.*field.intField;
            FUZZ_EXPECT(held == expected, std::string(field.name) + " holds " +
                                              std::to_string(held) + ", the file says " +
                                              std::to_string(expected));
        }
    }
}

void ExpectShownAsHeld(HeadlessEngine& engine) {
    Station& zan = EngineStation();
    for (const ShownParameter& parameter : shownParameters) {
        const double value = parameter.floatField != nullptr
                                 ? static_cast<double>(zan.setup.setup.*parameter.floatField)
                                 : zan.setup.setup.*parameter.intField;
        const double onPanel = engine.Control(zan.setup.mainPanel, parameter.control).value;
        FUZZ_EXPECT(onPanel == value, "control " + std::to_string(parameter.control) + " shows " +
                                          std::to_string(onPanel) + " for " +
                                          std::to_string(value));
    }
}

// Three seconds of pedalling read in link-timer steps, the display ticking, then the last window
// in every plot mode; the read-outs are checked after every tick. Not the plots: a gain such as
// 1e30 overflows the single-precision force traces, which then plot inf (the frame reader's
// target checks the plots under a sound calibration).
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
            ExpectReadoutsFinite(engine);
        }
    }
    for (int mode = 0; mode < 4; ++mode) {
        SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, mode);
        zan.link.lastWindowFrames = zan.measure.snapshotFrames;
        DisplayTick();
        ExpectReadoutsFinite(engine);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzFolder folder;
    FuzzFolder::Write(fuzzSetupPath, data, size);
    {
        FuzzStation station;
        const SetupParameters before = station.station->setup.setup;
        const bool taken =
            CheckSetupText(reinterpret_cast<const char*>(data), size).read == SetupRead::Read;
        FUZZ_EXPECT((LoadPar(EngineStation(), fuzzSetupPath) == 0) == taken,
                    taken ? "a calibration was refused" : "a file with no calibration was taken");
        ExpectReadAsCounted(data, size, before, taken);
        ExpectShownAsHeld(station.engine);
        ExpectReadoutsFinite(station.engine);
    }
    FuzzStation rider(fuzzSetupPath);
    Ride(rider.engine);
    return 0;
}
