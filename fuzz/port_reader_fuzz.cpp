// The port-file reader alone on any file: each of the first 4 lines sets its setting as the
// station's number reading of its first 10 characters gives it, and every line the file lacks
// keeps the setting before.
#include "fuzz/file_lines.h"
#include "fuzz/fuzz_expect.h"
#include "setup/number_text.h"
#include "setup/port_file.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const PortSettings before{3, 1, 0, 1};
    PortSettings settings = before;
    ReadPortText(settings, reinterpret_cast<const char*>(data), size);

    char lines[portFileLines][countedChars + 1];
    const std::size_t found = FirstCountedLines(data, size, lines, portFileLines);
    const int held[] = {settings.comPort, settings.warmupMode, settings.plotHeartRate,
                        settings.plotCadence};
    const int kept[] = {before.comPort, before.warmupMode, before.plotHeartRate,
                        before.plotCadence};
    for (std::size_t line = 0; line < static_cast<std::size_t>(portFileLines); ++line) {
        const int expected = line < found ? TextToInt(lines[line]) : kept[line];
        FUZZ_EXPECT(held[line] == expected, "line " + std::to_string(line + 1) + " holds " +
                                                std::to_string(held[line]) + ", not " +
                                                std::to_string(expected));
    }
    return 0;
}
