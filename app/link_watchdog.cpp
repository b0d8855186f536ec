// The two checks of the display tick that concern the crank at the other end of the link.
#include "app/link_watchdog.h"
#include "app/command_refusal.h"
#include "app/window_replay.h"

#include "app/callbacks.h"
#include "app/device_search.h"
#include "app/setup_panel.h"
#include "app/station.h"
#include "link/link_control.h"
#include "platform/engine.h"
#include "platform/texts.h"
#include "setup/catalogue.h"
#include "setup/number_text.h"
#include "setup/window_title.h"

namespace {
// The dialog's field takes a serial number of three digits.
constexpr int serialDigits = 3;
constexpr int reconnectButton = 1;
constexpr int skipButton = 2;
constexpr int searchButton = 3;

constexpr const char* serialWarningTitle = "WARNING !!!";
constexpr const char* serialWarning = "Setup file & CRANK with different SERIAL NUMBER !!!\n\n"
                                      "READINGS could be wrong !!!\n\n\n"
                                      "Overwrite SN on FILE ???";
constexpr const char* notConnectedTitle = ZAN_TEXT("LinkWatchdog", "Attenzione !!!");
constexpr const char* notConnected =
    ZAN_TEXT("LinkWatchdog", "ZAN non connesso !\n\n"
                             "Controllare :\n\n"
                             "-Accensione sistema ZAN\n"
                             "-Porta COM\n"
                             "-Pairing con Bluetooth (5296)\n\n"
                             "Premere spia ONLINE/RECONNECT per Riconnettere ...\n\n"
                             "Inserire SN ---> Search ZAN ...\n"
                             "Per versioni SW<1.0 inserire 000");

// Lets the rider pair the crank in the desktop's Bluetooth settings. No tick runs meanwhile;
// Escape gives up waiting for a settings window that does not close.
void WaitForBluetoothSettings(AppState& app) {
    SuspendTimerCallbacks();
    app.launchHandle = 0;
    if (LaunchBluetoothSettings(&app.launchHandle) >= 0) {
        while (ExecutableHasTerminated(app.launchHandle) == 0) {
            if (EscapeKeyDown() != 0) {
                ProcessSystemEvents();
                Sleep(5);
                break;
            }
        }
    }
    for (int i = 0; i < 3; ++i) ProcessSystemEvents();
    ResumeTimerCallbacks();
}

void SearchForTypedSerial(Station& zan, const char* typed) {
    AppState& app = zan.app;
    WaitForBluetoothSettings(app);
    // After a search the dialog stays away until the rider asks for it again.
    app.linkDialogOff = 1;
    EndHandshake(zan.link);
    // Empty or non-numeric text searches for 0, what the dialog advises for old crank software.
    SearchZAN(zan, TextToInt(typed));
}

// Runs from the event loop, not from the display tick that found the loss: while the dialog
// waits, the display keeps ticking and the session keeps its rows, and the link timer keeps
// reading, so frames that come back close the dialog (0, no button).
void AskHowToReconnect(void* station) {
    Station& zan = *static_cast<Station*>(station);
    AppState& app = zan.app;
    char response[64] = "";
    const int button = GenericMessagePopup(Translated("LinkWatchdog", notConnectedTitle),
                                           Translated("LinkWatchdog", notConnected), "Reconnect",
                                           "Skip", "Search ZAN", response, serialDigits);
    app.linkDialogOpen = 0;
    response[sizeof response - 1] = '\0';
    if (button == reconnectButton) {
        ReconnectCrank(zan);
    } else if (button == skipButton) {
        app.linkDialogOff = 1;
        RestartSilence(zan.link);
    } else if (button == searchButton) {
        SearchForTypedSerial(zan, response);
    }
}

// Runs from the event loop, as the not-connected dialog does: the link keeps reading and the
// session keeps its rows while the rider thinks. Until Yes the setup file keeps its own number,
// so a quit meanwhile writes no number nobody agreed to.
void AskWhichSerialToKeep(void* station) {
    Station& zan = *static_cast<Station*>(station);
    AppState& app = zan.app;
    const int answer = ConfirmPopup(serialWarningTitle, serialWarning);
    app.serialQuestionOpen = 0;
    if (answer == 1)
        TakeDeviceSerial(zan.link);
    else
        KeepDeviceSerial(zan.link, zan.setup.setup.serialNumber);
}
} // namespace

void WarnSerialMismatch(Station& zan) {
    AppState& app = zan.app;
    // One question at a time: a crank that names itself again meanwhile is asked about after.
    if (app.serialQuestionOpen != 0) return;
    if (!TakeSerialMismatch(zan.link)) return;
    app.serialQuestionOpen = 1;
    PostDeferredCall(AskWhichSerialToKeep, &zan);
}

void WatchLink(Station& zan) {
    AppState& app = zan.app;
    if (app.linkDialogOpen != 0) {
        // The crank is back while the dialog about its loss waits: the dialog goes by itself.
        if (app.linkDialogForLoss != 0 && !LinkLost(zan.link)) DismissPopup();
        return;
    }
    if (zan.link.ticksSinceFrame <= lostAfterTicks && app.linkCheckNow <= 0) {
        SetCtrlVal(zan.setup.mainPanel, MAIN_LINK_LED, 1);
        return;
    }
    SetCtrlVal(zan.setup.mainPanel, MAIN_LINK_LED, 0);
    app.linkCheckNow = 0;
    if (app.linkDialogOff != 0) return;
    // A tick that comes while the dialog waits must not stack a second one on it.
    app.linkDialogOpen = 1;
    app.linkDialogForLoss = LinkLost(zan.link) ? 1 : 0;
    PostDeferredCall(AskHowToReconnect, &zan);
}

void ShowLinkInTitle(Station& zan) {
    AppState& app = zan.app;
    // Before the crank has identified itself the title says the station waits for it; a replay
    // that ended tells its end in its own words.
    const bool lost = LinkLost(zan.link) && zan.link.crankIdentified != 0 && !app.replayEnded;
    if (lost == app.titleSaysLinkLost) return;
    if (!lost) {
        ShowConnectedTitle(zan, nullptr);
        return;
    }
    char title[titleSize];
    LinkLostTitle(zan.setup, zan.link, title, sizeof title);
    ShowStationTitle(zan, title);
    app.titleSaysLinkLost = true;
}

int SRCH(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (CrankCommandRefused(EngineStation())) return 0;
    AppState& app = EngineStation().app;
    // The next unheld display tick treats the link as lost and shows the dialog.
    app.linkCheckNow = 1;
    app.linkDialogOff = 0;
    return 0;
}
