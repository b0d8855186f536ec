#include "share/share_file.h"

#include "setup/number_text.h"

namespace {
constexpr int shareLineChars = 10;
}

SetupReading ReadShareText(const char* bytes, std::size_t size, bool& on) {
    int value = -1;
    ReadValueText<shareLineChars>(1, bytes, size, [&value](int, const char* text) {
        if (TextHoldsInt(text)) value = TextToInt(text);
    });
    if (value != 0 && value != 1) return SetupReading{SetupRead::NotANumber, 1};
    on = value == 1;
    return SetupReading{SetupRead::Read, 0};
}

SetupReading ReadShareFile(bool& on) {
    char bytes[shareFileBound];
    std::size_t size = 0;
    const SetupRead read = ReadValueFile(shareFilePath, bytes, sizeof bytes, &size);
    if (read != SetupRead::Read) return SetupReading{read, 0};
    return ReadShareText(bytes, size, on);
}

int WriteShareFile(bool on, SaveProblem* problem) {
    SafeFile file;
    OpenSafeFile(&file, shareFilePath);
    WriteSafeLine(&file, on ? "1" : "0");
    return CloseSafeFile(&file, problem);
}
