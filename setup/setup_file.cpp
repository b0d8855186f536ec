#include "setup/setup_file.h"

#include "link/link_state.h"
#include "platform/engine.h"
#include "platform/program_part.h"
#include "setup/catalogue.h"
#include "setup/correction.h"
#include "setup/number_text.h"
#include "setup/safe_file.h"
#include "setup/setup_state.h"

#include <cstdio>

namespace {
constexpr float maxCorrectionCoeff = 0.75f;

float ClampedCoefficient(float coefficient) {
    if (coefficient > maxCorrectionCoeff || coefficient < -maxCorrectionCoeff) return 0.0f;
    return coefficient;
}

// The 19 parameters shown on the panel, in the order the panel is filled and read back.
struct ShownParameter {
    int control;
    float SetupParameters::*floatField;
    int SetupParameters::*intField;
};

const ShownParameter shownParameters[] = {
    {MAIN_RIGHT_FORCE_OFFSET, &SetupParameters::rightForceOffset, nullptr},
    {MAIN_RIGHT_AUX_OFFSET, &SetupParameters::rightAuxOffset, nullptr},
    {MAIN_LEFT_FORCE_OFFSET, &SetupParameters::leftForceOffset, nullptr},
    {MAIN_LEFT_AUX_OFFSET, &SetupParameters::leftAuxOffset, nullptr},
    {MAIN_RIGHT_FORCE_GAIN, &SetupParameters::rightForceGain, nullptr},
    {MAIN_RIGHT_RATIO_SCALE, &SetupParameters::rightRatioScale, nullptr},
    {MAIN_LEFT_FORCE_GAIN, &SetupParameters::leftForceGain, nullptr},
    {MAIN_LEFT_RATIO_SCALE, &SetupParameters::leftRatioScale, nullptr},
    {MAIN_WHEEL_DIAMETER, &SetupParameters::wheelDiameter, nullptr},
    {MAIN_SIMULATION, nullptr, &SetupParameters::simulation},
    {MAIN_CORRECTION_REFERENCE, &SetupParameters::correctionReference, nullptr},
    {MAIN_CRANK_LENGTH, &SetupParameters::crankLength, nullptr},
    {MAIN_TOTAL_KM, &SetupParameters::totalKm, nullptr},
    {MAIN_RIGHT_CORRECTION_COEFF, &SetupParameters::rightCorrectionCoeff, nullptr},
    {MAIN_LEFT_CORRECTION_COEFF, &SetupParameters::leftCorrectionCoeff, nullptr},
    {MAIN_RECORD_INTERVAL, nullptr, &SetupParameters::recordInterval},
    {MAIN_DISPLAY_FILTER, nullptr, &SetupParameters::displayFilter},
    {MAIN_RESERVED_FLAG, nullptr, &SetupParameters::reservedFlag},
    {MAIN_TURN_DETECTION, nullptr, &SetupParameters::turnDetection},
};

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

void SetSetupDefaults() {
    SetupParameters& setup = PartOf<SetupState>().setup;
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

void StopSimulation() {
    SetupState& setup = PartOf<SetupState>();
    setup.setup.simulation = 0;
}

void ShowSetupParameters() {
    SetupState& setup = PartOf<SetupState>();
    for (const ShownParameter& shown : shownParameters) {
        if (shown.floatField != nullptr)
            SetCtrlVal(setup.mainPanel, shown.control,
                       static_cast<double>(setup.setup.*shown.floatField));
        else
            SetCtrlVal(setup.mainPanel, shown.control, setup.setup.*shown.intField);
    }
}

int LoadPar(const char* path) {
    SetupState& setup = PartOf<SetupState>();
    const int handle = CVI_OpenFile(path, VAL_READ_ONLY, 0, VAL_ASCII);
    const bool opened = handle > 0;
    if (opened) {
        // A missing line keeps the value the station had.
        ReadValueLines<setupLineChars>(
            setupFileLines,
            [handle](char* text, int maxChars) { return ReadLine(handle, text, maxChars); },
            [&setup](int line, const char* text) { SetSetupLine(setup.setup, line, text); });
        CVI_CloseFile(handle);
    }
    ShowSetupParameters();
    return opened ? 0 : -1;
}

int SavePar(const char* path) {
    SetupState& setup = PartOf<SetupState>();
    const LinkState& link = ViewOf<LinkState>();
    for (const ShownParameter& shown : shownParameters) {
        if (shown.floatField != nullptr)
            GetCtrlVal(setup.mainPanel, shown.control, &(setup.setup.*shown.floatField));
        else
            GetCtrlVal(setup.mainPanel, shown.control, &(setup.setup.*shown.intField));
    }
    SafeFile file;
    OpenSafeFile(&file, path);
    for (const FileLine& line : fileLines) {
        char text[32];
        if (line.floatField != nullptr)
            std::snprintf(text, sizeof text, "%7.3f",
                          static_cast<double>(setup.setup.*line.floatField));
        else if (line.intField == &SetupParameters::serialNumber)
            // Without a crank that told its identity in this run the file keeps its own
            // number: a start without the crank must not lose the calibration's serial number.
            std::snprintf(text, sizeof text, "%d",
                          link.crankIdentified != 0 ? link.deviceSerial : setup.setup.serialNumber);
        else
            std::snprintf(text, sizeof text, "%d", setup.setup.*line.intField);
        WriteSafeLine(&file, text);
    }
    return CloseSafeFile(&file, "Setup file");
}

void SaveDefaultSetup() {
    KeepSetupPath(defaultSetupPath);
    SavePar(ViewOf<SetupState>().setupPath);
}

void KeepSetupPath(const char* path) {
    SetupState& setup = PartOf<SetupState>();
    std::snprintf(setup.setupPath, sizeof setup.setupPath, "%s", path);
}

void KeepPanels(int mainPanel, int warmupPanel) {
    SetupState& setup = PartOf<SetupState>();
    setup.mainPanel = mainPanel;
    setup.warmupPanel = warmupPanel;
}

void TakeWheelAndCorrections() {
    SetupState& setup = PartOf<SetupState>();
    setup.wheelCircumference = 3.1415926f * setup.setup.wheelDiameter;
    setup.setup.rightCorrectionCoeff = ClampedCoefficient(setup.setup.rightCorrectionCoeff);
    setup.setup.leftCorrectionCoeff = ClampedCoefficient(setup.setup.leftCorrectionCoeff);
}
