#include "app/window_replay.h"

#include "app/station.h"
#include "platform/engine.h"
#include "setup/catalogue.h"

#include <algorithm>
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
    engine.startTimer = engine.Timer();
    engine.started = true;
}

// Past the ride's last byte nobody can reconnect a crank: the not-connected dialog stays away,
// and the message box says the ride is over.
void WindowReplayEngine::TellEnd() {
    ended = true;
    Station& zan = EngineStation();
    zan.app.linkDialogOff = 1;
    const auto seconds = static_cast<long>(stream->lastTick * linkTickSeconds);
    char message[400];
    std::snprintf(message, sizeof message, "Replay of %s ended: the ride's %ld:%02ld are played.",
                  name.c_str(), seconds / 60, seconds % 60);
    InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, message);
}

int WindowReplayEngine::SetPanelAttributeText(int panel, int attribute, const char* value) {
    if (replay == nullptr || attribute != ATTR_TITLE)
        return QtEngine::SetPanelAttributeText(panel, attribute, value);
    const std::string title = "REPLAY " + name + " - " + value;
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
    if (!ended && replay->Ended()) TellEnd();
    return replay->InQLen();
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
