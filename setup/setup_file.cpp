#include "setup/setup_file.h"

#include "link/link_state.h"
#include "platform/files.h"
#include "setup/correction.h"
#include "setup/number_text.h"
#include "setup/safe_file.h"
#include "setup/setup_state.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr float maxCorrectionCoeff = 0.75f;

float ClampedCoefficient(float coefficient) {
    if (coefficient > maxCorrectionCoeff || coefficient < -maxCorrectionCoeff) return 0.0f;
    return coefficient;
}

// The 23 lines of the file, in file order. Line 23 is read into the setup's serial number but
// written from the crank's own, so saving stamps the file with the connected crank.
struct FileLine {
    float SetupParameters::*floatField;
    int SetupParameters::*intField;
};

const FileLine fileLines[] = {
    {&SetupParameters::rightForceOffset, nullptr},
    {&SetupParameters::rightForceGain, nullptr},
    {&SetupParameters::rightAuxOffset, nullptr},
    {&SetupParameters::rightRatioScale, nullptr},
    {&SetupParameters::leftForceOffset, nullptr},
    {&SetupParameters::leftForceGain, nullptr},
    {&SetupParameters::leftAuxOffset, nullptr},
    {&SetupParameters::leftRatioScale, nullptr},
    {&SetupParameters::wheelDiameter, nullptr},
    {nullptr, &SetupParameters::simulation},
    {&SetupParameters::correctionReference, nullptr},
    {&SetupParameters::crankLength, nullptr},
    {&SetupParameters::totalKm, nullptr},
    {&SetupParameters::rightCorrectionCoeff, nullptr},
    {&SetupParameters::leftCorrectionCoeff, nullptr},
    {nullptr, &SetupParameters::recordInterval},
    {nullptr, &SetupParameters::displayFilter},
    {&SetupParameters::reserved1, nullptr},
    {&SetupParameters::reserved2, nullptr},
    {&SetupParameters::reserved3, nullptr},
    {nullptr, &SetupParameters::reservedFlag},
    {nullptr, &SetupParameters::turnDetection},
    {nullptr, &SetupParameters::serialNumber},
};

static_assert(sizeof fileLines / sizeof fileLines[0] == setupFileLines);
} // namespace

void SetSetupLine(SetupParameters& setup, int line, const char* text) {
    if (line < 0 || line >= setupFileLines) return;
    const FileLine& field = fileLines[line];
    if (field.floatField != nullptr)
        setup.*field.floatField = TextToFloat(text);
    else
        setup.*field.intField = TextToInt(text);
}

const char* SetupReadProblem(SetupRead read) {
    switch (read) {
    case SetupRead::Read:
        return "was read";
    case SetupRead::Missing:
        return "does not exist";
    case SetupRead::Folder:
        return "is a folder";
    case SetupRead::NotAFile:
        return "is not a regular file";
    case SetupRead::CannotRead:
        return "could not be read";
    case SetupRead::NotText:
        return "is not a text file";
    case SetupRead::NoNumber:
        return "holds no number";
    }
    return "could not be read";
}

SetupRead CheckSetupText(const char* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7f)
            return SetupRead::NotText;
    }
    bool anyNumber = false;
    ReadValueText<setupLineChars>(setupFileLines, bytes, size, [&anyNumber](int, const char* text) {
        anyNumber = anyNumber || TextHoldsNumber(text);
    });
    return anyNumber ? SetupRead::Read : SetupRead::NoNumber;
}

void SetSetupDefaults(SetupParameters& setup) {
    setup = SetupParameters{};
    setup.rightForceGain = 1.0f;
    setup.rightRatioScale = 1.0f;
    setup.leftForceGain = 1.0f;
    setup.leftRatioScale = 1.0f;
    setup.wheelDiameter = 668.0f;
    setup.correctionReference = neutralCorrectionReference;
    setup.crankLength = 172.5f;
    setup.recordInterval = 1;
    setup.displayFilter = 1;
}

