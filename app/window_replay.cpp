#include "app/window_replay.h"

#include "platform/engine.h"
#include "setup/catalogue.h"
#include "station/core_start.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {
// The link timer's period, the pace the stream's ticks were recorded at.
constexpr double linkTickSeconds = 0.020;

void TakeSetupChange(void* station, const RawSetup& setup) {
    TakeRecordedSetup(*static_cast<Station*>(station), setup);
}

// The ride is the session: its time runs from the press of its button, the link's history
// before it counts down to it, and its length is the session's.
void ShowPosition(Station& zan, WindowReplay& replay) {
    const RawStream& stream = replay.stream;
    const double length = RecordedSessionSeconds(stream);
    const double start = stream.session ? stream.sessionMs : 0.0;
    const double reached = std::min((replay.port.ReachedMs() - start) / 1000.0, length);
    const long second = std::lround(replay.ended ? length : reached);
    // Asked at every link tick: the text is made only when it changes.
    if (second == replay.shownSecond && replay.ended == replay.shownEnded) return;
    replay.shownSecond = second;
    replay.shownEnded = replay.ended;
    const std::string text = (replay.ended ? "Replay ended " : "Replay ") +
                             RideMinutes(static_cast<double>(second)) + " / " + RideMinutes(length);
    SetCtrlVal(zan.setup.mainPanel, MAIN_REPLAY_POSITION, text.c_str());
}

// The replay starts once the station has: on the setup recorded with the ride, told in the
// message box, the recorded pace counted from then.
void StartReplay(void* station) {
    Station& zan = *static_cast<Station*>(station);
    WindowReplay& replay = *zan.app.replay;
    const RawStream& stream = replay.stream;
    TakeRecordedSetup(zan, stream.header.setup);
    std::string message = "Replay of " + replay.path + " (crank SN_" +
                          std::to_string(stream.header.crankSerial) + ", station " +
                          stream.header.stationVersion + "): no crank is on the port.";
    if (stream.cutShort) message += " The stream " + stream.note + ".";
    InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, message.c_str());
    SetCtrlAttribute(zan.setup.mainPanel, MAIN_REPLAY_POSITION, ATTR_VISIBLE, 1);
    replay.startTimer = Timer();
    replay.started = true;
    ShowPosition(zan, replay);
}

// Past the ride's last byte nobody can reconnect a crank: the not-connected dialog stays away,
// and the message box says the ride is over.
void TellEnd(Station& zan, WindowReplay& replay) {
    replay.ended = true;
    zan.app.linkDialogOff = 1;
    zan.app.replayEnded = true;
    const std::string message = "Replay of " + replay.name + " ended: the ride's " +
                                RideMinutes(RecordedSessionSeconds(replay.stream)) + " are played.";
    InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, message.c_str());
    // The notice that shows once frames stop says why they did: no crank is to be waited for.
    SetCtrlVal(zan.setup.mainPanel, MAIN_START_NOTICE, "Replay ended");
    ShowPosition(zan, replay);
    if (!replay.stationTitle.empty()) {
        const std::string title = replay.stationTitle;
        ShowStationTitle(zan, title.c_str());
    }
}
} // namespace

void PlayStreamInWindow(Station& zan, WindowReplay& replay, const std::string& path, double speed) {
    replay.path = path;
    replay.name = std::filesystem::path(path).filename().string();
    replay.speed = speed;
    replay.port.OnSetupChange(&zan, TakeSetupChange);
    zan.app.replay = &replay;
    zan.port = &replay.port;
    zan.core.replaying = true;
    PostDelayedCall(StartReplay, &zan, 0.0);
}

void AdvanceWindowReplay(Station& zan) {
    WindowReplay* replay = zan.app.replay;
    if (replay == nullptr || !replay->started) return;
    // The ticks the clock has reached at the chosen pace.
    const double ticks = (Timer() - replay->startTimer) * replay->speed / linkTickSeconds;
    replay->port.ReachTick(static_cast<std::uint32_t>(std::min(ticks, 4.0e9)));
    replay->port.InQLen();
    if (!replay->ended && replay->port.Ended()) TellEnd(zan, *replay);
    ShowPosition(zan, *replay);
}

void ShowStationTitle(Station& zan, const char* title) {
    WindowReplay* replay = zan.app.replay;
    if (replay == nullptr) {
        SetPanelAttribute(zan.setup.mainPanel, ATTR_TITLE, title);
        return;
    }
    replay->stationTitle = title;
    const std::string shown =
        (replay->ended ? "REPLAY ENDED " : "REPLAY ") + replay->name + " - " + title;
    SetPanelAttribute(zan.setup.mainPanel, ATTR_TITLE, shown.c_str());
}
