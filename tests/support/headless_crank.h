#pragma once
// A crank on a headless serial device: it answers the station's ':' with identity frames until
// ';', and otherwise streams force frames.

#include "tests/support/headless_engine.h"

struct HeadlessCrank {
    int serial = 123;
    int version = 4;
    // A crank whose software is older than 1.0 answers ':' with force frames all the same.
    bool sendsIdentity = true;
    // Frames it sends before it falls silent; negative: no end.
    int framesLeft = -1;
    // What it has sent so far.
    int framesSent = 0;
};

// Makes the device play the crank. Each look at the queue that finds it empty alternates between
// delivering one frame and reporting nothing, so every frame-reader call takes exactly one frame
// however fast it is called: the virtual clock does not move during the device search's polling.
// The crank lives as long as the device; read its counts through the returned reference.
HeadlessCrank& PlayCrank(HeadlessEngine& engine, const char* deviceName, int serial,
                         double openSeconds = 0.0);
