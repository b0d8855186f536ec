#include "app/startup.h"

#include "app/station.h"
#include "app/window_title.h"
#include "link/crank_port.h"
#include "platform/engine.h"
#include "setup/catalogue.h"
#include "setup/port_file.h"
#include "setup/setup_file.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr float maxCorrectionCoeff = 0.75f;

// A coefficient outside the range is taken as no correction at all, not as the bound.
float ClampedCoefficient(float coefficient) {
    if (coefficient > maxCorrectionCoeff || coefficient < -maxCorrectionCoeff) return 0.0f;
    return coefficient;
}

} // namespace

void GiveWorkingDefaults() {
    Station& zan = CurrentStation();
    // Cadence and speed read as stopped until the first frame.
    zan.crankPeriodWord = 9999999;
    zan.wheelPeriodWord = 9999999;
    zan.turnPeriod = 60000.0f;
    zan.previousPower = 1.0f;
    zan.holdDisplay = 0;
    zan.framesSinceTurn = 0;
    zan.accessCode = 0;
    zan.sessionActive = 0;
    zan.rowTicks = 0;
    zan.ledFlashTimer = 0;
    zan.periodRingIndex = 0;
    zan.ratioRingIndex = 0;
    zan.markerMisses = 0;
    zan.linkDialogOff = 0;
    zan.captureState = CaptureState::Idle;
    zan.captureFrames = 0;
    zan.captureCount = 0;
    zan.linkCheckNow = 0;
    zan.lastTurnFrame = 0;
    zan.frameCounter = 1000;
    zan.simFrameClock = 100.0;
    for (float& slot : zan.periodRing) slot = 2000.0f;
    zan.turnModeMask = 255;
    zan.singleSide = SingleSide::Both;
    SetCtrlVal(zan.mainPanel, MAIN_SINGLE_SIDE, static_cast<int>(zan.singleSide));
}

int StartStation(void* instance, const char* commandLine) {
    Station& zan = CurrentStation();
    if (InitCVIRTE(instance, 0, 0) == 0) return -1;
    zan.mainPanel = LoadPanel(0, "zan_01.uir", MAIN);
    if (zan.mainPanel < 0) return -1;
    zan.warmupPanel = LoadPanel(0, "zan_01.uir", WARMUP);
    if (zan.warmupPanel < 0) return -1;

    // The whole command line, quotes and blanks included, names the setup file when it holds
    // 4 characters or more.
    const std::size_t commandLength = commandLine == nullptr ? 0 : std::strlen(commandLine);
    if (commandLength > static_cast<std::size_t>(maxSetupPathLength)) {
        char message[200];
        std::snprintf(message, sizeof message,
                      "The command line holds %zu characters: a setup path holds at most %d.",
                      commandLength, maxSetupPathLength);
        MessagePopup("Setup file", message);
        return -1;
    }
    if (commandLength >= 4)
        std::memcpy(zan.setupPath, commandLine, commandLength + 1);
    else
        std::snprintf(zan.setupPath, sizeof zan.setupPath, "%s", defaultSetupPath);

    SetSetupDefaults();
    LoadPar(zan.setupPath);
    SetPortDefaults();
    ReadPortFile();
    MakeDir("dati");
    zan.wheelCircumference = 3.1415926f * zan.setup.wheelDiameter;
    zan.setup.rightCorrectionCoeff = ClampedCoefficient(zan.setup.rightCorrectionCoeff);
    zan.setup.leftCorrectionCoeff = ClampedCoefficient(zan.setup.leftCorrectionCoeff);
    ShowSetupParameters();
    OpenCrankPort(zan.comPort, zan.comPort);
    GiveWorkingDefaults();
    DisplayPanel(zan.mainPanel);

    // The warm-up panel appears at the end of the next two-revolution window.
    zan.warmupState = WarmupState::Off;
    zan.warmupLevel = 0;
    if (zan.warmupMode > 0) zan.warmupState = WarmupState::ToShow;

    SetPanelAttribute(zan.mainPanel, ATTR_WINDOW_ZOOM, VAL_MAXIMIZE);
    ShowStartupTitle();
    SetCtrlAttribute(zan.mainPanel, MAIN_CRANK_CADENCE, ATTR_VISIBLE, 0);
    SetCtrlAttribute(zan.mainPanel, MAIN_COM_PORT, ATTR_DIMMED, 1);
    SetCtrlAttribute(zan.mainPanel, MAIN_WARMUP_MODE, ATTR_DIMMED, 1);
    SetCtrlAttribute(zan.mainPanel, MAIN_CAL_COVER_1, ATTR_ZPLANE_POSITION, 0);
    SetCtrlAttribute(zan.mainPanel, MAIN_CAL_COVER_2, ATTR_ZPLANE_POSITION, 0);

    // The identification exchange with the crank starts afresh.
    zan.handshakeFrames = 0;
    zan.deviceVersion = 0;
    zan.deviceSerial = 0;
    return 0;
}

int WinMain(void* instance, void*, char* commandLine, int) {
    Station& zan = CurrentStation();
    if (StartStation(instance, commandLine) < 0) return -1;
    RunUserInterface();
    DiscardPanel(zan.mainPanel);
    return 0;
}
