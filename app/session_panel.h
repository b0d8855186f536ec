#pragma once
// The recording on the panel: the session command and its file's name, the session clock and
// averages, the turn files, and what the recording has to tell the rider.

#include "app/station.h"
#include "record/session_clock.h"

// The session button's own work: starts a session (asking for its folder) or closes the open one.
void ToggleSession(Station& zan);
// The panel once the session closed: the recording's lines, and the button to start another.
void ShowSessionClosed(Station& zan);
// What one display tick of the session clock shows.
void ShowSessionClock(Station& zan, const SessionClockTick& tick);
// Shows what the recording has to tell the rider: lines in the message box, and the clock's
// yellow for a capture.
void ShowRecordNotices(Station& zan);
