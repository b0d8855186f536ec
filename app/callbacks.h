#pragma once
// Every callback of the two panels and their timers, in the engine's callback form. The panel
// resource names them; the table in callbacks.cpp finds them by name. Each subsystem declares its
// own; the application shell's are here.

#include "link/link_callbacks.h"
#include "platform/engine.h"
#include "record/record_callbacks.h"
#include "setup/setup_callbacks.h"

// The session button: the recording's own command, and when it closes a session, its ride
// written as FIT and TCX beside it.
ZAN_CALLBACK(SESSION);
// At quit the message box goes with the window: a failure is told in a popup as well.
void ExportClosedSession(bool quitting = false);
ZAN_CALLBACK(TIMER);
ZAN_CALLBACK(DISPLAY);
ZAN_CALLBACK(FINE);
ZAN_CALLBACK(HOLD);
ZAN_CALLBACK(CLR);
ZAN_CALLBACK(RTEXT);
ZAN_CALLBACK(PRINT);
ZAN_CALLBACK(SRCH);
