#pragma once
// Every callback of the two panels and their timers, in the engine's callback form. The panel
// resource names them; the table in callbacks.cpp finds them by name.

#define ZAN_CALLBACK(name)                                                                         \
    int name(int panel, int control, int event, void* callbackData, int eventData1, int eventData2)

// Application shell.
ZAN_CALLBACK(TIMER);
ZAN_CALLBACK(DISPLAY);
ZAN_CALLBACK(FINE);
ZAN_CALLBACK(HOLD);
ZAN_CALLBACK(CLR);
ZAN_CALLBACK(RTEXT);
ZAN_CALLBACK(PRINT);

// Device link.
ZAN_CALLBACK(ONLINE);
ZAN_CALLBACK(SRCH);
ZAN_CALLBACK(CADI);
ZAN_CALLBACK(DEBU);
ZAN_CALLBACK(SERIAL);

// Setup and calibration.
ZAN_CALLBACK(LOAD);
ZAN_CALLBACK(SAVS);
ZAN_CALLBACK(DEF);
ZAN_CALLBACK(DEFM);
ZAN_CALLBACK(DEFX);
ZAN_CALLBACK(ZERO);
ZAN_CALLBACK(RESET);
ZAN_CALLBACK(SKIP);
ZAN_CALLBACK(PWD);
ZAN_CALLBACK(OFT);

// Recording.
ZAN_CALLBACK(SAVE);
ZAN_CALLBACK(SAVET);
ZAN_CALLBACK(SAVE10);
