#pragma once
// zan_pc --replay FILE.zanraw [--speed N|max]: a recorded ride played in the station's window.
// The replay is the crank's port, paced by the clock at the chosen multiple of the recorded
// pace; the title and the message box say it is a replay, the panel where it stands and how long
// it is, and its end is told in all three.

#include "app/station.h"
#include "station/replay.h"

#include <string>

// A ride played in the window: the stream, its port and how far it has come.
struct WindowReplay {
    explicit WindowReplay(const RawStream& stream) : stream(stream), port(stream) {}

    const RawStream& stream;
    ReplayPort port;
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

// Plays the stream read from path in the station's window once the station has started, on the
// setup recorded with the ride: the replay becomes the station's port. The replay must outlive
// the station's run.
void PlayStreamInWindow(Station& zan, WindowReplay& replay, const std::string& path, double speed);
// At each link tick, before the port is read: the ticks the clock has reached at the chosen
// pace, the position on the panel, and the ride's end once every byte is read.
void AdvanceWindowReplay(Station& zan);
// Sets the window's title; a replay's names the ride before it.
void ShowStationTitle(Station& zan, const char* title);
