#pragma once
// Every callback of the two panels and their timers, in the engine's callback form. The panel
// resource names them; the table in callbacks.cpp finds them by name. Each reaches its station
// through the engine's one reference to it.

#include "app/station.h"
#include "platform/panel.h"

#include <string>

// The session button: the recording's own command, and when it closes a session, its ride
// written as FIT and TCX beside it.
ZAN_CALLBACK(SESSION);
// Then the message box lists every file the session left. At quit the message box goes with the
// window: a failure is told in a popup as well.
// Closes the open session as its button does, with its ride files; false when the FIT and TCX
// files were not written.
bool CloseSessionAndExport(Station& zan, bool quitting = false);
ZAN_CALLBACK(SAVET);
ZAN_CALLBACK(SAVE10);

ZAN_CALLBACK(TIMER);
ZAN_CALLBACK(DISPLAY);
ZAN_CALLBACK(FINE);
ZAN_CALLBACK(HOLD);
ZAN_CALLBACK(CLR);
ZAN_CALLBACK(RTEXT);
ZAN_CALLBACK(PRINT);
// Opens a past session in the review window.
ZAN_CALLBACK(REVIEW);
ZAN_CALLBACK(SHARE);
// A past session that could not be opened for review: the reason goes to the message box.
void TellRideNotOpened(const Station& zan, const char* reason);
ZAN_CALLBACK(SRCH);

// The crank's link and its service commands.
ZAN_CALLBACK(ONLINE);
ZAN_CALLBACK(CADI);
ZAN_CALLBACK(DEBU);
ZAN_CALLBACK(SERIAL);

// The setup: loading and saving the setup and port files, zeroing and the warm-up, and the
// access code.
ZAN_CALLBACK(LOAD);
ZAN_CALLBACK(SAVS);
ZAN_CALLBACK(DEF);
ZAN_CALLBACK(DEFM);
ZAN_CALLBACK(DEFX);
ZAN_CALLBACK(ZERO);
ZAN_CALLBACK(RESET);
// The calibration with a known mass, from the calibration code up.
ZAN_CALLBACK(CALM);
ZAN_CALLBACK(SKIP);
ZAN_CALLBACK(PWD);
ZAN_CALLBACK(OFT);
