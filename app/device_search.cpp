// The device search and the two link commands around it.
#include "app/device_search.h"
#include "app/command_refusal.h"
#include "app/working_folder.h"

#include "app/callbacks.h"
#include "app/link_timer.h"
#include "app/setup_panel.h"
#include "link/crank_port.h"
#include "platform/bounded_text.h"
#include "platform/engine.h"
#include "platform/numbers.h"
#include "platform/texts.h"
#include "setup/catalogue.h"
#include "setup/port_file.h"
#include "setup/setup_file.h"

#include <cstring>

namespace {
constexpr int firstPort = 1;
constexpr int lastPort = 64;
// A Windows Bluetooth serial port that reaches a paired crank takes a few seconds to connect; a
// port that does not exist fails at once, and one whose device is out of reach gives up after
// about 20 s. A serial device that opens at once (a Linux rfcomm or USB port, the emulator) is a
// candidate too, or no crank could ever be found there. Whole seconds, as the open is timed.
constexpr int quickestCrankOpen = 2;
constexpr int slowestCrankOpen = 19;
// The polling is bounded by reader calls. A call that finds no frame waits a millisecond before
// the next: a Bluetooth port that opens at once (Linux's rfcomm) connects to the crank only in
// the seconds after, and a fast machine would make its calls before the first frame came. A
// silent port is given up after 8 s of polling: a connection plus 91 frames take about 4 s.
constexpr int readerCallLimit = 299999;
constexpr double longestPolling = 8.0;
// The identity comes on the 51st frame after the reset; 91 frames also see the ';' bytes out.
constexpr int identityFrame = 50;
constexpr int handshakeSeen = 90;
// No crank reports it: shows, in the mismatch line, a port that never identified itself.
constexpr int noIdentity = 9999;

// Each line is painted as it comes; the timers stay suspended meanwhile, so the link timer never
// runs the frame reader beside the search's own polling.
void ShowLine(const SetupState& setup, const char* line) {
    InsertTextBoxLine(setup.mainPanel, MAIN_MESSAGES, -1, line);
    ProcessSystemEvents();
}

// Whole seconds since start on the monotonic clock: a wall clock would give a negative time
// across the turn of a minute, or across a clock change.
int WholeSecondsSince(double start) {
    const int seconds = TruncToInt(Timer() - start);
    return seconds < 0 ? 0 : seconds;
}

void KeepFoundPort(Station& zan, int port) {
    char line[256];
    FormatText(line, sizeof line, Translated("DeviceSearch", "Found SN%03d su COM%d"),
               zan.link.deviceSerial, port);
    ShowLine(zan.setup, line);
    SetCtrlVal(zan.setup.mainPanel, MAIN_COM_PORT, port);
    TakePanelPortChoices(zan);
    // The port number in use stays as it is until the next reconnect; the file keeps the find.
    if (RefusedInTakenFolder(zan, "Port file")) return;
    PortSettings found = PortSettingsOf(zan.setup);
    found.comPort = port;
    SaveProblem problem{};
    if (WritePortFile(found, &problem) != 0) ShowSaveProblem("Port file", problem);
}

// Restarts the crank's handshake on the port just opened and reads its identity. True when it is
// the crank sought.
bool AskCrank(Station& zan, int serialSought, int port) {
    LinkState& link = zan.link;
    Delay(1.0);
    const int knownSerial = link.deviceSerial;
    link.handshakeFrames = 0;
    link.deviceSerial = noIdentity;
    // The reader must listen to the port, not simulate.
    StopSimulation(zan.setup);
    link.ticksSinceFrame = 0;
    const double pollingStart = Timer();
    for (int call = 0; call < readerCallLimit; ++call) {
        const int framesBefore = link.handshakeFrames;
        ReadZAN(zan);
        if (link.handshakeFrames > handshakeSeen) break;
        if (link.handshakeFrames != framesBefore) continue;
        if (Timer() - pollingStart > longestPolling) break;
        Sleep(1);
    }
    const bool identified = link.handshakeFrames > identityFrame;
    if (identified && link.deviceSerial == serialSought) {
        KeepFoundPort(zan, port);
        return true;
    }
    char line[256];
    FormatText(line, sizeof line, "SN error (sn%03d<>sn%03d on COM%d)", link.deviceSerial,
               serialSought, port);
    ShowLine(zan.setup, line);
    // The placeholder is no crank's number: the next save of the setup file must not keep it.
    if (!identified) link.deviceSerial = knownSerial;
    // Long enough to read the line before the next port clears the box.
    Delay(2.0);
    return false;
}

void ReopenCrankPort(void* station) {
    Station& zan = *static_cast<Station*>(station);
    LinkState& link = zan.link;
    if (!link.reopenPending) return;
    link.reopenPending = false;
    OpenStationPort(zan);
    link.ticksSinceFrame = 0;
}
} // namespace

