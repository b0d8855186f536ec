#pragma once
// zan_pc --replay FILE.zanraw [--speed N|max]: a recorded ride played in the station's window.
// The replay is the crank's port, paced by the clock at the chosen multiple of the recorded
// pace; the title and the message box say it is a replay, the panel where it stands and how long
// it is, and its end is told in all three.

#include "app/replay.h"
#include "platform/qt/qt_engine.h"

#include <memory>
#include <string>

class WindowReplayEngine : public QtEngine {
  public:
    // Plays the stream read from path once the station has started, on the setup recorded with
    // the ride. Without a call the engine is the live station's own.
    void PlayStream(const RawStream& stream, const std::string& path, double speed);
    bool Replaying() const { return replay != nullptr; }

    int SetPanelAttributeText(int panel, int attribute, const char* value) override;
    int OpenComConfig(int port, const char* name, long baud, int parity, int dataBits, int stopBits,
                      int inputQueue, int outputQueue) override;
    int SetComTime(int port, double seconds) override;
    int CloseCom(int port) override;
    int GetInQLen(int port) override;
    int ComRdByte(int port) override;
    int ComRdBlock(int port, unsigned char* buffer, int count) override;
    int ComWrtByte(int port, int byte) override;

  private:
    static void Start(void* engine);
    void TellEnd();
    // The replay's place and length on the panel, once a second of the ride.
    void ShowPosition();

    const RawStream* stream = nullptr;
    std::unique_ptr<ReplayPort> replay;
    std::string path;
    std::string name;
    double speed = 1.0;
    double startTimer = 0.0;
    bool started = false;
    bool ended = false;
    long shownSecond = -1;
    bool shownEnded = false;
    // The title the station gave, which the replay's name goes before.
    std::string stationTitle;
};
