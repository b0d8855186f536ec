#include "link/link_control.h"

#include "link/link_state.h"

namespace {
// Frames since the handshake, at its saturation.
constexpr int handshakeIdle = 100;
} // namespace

void GiveLinkDefaults(LinkState& link) {
    link.crankPeriodWord = 9999999;
    link.wheelPeriodWord = 9999999;
    link.turnPeriod = stoppedPeriod;
    link.framesSinceTurn = 0;
    link.readSinceTurn = 0;
    link.turningSinceTurn = 0;
    link.periodRingIndex = 0;
    link.markerMisses = 0;
    link.lastTurnFrame = 0;
    link.frameCounter = 1000;
    link.windowFirstFrame = 1000;
    link.simFrameClock = 100.0;
    for (float& slot : link.periodRing) slot = 2000.0f;
    link.turnModeMask = 255;
}

void RestartHandshake(LinkState& link) {
    link.handshakeFrames = 0;
    link.deviceVersion = 0;
    link.deviceSerial = 0;
}

void EndHandshake(LinkState& link) {
    link.handshakeFrames = handshakeIdle;
}

void RestartSilence(LinkState& link) {
    link.ticksSinceFrame = 0;
}

bool TakeSerialMismatch(LinkState& link) {
    if (link.serialMismatch <= 0) return false;
    link.serialMismatch = 0;
    return true;
}

void KeepDeviceSerial(LinkState& link, int serial) {
    link.deviceSerial = serial;
}

void TakeDeviceSerial(LinkState& link) {
    link.crankIdentified = 1;
}

bool FramesArriving(const LinkState& link) {
    return link.frameSeen && link.linkLost == 0;
}

bool LinkLost(const LinkState& link) {
    return link.linkLost != 0;
}
