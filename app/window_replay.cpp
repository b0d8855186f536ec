#include "app/window_replay.h"

#include "app/station.h"
#include "platform/engine.h"
#include "setup/catalogue.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace {
// The link timer's period, the pace the stream's ticks were recorded at.
constexpr double linkTickSeconds = 0.020;
} // namespace

void WindowReplayEngine::PlayStream(const RawStream& played, const std::string& streamPath,
                                    double pace) {
    stream = &played;
    replay = std::make_unique<ReplayPort>(played);
    path = streamPath;
    name = std::filesystem::path(streamPath).filename().string();
    speed = pace;
    EngineStation().app.replaying = true;
    PostDelayedCall(Start, this, 0.0);
}

// The replay starts once the station has: on the setup recorded with the ride, told in the
// message box, the recorded pace counted from then.
void WindowReplayEngine::Start(void* data) {
    auto& engine = *static_cast<WindowReplayEngine*>(data);
    const RawStream& stream = *engine.stream;
    Station& zan = EngineStation();
    TakeRecordedSetup(zan, stream.header.setup);
    std::string message = "Replay of " + engine.path + " (crank SN_" +
                          std::to_string(stream.header.crankSerial) + ", station " +
                          stream.header.stationVersion + "): no crank is on the port.";
    if (stream.cutShort) message += " The stream " + stream.note + ".";
    engine.InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, message.c_str());
    engine.SetCtrlAttributeInt(zan.setup.mainPanel, MAIN_REPLAY_POSITION, ATTR_VISIBLE, 1);
    engine.startTimer = engine.Timer();
    engine.started = true;
    engine.ShowPosition();
}

// The ride is the session: its time runs from the press of its button, the link's history
// before it counts down to it, and its length is the session's.
void WindowReplayEngine::ShowPosition() {
    const double length = RecordedSessionSeconds(*stream);
    const double start = stream->session ? stream->sessionMs : 0.0;
    const double reached = std::min((replay->ReachedMs() - start) / 1000.0, length);
    const long second = std::lround(ended ? length : reached);
    // Asked at every link tick: the text is made only when it changes.
    if (second == shownSecond && ended == shownEnded) return;
    shownSecond = second;
    shownEnded = ended;
    const std::string text = (ended ? "Replay ended " : "Replay ") +
                             RideMinutes(static_cast<double>(second)) + " / " + RideMinutes(length);
    SetCtrlValText(EngineStation().setup.mainPanel, MAIN_REPLAY_POSITION, text.c_str());
}

// Past the ride's last byte nobody can reconnect a crank: the not-connected dialog stays away,
// and the message box says the ride is over.
void WindowReplayEngine::TellEnd() {
    ended = true;
    Station& zan = EngineStation();
    zan.app.linkDialogOff = 1;
    zan.app.replayEnded = true;
    const std::string message = "Replay of " + name + " ended: the ride's " +
                                RideMinutes(RecordedSessionSeconds(*stream)) + " are played.";
    InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, message.c_str());
    // The notice that shows once frames stop says why they did: no crank is to be waited for.
    SetCtrlValText(zan.setup.mainPanel, MAIN_START_NOTICE, "Replay ended");
    ShowPosition();
    if (!stationTitle.empty()) {
        const std::string title = stationTitle;
        SetPanelAttributeText(zan.setup.mainPanel, ATTR_TITLE, title.c_str());
    }
}

int WindowReplayEngine::SetPanelAttributeText(int panel, int attribute, const char* value) {
    if (replay == nullptr || attribute != ATTR_TITLE)
        return QtEngine::SetPanelAttributeText(panel, attribute, value);
    stationTitle = value;
    const std::string title = (ended ? "REPLAY ENDED " : "REPLAY ") + name + " - " + value;
    return QtEngine::SetPanelAttributeText(panel, attribute, title.c_str());
}

int WindowReplayEngine::OpenComConfig(int port, const char* deviceName, long baud, int parity,
                                      int dataBits, int stopBits, int inputQueue, int outputQueue) {
    if (replay != nullptr) return 0;
    return QtEngine::OpenComConfig(port, deviceName, baud, parity, dataBits, stopBits, inputQueue,
                                   outputQueue);
}

int WindowReplayEngine::SetComTime(int port, double seconds) {
    return replay != nullptr ? 0 : QtEngine::SetComTime(port, seconds);
}

int WindowReplayEngine::CloseCom(int port) {
    return replay != nullptr ? 0 : QtEngine::CloseCom(port);
}

int WindowReplayEngine::GetInQLen(int port) {
    if (replay == nullptr) return QtEngine::GetInQLen(port);
    if (!started) return 0;
    // The ticks the clock has reached at the chosen pace; a setup the live station changed on
    // the way is in force before the bytes it measured are read.
    const double ticks = (Timer() - startTimer) * speed / linkTickSeconds;
    replay->ReachTick(static_cast<std::uint32_t>(std::min(ticks, 4.0e9)));
    while (const RawSetup* setup = replay->TakeSetupChange())
        TakeRecordedSetup(EngineStation(), *setup);
    const int waiting = replay->InQLen();
    if (!ended && replay->Ended()) TellEnd();
    ShowPosition();
    return waiting;
}

int WindowReplayEngine::ComRdByte(int port) {
    if (replay == nullptr) return QtEngine::ComRdByte(port);
    unsigned char byte = 0;
    return replay->Read(&byte, 1) == 1 ? byte : -1;
}

int WindowReplayEngine::ComRdBlock(int port, unsigned char* buffer, int count) {
    return replay != nullptr ? replay->Read(buffer, count)
                             : QtEngine::ComRdBlock(port, buffer, count);
}

int WindowReplayEngine::ComWrtByte(int port, int byte) {
    return replay != nullptr ? byte : QtEngine::ComWrtByte(port, byte);
}