void StopSimulation(SetupState& setup) {
    setup.setup.simulation = 0;
}

namespace {
SetupRead ReadSetupFile(SetupState& setup, const char* path) {
    char bytes[setupFileBound];
    std::size_t size = 0;
    SetupRead read = SetupRead::CannotRead;
    switch (ReadSmallFile(path, bytes, sizeof bytes, &size)) {
    case SmallFileRead::Read:
        read = CheckSetupText(bytes, size);
        break;
    case SmallFileRead::Missing:
        read = SetupRead::Missing;
        break;
    case SmallFileRead::Folder:
        read = SetupRead::Folder;
        break;
    case SmallFileRead::NotAFile:
        read = SetupRead::NotAFile;
        break;
    case SmallFileRead::CannotRead:
        read = SetupRead::CannotRead;
        break;
    }
    // A missing line keeps the value the station had.
    if (read == SetupRead::Read) ReadSetupText(setup.setup, bytes, size);
    return read;
}
} // namespace

SetupRead LoadSetupFile(SetupState& setup, const char* path) {
    const SetupRead result = ReadSetupFile(setup, path);
    if (result == SetupRead::Read) setup.calibrationUnread = false;
    return result;
}

SetupRead LoadStartSetup(SetupState& setup, const char* path) {
    const SetupRead read = ReadSetupFile(setup, path);
    setup.calibrationUnread =
        read != SetupRead::Read &&
        !(read == SetupRead::Missing && std::strcmp(path, defaultSetupPath) == 0);
    return read;
}

int SaveSetupFile(SetupState& setup, const LinkState& link, const char* path,
                  SaveProblem* problem) {
    SafeFile file;
    OpenSafeFile(&file, path);
    for (const FileLine& line : fileLines) {
        char text[64];
        if (line.floatField != nullptr)
            FloatToText(setup.setup.*line.floatField, setupLineChars, text, sizeof text);
        else if (line.intField == &SetupParameters::serialNumber)
            // Without a crank that told its identity in this run the file keeps its own
            // number: a start without the crank must not lose the calibration's serial number.
            std::snprintf(text, sizeof text, "%d",
                          link.crankIdentified != 0 ? link.deviceSerial : setup.setup.serialNumber);
        else
            std::snprintf(text, sizeof text, "%d", setup.setup.*line.intField);
        WriteSafeLine(&file, text);
    }
    const int saved = CloseSafeFile(&file, problem);
    // The rider's own save into the default file makes the calibration in use the one on file.
    if (saved == 0 && std::strcmp(path, defaultSetupPath) == 0) setup.calibrationUnread = false;
    return saved;
}

bool DefaultSetupIsTheRidersOwn(const SetupState& setup) {
    return setup.calibrationUnread && FileExists(defaultSetupPath);
}

void KeepSetupPath(SetupState& setup, const char* path) {
    std::snprintf(setup.setupPath, sizeof setup.setupPath, "%s", path);
}

void KeepPanels(SetupState& setup, int mainPanel, int warmupPanel) {
    setup.mainPanel = mainPanel;
    setup.warmupPanel = warmupPanel;
}

ClampedCoefficients TakeWheelAndCorrections(SetupState& setup) {
    const ClampedCoefficients clamped{
        ClampedCoefficient(setup.setup.rightCorrectionCoeff) != setup.setup.rightCorrectionCoeff,
        ClampedCoefficient(setup.setup.leftCorrectionCoeff) != setup.setup.leftCorrectionCoeff,
        setup.setup.rightCorrectionCoeff, setup.setup.leftCorrectionCoeff};
    setup.wheelCircumference = 3.1415926f * setup.setup.wheelDiameter;
    setup.setup.rightCorrectionCoeff = ClampedCoefficient(setup.setup.rightCorrectionCoeff);
    setup.setup.leftCorrectionCoeff = ClampedCoefficient(setup.setup.leftCorrectionCoeff);
    return clamped;
}
