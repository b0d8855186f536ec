#include "app/setup_panel.h"
#include "app/window_replay.h"
#include "app/working_folder.h"

#include "platform/panel.h"
#include "setup/catalogue.h"
#include "setup/port_file.h"
#include "setup/window_title.h"

#include <cstring>

const ShownParameter shownParameters[shownParameterCount] = {
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

namespace {
void TakePanelSetupParameters(Station& zan) {
    SetupState& setup = zan.setup;
    for (const ShownParameter& shown : shownParameters) {
        if (shown.floatField != nullptr)
            GetCtrlVal(setup.mainPanel, shown.control, &(setup.setup.*shown.floatField));
        else
            GetCtrlVal(setup.mainPanel, shown.control, &(setup.setup.*shown.intField));
    }
}
} // namespace

void ShowStartupTitle(Station& zan) {
    char title[titleSize];
    StartupTitle(zan.setup, title, sizeof title);
    ShowStationTitle(zan, title);
}

void ShowConnectedTitle(Station& zan, const char* mark) {
    zan.app.titleSaysLinkLost = false;
    char title[titleSize];
    ConnectedTitle(zan.setup, zan.link, mark, title, sizeof title);
    ShowStationTitle(zan, title);
}

void ShowSetupParameters(const Station& zan) {
    const SetupState& setup = zan.setup;
    for (const ShownParameter& shown : shownParameters) {
        if (shown.floatField != nullptr)
            SetCtrlVal(setup.mainPanel, shown.control,
                       static_cast<double>(setup.setup.*shown.floatField));
        else
            SetCtrlVal(setup.mainPanel, shown.control, setup.setup.*shown.intField);
    }
}

int LoadPar(Station& zan, const char* path, SetupReading* read) {
    const SetupReading result = LoadSetupFile(zan.setup, path);
    if (read != nullptr) *read = result;
    ShowSetupParameters(zan);
    return result.read == SetupRead::Read ? 0 : -1;
}

void ShowSaveProblem(const char* what, const SaveProblem& problem) {
    MessagePopup(what, problem.text);
}

int SavePar(Station& zan, const char* path) {
    if (RefusedInTakenFolder(zan, "Setup file")) return -1;
    TakePanelSetupParameters(zan);
    SaveProblem problem{};
    const int saved = SaveSetupFile(zan.setup, zan.link, path, &problem);
    if (saved != 0) ShowSaveProblem("Setup file", problem);
    return saved;
}

int SaveDefaultSetup(Station& zan) {
    KeepSetupPath(zan.setup, defaultSetupPath);
    return SavePar(zan, zan.setup.setupPath);
}

int SaveDefaultSetupIfRead(Station& zan) {
    if (DefaultSetupIsTheRidersOwn(zan.setup)) return 0;
    return SaveDefaultSetup(zan);
}

void ShowPortChoices(const Station& zan) {
    const SetupState& setup = zan.setup;
    SetCtrlVal(setup.mainPanel, MAIN_COM_PORT, setup.comPort);
    SetCtrlVal(setup.mainPanel, MAIN_WARMUP_MODE, setup.warmupMode);
    SetCtrlVal(setup.mainPanel, MAIN_PLOT_HR, setup.plotHeartRate);
    SetCtrlVal(setup.mainPanel, MAIN_PLOT_CADENCE, setup.plotCadence);
}

int TakePanelComPort(Station& zan) {
    GetCtrlVal(zan.setup.mainPanel, MAIN_COM_PORT, &zan.setup.comPort);
    return zan.setup.comPort;
}

void TakePanelPortChoices(Station& zan) {
    SetupState& setup = zan.setup;
    GetCtrlVal(setup.mainPanel, MAIN_WARMUP_MODE, &setup.warmupMode);
    GetCtrlVal(setup.mainPanel, MAIN_PLOT_HR, &setup.plotHeartRate);
    GetCtrlVal(setup.mainPanel, MAIN_PLOT_CADENCE, &setup.plotCadence);
}

int SavePortFile(const Station& zan) {
    if (RefusedInTakenFolder(zan, "Port file")) return -1;
    SaveProblem problem{};
    const int saved = WritePortFile(PortSettingsOf(zan.setup), &problem);
    if (saved != 0) ShowSaveProblem("Port file", problem);
    return saved;
}

void ShowSingleSide(const Station& zan) {
    SetCtrlVal(zan.setup.mainPanel, MAIN_SINGLE_SIDE, static_cast<int>(zan.setup.singleSide));
}

void TakePanelSingleSide(Station& zan) {
    int side = static_cast<int>(zan.setup.singleSide);
    GetCtrlVal(zan.setup.mainPanel, MAIN_SINGLE_SIDE, &side);
    zan.setup.singleSide = static_cast<SingleSide>(side);
}

void ShowOffsets(const Station& zan) {
    const SetupState& setup = zan.setup;
    SetCtrlVal(setup.mainPanel, MAIN_RIGHT_FORCE_OFFSET,
               static_cast<double>(setup.setup.rightForceOffset));
    SetCtrlVal(setup.mainPanel, MAIN_RIGHT_AUX_OFFSET,
               static_cast<double>(setup.setup.rightAuxOffset));
    SetCtrlVal(setup.mainPanel, MAIN_LEFT_FORCE_OFFSET,
               static_cast<double>(setup.setup.leftForceOffset));
    SetCtrlVal(setup.mainPanel, MAIN_LEFT_AUX_OFFSET,
               static_cast<double>(setup.setup.leftAuxOffset));
}

void ShowWarmup(const SetupState& setup, const WarmupStep& step) {
    const int panel = setup.warmupPanel;
    if (step.shown) {
        DisplayPanel(panel);
        SetCtrlAttribute(panel, WARMUP_RESET, ATTR_DIMMED, 1);
        SetCtrlAttribute(panel, WARMUP_SKIP, ATTR_DIMMED, 0);
        // A window the system cannot find is still shown, only not kept on top.
        KeepPanelOnTop(panel);
    }
    if (step.levelChanged) SetCtrlVal(panel, WARMUP_PROGRESS, setup.warmupLevel);
    if (step.completed) {
        SetCtrlAttribute(panel, WARMUP_RESET, ATTR_DIMMED, 0);
        SetCtrlAttribute(panel, WARMUP_SKIP, ATTR_DIMMED, 1);
    }
    if (step.blink == WarmupBlink::Yellow)
        SetCtrlAttribute(panel, WARMUP_RESET, ATTR_CMD_BUTTON_COLOR, VAL_YELLOW);
    if (step.blink == WarmupBlink::Grey)
        SetCtrlAttribute(panel, WARMUP_RESET, ATTR_CMD_BUTTON_COLOR, VAL_LT_GRAY);
}

void CloseWarmup(Station& zan) {
    EndWarmup(zan.setup);
    HidePanel(zan.setup.warmupPanel);
}
