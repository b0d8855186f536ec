#include "link/frame_reader.h"

#include "link/frame_assembler.h"
#include "link/frame_events.h"
#include "link/link_control.h"
#include "link/revolution_tracking.h"
#include "platform/numbers.h"
#include "platform/port.h"
#include "protocol/frame.h"
#include "protocol/identity.h"
#include "protocol/station_bytes.h"

#include <algorithm>
#include <cmath>

namespace {
// Bytes taken from the port per read: a second of the link's full rate fits in one.
constexpr int readBlockSize = 4096;

// The station asks for identity frames during the first frames after a (re)start, reads the
// identity from those that agree, and then ends them.
constexpr int handshakeRequestFrames = 15;
constexpr int handshakeIdentityFrame = 50;
constexpr int handshakeEndFrame = 65;
constexpr int handshakeSaturation = 100;

// What a read works with: the link's own state, the setup it reads, and where each frame's events
// go.
struct FramePass {
    LinkState& link;
    const LinkSettings& settings;
    const FrameSink& sink;
};

void TakeCounts(LinkState& link, const CrankFrame& frame) {
    link.rawRightForce = frame.rightForce;
    link.rawRightAux = frame.rightAux;
    link.rawLeftForce = frame.leftForce;
    link.rawLeftAux = frame.leftAux;
}

// sent tells whether the crank sent its identity or has software too old to send one.
void TakeIdentity(LinkState& link, int serialNumber, const CrankIdentity& identity, bool sent,
                  FrameEvents& events) {
    link.identityTaken = true;
    link.deviceVersion = identity.version;
    link.deviceSerial = identity.serial;
    events.identified = true;
    // Another crank's number goes into the setup file only once the rider says Yes to it.
    const bool fileCrank = link.deviceSerial == serialNumber;
    link.crankIdentified = sent && fileCrank ? 1 : 0;
    if (!fileCrank) link.serialMismatch = 1;
}

// During the first frames after a (re)start the crank answers ':' with identity frames. The
// identity is taken from the 51st frame on, once two identity frames in a row agree on it:
// frames that never agree name no crank and raise no question.
void RunHandshake(LinkState& link, int serialNumber, const CrankFrame& frame, FrameEvents& events) {
    const int frames = link.handshakeFrames;
    // Past the handshake a frame changes nothing of it.
    if (frames >= handshakeSaturation) return;
    if (frames == 0) {
        link.identityHeard = IdentityAgreement{};
        link.identityTaken = false;
    }
    if (frames < handshakeRequestFrames) events.handshakeByte = identityStartByte;
    if (frames < handshakeEndFrame) HearIdentity(link.identityHeard, frame);
    if (frames >= handshakeIdentityFrame && frames < handshakeEndFrame && !link.identityTaken &&
        link.identityHeard.agreedHeard)
        TakeIdentity(link, serialNumber, link.identityHeard.agreed, true, events);
    if (frames == handshakeEndFrame - 1 && !link.identityTaken &&
        HeardCrankWithoutIdentity(link.identityHeard))
        TakeIdentity(link, serialNumber, CrankIdentity{}, false, events);
    if (frames > handshakeIdentityFrame && frames < handshakeEndFrame)
        events.handshakeByte = identityEndByte;
    link.handshakeFrames = std::min(frames + 1, handshakeSaturation);
}

// The link's reading of a whole frame from the crank: its words and the handshake. A frame the
// screen mended carries words of the frame before it.
FrameEvents TakeFrame(LinkState& link, const LinkSettings& settings, const CrankFrame& frame,
                      bool mended = false) {
    FrameEvents events{};
    events.mended = mended;
    link.frameCounter += 1;
    TakeCounts(link, frame);
    if (link.handshakeFrames < handshakeSaturation)
        RunHandshake(link, settings.serialNumber, frame, events);
    link.rawSpareWord = frame.spare;
    link.crankPeriodWord = frame.crankWord;
    link.wheelPeriodWord = frame.wheelWord;
    if (!mended) {
        if (WheelPeriodsAgree(link.lastWheelWord, frame.wheelWord))
            link.soundWheelWord = frame.wheelWord;
        link.lastWheelWord = frame.wheelWord;
    }
    link.heartRateWord = frame.heartRateWord;
    link.batteryByte = frame.battery;
    return events;
}

// Two pedals half a turn apart swinging ±200 N about a mean near 200 N, with a slow saw-tooth
// drift that moves their means apart and changes the auxiliary ratios.
FrameEvents TakeSimulatedFrame(LinkState& link) {
    FrameEvents events{};
    events.simulated = true;
    link.simPhase += 0.05;
    link.simDrift += 0.003;
    if (link.simDrift > 19.99) link.simDrift = 0.0;
    SimulatedForces& forces = link.simulatedForces;
    forces.right = static_cast<float>(std::sin(link.simPhase) * 200.0 + 195.0 + link.simDrift);
    forces.left =
        static_cast<float>(std::sin(link.simPhase + 3.1415926) * 200.0 + 205.0 - link.simDrift);
    forces.rightAux = static_cast<float>(forces.right / (2.45 - link.simDrift / 50.0));
    forces.leftAux = static_cast<float>(forces.left / (link.simDrift / 50.0 + 2.25));
    link.simFrameClock += 0.3;
    link.frameCounter = TruncToInt(link.simFrameClock);
    link.rawSpareWord = 1345;
    link.wheelPeriodWord = 420;
    link.soundWheelWord = 420;
    link.heartRateWord = 240;
    link.batteryByte = 154;
    return events;
}

// What a frame does to the link once the rest of the station has taken it.
void FinishFrame(LinkState& link) {
    link.ticksSinceFrame = 0;
    link.linkLost = 0;
    link.frameSeen = true;
    link.framesLostBefore = 0;
    link.frameIndex = std::min(link.frameIndex + 1, maxWindowFrames);
}

// A frame the link has read: its handshake byte goes to the crank, the rest of the station takes
// it, and the link finishes it.
void HandOn(const FramePass& pass, FrameEvents events) {
    if (events.handshakeByte != 0) pass.settings.port.Write(events.handshakeByte);
    pass.sink.take(pass.sink.context, events);
    FinishFrame(pass.link);
}

// The identity frames of the handshake carry digits in place of forces: they run the handshake
// and keep their 20 ms, and nothing measures them.
void TakeHandshakeFrame(const FramePass& pass, const CrankFrame& frame) {
    LinkState& link = pass.link;
    FrameEvents events{};
    events.identityOnly = true;
    link.frameCounter += 1;
    RunHandshake(link, pass.settings.serialNumber, frame, events);
    // The crank measures nothing while it tells its identity: the revolution under way is not
    // whole, and the next mark opens the next window afresh.
    RestartRevolutions(link);
    link.ticksSinceFrame = 0;
    link.linkLost = 0;
    link.frameSeen = true;
    if (events.handshakeByte != 0) pass.settings.port.Write(events.handshakeByte);
    if (events.identified) pass.sink.take(pass.sink.context, events);
    // The forces after the handshake are judged afresh.
    const ScreenedFrames released = ReleaseHeldFrame(link.screen);
    for (int i = 0; i < released.count; ++i)
        HandOn(pass, TakeFrame(link, pass.settings, released.frames[i]));
}

// A whole frame from the crank, in order: the bytes the assembler skipped before it count as the
// frames of crank time they took, so a lost frame does not shorten the revolution; an identity
// frame runs the handshake; any other goes through the screen, and what the screen lets through
// is read and handed on.
void TakeReceivedFrame(const FramePass& pass, const CrankFrame& frame) {
    LinkState& link = pass.link;
    // Counted in bytes, not in cut frames: any piece of a frame is one frame, and so is a frame
    // a stray 0xFF cut in two. The single byte left over when a frame's start byte was corrupted
    // (the frame went on without it, one byte late, and already counted) is no frame of its own.
    const long long skipped = link.assembler.linkSkippedBytes - link.skippedBytesCounted;
    link.skippedBytesCounted = link.assembler.linkSkippedBytes;
    const int lost = skipped == 0 ? 0 : static_cast<int>((skipped + frameLength - 2) / frameLength);
    link.framesLostBefore += lost;
    link.frameCounter += lost;
    if (lost > 0) link.lostSinceTurn = true;
    if (link.handshakeFrames < handshakeSaturation && IsIdentityFrame(frame)) {
        TakeHandshakeFrame(pass, frame);
        return;
    }
    if (link.handshakeFrames < handshakeEndFrame) HearMeasuringFrame(link.identityHeard, frame);
    // A force moves on while frames are lost: it is judged against the frame before the gap.
    ScreenLimits room;
    const ScreenLimits& across =
        AcrossLostFrames(pass.settings.limits, link.framesLostBefore, room);
    if (PassesAtOnce(link.screen, frame, across)) {
        HandOn(pass, TakeFrame(link, pass.settings, frame));
        return;
    }
    // A held frame goes on with the frames lost before it; the frame after it with its own.
    const bool wasHolding = link.screen.holding;
    const int lostBeforeThis = link.framesLostBefore - (wasHolding ? link.heldLostBefore : 0);
    const ScreenedFrames screened =
        ScreenFrame(link.screen, frame, across, link.assembler.frameStarted);
    for (int i = 0; i < screened.count; ++i) {
        link.framesLostBefore = wasHolding && i == 0 ? link.heldLostBefore : lostBeforeThis;
        HandOn(pass, TakeFrame(link, pass.settings, screened.frames[i], screened.rejected[i]));
    }
    if (link.screen.holding) {
        link.heldLostBefore = lostBeforeThis;
        link.framesLostBefore = lostBeforeThis;
    }
}

} // namespace