int OpenStationPort(Station& zan) {
    const int opened = OpenCrankPort(zan.link, zan.setup.comPort, zan.setup.comPort);
    char line[256];
    if (DescribePortOpen(zan.link, opened, line, static_cast<int>(sizeof line)))
        InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, line);
    return opened;
}

void SearchZAN(Station& zan, int serialSought) {
    LinkState& link = zan.link;
    const SetupState& setup = zan.setup;
    // A reopen still waiting from a reconnect must not take the port from the crank found.
    link.reopenPending = false;
    SuspendTimerCallbacks();
    // Whatever the box held before is no part of this search's answer.
    ResetTextBox(setup.mainPanel, MAIN_MESSAGES, "");
    // "COM3, COM7": every port tried, for the last line when no crank answers.
    char tried[lastPort * 8] = "";
    bool ended = false;
    for (int port = firstPort; port <= lastPort && !ended; ++port) {
        char name[16];
        FormatText(name, sizeof name, "%s%d", "COM", port);
        // A port the machine does not have is not tried: no line, no wait.
        if (!ComPortExists(name)) continue;
        const std::size_t triedLength = std::strlen(tried);
        FormatText(tried + triedLength, sizeof tried - triedLength, "%s%s",
                   triedLength > 0 ? ", " : "", name);
        ResetTextBox(setup.mainPanel, MAIN_MESSAGES, "");
        char line[256];
        FormatText(line, sizeof line, "Search ZAN sn%d on COM%d ... [ESC=>Skip] \n", serialSought,
                   port);
        ShowLine(setup, line);
        CloseCom(setup.comPort);
        Delay(1.0);
        FormatText(link.comPortName, sizeof link.comPortName, "%s%d", "COM", port);
        const double openStart = Timer();
        if (EscapeKeyDown()) {
            ShowLine(setup, Translated("DeviceSearch", "SEARCH terminata da comando [ESC=>Skip]"));
            ended = true;
            break;
        }
        // The port keeps its number; only the device follows the search.
        const int result = OpenCrankPort(link, setup.comPort, port);
        const bool opened = result >= 0;
        const int openSeconds = WholeSecondsSince(openStart);
        // A port that is there but will not open for this station (held by another, not the
        // rider's, its device gone) is said, and passed over, with time to read the line before
        // the next port clears the box.
        if (DescribePortOpen(link, result, line, static_cast<int>(sizeof line))) {
            ShowLine(setup, line);
            Delay(2.0);
            continue;
        }
        if (openSeconds > slowestCrankOpen) continue;
        if (!opened && openSeconds < quickestCrankOpen) continue;
        ended = AskCrank(zan, serialSought, port);
    }
    // The rider is always told how it ended and where it looked, even on a machine without a
    // single port.
    if (!ended) {
        char line[sizeof tried + 256];
        if (tried[0] != '\0')
            FormatText(line, sizeof line, "No crank sn%d found on %s (looked for %s).",
                       serialSought, tried, ComPortPlaces());
        else
            FormatText(line, sizeof line, "No crank sn%d found: no COM port here (looked for %s).",
                       serialSought, ComPortPlaces());
        ShowLine(setup, line);
    }
    ResumeTimerCallbacks();
}

void ReconnectCrank(Station& zan) {
    LinkState& link = zan.link;
    const SetupState& setup = zan.setup;
    SetCtrlVal(setup.mainPanel, MAIN_LINK_LED, 1);
    // After a search the link is open under the old number on the device found; it must go, or
    // the device stays held and its new open fails.
    CloseCom(setup.comPort);
    TakePanelComPort(zan);
    CloseCom(setup.comPort);
    // The pause counts as no silence of the crank's: the watchdog must not ask again meanwhile.
    link.ticksSinceFrame = 0;
    // A Bluetooth serial port needs a moment after its close before it connects again. The
    // station measures, records and shows meanwhile; a second reconnect in that moment reopens
    // with the first.
    if (link.reopenPending) return;
    link.reopenPending = true;
    PostDelayedCall(ReopenCrankPort, &zan, 1.0);
}

int ONLINE(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (CrankCommandRefused(EngineStation())) return 0;
    // The handshake is not repeated: the crank is known, only its link is renewed.
    ReconnectCrank(EngineStation());
    return 0;
}
