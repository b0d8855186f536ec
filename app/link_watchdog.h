#pragma once
// Link supervision at the display tick: the serial-number warning and the link watchdog.

#include "app/station.h"

// Asks what to do when the crank's serial number differs from the setup file's; the question
// waits from the event loop, the link and the session going on meanwhile.
void WarnSerialMismatch(Station& zan);
// Notices a link that has carried no frame for too long, or a check the user asked for.
void WatchLink(Station& zan);
// The title says whether the crank that identified itself still sends frames.
void ShowLinkInTitle(Station& zan);
