#pragma once
// The recording on the panel: the session command and its file's name, the session clock and
// averages, the turn files, and what the recording has to tell the rider.

#include "app/station.h"

// The files a closed session left at their paths: its session file and its raw stream.
struct ClosedSession {
    bool sessionFile;
    bool rawStream;
};

// The session button's own work: starts a session (asking for its folder) or closes the open one.
void ToggleSession(Station& zan);
// Closes the open session, as the session button does.
ClosedSession CloseSession(Station& zan);
// One display tick of the session clock, and the row when its interval is up.
void TickSessionClock(Station& zan);
// Shows what the recording has to tell the rider: lines in the message box, and the clock's
// yellow for a capture.
void ShowRecordNotices(Station& zan);