void ReadCrankLink(LinkState& link, const LinkSettings& settings, const FrameSink& sink) {
    const FramePass pass{link, settings, sink};
    link.ticksSinceFrame += 1;
    // Frames lost with the link took the crank's marks with them: the revolution under way is
    // not whole, and the first mark after the link's return opens a window afresh.
    if (link.ticksSinceFrame > lostAfterTicks) {
        if (link.linkLost == 0) RestartRevolutions(link);
        link.linkLost = 1;
    }
    if (settings.simulation >= 1) HandOn(pass, TakeSimulatedFrame(link));
    unsigned char block[readBlockSize];
    for (;;) {
        const int waiting = settings.port.InQLen();
        if (waiting <= 0) return;
        const int wanted = std::min(waiting, readBlockSize);
        const int received = settings.port.Read(block, wanted);
        // A port that reports bytes but cannot give them has failed: try again at the next tick
        // rather than spin here.
        if (received <= 0) return;
        if (sink.received != nullptr)
            sink.received(sink.context, block, std::min(received, wanted));
        // A frame put together a byte at a time is read a byte at a time.
        AssembleFrames(
            link.assembler, block, std::min(received, wanted),
            [&pass](const unsigned char* frame) { TakeReceivedFrame(pass, DecodeFrame(frame)); },
            [&pass](const unsigned char* frame) {
                TakeReceivedFrame(pass, DecodeFrameBytes(frame));
            });
        if (received < wanted) return;
    }
}

int TakeWindowToPlot(LinkState& link) {
    const int frames = link.lastWindowFrames;
    link.lastWindowFrames = 0;
    return frames;
}
