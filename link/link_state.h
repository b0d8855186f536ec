#pragma once
// State of the crank link: the frame being received, the decoded values of the last frame, the
// identity handshake, the revolution tracking and the service commands.

#include "link/frame_assembler.h"
#include "link/frame_screen.h"
#include "protocol/identity.h"

// The most frames a window holds: two revolutions at 6 rpm, slower than any rider pedals.
constexpr int maxWindowFrames = 8000;

// The revolution period of a crank that stands, in milliseconds: its cadence is 0.
constexpr float stoppedPeriod = 60000.0f;

struct SimulatedForces {
    float right;
    float left;
    float rightAux;
    float leftAux;
};

struct LinkState {
    // The device the crank's port is open on ("COM4").
    char comPortName[64];

    // Receive state.
    FrameAssembler assembler;
    int frameCounter;
    int ticksSinceFrame;
    // No frame for the loss limit, until the next frame: the watchdog's restarts of the count do
    // not bring the crank back.
    int linkLost;
    // A frame has come since the start.
    bool frameSeen;

    // Handshake and identity.
    int handshakeFrames;
    int deviceVersion;
    int deviceSerial;
    int serialMismatch;
    // A crank told its identity in this run and its number is the one to keep: the setup file's
    // own, or another the rider said Yes to. Only then does the setup file take its serial number.
    int crankIdentified;
    // The identity frames of the handshake under way, and whether it has named the crank yet.
    IdentityAgreement identityHeard;
    bool identityTaken;
    // The port a reconnect closed waits for its reopen, a second later.
    bool reopenPending;

    // Decoded values of the current frame.
    int rawRightForce;
    int rawRightAux;
    int rawLeftForce;
    int rawLeftAux;
    int rawSpareWord;
    int crankPeriodWord;
    int wheelPeriodWord;
    // The wheel period the speed is read from: the last that two frames in a row, as the crank
    // sent them, agreed on; and the last such frame's.
    int soundWheelWord;
    int lastWheelWord;
    int heartRateWord;
    int batteryByte;
    // Simulation: the simulated crank's last forces, in newtons, given rather than counted.
    SimulatedForces simulatedForces;
    double simPhase;
    double simDrift;
    double simFrameClock;

    // Revolution tracking and the two-revolution window.
    int turnMode;
    int turnModeMask;
    int markerHits;
    int markerMisses;
    int turnLed;
    int turnLedShown; // the revolution lamp as the panel shows it
    int turnCount;
    int framesSinceTurn;
    // Of those, the frames read as the crank sent them (not mended), and those whose crank word
    // gave a turning crank's period.
    int readSinceTurn;
    int turningSinceTurn;
    int lastTurnFrame;
    float turnFrames;
    float periodRing[8];
    int periodRingIndex;
    float turnPeriod;
    int turnThreshold;
    int rearmThreshold;
    int frameIndex;
    // Revolutions the frames since the last start span by the crank's measure (more than 1 when
    // marks were lost); 0 for a mark no revolution made.
    int turnsSinceStart;
    // Revolutions since the start or the last stall, up to 5: from 5 on the period is settled.
    int settledTurns;
    // The crank's own period in the frame before, in half-milliseconds.
    int lastCrankPeriod;
    // Frames were lost or mended since the last revolution start: the frames counted since are
    // partly estimated, and a mark may have come in a corrupted frame.
    bool lostSinceTurn;
    // Bytes the assembler skipped, already counted as time.
    long long skippedBytesCounted;
    // Frames of crank time the link lost just before the frame being read, and before the frame
    // the screen holds.
    int framesLostBefore;
    int heldLostBefore;
    FrameScreen screen;
    // Frames of the last window, until the display takes it to plot.
    int lastWindowFrames;
    // The frame count when the window under way began.
    int windowFirstFrame;
};
