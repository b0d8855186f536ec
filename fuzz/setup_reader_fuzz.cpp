// The setup-file reader alone on any file: each of the first 23 lines sets its value as the
// station's number reading of its first 10 characters gives it, every line the file lacks keeps
// the value before, and no value is NaN or infinite.
#include "fuzz/file_lines.h"
#include "fuzz/fuzz_expect.h"
#include "setup/number_text.h"
#include "setup/setup_file.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {
// The record's members, in the order of the file's lines, as a float or an int each.
float Float(const SetupParameters& setup, int line) {
    const float* fields[] = {&setup.rightForceOffset,
                             &setup.rightForceGain,
                             &setup.rightAuxOffset,
                             &setup.rightRatioScale,
                             &setup.leftForceOffset,
                             &setup.leftForceGain,
                             &setup.leftAuxOffset,
                             &setup.leftRatioScale,
                             &setup.wheelDiameter,
                             nullptr,
                             &setup.correctionReference,
                             &setup.crankLength,
                             &setup.totalKm,
                             &setup.rightCorrectionCoeff,
                             &setup.leftCorrectionCoeff,
                             nullptr,
                             nullptr,
                             &setup.reserved1,
                             &setup.reserved2,
                             &setup.reserved3};
    return line < 20 && fields[line] != nullptr ? *fields[line] : NAN;
}

int Int(const SetupParameters& setup, int line) {
    switch (line) {
    case 9:
        return setup.simulation;
    case 15:
        return setup.recordInterval;
    case 16:
        return setup.displayFilter;
    case 20:
        return setup.reservedFlag;
    case 21:
        return setup.turnDetection;
    case 22:
        return setup.serialNumber;
    default:
        return 0;
    }
}

bool IsIntLine(int line) {
    return line == 9 || line == 15 || line == 16 || line >= 20;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Every value starts at 7, so a kept value shows.
    static const SetupParameters sevens = [] {
        SetupParameters setup;
        for (int line = 0; line < setupFileLines; ++line) SetSetupLine(setup, line, "7");
        return setup;
    }();
    SetupParameters setup = sevens;
    ReadSetupText(setup, reinterpret_cast<const char*>(data), size);

    char lines[setupFileLines][countedChars + 1];
    const std::size_t found = FirstCountedLines(data, size, lines, setupFileLines);
    for (int line = 0; line < setupFileLines; ++line) {
        // A line the file lacks keeps the 7 it had.
        const bool read = static_cast<std::size_t>(line) < found;
        if (IsIntLine(line)) {
            const int expected = read ? TextToInt(lines[line]) : Int(sevens, line);
            FUZZ_EXPECT(Int(setup, line) == expected, "line " + std::to_string(line + 1));
        } else {
            const float value = Float(setup, line);
            const float expected = read ? TextToFloat(lines[line]) : Float(sevens, line);
            FUZZ_EXPECT(std::isfinite(value), "line " + std::to_string(line + 1));
            FUZZ_EXPECT(value == expected, "line " + std::to_string(line + 1));
        }
    }
    return 0;
}
