#pragma once
// State of the crank link: the frame being received, the decoded values of the last frame, the
// identity handshake, the revolution tracking and the service commands.

#include "link/frame_assembler.h"

struct LinkState {
    // The device the crank's port is open on ("COM4").
    char comPortName[64];

    // Receive state.
    FrameAssembler assembler;
    int frameCounter;
    int ticksSinceFrame;

    // Handshake and identity.
    int handshakeFrames;
    int deviceVersion;
    int deviceSerial;
    int serialMismatch;

    // Decoded values of the current frame.
    int rawRightForce;
    int rawRightAux;
    int rawLeftForce;
    int rawLeftAux;
    int rawSpareWord;
    int crankPeriodWord;
    int wheelPeriodWord;
    int heartRateWord;
    int batteryByte;
    float rightForce;
    float leftForce;
    float rightAux;
    float leftAux;
    float substituteForce;
    float rightAuxRatio;
    float leftAuxRatio;
    float rightRatioRing[8];
    float leftRatioRing[8];
    int ratioRingIndex;

    // Peak trackers, read and restarted by the display.
    float rightForceMax;
    float rightAuxAtMax;
    float leftForceAtRightMax;
    float leftForceMax;
    float leftAuxAtMax;
    float rightForceAtLeftMax;
    float rightForceMin;
    float leftForceMin;

    // Simulation.
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
    int lastTurnFrame;
    float turnFrames;
    float periodRing[8];
    int periodRingIndex;
    float turnPeriod;
    int turnThreshold;
    int rearmThreshold;
    int frameIndex;
    // Frames of the last window, until the display takes it to plot.
    int lastWindowFrames;
};
