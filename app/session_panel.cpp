#include "app/session_panel.h"
#include "app/working_folder.h"

#include "app/callbacks.h"
#include "measure/power.h"
#include "platform/bounded_text.h"
#include "platform/numbers.h"
#include "platform/panel.h"
#include "platform/texts.h"
#include "record/multi_turn_file.h"
#include "record/turn_file.h"
#include "setup/catalogue.h"
#include "station/session.h"

namespace {
void ShowSessionCommands(const SetupState& setup, int dimmed) {
    SetCtrlAttribute(setup.mainPanel, MAIN_SESSION_CMD_2, ATTR_DIMMED, dimmed);
    SetCtrlAttribute(setup.mainPanel, MAIN_SESSION_CMD_1, ATTR_DIMMED, dimmed);
    // The button says what a press does now.
    SetCtrlAttribute(setup.mainPanel, MAIN_SESSION_BUTTON, ATTR_LABEL_TEXT,
                     dimmed != 0 ? "Start session" : "Stop session");
}

// No session without its file: the rider is told, and the panel shows no path.
void ShowRefusedSession(const Station& zan) {
    SetCtrlVal(zan.setup.mainPanel, MAIN_SESSION_FILE, "Session NOT started: file not created !");
    char message[800];
    FormatText(message, sizeof message,
               "The session file could not be created in\n%s\n(folder not writable or disk "
               "full). No session is recording.",
               zan.record.recordFolder);
    MessagePopup("Session", message);
}

void OpenSession(Station& zan) {
    RecordState& record = zan.record;
    if (zan.app.folderTaken) {
        SetCtrlVal(zan.setup.mainPanel, MAIN_SESSION_FILE,
                   "Session NOT started: another station runs in this folder !");
        RefusedInTakenFolder(zan, "Session file");
        return;
    }
    StampStationSession(zan, ReadClock());
    char chosen[512] = "";
    DirSelectPopup(record.defaultRecordFolder, Translated("SessionPanel", "Selezionare FOLDER"),
                   chosen, sizeof chosen);
    if (OpenStationSession(zan, chosen, ReadClock()) == SessionStart::Refused) {
        ShowRefusedSession(zan);
        return;
    }
    SetCtrlVal(zan.setup.mainPanel, MAIN_SESSION_FILE, record.sessionPath);
    ShowSessionCommands(zan.setup, 0);
}

void SetClockColour(const SetupState& setup, ClockColour colour) {
    if (colour == ClockColour::White)
        SetCtrlAttribute(setup.mainPanel, MAIN_SESSION_CLOCK, ATTR_TEXT_BGCOLOR, VAL_WHITE);
    if (colour == ClockColour::Green)
        SetCtrlAttribute(setup.mainPanel, MAIN_SESSION_CLOCK, ATTR_TEXT_BGCOLOR, VAL_GREEN);
}
} // namespace

void ShowSessionClosed(Station& zan) {
    ShowRecordNotices(zan);
    SetCtrlVal(zan.setup.mainPanel, MAIN_SESSION_FILE, "Session closed !");
    ShowSessionCommands(zan.setup, 1);
}

void ToggleSession(Station& zan) {
    if (zan.record.sessionActive == 0) {
        OpenSession(zan);
    } else {
        CloseStationSession(zan, ReadClock());
        ShowSessionClosed(zan);
    }
    ShowRecordNotices(zan);
}

void ShowSessionClock(Station& zan, const SessionClockTick& tick) {
    const SetupState& setup = zan.setup;
    SetClockColour(setup, tick.firstColour);
    if (tick.recording) {
        SetCtrlVal(setup.mainPanel, MAIN_SESSION_CLOCK, tick.elapsed);
        SetClockColour(setup, tick.lastColour);
        SetCtrlVal(setup.mainPanel, MAIN_KCAL, FiniteOrZero(zan.measure.kcalTotal));
        SetCtrlVal(setup.mainPanel, MAIN_SESSION_POWER_AVG,
                   FiniteOrZero(zan.record.sessionPowerAverage));
        SetCtrlVal(setup.mainPanel, MAIN_SESSION_SPEED_AVG,
                   FiniteOrZero(zan.record.sessionSpeedAverage));
    }
    ShowRecordNotices(zan);
}

void ShowRecordNotices(Station& zan) {
    RecordNotices& notices = zan.record.notices;
    if (notices.clockFlash)
        SetCtrlAttribute(zan.setup.mainPanel, MAIN_SESSION_CLOCK, ATTR_TEXT_BGCOLOR, VAL_YELLOW);
    for (int i = 0; i < notices.count; ++i)
        InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, notices.lines[i]);
    notices.count = 0;
    notices.clockFlash = false;
}

int SAVET(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    Station& zan = EngineStation();
    zan.record.now = ReadClock();
    SaveTurnFile(zan.record, zan.measure);
    ShowRecordNotices(zan);
    return 0;
}

int SAVE10(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    ArmCapture(EngineStation().record);
    return 0;
}
