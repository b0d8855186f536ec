#include "app/startup.h"

#include "app/calibration_walk.h"
#include "app/device_search.h"
#include "app/setup_panel.h"
#include "app/share_panel.h"
#include "app/station.h"
#include "app/working_folder.h"
#include "link/link_control.h"
#include "measure/power.h"
#include "platform/engine.h"
#include "record/session_file.h"
#include "setup/access_levels.h"
#include "setup/catalogue.h"
#include "setup/port_file.h"
#include "setup/setup_file.h"
#include "setup/warmup.h"
#include "station/core_start.h"

#include <cstdio>
#include <cstring>

namespace {
void TellAtStart(const Station& zan, const char* title, const char* message) {
    InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, message);
    MessagePopup(title, message);
}

// What the start-up changed or could not read, told before anything is saved: a file the station
// could not read in the message box and a popup, a coefficient set to 0 in the message box.
void TellSetupAtStart(const Station& zan, const SetupReading& read, const SetupReading& portRead,
                      const ClampedCoefficients& clamped) {
    char message[800];
    char problem[100];
    if (read.read != SetupRead::Read && zan.setup.calibrationUnread) {
        SetupReadProblem(read, problem, sizeof problem);
        std::snprintf(message, sizeof message,
                      "Setup file \"%s\" %s: the default calibration is in use, and the file is "
                      "kept as it is until the setup is saved.",
                      zan.setup.setupPath, problem);
        TellAtStart(zan, "Setup file", message);
    }
    // No port file is a first start; any other it could not read is the rider's and stays.
    if (portRead.read != SetupRead::Read && portRead.read != SetupRead::Missing) {
        SetupReadProblem(portRead, problem, sizeof problem);
        std::snprintf(message, sizeof message,
                      "Port file \"%s\" %s: the default port settings are in use, and the file "
                      "is kept as it is until they are saved.",
                      portFilePath, problem);
        TellAtStart(zan, "Port file", message);
    }
    const struct {
        bool changed;
        const char* side;
        float was;
    } coefficients[] = {{clamped.right, "Right", clamped.rightWas},
                        {clamped.left, "Left", clamped.leftWas}};
    for (const auto& coefficient : coefficients) {
        if (!coefficient.changed) continue;
        std::snprintf(message, sizeof message,
                      "%s correction coefficient %g in \"%s\" is outside -0.75..0.75: 0 is used, "
                      "and the next save writes 0.",
                      coefficient.side, static_cast<double>(coefficient.was), zan.setup.setupPath);
        InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, message);
    }
}
} // namespace

void GiveWorkingDefaults(Station& zan) {
    AppState& app = zan.app;
    GiveCoreDefaults(zan);
    app.holdDisplay = 0;
    app.linkDialogOff = 0;
    app.linkCheckNow = 0;
    ShowSingleSide(zan);
    FollowInWindow(zan);
}

namespace {
// The warm-up fills with each window's power, on its own panel.
void FollowWarmup(void* station, const StationCore&, const WindowResult& result) {
    Station& zan = *static_cast<Station*>(station);
    ShowWarmup(zan.setup, AdvanceWarmup(zan.setup, result.powerTotal));
}

// Training apps count the crank's revolutions and wheel turns from every frame, and are told
// each window's result.
void FollowShareFrame(void* station, const StationCore& core, const PolarFrame& frame) {
    ShareFrame(static_cast<Station*>(station)->share.tally, core, frame);
}

void FollowShareWindow(void* station, const StationCore& core, const WindowResult& result) {
    ShareWindow(static_cast<Station*>(station)->share, core, result);
}

void FollowCalibration(void* station, const StationCore&, const PolarFrame&) {
    Station& zan = *static_cast<Station*>(station);
    // Asked at every frame: most frames come with no calibration under way.
    if (zan.app.calibration.step != CalibrationStep::Idle) TakeCalibrationFrame(zan);
}
} // namespace

void FollowInWindow(Station& zan) {
    zan.core.followers = Followers{};
    Follow(zan.core.followers, WindowFollower{&zan, FollowWarmup});
    Follow(zan.core.followers, FrameFollower{&zan, FollowCalibration});
    Follow(zan.core.followers, FrameFollower{&zan, FollowShareFrame});
    Follow(zan.core.followers, WindowFollower{&zan, FollowShareWindow});
}

int StartStation(Station& zan, void* instance, const char* commandLine) {
    if (InitCVIRTE(instance, 0, 0) == 0) return -1;
    const int mainPanel = LoadPanel(0, "zan_01.uir", MAIN);
    if (mainPanel < 0) return -1;
    const int warmupPanel = LoadPanel(0, "zan_01.uir", WARMUP);
    if (warmupPanel < 0) return -1;
    KeepPanels(zan.setup, mainPanel, warmupPanel);

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
    KeepSetupPath(zan.setup, commandLength >= 4 ? commandLine : defaultSetupPath);
    SetSetupDefaults(zan.setup.setup);
    const SetupReading setupRead = LoadStartSetup(zan.setup, zan.setup.setupPath);
    SetPortDefaults(zan.setup);
    const SetupReading portRead = ReadPortFile(zan.setup);
    ShowPortChoices(zan);
    MakeDir("dati");
    const ClampedCoefficients clamped = TakeWheelAndCorrections(zan.setup);
    ShowSetupParameters(zan);
    // A replay's port is the recorded ride: no port of the machine is opened for it.
    if (zan.port == nullptr) OpenStationPort(zan);
    GiveWorkingDefaults(zan);
    // After the defaults: before them the polar view averages no revolutions yet.
    SetCtrlVal(zan.setup.mainPanel, MAIN_POLAR_TURNS, zan.measure.polar.turnsAveraged);
    DisplayPanel(zan.setup.mainPanel);

    // The warm-up panel appears at the end of the next two-revolution window.
    ArmWarmup(zan.setup);

    SetPanelAttribute(zan.setup.mainPanel, ATTR_WINDOW_ZOOM, VAL_MAXIMIZE);
    ShowStartupTitle(zan);
    SetCtrlAttribute(zan.setup.mainPanel, MAIN_CRANK_CADENCE, ATTR_VISIBLE, 0);
    SetCtrlAttribute(zan.setup.mainPanel, MAIN_COM_PORT, ATTR_DIMMED, 1);
    SetCtrlAttribute(zan.setup.mainPanel, MAIN_WARMUP_MODE, ATTR_DIMMED, 1);
    SetCtrlAttribute(zan.setup.mainPanel, MAIN_CAL_COVER_1, ATTR_ZPLANE_POSITION, 0);
    SetCtrlAttribute(zan.setup.mainPanel, MAIN_CAL_COVER_2, ATTR_ZPLANE_POSITION, 0);

    // The identification exchange with the crank starts afresh.
    RestartHandshake(zan.link);
    TellSetupAtStart(zan, setupRead, portRead, clamped);
    ClaimWorkingFolder(zan);
    StartSharingAtStart(zan);
    return 0;
}

int program::WinMain(void* instance, void*, char* commandLine, int) {
    Station& zan = EngineStation();
    if (StartStation(zan, instance, commandLine) < 0) return -1;
    RunUserInterface();
    DiscardPanel(zan.setup.mainPanel);
    return 0;
}
