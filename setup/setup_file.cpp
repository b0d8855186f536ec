#include "setup/setup_file.h"

#include "link/link_state.h"
#include "platform/bounded_text.h"
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

void SetupReadProblem(const SetupReading& reading, char* text, std::size_t size) {
    const char* problem = "could not be read";
    switch (reading.read) {
    case SetupRead::Read:
        problem = "was read";
        break;
    case SetupRead::Missing:
        problem = "does not exist";
        break;
    case SetupRead::Folder:
        problem = "is a folder";
        break;
    case SetupRead::NotAFile:
        problem = "is not a regular file";
        break;
    case SetupRead::CannotRead:
        break;
    case SetupRead::NotText:
        problem = "is not a text file";
        break;
    case SetupRead::NoNumber:
        problem = "holds no number";
        break;
    case SetupRead::NotANumber:
        FormatText(text, size, "line %d is not a number", reading.line);
        return;
    case SetupRead::DanglingLink:
        problem = "is a link to a file that is not there";
        break;
    }
    FormatText(text, size, "%s", problem);
}

SetupRead ReadValueFile(const char* path, char* bytes, std::size_t capacity, std::size_t* size) {
    switch (ReadSmallFile(path, bytes, capacity, size)) {
    case SmallFileRead::Read:
        return SetupRead::Read;
    case SmallFileRead::Missing:
        // A link to a drive not mounted names a file of the rider's: not a first start.
        return NameTaken(path) ? SetupRead::DanglingLink : SetupRead::Missing;
    case SmallFileRead::Folder:
        return SetupRead::Folder;
    case SmallFileRead::NotAFile:
        return SetupRead::NotAFile;
    case SmallFileRead::CannotRead:
        break;
    }
    return SetupRead::CannotRead;
}

SetupReading CheckSetupText(const char* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7f)
            return SetupReading{SetupRead::NotText, 0};
    }
    bool anyNumber = false;
    // A line that is no number is not taken as 0: the rider wrote something else there.
    const int notANumber = FirstLineNotANumber<setupLineChars>(
        setupFileLines, bytes, size, [&anyNumber](int line, const char* text) {
            const bool number =
                fileLines[line].floatField != nullptr ? TextHoldsNumber(text) : TextHoldsInt(text);
            anyNumber = anyNumber || number;
            return number;
        });
    if (!anyNumber) return SetupReading{SetupRead::NoNumber, 0};
    if (notANumber != 0) return SetupReading{SetupRead::NotANumber, notANumber};
    return SetupReading{SetupRead::Read, 0};
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
SetupReading ReadSetupFile(SetupState& setup, const char* path) {
    char bytes[setupFileBound];
    std::size_t size = 0;
    SetupReading reading{ReadValueFile(path, bytes, sizeof bytes, &size), 0};
    if (reading.read == SetupRead::Read) reading = CheckSetupText(bytes, size);
    // A missing line keeps the value the station had.
    if (reading.read == SetupRead::Read) ReadSetupText(setup.setup, bytes, size);
    return reading;
}
} // namespace

SetupReading LoadSetupFile(SetupState& setup, const char* path) {
    const SetupReading reading = ReadSetupFile(setup, path);
    if (reading.read == SetupRead::Read) setup.calibrationUnread = false;
    return reading;
}

SetupReading LoadStartSetup(SetupState& setup, const char* path) {
    const SetupReading reading = ReadSetupFile(setup, path);
    setup.calibrationUnread =
        reading.read != SetupRead::Read &&
        !(reading.read == SetupRead::Missing && std::strcmp(path, defaultSetupPath) == 0);
    return reading;
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
    return setup.calibrationUnread && NameTaken(defaultSetupPath);
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
